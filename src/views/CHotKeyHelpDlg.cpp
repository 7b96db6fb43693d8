#include "views/CHotKeyHelpDlg.h"

namespace corvane {

CHotKeyHelpDlg::CHotKeyHelpDlg(QWidget* parent) : QDialog(parent) { setWindowTitle("Hot Key Combinations"); }

}  // namespace corvane
