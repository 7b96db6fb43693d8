#pragma once

#include <optional>
#include <string>

namespace corvane {

class CLinkController;
class LinkDocument;

// The warranty view's operations on a family-B document and the linked module: read the
// record, clear the run-time logs, set the VIN, and keep the record in a service data file.
// Every operation that talks to the module links first when needed and holds the monitor
// stream for its duration. A failed step is reported by name; values read before it keep
// their new values, the rest their old ones.
class CWarrantyLink {
public:
    explicit CWarrantyLink(CLinkController& link) : m_link(link) {}

    // "Read Module": VIN, rev-limit hits, then the 60 logs in order.
    bool ReadWarranty(LinkDocument& doc);
    // "Clear Module": asks first; zeroes the hits and every log in the module, reading each
    // back, then reads the whole record again.
    bool ClearWarranty(LinkDocument& doc);
    // "Edit VIN": `dialogText` is what the VIN dialog returned (nullopt: cancelled).
    bool EditVin(LinkDocument& doc, const std::optional<std::string>& dialogText);
    // Enter in the view's VIN field. The field shows the VIN printable (PrintableText), so its
    // text is read back the same way ("\xNN" is one byte) before anything is sent; a text that
    // does not read back, or stands for more than the VIN's 32 bytes, is refused.
    bool CheckAndSendVin(LinkDocument& doc, const std::string& shownText);

    // Service data file (.ssd); nothing is sent to the module.
    [[nodiscard]] static bool SaveServiceData(LinkDocument& doc, const std::string& path);
    [[nodiscard]] static bool LoadServiceData(LinkDocument& doc, const std::string& path);

private:
    // Reads the record; the label of the value that failed, or empty when all were read.
    std::string ReadRecord(LinkDocument& doc);
    bool SendVin(LinkDocument& doc, const std::string& text);
    bool VinFits(const std::string& text);

    CLinkController& m_link;
};

}  // namespace corvane
