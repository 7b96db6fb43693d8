#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "cli/CliCommand.h"
#include "cli/CliPrompter.h"
#include "comms/ModuleComms.h"
#include "comms/SimTransport.h"
#include "link/CLinkController.h"
#include "model/AppState.h"
#include "model/SettingsStore.h"

namespace corvane::cli {

// A comms library on --port. For the simulated module, `sim` is set to its transport so that
// the command can drive the emulated engine (scenario, lean rows).
struct OpenedComms {
    std::unique_ptr<comms::ModuleComms> comms;
    comms::SimTransport* sim = nullptr;
};

// Opens the comms library on --port ("sim", "Com n" or a device path) with --baud and
// --device-pattern; for "sim" the emulated module is of the given product code and runs
// --scenario.
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
    [[nodiscard]] comms::ModuleComms& Comms() { return *m_comms; }
    // Null unless the port is the simulated module (and it was opened).
    [[nodiscard]] comms::SimTransport* Sim() { return m_sim; }
    // Links now; false (after "No Module Link Available") when no module answers.
    [[nodiscard]] bool EnsureLinked();

private:
    AppState m_app;
    MemorySettingsStore m_store;
    comms::SimTransport* m_sim = nullptr;
    bool m_powerOffPending = false;
    std::unique_ptr<comms::ModuleComms> m_comms;
    std::unique_ptr<CLinkController> m_link;
};

}  // namespace corvane::cli
