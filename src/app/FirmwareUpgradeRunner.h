#pragma once

#include <chrono>

#include "app/CModuleDetectionDlg.h"

namespace corvane {

class CCorvaneApp;
class CLinkController;
class CModuleBackup;

// Configure ▸ Firmware ▸ Upgrade in the window program: the core's upgrade procedure, whose
// dialogs the prompter shows, and what the windows add around it. The procedure talks to the
// module without linking it; afterwards the comms library lets the module go (the user is
// about to cycle its power) and no firmware version is claimed for a module not linked. An
// upgrade that began flashing and did not complete says how to repair the module: run the
// upgrade again.
class FirmwareUpgradeRunner {
public:
    explicit FirmwareUpgradeRunner(CLinkController& link) : m_link(link) {}

    // How often the power-cycle waits look for the module.
    void SetPollInterval(std::chrono::milliseconds interval) { m_pollInterval = interval; }

    // The backup of the module's maps and settings made before the upgrade begins.
    void SetBackup(CModuleBackup* backup) { m_backup = backup; }

    // True when the firmware was written and the module's closing writes succeeded.
    bool Run();

    // The power switch of the application's simulated module, offered while the port is "sim".
    [[nodiscard]] static CModuleDetectionDlg::PowerSwitch SimulatedPowerSwitch(CCorvaneApp& app);

private:
    CLinkController& m_link;
    std::chrono::milliseconds m_pollInterval{200};
    CModuleBackup* m_backup = nullptr;
};

}  // namespace corvane
