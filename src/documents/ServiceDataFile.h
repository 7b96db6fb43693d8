#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace corvane {

struct WarrantyValues;

// The service data file (.ssd): a copy of the module's warranty record as text, one value per
// line, lines ended by CR LF:
//   rev-limit hits, the 60 run-time logs in seconds, "0", the VIN, "0".
// Loading changes only the warranty values and the document's image; nothing is sent to a
// module.
class ServiceDataFile {
public:
    static constexpr const char* kFilter = "Service Data Files (*.ssd)|*.ssd||";
    static constexpr const char* kDefaultExtension = "ssd";

    [[nodiscard]] static std::string ToText(const WarrantyValues& values);
    // Applies the text to the values. Missing lines count as empty: 0 for numbers, an empty VIN.
    static void FromText(std::string_view text, WarrantyValues& values);

    // Writes the file (atomically); false when it cannot be written.
    [[nodiscard]] static bool Save(const std::string& path, const WarrantyValues& values);
    // Reads the file; false, with the values unchanged, when it cannot be opened.
    [[nodiscard]] static bool Load(const std::string& path, WarrantyValues& values);

    // A line as a decimal number: leading blanks skipped, an optional sign, digits up to the
    // first other character; 0 when there are none. Saturates instead of overflowing.
    [[nodiscard]] static std::int64_t ParseNumber(std::string_view line);
};

}  // namespace corvane
