#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace corvane {

// Why a backup was made.
enum class BackupReason {
    kBeforeWrite,    // the module's maps and settings, read before a WRITE replaced them
    kBeforeUpgrade,  // the module's maps and settings, read before a firmware upgrade
    kBeforeRead,     // a modified document, saved before a READ overwrote it
    kBeforeReload,   // a modified document, saved before its file was opened again over it
};

// "before WRITE", "before upgrade", "before READ": how lists and messages name the reason.
[[nodiscard]] const char* BackupReasonText(BackupReason reason);

// One backup file as the folder lists it.
struct BackupEntry {
    std::string path;
    std::string fileName;
    std::string date;  // "2026-12-06 16:35:01", local time of the backup
    BackupReason reason = BackupReason::kBeforeWrite;
    std::string baseMapName;  // as the file name keeps it
};

// The backup folder: every backup is a map file (.crv) that opens as any map file does,
// named "<yyyymmdd>-<hhmmss>_<base map name>_<reason>.crv" (a "-2", "-3" after the time when
// one second holds several), so that the folder sorts by age and the name alone says what a
// file is. Newest first is by time, then serial, then name: a total order, the same on every
// system whatever order the folder lists its files in. Only the newest kKeep files that follow that naming are kept; other files in the
// folder are never touched.
class ModuleBackups {
public:
    static constexpr int kKeep = 30;
    static constexpr const char* kFolderName = "backups";

    using Clock = std::function<std::chrono::system_clock::time_point()>;

    // The outcome of making one backup: the file written, or why there is none.
    struct Result {
        bool ok = false;
        std::string path;
        std::string error;
    };

    explicit ModuleBackups(std::string folder, Clock clock = {});

    [[nodiscard]] const std::string& Folder() const { return m_folder; }

    // Writes a map file's bytes as a new backup (crash-safe, never over an existing file),
    // then keeps only the newest kKeep backups.
    [[nodiscard]] Result Store(std::span<const std::uint8_t> mapFileBytes, const std::string& baseMapName,
                               BackupReason reason);

    // The backups in the folder, newest first; an absent folder has none.
    [[nodiscard]] std::vector<BackupEntry> List() const;
    // Removes all but the newest `keep` backups.
    void Prune(int keep = kKeep) const;

    // The file name of a backup made at `localTime` (a broken-down local time); `serial` above
    // 1 tells apart backups of the same second.
    [[nodiscard]] static std::string FileName(const std::tm& localTime, const std::string& baseMapName,
                                              BackupReason reason, int serial = 1);
    // What a backup's file name says; nullopt for any other file.
    [[nodiscard]] static std::optional<BackupEntry> ParseFileName(const std::string& fileName);

    // The user's data folder (platform/SystemFolders.h) plus "backups": the folder the window
    // program and the command-line tool share, so that both find the same backups.
    [[nodiscard]] static std::string DefaultFolder();

private:
    std::string m_folder;
    Clock m_clock;
};

}  // namespace corvane
