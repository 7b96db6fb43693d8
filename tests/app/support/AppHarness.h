#pragma once

#include <QApplication>
#include <QElapsedTimer>
#include <QMdiArea>
#include <QTemporaryDir>
#include <QThread>

#include <atomic>
#include <functional>
#include <memory>

#include "app/CChildFrmMaps.h"
#include "app/CCorvaneApp.h"
#include "app/CMainFrame.h"
#include "comms/ModuleComms.h"
#include "model/SettingsStore.h"
#include "sim/SimPort.h"
#include "support/FastCommsOptions.h"
#include "support/RecordingPrompter.h"

namespace corvane::test {

// The application as the program starts it, on the simulated module, with settings in memory
// and a prompter that records every box and answers from a script.
struct AppHarness {
    MemorySettingsStore settings;
    RecordingPrompter prompter;
    std::unique_ptr<CCorvaneApp> app;
    QTemporaryDir dir;
    // The simulated module once a link made it (the comms I/O thread hands it over).
    std::atomic<sim::SimTransport*> simulated{nullptr};
    // Its engine (the product code is the options'); set before Start.
    sim::EmulatorOptions engine;

    // The port is the simulated module unless the options name one or `simPort` is false.
    void Start(AppOptions options = {}, bool simPort = true) {
        sim::PortOptions ports;
        ports.module = engine;
        ports.module.productCode = options.productCode.value_or(1);
        auto comms = std::make_unique<comms::ModuleComms>(
            sim::MakePortTransportMaker(ports, [this](sim::SimTransport& t) { simulated = &t; }), FastCommsOptions());
        app = std::make_unique<CCorvaneApp>(settings, prompter, std::move(comms));
        if (!options.port && simPort) options.port = "sim";
        // The gauge file in the test's own folder, the EGO table from the source tree.
        if (options.userDataFolder.isEmpty()) options.userDataFolder = dir.filePath("userdata");
        if (options.programFolder.isEmpty()) options.programFolder = CORVANE_DATA_DIR;
        app->InitInstance(options);
        QCoreApplication::processEvents();
    }
    ~AppHarness() {
        if (app) app->CloseAllDocumentsWithoutAsking();
    }

    [[nodiscard]] CMainFrame& Frame() const { return app->Frame(); }
    [[nodiscard]] CChildFrmMaps* Maps() const { return app->Frame().ActiveMapsFrame(); }
    [[nodiscard]] QString Path(const QString& name) const { return dir.filePath(name); }
};

// Runs the event loop until `done` holds or the time is up; whether it holds.
inline bool WaitFor(const std::function<bool()>& done, int milliseconds) {
    QElapsedTimer timer;
    timer.start();
    while (!done() && timer.elapsed() < milliseconds) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(2);
    }
    return done();
}

}  // namespace corvane::test
