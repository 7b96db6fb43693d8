#pragma once

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "model/Prompter.h"

namespace corvane::test {

// Records every message, progress and wait call; answers questions from a script (default:
// the first button's positive answer).
class RecordingPrompter : public Prompter {
public:
    struct Shown {
        std::string text, title;
        Icon icon;
        Buttons buttons;
    };
    Answer Message(const std::string& text, const std::string& title, Icon icon,
                   Buttons buttons) override {
        shown.push_back({text, title, icon, buttons});
        if (!answers.empty()) {
            Answer a = answers.front();
            answers.pop_front();
            return a;
        }
        return buttons == Buttons::YesNo || buttons == Buttons::YesNoCancel ||
                       buttons == Buttons::SaveDiscardCancel
                   ? Answer::Yes
                   : Answer::Ok;
    }
    void ProgressBegin(const std::string& text, int maximum) override {
        progressText = text;
        progressTexts.push_back(text);
        progressMax = maximum;
        progressOpen = true;
    }
    void ProgressStep(int position) override {
        progress.push_back(position);
        if (onProgress) onProgress(position);
    }
    void ProgressEnd() override { progressOpen = false; }
    void WaitBegin(const std::string& title, const std::string& text) override {
        waits.push_back(title + "|" + text);
    }
    bool PollWait() override {
        // A person gives up on a wait that does not end: after waitPatience polls, Cancel.
        ++polls;
        return !cancelWait && (waitPatience < 0 || polls <= waitPatience);
    }
    void WaitEnd() override {}
    std::optional<std::string> PickOpenFile(const std::string&, const std::string&) override {
        return openFile;
    }
    std::optional<std::string> PickSaveFile(const std::string&, const std::string&) override {
        return saveFile;
    }

    [[nodiscard]] std::vector<std::string> Texts() const {
        std::vector<std::string> t;
        for (const auto& s : shown) t.push_back(s.text);
        return t;
    }

    std::vector<Shown> shown;
    std::deque<Answer> answers;
    std::string progressText;
    std::vector<std::string> progressTexts;  // every progress box, in order
    int progressMax = 0;
    bool progressOpen = false;
    std::vector<int> progress;
    std::function<void(int)> onProgress;  // a test pulls the cable mid-transfer
    std::vector<std::string> waits;
    bool cancelWait = false;
    int waitPatience = -1;  // polls before Cancel; -1 waits for ever
    int polls = 0;
    std::optional<std::string> openFile, saveFile;
};

}  // namespace corvane::test
