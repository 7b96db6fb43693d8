// corvane-cli write: WRITE a map file's maps and settings to a module.
#include <iostream>

#include "cli/CliCommand.h"
#include "cli/CliPrompter.h"
#include "cli/ModuleSession.h"
#include "cli/commands/CliDocSupport.h"
#include "link/CModuleTransfer.h"
#include "link/MapsDocumentLink.h"

namespace corvane::cli {
namespace {

int RunWrite(const Args& args, std::ostream& out, std::ostream& err) {
    const auto port = args.Get("port");
    if (!port) throw UsageError{"--port PORT is required"};
    const std::string path = OnePositional(args, "map file");
    const std::uint32_t code = DocumentProductCode(args);

    CliPrompter prompter(err, std::cin, args.Has("yes"));
    ModuleSession session(args, code, prompter);
    auto opened = CCorvaneMapsDoc::Open(path, session.App(), &session.Comms(), &session.Link(), &prompter);
    if (!opened.document) {
        err << opened.Message() << "\n";
        return kExitRefused;
    }
    MapsDocumentLink docLink(*opened.document);
    CModuleTransfer transfer(session.Link());
    if (!transfer.WriteModuleMapsAndSettings(&docLink)) return kExitFailed;
    out << "wrote " << path << " to the module (" << CModuleTransfer::MapChunkCount() << " map chunks)\n";
    return kExitOk;
}

const bool kRegistered = Register({
    "write",
    "write --port PORT [--product-code N] [--yes] FILE.crv",
    "WRITE: sends the maps regions, the basic settings blocks and the base map name of FILE.crv\n"
    "to the module on PORT. Asks before it starts (and when the base map names differ) unless\n"
    "--yes is given; answers are read from the standard input otherwise.",
    {"yes"},
    RunWrite,
});

}  // namespace
}  // namespace corvane::cli
