// corvane-cli new: a new map document of the running product family, saved at once.
#include "cli/commands/CliDocSupport.h"

namespace corvane::cli {
namespace {

int RunNew(const Args& args, std::ostream& out, std::ostream& err) {
    AppState app;
    app.productCode = DocumentProductCode(args);
    const std::string path = OnePositional(args, "output file");
    CCorvaneMapsDoc doc(app);
    std::string error;
    if (!doc.Save(path, &error)) {
        err << "corvane-cli new: " << error << "\n";
        return kExitFailed;
    }
    out << "wrote " << path << ": product code " << app.productCode << " (family "
        << FamilyName(doc.GetFamily()) << "), " << doc.GetMapCount() << " maps\n";
    return kExitOk;
}

const bool kRegistered = Register({
    "new",
    "new [--product-code N] OUT.crv",
    "Creates a new map document of the product family of N (default 1) and saves it as\n"
    "OUT.crv: every map at its initial curve, every basic setting at its initial value,\n"
    "the base map name sixteen digits 0.",
    {},
    RunNew,
});

}  // namespace
}  // namespace corvane::cli
