#include "views/CAfrEditDlg.h"

namespace corvane {

CAfrEditDlg::CAfrEditDlg(QWidget* parent) : QDialog(parent) { setWindowTitle("AFR Entry"); }

std::optional<double> CAfrEditDlg::Ask(QWidget* parent) {
    CAfrEditDlg dlg(parent);
    if (dlg.exec() != QDialog::Accepted) return std::nullopt;
    return dlg.AfrValue();
}

}  // namespace corvane
