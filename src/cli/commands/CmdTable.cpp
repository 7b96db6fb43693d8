// corvane-cli table: a speed-indexed family of a map file as one table, for the terminal or a
// spreadsheet.
#include <algorithm>
#include <cstdio>

#include "cli/commands/TableCliSupport.h"

namespace corvane::cli {
namespace {

// Columns as wide as their widest text, right-aligned, so that the table reads on a terminal.
void PrintAligned(const CTableEditor& table, const TableFamily& family, std::ostream& out) {
    const CModuleMap& first = table.RowMap(0);
    out << family.Title() << " (" << first.GetYUnit() << "): rows engine speed (rpm), columns "
        << (first.GetXAxisName().empty() ? std::string("x") : first.GetXAxisName()) << " (" << first.GetXUnit() << ")\n";
    std::vector<std::vector<std::string>> lines;
    std::vector<std::string> header{"rpm"};
    for (int c = 0; c < table.ColumnCount(); ++c) header.push_back(table.FormatX(table.ColumnX(c)));
    lines.push_back(header);
    for (int r = 0; r < table.RowCount(); ++r) {
        auto& line = lines.emplace_back();
        line.push_back(std::to_string(table.RowSpeed(r)));
        for (int c = 0; c < table.ColumnCount(); ++c) line.push_back(table.FormatValue(table.Value({r, c})));
    }
    std::vector<std::size_t> widths(header.size(), 0);
    for (const auto& line : lines)
        for (std::size_t i = 0; i < line.size(); ++i) widths[i] = std::max(widths[i], line[i].size());
    for (const auto& line : lines) {
        for (std::size_t i = 0; i < line.size(); ++i)
            out << (i ? " " : "") << std::string(widths[i] - line[i].size(), ' ') << line[i];
        out << "\n";
    }
}

int RunTable(const Args& args, std::ostream& out, std::ostream& err) {
    AppState app;
    app.productCode = DocumentProductCode(args);
    const std::string path = OnePositional(args, "map file");
    auto doc = OpenMapFile(path, app, err);
    if (!doc) return kExitRefused;
    const OpenedTable table = OpenTable(*doc, args);
    if (args.Has("csv"))
        out << table.editor->ExportCsv();
    else
        PrintAligned(*table.editor, table.family, out);
    return kExitOk;
}

const bool kRegistered = Register({
    "table",
    "table [--product-code N] FILE.crv --family NAME [--csv]",
    "Prints a speed-indexed family of FILE.crv as one table: a row per engine speed (0, 256 ...\n"
    "7936 rpm, as the maps' titles state them), a column per point of the maps' x axis, the\n"
    "values the module gets in the maps' display unit. With --csv: a header line \"rpm\" and the\n"
    "x values, then one line per row, its speed first (what table-set reads back).\n" +
        TableFamilyHelp(),
    {"csv"},
    RunTable,
});

}  // namespace
}  // namespace corvane::cli
