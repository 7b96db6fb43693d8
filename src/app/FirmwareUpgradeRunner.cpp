#include "app/FirmwareUpgradeRunner.h"

#include "app/CCorvaneApp.h"
#include "app/SimModuleAccess.h"
#include "comms/TransportFactory.h"
#include "comms/api/Comms.h"
#include "link/CFirmwareUpgrade.h"
#include "link/CLinkController.h"
#include "link/LinkMessages.h"
#include "model/AppState.h"
#include "model/Prompter.h"

namespace corvane {

bool FirmwareUpgradeRunner::Run() {
    CFirmwareUpgrade upgrade(m_link);
    upgrade.SetPollInterval(m_pollInterval);
    upgrade.SetBackup(m_backup);
    const bool ok = upgrade.Run();

    AppState& app = m_link.GetAppState();
    if (!app.moduleLinked) {
        // Detection and the version read reached the module without a link; the library would
        // otherwise keep checking on a module the user now switches off.
        m_link.GetComms().CloseLink();
        app.moduleFirmwareVersion = 0;
    }
    if (upgrade.FirmwareIncomplete())
        m_link.GetPrompter().Message(msg::kUpgradeRecovery, msg::kFirmwareUpgradeTitle, Prompter::Icon::Warning);
    return ok;
}

CModuleDetectionDlg::PowerSwitch FirmwareUpgradeRunner::SimulatedPowerSwitch(CCorvaneApp& app) {
    return {
        [&app] { return app.Link().CurrentPort() == comms::kSimulatedPortName && app.Simulated().Present(); },
        [&app] { app.Simulated().PowerOff(); },
        [&app] { app.Simulated().PowerOn(); },
    };
}

}  // namespace corvane
