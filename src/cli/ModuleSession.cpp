#include "cli/ModuleSession.h"

#include "comms/TransportFactory.h"
#include "sim/ModuleEmulator.h"
#include "sim/Scenario.h"
#include "sim/SimEngineOptions.h"
#include "sim/SimPort.h"

namespace corvane::cli {

OpenedComms OpenModuleComms(const Args& args, std::uint32_t productCode) {
    const auto port = args.Get("port");
    if (!port || port->empty()) throw UsageError{"--port is required (sim, \"Com n\" or a device path)"};
    sim::PortOptions options;
    if (auto baud = args.GetInt("baud")) {
        if (*baud <= 0) throw UsageError{"--baud must be positive"};
        options.transport.baud = static_cast<int>(*baud);
    }
    if (auto pattern = args.Get("device-pattern")) options.transport.serialDevicePattern = *pattern;
    options.module.productCode = productCode;

    OpenedComms opened;
    opened.simulated = *port == comms::kSimulatedPortName;
    const sim::SimEngineOptionText engine{[&](const std::string& name) { return args.Get(name); },
                                          [&](const std::string& name) { return args.Has(name); }};
    if (sim::AnySimEngineOption(engine) && !opened.simulated) throw UsageError{"the --sim-... options need --port sim"};
    if (std::string error; !sim::ApplySimEngineOptions(engine, false, options.module, &error)) throw UsageError{error};
    const auto scenario = args.Get("scenario");
    if (scenario) {
        if (!opened.simulated) throw UsageError{"--scenario needs --port sim"};
        // Checked here, so that a typo is a usage error and not a silent idle engine later.
        std::string error;
        if (!sim::Scenario::Parse(*scenario, options.module.seed, &error)) throw UsageError{"--scenario: " + error};
    }
    opened.comms = std::make_unique<comms::ModuleComms>(
        sim::MakePortTransportMaker(options,
                                    [made = opened.made, scenario](sim::SimTransport& sim) {
                                        if (scenario)
                                            (void)sim.Peer().WithEmulator([&](sim::ModuleEmulator& module) {
                                                return module.StartScenario(*scenario);
                                            });
                                        made->store(&sim);
                                    }),
        comms::CommsOptions{});
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
    m_opened = OpenModuleComms(args, productCode);
    m_link = std::make_unique<CLinkController>(*m_opened.comms, m_app, prompter, m_store);

    // The simulated module has no power switch for the user to press: a power-cycle wait turns
    // it off when it begins and on again at the wait's second poll, after the module was seen
    // gone.
    prompter.SetWaitHooks(
        [this](const std::string& text) {
            sim::SimTransport* sim = Sim();
            if (sim == nullptr || !IsPowerCycleWait(text)) return;
            sim->Peer().PowerOff();
            m_powerOffPending = true;
        },
        [this](int poll) {
            sim::SimTransport* sim = Sim();
            if (sim == nullptr || !m_powerOffPending || poll < 2) return;
            sim->Peer().PowerOn();
            m_powerOffPending = false;
        });
}

ModuleSession::~ModuleSession() {
    m_link.reset();
    m_opened.comms.reset();
}

bool ModuleSession::EnsureLinked() {
    bool wasMonitoring = false;
    return m_link->EnsureLinked(wasMonitoring);
}

}  // namespace corvane::cli
