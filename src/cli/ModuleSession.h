#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

#include "cli/CliCommand.h"
#include "cli/CliPrompter.h"
#include "comms/ModuleComms.h"
#include "link/CLinkController.h"
#include "model/AppState.h"
#include "model/SettingsStore.h"
#include "sim/SimTransport.h"

namespace corvane::cli {

// A comms library on --port. The comms library makes the port's transport on its I/O thread
// when it first links; for the simulated module that transport is then published here, so that
// the command can drive the emulated engine (lean rows, power).
struct OpenedComms {
    std::unique_ptr<comms::ModuleComms> comms;
    bool simulated = false;  // --port sim
    std::shared_ptr<std::atomic<sim::SimTransport*>> made = std::make_shared<std::atomic<sim::SimTransport*>>(nullptr);

    // The simulated module once the comms library made it (at the first link); null before
    // that and for every other port. Owned by `comms`.
    [[nodiscard]] sim::SimTransport* Sim() const { return made->load(); }
};

// Opens the comms library on --port ("sim", "Com n" or a device path) with --baud and
// --device-pattern, through the same port maker the window program uses; for "sim" the
// emulated module is of the given product code and runs --scenario from the moment it is made.
OpenedComms OpenModuleComms(const Args& args, std::uint32_t productCode);

// A module on a port as the commands use it: the comms library opened on PORT ("sim", "Com n"
// or a device path), the application state and the link controller. For the simulated module
// the power-cycle waits of the upgrade cycle the emulator's power themselves.
class ModuleSession {
public:
    ModuleSession(const Args& args, std::uint32_t productCode, CliPrompter& prompter);
    ~ModuleSession();
    ModuleSession(const ModuleSession&) = delete;
    ModuleSession& operator=(const ModuleSession&) = delete;

    [[nodiscard]] AppState& App() { return m_app; }
    [[nodiscard]] CLinkController& Link() { return *m_link; }
    [[nodiscard]] comms::ModuleComms& Comms() { return *m_opened.comms; }
    // Whether PORT is the simulated module.
    [[nodiscard]] bool Simulated() const { return m_opened.simulated; }
    // Null unless the port is the simulated module and it was opened.
    [[nodiscard]] sim::SimTransport* Sim() const { return m_opened.Sim(); }
    // Links now; false (after "No Module Link Available") when no module answers.
    [[nodiscard]] bool EnsureLinked();

private:
    AppState m_app;
    MemorySettingsStore m_store;
    OpenedComms m_opened;
    bool m_powerOffPending = false;
    std::unique_ptr<CLinkController> m_link;
};

}  // namespace corvane::cli
