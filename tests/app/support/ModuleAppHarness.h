#pragma once

#include <QApplication>
#include <QTemporaryDir>

#include <cstdint>
#include <memory>
#include <type_traits>

#include "app/CChildFrmMaps.h"
#include "app/CCorvaneApp.h"
#include "app/CMainFrame.h"
#include "app/SimModuleAccess.h"
#include "comms/ModuleComms.h"
#include "link/CLinkController.h"
#include "model/SettingsStore.h"
#include "sim/ModuleEmulator.h"
#include "support/FastCommsOptions.h"
#include "support/RecordingPrompter.h"
#include "views/CPPageTuningMapSelector.h"

namespace corvane::test {

// The application on the simulated module, as AppHarness starts it, with a hand on the module
// itself: its memory, flash, upgrade state and power (as the bench around a real module
// gives). The prompter is the recording one or, where the real dialogs are under test, the
// application's own.
template <class PrompterType = RecordingPrompter>
struct ModuleAppHarness {
    MemorySettingsStore settings;
    PrompterType prompter;
    std::shared_ptr<SimModuleAccess> sim = std::make_shared<SimModuleAccess>();
    std::unique_ptr<CCorvaneApp> app;
    QTemporaryDir dir;

    void Start(std::uint32_t productCode = 1) {
        auto comms = std::make_unique<comms::ModuleComms>(
            SimModuleAccess::Track(sim, SimModuleAccess::PortMaker(productCode)), FastCommsOptions());
        app = std::make_unique<CCorvaneApp>(settings, prompter, std::move(comms), sim);
        AppOptions options;
        options.port = "sim";
        options.productCode = productCode;
        options.reopenLastFile = false;
        // The gauge file in the test's own folder, the EGO table from the source tree.
        options.userDataFolder = dir.filePath("userdata");
        options.programFolder = CORVANE_DATA_DIR;
        app->InitInstance(options);
        QCoreApplication::processEvents();
    }
    ~ModuleAppHarness() {
        if (app) app->CloseAllDocumentsWithoutAsking();
    }

    // Runs f(emulator) on the module in use (one exists once the port was first opened).
    template <class F>
    auto Module(F&& f) {
        using R = std::invoke_result_t<F, sim::ModuleEmulator&>;
        if constexpr (std::is_void_v<R>) {
            sim->WithPeer([&](sim::ModulePeer& peer) { peer.WithEmulator(f); });
        } else {
            R result{};
            sim->WithPeer([&](sim::ModulePeer& peer) { result = peer.WithEmulator(f); });
            return result;
        }
    }
    void Link() {
        if (!app->State().moduleLinked) app->Link().ToggleLink();
        QCoreApplication::processEvents();
    }

    [[nodiscard]] CMainFrame& Frame() const { return app->Frame(); }
    [[nodiscard]] CChildFrmMaps* Maps() const { return app->Frame().ActiveMapsFrame(); }
    [[nodiscard]] QString Path(const QString& name) const { return dir.filePath(name); }
};

}  // namespace corvane::test
