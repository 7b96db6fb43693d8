#pragma once

#include <QDialog>

#include <functional>

class QLabel;
class QPushButton;

namespace corvane {

// The module detection dialog of the firmware upgrade: the power-cycle instructions, a busy
// bar while the module is looked for, and Cancel. It does not close itself: whoever waits for
// the module polls it (Poll) and ends it once the module went away and came back, or when the
// user gave up (Cancelled).
//
// A module without a switch within reach (the simulated module) gets a power switch: the
// dialog then offers "Cycle simulated power", which turns the power off at once and on again
// at the second poll after, so the waiting side sees the module gone before it returns.
class CModuleDetectionDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr const char* kCycleButtonText = "Cycle simulated power";

    struct PowerSwitch {
        std::function<bool()> available;  // asked at every poll; the button is offered while true
        std::function<void()> off;
        std::function<void()> on;
    };

    CModuleDetectionDlg(const QString& title, const QString& text, PowerSwitch powerSwitch, QWidget* parent = nullptr);
    ~CModuleDetectionDlg() override;

    // One look for the module by the waiting side: brings the power back on when due.
    void Poll();
    [[nodiscard]] bool Cancelled() const { return m_cancelled; }
    // Null unless a power switch was given.
    [[nodiscard]] QPushButton* CycleButton() const { return m_cycle; }

    void reject() override;

private:
    void CyclePower();
    void RefreshSwitch();

    PowerSwitch m_switch;
    QLabel* m_status = nullptr;
    QPushButton* m_cycle = nullptr;
    bool m_cancelled = false;
    bool m_powerOnDue = false;
    int m_pollsSinceOff = 0;
};

}  // namespace corvane
