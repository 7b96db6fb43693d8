#pragma once

#include <QDialog>

class QLabel;

namespace corvane {

// A modeless box that tells the user the link or the monitor stream was lost while the comms
// library tries to reach the module again. It never takes the focus from the work.
class CLinkStatusDlg : public QDialog {
    Q_OBJECT
public:
    CLinkStatusDlg(const QString& title, QWidget* parent);
    void SetText(const QString& text);
    [[nodiscard]] QString Text() const;

private:
    QLabel* m_label;
};

}  // namespace corvane
