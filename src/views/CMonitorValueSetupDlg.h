#pragma once

#include <QDialog>

#include <vector>

#include "monitor/MonitorValueSetupDlg.h"

class QCheckBox;
class QComboBox;
class QLineEdit;

namespace corvane {

class Prompter;

// "Monitor Display Setup" for one live value: the window of the core's setup logic. Only the
// units, the own-window choice, the gauge limits and the yellow and red limits are editable;
// OK runs the core's range rules and stays open, with the corrected values shown, when any
// of them had to adjust something.
class CMonitorValueSetupDlg : public QDialog {
    Q_OBJECT
public:
    CMonitorValueSetupDlg(std::vector<CMonitoredItem>& items, int index, Prompter& prompter, QWidget* parent = nullptr);

    [[nodiscard]] MonitorValueSetupDlg& Logic() { return m_logic; }
    // The edit boxes (tests type into them).
    [[nodiscard]] QLineEdit* UnitsBox() const { return m_units; }
    [[nodiscard]] QCheckBox* OwnWindowBox() const { return m_ownWindow; }
    [[nodiscard]] QLineEdit* GaugeMinBox() const { return m_gaugeMin; }
    [[nodiscard]] QLineEdit* GaugeMaxBox() const { return m_gaugeMax; }
    [[nodiscard]] QLineEdit* YellowBox() const { return m_yellow; }
    [[nodiscard]] QLineEdit* RedBox() const { return m_red; }
    [[nodiscard]] QLineEdit* CurrentValueBox() const { return m_current; }
    // How often "Current Value" is read again while the dialog is open.
    static constexpr int kCurrentValueRefreshMs = 250;

public slots:
    void accept() override;

private:
    void ShowBoxes();
    void TakeBoxes();
    QLineEdit* ReadOnly(const QString& text);

    MonitorValueSetupDlg m_logic;
    Prompter& m_prompter;
    QComboBox* m_name = nullptr;
    QLineEdit* m_units = nullptr;
    QCheckBox* m_ownWindow = nullptr;
    QLineEdit* m_gaugeMin = nullptr;
    QLineEdit* m_gaugeMax = nullptr;
    QLineEdit* m_yellow = nullptr;
    QLineEdit* m_red = nullptr;
    QLineEdit* m_current = nullptr;
};

}  // namespace corvane
