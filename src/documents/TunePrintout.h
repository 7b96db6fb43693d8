#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace corvane {

class CCorvaneMapsDoc;
struct WarrantyValues;

// A table of text as a printed page shows it: a title, column headings and rows of cells.
// The window program lays these out on paper (or a PDF); what they say is decided here, in
// display units and in the same words as the windows.
struct PrintTable {
    std::string title;
    std::vector<std::string> headings;
    std::vector<std::vector<std::string>> rows;
    // Columns whose cells are numbers, set right-aligned under their heading.
    std::vector<bool> numeric;
};

namespace TunePrintout {

// The line above every printed page: which document, which tune in it, when.
// "tune.crv  |  base map name CVA-STOCK  |  product code 1  |  printed 2024-05-01 14:03"
[[nodiscard]] std::string DocumentLine(const CCorvaneMapsDoc& doc, const std::string& documentTitle,
                                       const std::string& printedAt);

// The points of map `mapIndex` in display units: point, x, base, the trim under the map's trim
// label (maps with margins only), the value the module holds (base and trim), and whether the
// point is in sync with the module ("Sync"). Empty (no rows) for no map.
[[nodiscard]] PrintTable MapPoints(const CCorvaneMapsDoc& doc, int mapIndex);

// The 29 basic settings as the settings view shows them ("N/A Firmware" where the linked
// firmware lacks one), with unit, range and module address.
[[nodiscard]] PrintTable Settings(const CCorvaneMapsDoc& doc, int moduleFirmwareVersion);

// The warranty record: one row per speed band with its run time, the total last.
[[nodiscard]] PrintTable WarrantyBands(const WarrantyValues& record);
// The lines above the bands: the VIN (printable) and the rev-limiter hits.
[[nodiscard]] std::vector<std::string> WarrantyHeader(const WarrantyValues& record);

}  // namespace TunePrintout

}  // namespace corvane
