#pragma once

#include <QPointer>
#include <QString>
#include <QWidget>

#include <memory>

#include "app/CModuleDetectionDlg.h"
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
    // The module detection dialog; while it is open the user may press its buttons.
    void ModuleDetectionBegin(const std::string& title, const std::string& text) override;
    std::optional<std::string> PickOpenFile(const std::string& filter, const std::string& defaultExtension) override;
    std::optional<std::string> PickSaveFile(const std::string& filter, const std::string& defaultExtension) override;
    std::optional<std::string> PickOpenFileIn(const std::string& folder, const std::string& filter,
                                              const std::string& defaultExtension) override;

    // The power switch the module detection dialog offers (the simulated module's).
    void SetPowerSwitch(CModuleDetectionDlg::PowerSwitch powerSwitch) { m_powerSwitch = std::move(powerSwitch); }
    [[nodiscard]] CModuleDetectionDlg* DetectionDialog() const { return m_detection.get(); }
    // Where folders named relatively live: the user's data folder (the program never writes
    // beside itself, which is a system folder once installed).
    void SetDataFolder(QString folder) { m_dataFolder = std::move(folder); }
    [[nodiscard]] QString DataFolder() const;
    // A folder named relative to the data folder (or absolute), made when it is missing.
    [[nodiscard]] QString FolderFor(const std::string& folder) const;

    // "Corvane Map Files (*.crv)|*.crv||" or a Qt filter -> a Qt filter.
    [[nodiscard]] static QString QtFilter(const std::string& filter);

private:
    static void KeepPainted();

    QPointer<QWidget> m_parent;
    QString m_dataFolder;  // empty: the standard application data folder
    std::unique_ptr<QProgressDialog> m_progress;
    std::unique_ptr<QProgressDialog> m_wait;
    std::unique_ptr<CModuleDetectionDlg> m_detection;
    CModuleDetectionDlg::PowerSwitch m_powerSwitch;
};

}  // namespace corvane
