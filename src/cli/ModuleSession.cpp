#include "cli/ModuleSession.h"

#include "comms/TransportFactory.h"
#include "sim/ModuleEmulator.h"

namespace corvane::cli {

OpenedComms OpenModuleComms(const Args& args, std::uint32_t productCode) {
    const auto port = args.Get("port");
    if (!port || port->empty()) throw UsageError{"--port is required (sim, \"Com n\" or a device path)"};
    comms::TransportOptions transport;
    if (auto baud = args.GetInt("baud")) {
        if (*baud <= 0) throw UsageError{"--baud must be positive"};
        transport.baud = static_cast<int>(*baud);
    }
    if (auto pattern = args.Get("device-pattern")) transport.serialDevicePattern = *pattern;
    OpenedComms opened;
    if (*port == comms::kSimulatedPortName) {
        transport.simModule.productCode = productCode;
        auto sim = std::make_unique<comms::SimTransport>(transport.simModule, transport.simFaults, transport.simSeed);
        opened.sim = sim.get();
        opened.comms = std::make_unique<comms::ModuleComms>(std::move(sim));
        if (auto scenario = args.Get("scenario")) {
            std::string error;
            const bool started = opened.sim->Peer().WithEmulator(
                [&](sim::ModuleEmulator& module) { return module.StartScenario(*scenario, &error); });
            if (!started) throw UsageError{"--scenario: " + error};
        }
    } else {
        if (args.Has("scenario")) throw UsageError{"--scenario needs --port sim"};
        opened.comms = std::make_unique<comms::ModuleComms>(comms::CommsOptions{}, transport);
    }
    opened.comms->SetPort(*port);
    return opened;
}


namespace {

bool IsPowerCycleWait(const std::string& text) {
    return text.find("Turn the MODULE power OFF") != std::string::npos;
}

}  // namespace

ModuleSession::ModuleSession(const Args& args, std::uint32_t productCode, CliPrompter& prompter) {
    m_app.productCode = productCode;
    OpenedComms opened = OpenModuleComms(args, productCode);
    m_comms = std::move(opened.comms);
    m_sim = opened.sim;
    m_link = std::make_unique<CLinkController>(*m_comms, m_app, prompter, m_store);

    // The simulated module has no power switch for the user to press: a power-cycle wait turns
    // it off when it begins and on again at the wait's second poll, after the module was seen
    // gone.
    prompter.SetWaitHooks(
        [this](const std::string& text) {
            if (m_sim == nullptr || !IsPowerCycleWait(text)) return;
            m_sim->Peer().PowerOff();
            m_powerOffPending = true;
        },
        [this](int poll) {
            if (m_sim == nullptr || !m_powerOffPending || poll < 2) return;
            m_sim->Peer().PowerOn();
            m_powerOffPending = false;
        });
}

ModuleSession::~ModuleSession() {
    m_link.reset();
    m_comms.reset();
}

bool ModuleSession::EnsureLinked() {
    bool wasMonitoring = false;
    return m_link->EnsureLinked(wasMonitoring);
}

}  // namespace corvane::cli
