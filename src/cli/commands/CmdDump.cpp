// corvane-cli dump: every setting and every map point of a map file, as JSON or as a table.
#include <cstdio>

#include "cli/commands/CliDocSupport.h"
#include "maps/CModuleMap.h"

namespace corvane::cli {
namespace {

void DumpJson(const CCorvaneMapsDoc& doc, std::ostream& out) {
    out << "{\n";
    out << "  \"file_version\": " << doc.GetFileVersion() << ",\n";
    out << "  \"product_code\": " << doc.GetProductCode() << ",\n";
    out << "  \"map_count\": " << doc.GetFileMapCount() << ",\n";
    out << "  \"base_map_name\": " << JsonString(doc.GetBaseMapName()) << ",\n";
    out << "  \"settings\": [";
    for (int i = 0; i < doc.GetSettingCount(); ++i) {
        const CBasicSettingsModuleValue& s = *doc.GetSetting(i);
        out << (i ? ",\n" : "\n") << "    {\"index\": " << i << ", \"class\": " << JsonString(s.GetClassName())
            << ", \"name\": " << JsonString(s.GetName()) << ", \"unit\": " << JsonString(s.GetUnit())
            << ", \"address\": " << s.GetAddress() << ", \"module_value\": " << s.GetModuleValue()
            << ", \"display_value\": " << JsonNumber(s.GetDisplayValue())
            << ", \"base_value\": " << s.GetBaseValue() << ", \"trim_value\": " << s.GetTrimValue() << "}";
    }
    out << "\n  ],\n  \"maps\": [";
    for (int m = 0; m < doc.GetMapCount(); ++m) {
        const CModuleMap& map = *doc.GetMap(m);
        out << (m ? ",\n" : "\n") << "    {\"index\": " << m << ", \"class\": " << JsonString(map.GetClassName())
            << ", \"title\": " << JsonString(map.GetTitle()) << ", \"group\": " << map.GetGroupNumber()
            << ", \"group_text\": " << JsonString(map.GetGroupText())
            << ", \"start_address\": " << map.GetStartAddress()
            << ", \"bytes_per_point\": " << map.GetBytesPerPoint() << ", \"margin_type\": " << map.GetMarginType()
            << ", \"composite\": " << (map.IsComposite() ? "true" : "false") << ",\n     \"points\": [";
        for (int i = 0; i < map.GetNumberOfPoints(); ++i) {
            out << (i ? ",\n" : "\n") << "       {\"x\": " << JsonNumber(map.GetPointX(i))
                << ", \"module_value\": " << map.GetPointModuleValue(i)
                << ", \"base_value\": " << map.GetPointBaseValue(i)
                << ", \"trim_value\": " << map.GetPointTrimValue(i)
                << ", \"display_value\": " << JsonNumber(map.GetPointDisplayValue(i))
                << ", \"base_display_value\": " << JsonNumber(map.GetPointBaseDisplayValue(i))
                << ", \"trim_display_value\": " << JsonNumber(map.GetPointTrimDisplayValue(i))
                << ", \"trim_shown_value\": " << JsonNumber(map.GetPointTrimShownValue(i))
                << ", \"in_sync\": " << (map.IsPointInSync(i) ? "true" : "false") << "}";
        }
        out << "\n     ]}";
    }
    out << "\n  ]\n}\n";
}

void DumpTable(const CCorvaneMapsDoc& doc, std::ostream& out) {
    out << "file version " << doc.GetFileVersion() << ", product code " << doc.GetProductCode()
        << ", map count " << doc.GetFileMapCount() << ", base map name \"" << PrintableText(doc.GetBaseMapName()) << "\"\n\n";
    out << "Basic Settings\n";
    char line[256];
    for (int i = 0; i < doc.GetSettingCount(); ++i) {
        const CBasicSettingsModuleValue& s = *doc.GetSetting(i);
        std::snprintf(line, sizeof line, "  %2d  %-28s %12s %-7s  module %6d  addr 0x%04X\n", i, s.GetName().c_str(),
                      FormatWithDisplayFormat(s.GetDisplayValue(), s.GetDisplayFormat()).c_str(),
                      s.GetUnit().c_str(), s.GetModuleValue(), s.GetAddress());
        out << line;
    }
    for (int m = 0; m < doc.GetMapCount(); ++m) {
        const CModuleMap& map = *doc.GetMap(m);
        std::snprintf(line, sizeof line, "\n[%d] %s (%s)%s, start 0x%04X, %d byte(s) per point\n", m,
                      map.GetTitle().c_str(), map.GetClassName().c_str(), map.IsComposite() ? ", composite" : "",
                      map.GetStartAddress(), map.GetBytesPerPoint());
        out << line;
        out << "     #           x   display (" << map.GetYUnit() << ")   module     base     trim  sync\n";
        for (int i = 0; i < map.GetNumberOfPoints(); ++i) {
            std::snprintf(line, sizeof line, "  %4d  %10.4g  %12.6g  %7d  %7d  %7d  %s\n", i, map.GetPointX(i),
                          map.GetPointDisplayValue(i), map.GetPointModuleValue(i), map.GetPointBaseValue(i),
                          map.GetPointTrimValue(i), map.IsPointInSync(i) ? "yes" : "no");
            out << line;
        }
    }
}

int RunDump(const Args& args, std::ostream& out, std::ostream& err) {
    AppState app;
    app.productCode = DocumentProductCode(args);
    const std::string path = OnePositional(args, "map file");
    auto doc = OpenMapFile(path, app, err);
    if (!doc) return kExitRefused;
    if (args.Has("json"))
        DumpJson(*doc, out);
    else
        DumpTable(*doc, out);
    return kExitOk;
}

const bool kRegistered = Register({
    "dump",
    "dump [--product-code N] FILE.crv [--json]",
    "Prints every basic setting and every point of every map of FILE.crv, opened as a\n"
    "document of product code N (default 1). With --json the output is one JSON object:\n"
    "file_version, product_code, map_count, base_map_name, settings (index, class, name, unit,\n"
    "address, module_value, display_value, base_value, trim_value) and maps (index, class,\n"
    "title, group, group_text, start_address, bytes_per_point, margin_type, composite, points:\n"
    "x, module_value, base_value, trim_value, display_value, base_display_value,\n"
    "trim_display_value, trim_shown_value, in_sync).",
    {"json"},
    RunDump,
});

}  // namespace
}  // namespace corvane::cli
