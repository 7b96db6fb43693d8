// corvane-cli write: WRITE a map file's maps and settings to a module.
#include <iostream>

#include "cli/CliCommand.h"
#include "cli/CliPrompter.h"
#include "cli/ModuleSession.h"
#include "cli/commands/BackupCliSupport.h"
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
    CheckBackupOptions(args);
    if (args.Has("verify") && args.Has("no-verify")) throw UsageError{"--verify and --no-verify exclude each other"};

    CliPrompter prompter(err, std::cin, args.Has("yes"));
    ModuleSession session(args, code, prompter);
    auto opened = CCorvaneMapsDoc::Open(path, session.App(), &session.Comms(), &session.Link(), &prompter);
    if (!opened.document) {
        err << opened.Message() << "\n";
        return kExitRefused;
    }
    MapsDocumentLink docLink(*opened.document);
    CModuleTransfer transfer(session.Link());
    const CliBackup backup = MakeCliBackup(args, session.Link());
    transfer.SetBackup(backup.backup.get());
    transfer.SetVerifyAfterWrite(!args.Has("no-verify"));
    transfer.SetOfferWriteAgain(false);
    const bool ok = transfer.WriteModuleMapsAndSettings(&docLink);
    const CModuleTransfer::WriteReport& report = transfer.LastWriteReport();
    ReportBackup(backup, report.backupAttempted, out, err);
    if (!ok) {
        // The list of what differs was printed with the verification's message.
        if (report.verifyRan && report.verify.readOk && !report.verify.mismatches.empty()) return kExitVerifyFailed;
        return kExitFailed;
    }
    out << "wrote " << path << " to the module (" << report.mapChunks << " map chunks)";
    if (report.verifyRan) out << "; verified: every byte read back as written";
    out << "\n";
    // "Verified" covers what was sent, and only that.
    if (!report.notSent.empty()) out << "not sent by WRITE (module-specific, kept as the module has them): " << report.notSent << "\n";
    return kExitOk;
}

const bool kRegistered = Register({
    "write",
    "write --port PORT [--product-code N] [--yes] [--no-backup | --backup-dir DIR]\n"
    "      [--verify | --no-verify] FILE.crv",
    "WRITE: sends the map regions (0x9000-0xA9FF, 0x9A00-0xA3FF, then the fuel table\n"
    "0x8000-0x8FFF of a family-A file), the basic settings blocks and the base map name of\n"
    "FILE.crv to the module on PORT; the sensor calibration maps are not sent (named after a\n"
    "WRITE). Asks before it starts (and when the base map names differ) unless\n"
    "--yes is given; answers are read from the standard input otherwise.\n"
    "Afterwards every region written is read back and compared byte for byte (--verify, the\n"
    "default; --no-verify skips it); a difference is listed by map and point and exits with 4.\n" +
        std::string(kBackupOptionsHelp),
    {"yes", "no-backup", "verify", "no-verify"},
    RunWrite,
});

}  // namespace
}  // namespace corvane::cli
