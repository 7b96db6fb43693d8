#pragma once

#include <QDialog>

#include "model/BasicSettingEdit.h"

class QLabel;
class QLineEdit;
class QScrollBar;

namespace corvane {

class Prompter;

// "Basic Setting Value Entry": the value of one basic setting, by scroll bar or typed in, as
// the BasicSettingEdit it is given decides. The bar's moves go through that edit, which keeps
// the position and the value text; OK closes only with a value within the setting's range.
class CBasicSettingEditDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr const char* kTitle = "Basic Setting Value Entry";

    CBasicSettingEditDlg(BasicSettingEdit edit, Prompter& prompter, QWidget* parent = nullptr);

    // The value text after OK (in scroll mode the bar's position).
    [[nodiscard]] const BasicSettingEdit& Edit() const { return m_edit; }

    [[nodiscard]] QScrollBar* ScrollBar() const { return m_bar; }
    [[nodiscard]] QLineEdit* Entry() const { return m_entry; }
    [[nodiscard]] QLabel* ValueLabel() const { return m_value; }

    // OK: "Value out of range." and the dialog stays open unless the value is within range.
    void accept() override;

private:
    void OnBarAction(int action);

    BasicSettingEdit m_edit;
    Prompter& m_prompter;
    QLabel* m_value = nullptr;
    QLineEdit* m_entry = nullptr;
    QScrollBar* m_bar = nullptr;
};

}  // namespace corvane
