#pragma once

#include <optional>
#include <string>
#include <vector>

namespace corvane {

// How the core talks to the person at the screen. The app shows real dialogs; tests record
// every call and answer from a script; the command-line tool prints and answers from flags.
class Prompter {
public:
    enum class Icon { None, Information, Warning, Error, Question };
    // SaveDiscardCancel is the desktop's question before unsaved work is dropped: Save answers
    // Yes, Discard No.
    enum class Buttons { Ok, OkCancel, YesNo, YesNoCancel, SaveDiscardCancel };
    enum class Answer { Ok, Cancel, Yes, No };

    virtual ~Prompter() = default;

    // A modal message box. An empty title means the application's default title.
    virtual Answer Message(const std::string& text, const std::string& title = {},
                           Icon icon = Icon::None, Buttons buttons = Buttons::Ok) = 0;

    // Progress of a long operation: Begin, any number of Step, then End.
    virtual void ProgressBegin(const std::string& text, int maximum) = 0;
    virtual void ProgressStep(int position) = 0;
    virtual void ProgressEnd() = 0;

    // A wait box without progress ("Please Wait..."). Returns false when the user cancelled a
    // cancellable wait; PollWait lets long waits offer a cancel button.
    virtual void WaitBegin(const std::string& title, const std::string& text) = 0;
    virtual bool PollWait() { return true; }
    virtual void WaitEnd() = 0;
    // A wait for the person at the screen to cycle the module's power (firmware upgrade): the
    // instructions and a way to give up, after which PollWait answers false; ended by WaitEnd.
    // A prompter without a dialog of its own shows it as a wait box.
    virtual void ModuleDetectionBegin(const std::string& title, const std::string& text) { WaitBegin(title, text); }

    // File choice; nullopt when the user cancelled.
    virtual std::optional<std::string> PickOpenFile(const std::string& filter,
                                                    const std::string& defaultExtension) = 0;
    virtual std::optional<std::string> PickSaveFile(const std::string& filter,
                                                    const std::string& defaultExtension) = 0;
    // An open-file choice that starts in `folder` (relative: within the user's data folder).
    virtual std::optional<std::string> PickOpenFileIn(const std::string& folder, const std::string& filter,
                                                      const std::string& defaultExtension) {
        (void)folder;
        return PickOpenFile(filter, defaultExtension);
    }
};

// A prompter that shows nothing and answers every question with the given answer.
class SilentPrompter : public Prompter {
public:
    explicit SilentPrompter(Answer answer = Answer::Ok) : m_answer(answer) {}
    Answer Message(const std::string& text, const std::string&, Icon, Buttons) override {
        m_messages.push_back(text);
        return m_answer;
    }
    void ProgressBegin(const std::string&, int) override {}
    void ProgressStep(int) override {}
    void ProgressEnd() override {}
    void WaitBegin(const std::string&, const std::string&) override {}
    void WaitEnd() override {}
    std::optional<std::string> PickOpenFile(const std::string&, const std::string&) override {
        return std::nullopt;
    }
    std::optional<std::string> PickSaveFile(const std::string&, const std::string&) override {
        return std::nullopt;
    }
    [[nodiscard]] const std::vector<std::string>& Messages() const { return m_messages; }

private:
    Answer m_answer;
    std::vector<std::string> m_messages;
};

}  // namespace corvane
