#pragma once

#include <QPointer>
#include <QString>
#include <QWidget>

#include <memory>

#include "model/Prompter.h"

class QProgressDialog;

namespace corvane {

// The core's prompter as real dialogs: message boxes with the system's texts, titles, icons
// and buttons; a modal progress dialog and wait box that keep the windows painted while the
// core works on the UI thread (user input is held back meanwhile, so nothing can close a
// document under a running transfer); native file dialogs.
class QtPrompter : public Prompter {
public:
    static constexpr const char* kDefaultTitle = "corvane";

    explicit QtPrompter(QWidget* parent = nullptr);
    ~QtPrompter() override;

    // Dialogs are centred on this window (the main frame once it exists).
    void SetParent(QWidget* parent) { m_parent = parent; }

    Answer Message(const std::string& text, const std::string& title, Icon icon, Buttons buttons) override;
    void ProgressBegin(const std::string& text, int maximum) override;
    void ProgressStep(int position) override;
    void ProgressEnd() override;
    void WaitBegin(const std::string& title, const std::string& text) override;
    bool PollWait() override;
    void WaitEnd() override;
    std::optional<std::string> PickOpenFile(const std::string& filter, const std::string& defaultExtension) override;
    std::optional<std::string> PickSaveFile(const std::string& filter, const std::string& defaultExtension) override;

    // "Corvane Map Files (*.crv)|*.crv||" or a Qt filter -> a Qt filter.
    [[nodiscard]] static QString QtFilter(const std::string& filter);

private:
    static void KeepPainted();

    QPointer<QWidget> m_parent;
    std::unique_ptr<QProgressDialog> m_progress;
    std::unique_ptr<QProgressDialog> m_wait;
};

}  // namespace corvane
