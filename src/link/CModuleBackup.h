#pragma once

#include <string>

#include "link/ModuleBackups.h"

namespace corvane {

class CLinkController;
class LinkDocument;

// The backups that guard the operations which overwrite a tune: before WRITE and before a
// firmware upgrade the module's maps and settings are read (as READ reads them) into a new
// document that is stored as a backup; before a READ overwrites a modified document, that
// document is stored.
//
// A backup that cannot be made stops the operation, unless the user, asked, chooses to go on
// without one: it is never skipped silently, and LastResult says whether it was made.
class CModuleBackup {
public:
    // What a failed backup does: ask whether to go on (the windows), or stop (the
    // command-line tool, where going on without a backup is an option given up front).
    enum class OnFailure { kAsk, kStop };

    static constexpr const char* kReadingText = "Backing up the module's maps and settings...";
    static constexpr const char* kFailedTitle = "Backup Failed";

    CModuleBackup(CLinkController& link, ModuleBackups& files) : m_link(link), m_files(files) {}

    void SetOnFailure(OnFailure onFailure) { m_onFailure = onFailure; }
    [[nodiscard]] OnFailure GetOnFailure() const { return m_onFailure; }
    [[nodiscard]] ModuleBackups& Files() { return m_files; }

    // Reads the linked module's maps and settings into a backup, under a progress box.
    [[nodiscard]] ModuleBackups::Result ReadModule(BackupReason reason);
    // Stores the document as it is now.
    [[nodiscard]] ModuleBackups::Result SaveDocument(LinkDocument& doc, BackupReason reason);

    // The backup step of an operation ("WRITE", "upgrade", "READ"): makes the backup and, when
    // that fails, tells the user and asks (kAsk) or stops (kStop). True when the operation may
    // go on: backed up, or the user chose to go on without. The document is null for the
    // module backups.
    [[nodiscard]] bool Guard(BackupReason reason, LinkDocument* doc);

    // The outcome of the last backup attempt (ok false: none was made).
    [[nodiscard]] const ModuleBackups::Result& LastResult() const { return m_last; }

private:
    CLinkController& m_link;
    ModuleBackups& m_files;
    OnFailure m_onFailure = OnFailure::kAsk;
    ModuleBackups::Result m_last;
};

}  // namespace corvane
