// corvane-cli table-set: a family's table from a spreadsheet, with the table view's checks and
// limits, saved.
#include <fstream>
#include <iterator>

#include "cli/commands/TableCliSupport.h"
#include "platform/Utf8Path.h"

namespace corvane::cli {
namespace {

int RunTableSet(const Args& args, std::ostream& out, std::ostream& err) {
    AppState app;
    app.productCode = DocumentProductCode(args);
    const std::string path = OnePositional(args, "map file");
    const auto from = args.Get("from");
    if (!from) throw UsageError{"--from TABLE.csv is required"};
    auto doc = OpenMapFile(path, app, err);
    if (!doc) return kExitRefused;
    const OpenedTable table = OpenTable(*doc, args);

    std::ifstream file(PathFromUtf8(*from), std::ios::binary);
    if (!file) {
        err << "corvane-cli table-set: cannot read " << *from << "\n";
        return kExitRefused;
    }
    const std::string text{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    const TableEditResult result = table.editor->ImportCsv(text);
    if (!result.message.empty()) {
        err << *from << ": " << result.message << "\n";
        return kExitRefused;
    }
    out << table.family.Title() << ": " << result.cellsChanged << " cell" << (result.cellsChanged == 1 ? "" : "s")
        << " changed";
    if (result.cellsClamped > 0)
        out << ", " << result.cellsClamped << " held at " << (result.cellsClamped == 1 ? "its limit" : "their limits");
    out << "\n";
    if (result.changed) doc->SetModifiedFlag(true);

    const std::string target = args.GetOr("o", args.GetOr("output", path));
    std::string error;
    if (!doc->Save(target, &error)) {
        err << "corvane-cli table-set: " << error << "\n";
        return kExitFailed;
    }
    return kExitOk;
}

const bool kRegistered = Register({
    "table-set",
    "table-set [--product-code N] FILE.crv --family NAME --from TABLE.csv [-o OUT.crv]",
    "Sets a speed-indexed family of FILE.crv from a table as 'table --csv' writes it (a comma,\n"
    "semicolon or tab between cells): a header line of the x values, then rows that start with\n"
    "their engine speed; rows may be left out and come in any order, every column is needed.\n"
    "Each value goes to its point as the table view would set it: to the nearest module step,\n"
    "held at the point's limits (the count of such cells is printed). A table that does not fit\n"
    "(a wrong header, an unknown or repeated speed, a short line, a cell that is no number) is\n"
    "refused whole with the line and column at fault, exit 2, and nothing is written. Saves to\n"
    "OUT.crv when given, else over FILE.crv (atomically).\n" +
        TableFamilyHelp(),
    {},
    RunTableSet,
});

}  // namespace
}  // namespace corvane::cli
