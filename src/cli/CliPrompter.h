#pragma once

#include <chrono>
#include <functional>
#include <iosfwd>
#include <memory>
#include <optional>
#include <string>

#include "comms/ModuleComms.h"
#include "comms/SimTransport.h"
#include "link/CLinkController.h"
#include "model/AppState.h"
#include "model/Prompter.h"
#include "model/SettingsStore.h"

namespace corvane::cli {

// The prompter of corvane-cli: messages and progress on the error stream, questions answered
// by --yes or from the input stream (y/yes/ok), the open-file choice given in advance. Waits
// end when the user's time is up: a detection wait nobody is there to cancel must not hang a
// script.
class CliPrompter : public Prompter {
public:
    CliPrompter(std::ostream& err, std::istream& in, bool assumeYes);

    Answer Message(const std::string& text, const std::string& title, Icon icon, Buttons buttons) override;
    void ProgressBegin(const std::string& text, int maximum) override;
    void ProgressStep(int position) override;
    void ProgressEnd() override;
    void WaitBegin(const std::string& title, const std::string& text) override;
    bool PollWait() override;
    void WaitEnd() override;
    std::optional<std::string> PickOpenFile(const std::string& filter, const std::string& extension) override;
    std::optional<std::string> PickSaveFile(const std::string& filter, const std::string& extension) override;

    void SetOpenFile(std::optional<std::string> path) { m_openFile = std::move(path); }
    void SetWaitTimeout(std::chrono::seconds timeout) { m_waitTimeout = timeout; }
    // Called when a wait begins (with its text) and at every poll of a wait.
    void SetWaitHooks(std::function<void(const std::string&)> begin, std::function<void(int poll)> poll) {
        m_waitBeginHook = std::move(begin);
        m_pollHook = std::move(poll);
    }
    // Texts of the messages shown so far, the last one last.
    [[nodiscard]] const std::string& LastMessage() const { return m_lastMessage; }

private:
    std::ostream& m_err;
    std::istream& m_in;
    bool m_assumeYes;
    std::optional<std::string> m_openFile;
    std::string m_progressText;
    int m_progressMax = 0;
    int m_lastPercent = -1;
    std::chrono::seconds m_waitTimeout{120};
    std::chrono::steady_clock::time_point m_waitStart;
    int m_polls = 0;
    std::function<void(const std::string&)> m_waitBeginHook;
    std::function<void(int)> m_pollHook;
    std::string m_lastMessage;
};

// A module on a port as the commands use it: the comms library opened on PORT ("sim", "Com n"
// or a device path), the application state and the link controller. For the simulated module
// the power-cycle waits of the upgrade cycle the emulator's power themselves.
class ModuleSession {
public:
    ModuleSession(const std::string& port, std::uint32_t productCode, CliPrompter& prompter);
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
