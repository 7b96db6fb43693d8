#include "cli/CliPrompter.h"

#include <algorithm>
#include <cctype>
#include <istream>
#include <ostream>

#include "comms/ModuleComms.h"
#include "comms/SimTransport.h"
#include "comms/TransportFactory.h"
#include "link/CLinkController.h"

namespace corvane::cli {

CliPrompter::CliPrompter(std::ostream& err, std::istream& in, bool assumeYes)
    : m_err(err), m_in(in), m_assumeYes(assumeYes) {}

Prompter::Answer CliPrompter::Message(const std::string& text, const std::string& title, Icon,
                                      Buttons buttons) {
    m_lastMessage = text;
    if (!title.empty()) m_err << "[" << title << "] ";
    m_err << text << "\n";
    const bool yesNo = buttons == Buttons::YesNo || buttons == Buttons::YesNoCancel;
    const Answer yes = yesNo ? Answer::Yes : Answer::Ok;
    const Answer no = yesNo ? Answer::No : Answer::Cancel;
    if (buttons == Buttons::Ok) return Answer::Ok;
    if (m_assumeYes) {
        m_err << "(answered " << (yesNo ? "Yes" : "OK") << " by --yes)\n";
        return yes;
    }
    m_err << (yesNo ? "[y/N] " : "[ok/Cancel] ") << std::flush;
    std::string line;
    if (!std::getline(m_in, line)) return no;
    std::transform(line.begin(), line.end(), line.begin(), [](unsigned char c) { return std::tolower(c); });
    line.erase(std::remove_if(line.begin(), line.end(), [](unsigned char c) { return std::isspace(c); }), line.end());
    return (line == "y" || line == "yes" || line == "ok") ? yes : no;
}

void CliPrompter::ProgressBegin(const std::string& text, int maximum) {
    m_progressText = text;
    m_progressMax = maximum;
    m_lastPercent = -1;
    m_err << text << "\n";
}

void CliPrompter::ProgressStep(int position) {
    if (m_progressMax <= 0) return;
    const int percent = std::clamp(position * 100 / m_progressMax, 0, 100);
    // A line per tenth keeps logs short.
    if (percent / 10 == m_lastPercent / 10 && m_lastPercent >= 0) return;
    m_lastPercent = percent;
    m_err << "  " << percent << "% (" << position << "/" << m_progressMax << ")\n";
}

void CliPrompter::ProgressEnd() { m_progressMax = 0; }

void CliPrompter::WaitBegin(const std::string& title, const std::string& text) {
    if (!title.empty()) m_err << "[" << title << "] ";
    m_err << text << "\n";
    m_waitStart = std::chrono::steady_clock::now();
    m_polls = 0;
    if (m_waitBeginHook) m_waitBeginHook(text);
}

bool CliPrompter::PollWait() {
    ++m_polls;
    if (m_pollHook) m_pollHook(m_polls);
    if (std::chrono::steady_clock::now() - m_waitStart > m_waitTimeout) {
        m_err << "(gave up waiting after " << m_waitTimeout.count() << " s)\n";
        return false;
    }
    return true;
}

void CliPrompter::WaitEnd() {}

std::optional<std::string> CliPrompter::PickOpenFile(const std::string&, const std::string&) { return m_openFile; }

std::optional<std::string> CliPrompter::PickSaveFile(const std::string&, const std::string&) { return std::nullopt; }

// --- ModuleSession -----------------------------------------------------------------------------

namespace {

bool IsPowerCycleWait(const std::string& text) {
    return text.find("Turn the MODULE power OFF") != std::string::npos;
}

}  // namespace

ModuleSession::ModuleSession(const std::string& port, std::uint32_t productCode, CliPrompter& prompter) {
    m_app.productCode = productCode;
    comms::TransportOptions transportOptions;
    transportOptions.simModule.productCode = productCode;
    if (port == comms::kSimulatedPortName) {
        auto sim = std::make_unique<comms::SimTransport>(transportOptions.simModule, transportOptions.simFaults,
                                                         transportOptions.simSeed);
        m_sim = sim.get();
        m_comms = std::make_unique<comms::ModuleComms>(std::move(sim));
    } else {
        m_comms = std::make_unique<comms::ModuleComms>(comms::CommsOptions{}, transportOptions);
        m_comms->SetPort(port);
    }
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
