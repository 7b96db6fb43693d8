#pragma once

#include <memory>
#include <string>

#include "documents/TuneDifferences.h"
#include "model/AppState.h"

namespace corvane {

class CCorvaneMapsDoc;
class CModuleMap;

// A second tune held beside a maps document to compare the two: the views draw its curves
// behind their own and list where the two differ. The compared tune is read-only: it has no
// link, no comms and no prompter, so nothing done with it can reach a module or ask the user,
// and it never becomes the application's document (its own application state is private).
class CTuneComparison {
public:
    static constexpr const char* kOtherProductMessage =
        "Only a tune of the same product can be compared with this document.";

    struct OpenResult {
        std::unique_ptr<CTuneComparison> comparison;  // null when the file was refused
        int status = kLoadCorrupt;                    // the document's load status
        // What the user is told when the file was refused; empty on success.
        std::string message;
    };

    // Reads the map file at path as a tune of the active document's product. A file of
    // another product or a damaged one is refused with the document's own load message
    // (another product also says that only the same product compares); nothing of the active
    // document or the application changes either way.
    [[nodiscard]] static OpenResult Open(CCorvaneMapsDoc& active, const std::string& path);

    ~CTuneComparison();
    CTuneComparison(const CTuneComparison&) = delete;
    CTuneComparison& operator=(const CTuneComparison&) = delete;

    [[nodiscard]] const CCorvaneMapsDoc& Active() const { return m_active; }
    [[nodiscard]] const CCorvaneMapsDoc& Compared() const { return *m_compared; }
    [[nodiscard]] const std::string& Path() const { return m_path; }
    // The compared tune's map at this index of the maps array, or null.
    [[nodiscard]] const CModuleMap* ComparedMap(int index) const;

    // Where the active document now differs from the compared tune (A: active, B: compared).
    // Composites of the active document first take their points again from their rows, which
    // edits may have changed since they were last shown (the compared tune's did so on load).
    [[nodiscard]] TuneDifferences Differences() const;

private:
    CTuneComparison(CCorvaneMapsDoc& active, std::string path);

    CCorvaneMapsDoc& m_active;
    std::string m_path;
    AppState m_app;  // outlives m_compared, whose values refer to it
    std::unique_ptr<CCorvaneMapsDoc> m_compared;
};

}  // namespace corvane
