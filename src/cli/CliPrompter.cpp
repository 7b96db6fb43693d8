#include "cli/CliPrompter.h"

#include <algorithm>
#include <cctype>
#include <istream>
#include <ostream>


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

}  // namespace corvane::cli
