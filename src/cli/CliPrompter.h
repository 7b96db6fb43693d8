#pragma once

#include <chrono>
#include <functional>
#include <iosfwd>
#include <optional>
#include <string>

#include "model/Prompter.h"

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

}  // namespace corvane::cli
