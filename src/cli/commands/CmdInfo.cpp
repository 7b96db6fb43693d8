// corvane-cli info: the header of a map file as the document reads it.
#include "cli/commands/CliDocSupport.h"

namespace corvane::cli {
namespace {

int RunInfo(const Args& args, std::ostream& out, std::ostream& err) {
    AppState app;
    app.productCode = DocumentProductCode(args);
    const std::string path = OnePositional(args, "map file");
    auto doc = OpenMapFile(path, app, err);
    if (!doc) {
        out << "load status: " << app.loadStatus << "\n";
        return kExitRefused;
    }
    out << "file version: " << doc->GetFileVersion() << "\n"
        << "product code: " << doc->GetProductCode() << " (family " << FamilyName(doc->GetFamily()) << ")\n"
        << "map count: " << doc->GetFileMapCount() << "\n"
        << "maps in document: " << doc->GetMapCount() << " (" << doc->GetBasicMapCount() << " basic, "
        << doc->GetCompositeMapCount() << " composite)\n"
        << "base map name: " << PrintableText(doc->GetBaseMapName()) << "\n"
        << "load status: " << app.loadStatus << "\n"
        << "values outside their limits: " << doc->UnresolvedOutOfLimits().size() << "\n";
    return kExitOk;
}

const bool kRegistered = Register({
    "info",
    "info [--product-code N] FILE.crv",
    "Opens FILE.crv as a document of product code N (default 1) and prints its file version,\n"
    "product code, map count, base map name and the load status. A file the document refuses\n"
    "prints the reason on stderr and exits 2.",
    {},
    RunInfo,
});

}  // namespace
}  // namespace corvane::cli
