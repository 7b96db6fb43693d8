#include "documents/TunePrintout.h"

#include <cstdio>

#include "documents/CCorvaneMapsDoc.h"
#include "maps/CModuleMap.h"
#include "maps/MapDescription.h"
#include "model/BasicSettingEdit.h"
#include "model/NumberText.h"
#include "model/PrintableText.h"
#include "model/WarrantyValues.h"

namespace corvane::TunePrintout {

namespace {

std::string Hex4(unsigned value) {
    char text[8];
    std::snprintf(text, sizeof text, "0x%04X", value & 0xFFFFu);
    return text;
}

}  // namespace

std::string DocumentLine(const CCorvaneMapsDoc& doc, const std::string& documentTitle, const std::string& printedAt) {
    return documentTitle + "  |  base map name " + PrintableText(doc.GetBaseMapName()) + "  |  product code " +
           std::to_string(doc.GetProductCode()) + "  |  printed " + printedAt;
}

PrintTable MapPoints(const CCorvaneMapsDoc& doc, int mapIndex) {
    PrintTable table;
    const CModuleMap* map = doc.GetMap(mapIndex);
    if (map == nullptr) return table;
    table.title = doc.MapTitle(mapIndex);
    const bool trims = map->GetMarginType() != 0;
    const std::string xTitle = AxisTitle(map->GetXAxisName(), map->GetXUnit());
    table.headings = {"Point", xTitle.empty() ? "x" : xTitle, "Base (" + map->GetYUnit() + ")"};
    table.numeric = {true, true, true};
    if (trims) {
        const std::string label = map->GetTrimLabel().empty() ? "Trim" : map->GetTrimLabel();
        table.headings.push_back(label + " (" + (map->GetMarginType() == 1 ? "%" : map->GetYUnit()) + ")");
        table.numeric.push_back(true);
    }
    table.headings.push_back(map->GetYAxisName() + " (" + map->GetYUnit() + ")");
    table.headings.push_back("Sync");
    table.numeric.push_back(true);
    table.numeric.push_back(false);
    for (int i = 0; i < map->GetNumberOfPoints(); ++i) {
        std::vector<std::string> row{std::to_string(i), FormatFixed(map->GetPointX(i), 2),
                                     FormatFixed(map->GetPointBaseDisplayValue(i), 3)};
        if (trims) row.push_back(FormatFixed(map->GetPointTrimShownValue(i), 2));
        row.push_back(FormatFixed(map->GetPointDisplayValue(i), 3));
        row.push_back(map->IsPointInSync(i) ? "in sync" : "not in sync");
        table.rows.push_back(std::move(row));
    }
    return table;
}

PrintTable Settings(const CCorvaneMapsDoc& doc, int moduleFirmwareVersion) {
    PrintTable table;
    table.title = "Basic Settings";
    table.headings = {"Setting", "Value", "Unit", "Range", "Address"};
    table.numeric = {false, true, false, false, false};
    for (int k = 0; k < doc.GetSettingCount(); ++k) {
        const CBasicSettingsModuleValue* s = doc.GetSetting(k);
        if (s == nullptr) continue;
        const std::string range = FormatWithDisplayFormat(s->GetDisplayMinimum(), s->GetDisplayFormat()) + " - " +
                                  FormatWithDisplayFormat(s->GetDisplayMaximum(), s->GetDisplayFormat());
        table.rows.push_back({s->GetName(), SettingValueText(*s, moduleFirmwareVersion), s->GetUnit(), range,
                              Hex4(s->GetAddress())});
    }
    return table;
}

PrintTable WarrantyBands(const WarrantyValues& record) {
    PrintTable table;
    table.title = "Warranty Information";
    table.headings = {"Engine speed", "Hours:Minutes:Seconds"};
    table.numeric = {false, true};
    for (const auto& log : record.logs)
        if (log) table.rows.push_back({log->GetLabel(), FormatRunTime(log->GetSeconds())});
    table.rows.push_back({"Total Hrs.", FormatRunTime(record.TotalSeconds())});
    return table;
}

std::vector<std::string> WarrantyHeader(const WarrantyValues& record) {
    std::vector<std::string> lines;
    if (record.vin) lines.push_back("VIN: " + PrintableText(record.vin->GetText()));
    if (record.revLimitHits) lines.push_back("Rev limiter hits: " + record.revLimitHits->FormatValue());
    return lines;
}

}  // namespace corvane::TunePrintout
