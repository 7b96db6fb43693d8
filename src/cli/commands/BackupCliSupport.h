#pragma once

// The backup options shared by the commands that overwrite a module's tune (write, upgrade):
// a backup before them unless --no-backup, in the window program's backup folder unless
// --backup-dir names another.

#include <memory>
#include <ostream>
#include <string>

#include "cli/CliCommand.h"
#include "link/CModuleBackup.h"
#include "link/ModuleBackups.h"

namespace corvane::cli {

struct CliBackup {
    std::unique_ptr<ModuleBackups> files;
    std::unique_ptr<CModuleBackup> backup;  // null with --no-backup
};

inline constexpr const char* kBackupOptionsHelp =
    "Before it starts, the module's maps and settings are read into a backup map file in the\n"
    "backup folder (the window program's, or --backup-dir DIR); the newest 30 backups are kept.\n"
    "A backup that cannot be made stops the command; --no-backup goes without one.";

// Usage errors of the backup options, checked before anything is opened.
inline void CheckBackupOptions(const Args& args) {
    if (args.Has("no-backup") && args.Has("backup-dir"))
        throw UsageError{"--backup-dir and --no-backup exclude each other"};
    if (args.Has("backup-dir") && args.GetOr("backup-dir", "").empty()) throw UsageError{"--backup-dir needs a folder"};
}

inline CliBackup MakeCliBackup(const Args& args, CLinkController& link) {
    CheckBackupOptions(args);
    CliBackup result;
    if (args.Has("no-backup")) return result;
    const std::string folder = args.GetOr("backup-dir", ModuleBackups::DefaultFolder());
    result.files = std::make_unique<ModuleBackups>(folder);
    result.backup = std::make_unique<CModuleBackup>(link, *result.files);
    // Going on without a backup is a choice made up front (--no-backup), never an answer
    // that --yes would give.
    result.backup->SetOnFailure(CModuleBackup::OnFailure::kStop);
    return result;
}

// After the command: where the backup went, or how to go without one when it failed.
inline void ReportBackup(const CliBackup& b, bool attempted, std::ostream& out, std::ostream& err) {
    if (!b.backup || !attempted) return;
    if (b.backup->LastResult().ok)
        out << "backup: " << b.backup->LastResult().path << "\n";
    else
        err << "corvane-cli: no backup could be made (" << b.backup->LastResult().error
            << "); give --no-backup to go on without one\n";
}

}  // namespace corvane::cli
