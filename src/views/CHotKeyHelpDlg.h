#pragma once

#include <QDialog>

namespace corvane {

// "Hot Key Combinations": every key of the maps views with what it does.
class CHotKeyHelpDlg : public QDialog {
    Q_OBJECT
public:
    explicit CHotKeyHelpDlg(QWidget* parent = nullptr);
};

}  // namespace corvane
