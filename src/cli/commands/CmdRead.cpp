// corvane-cli read: READ a module's maps and settings into a new map file.
#include <iostream>

#include "cli/CliCommand.h"
#include "cli/CliPrompter.h"
#include "cli/ModuleSession.h"
#include "cli/commands/CliDocSupport.h"
#include "link/CModuleTransfer.h"
#include "link/MapsDocumentLink.h"

namespace corvane::cli {
namespace {

int RunRead(const Args& args, std::ostream& out, std::ostream& err) {
    const auto port = args.Get("port");
    if (!port) throw UsageError{"--port PORT is required"};
    const std::string path = OnePositional(args, "output file");
    const std::uint32_t code = DocumentProductCode(args);

    CliPrompter prompter(err, std::cin, args.Has("yes"));
    ModuleSession session(args, code, prompter);
    CCorvaneMapsDoc doc(session.App(), &session.Comms(), &session.Link(), &prompter);
    MapsDocumentLink docLink(doc);
    CModuleTransfer transfer(session.Link());
    if (!transfer.ReadModuleMapsAndSettings(&docLink, FirstViewKind::kMaps)) return kExitFailed;
    std::string error;
    if (!doc.Save(path, &error)) {
        err << "corvane-cli read: cannot write " << path << ": " << error << "\n";
        return kExitFailed;
    }
    out << "read " << doc.GetBasicMapCount() << " maps and the basic settings into " << path << "\n";
    return kExitOk;
}

const bool kRegistered = Register({
    "read",
    "read --port PORT [--product-code N] [--yes] OUT.crv",
    "READ: reads every map and the basic settings of the module on PORT (\"sim\", \"Com n\" or a\n"
    "device path) into a new document of the product family and saves it as OUT.crv. A base map\n"
    "name that differs from the new document's is a question: --yes answers OK.",
    {"yes"},
    RunRead,
});

}  // namespace
}  // namespace corvane::cli
