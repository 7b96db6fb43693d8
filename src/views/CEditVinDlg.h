#pragma once

#include <QDialog>

class QLineEdit;

namespace corvane {

// "Enter New VIN": one field for the vehicle identification number, at most 32 characters
// (the VIN's bytes in the module); the field has the focus when the dialog opens.
class CEditVinDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr const char* kTitle = "Enter New VIN";
    static constexpr const char* kPrompt = "Vehicle Indentification Number";

    explicit CEditVinDlg(QWidget* parent = nullptr);

    [[nodiscard]] std::string Vin() const;
    [[nodiscard]] QLineEdit* Field() const { return m_field; }

private:
    QLineEdit* m_field = nullptr;
};

}  // namespace corvane
