#pragma once

#include <QDialog>

namespace corvane {

struct AppState;

// "AFR Calculator": a measured AFR and the target give the fuelling change factor; OK makes
// the target the application's target AFR.
class CAFRCalculatorDlg : public QDialog {
    Q_OBJECT
public:
    explicit CAFRCalculatorDlg(AppState& app, QWidget* parent = nullptr);

private:
    AppState& m_app;
};

}  // namespace corvane
