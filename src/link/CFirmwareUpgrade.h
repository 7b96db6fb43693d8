#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

namespace corvane {

class CLinkController;
class CModuleBackup;

// What a firmware file's name says: "<anything>_<module id>_V<version>.<ext>". The version is
// hexadecimal after the last 'X' (either case) when there is one ("_V0x1A" is 26), else decimal.
struct FirmwareFileName {
    std::string moduleIdText;
    int moduleId = 0;
    std::string versionText;
    int version = 0;
    bool isS19 = false;  // the name ends in "S19", ignoring case
};

// Parses the name part of `path` (the folders do not count); nullopt when the name lacks a
// '_', a "_V" after the first '_', or a '.' after the "_V".
[[nodiscard]] std::optional<FirmwareFileName> ParseFirmwareFileName(const std::string& path);

// The "Upgrade" command: checks a firmware file against the connected module, puts the module
// into its upgrade state, flashes the file's blocks below 0xC000 and restores the module's
// initialization bytes.
//
// Invariants: AppState::firmwareUpgradeInProgress is true from the start of Run to each of its
// ends; once the upgrade state has been set on, every way out that does not flash sets it off
// again (where the module still answers).
class CFirmwareUpgrade {
public:
    static constexpr std::uint32_t kFlashEnd = 0xC000;
    static constexpr const char* kFirmwareFolder = "FirmWareFiles";
    static constexpr const char* kFileFilter =
        "Firmware Files (*.B19;*.S19)|*.B19;*.S19|All Files (*.*)|*.*||";

    explicit CFirmwareUpgrade(CLinkController& link) : m_link(link) {}

    // How often the power-cycle waits ask the comms library whether the module is there.
    void SetPollInterval(std::chrono::milliseconds interval) { m_pollInterval = interval; }

    // With a backup object the module's maps and settings are read into a backup before
    // anything else happens (the module is linked for it when it is not); a backup that cannot
    // be made ends the procedure unless the user chooses to go on without one.
    void SetBackup(CModuleBackup* backup) { m_backup = backup; }

    // Runs the whole procedure; the file comes from the prompter's open-file choice. True when
    // the firmware was written and the module's closing writes succeeded.
    bool Run();

    // Writes the firmware version byte at 0xF18: the 4-byte block is read from the module and
    // only its first byte replaced, so the bytes after it stay the module's own. When the
    // block cannot be read the version byte alone is written.
    bool WriteInitializationBytes(int version);

    // Whether the last Run began writing the flash and did not complete: the module's firmware
    // is then incomplete, and only a completed upgrade (run again) repairs it.
    [[nodiscard]] bool FirmwareIncomplete() const { return m_firmwareIncomplete; }

private:
    // Shows `text` while waiting for the module to go away and come back (a power cycle);
    // with `wantLoader` it must come back in its upgrade loader. False when the user cancelled.
    bool WaitForPowerCycle(const std::string& text, bool wantLoader);
    // Ends the procedure after a failed check: the message, the upgrade state off (when it was
    // set on), and the in-progress flag cleared. Always false.
    bool Abort(const std::string& text, bool stateOn, const std::string& title = {});
    bool Finish(bool result);

    CLinkController& m_link;
    std::chrono::milliseconds m_pollInterval{200};
    bool m_firmwareIncomplete = false;
    CModuleBackup* m_backup = nullptr;
};

}  // namespace corvane
