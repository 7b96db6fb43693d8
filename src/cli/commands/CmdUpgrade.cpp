// corvane-cli upgrade: the firmware upgrade procedure.
#include <iostream>

#include "cli/CliCommand.h"
#include "cli/CliPrompter.h"
#include "cli/ModuleSession.h"
#include "cli/commands/BackupCliSupport.h"
#include "cli/commands/CliDocSupport.h"
#include "link/CFirmwareUpgrade.h"

namespace corvane::cli {
namespace {

int RunUpgrade(const Args& args, std::ostream& out, std::ostream& err) {
    const auto port = args.Get("port");
    if (!port) throw UsageError{"--port PORT is required"};
    const std::string firmware = OnePositional(args, "firmware file");
    const std::uint32_t code = DocumentProductCode(args);
    CheckBackupOptions(args);

    CliPrompter prompter(err, std::cin, args.Has("yes"));
    if (const auto wait = args.GetInt("wait")) prompter.SetWaitTimeout(std::chrono::seconds(*wait));
    prompter.SetOpenFile(firmware);
    ModuleSession session(args, code, prompter);
    if (session.Simulated()) err << "(simulated module: its power is cycled at each power-cycle prompt)\n";
    CFirmwareUpgrade upgrade(session.Link());
    const CliBackup backup = MakeCliBackup(args, session.Link());
    upgrade.SetBackup(backup.backup.get());
    const bool ok = upgrade.Run();
    ReportBackup(backup, true, out, err);
    if (!ok) return kExitFailed;
    out << "firmware " << firmware << " written\n";
    return kExitOk;
}

const bool kRegistered = Register({
    "upgrade",
    "upgrade --port PORT [--product-code N] [--wait SECONDS] [--yes] [--no-backup | --backup-dir DIR]\n"
    "        FIRMWARE",
    "Upgrades the module's firmware from FIRMWARE (.S19, converted to .B19 beside it, or .B19).\n"
    "The name must read <name>_<module id>_V<version>.<ext>. At each power-cycle prompt turn the\n"
    "module's power off and on; the procedure goes on once the module is detected again, or\n"
    "gives up after --wait seconds (default 120). With PORT \"sim\" the simulated module's power\n"
    "is cycled by the command itself.\n" +
        std::string(kBackupOptionsHelp),
    {"yes", "no-backup"},
    RunUpgrade,
});

}  // namespace
}  // namespace corvane::cli
