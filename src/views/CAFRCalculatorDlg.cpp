#include "views/CAFRCalculatorDlg.h"

#include "model/AppState.h"

namespace corvane {

CAFRCalculatorDlg::CAFRCalculatorDlg(AppState& app, QWidget* parent) : QDialog(parent), m_app(app) {
    setWindowTitle("AFR Calculator");
}

}  // namespace corvane
