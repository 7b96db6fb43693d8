#include "views/CEditVinDlg.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

#include "model/WarrantyValues.h"

namespace corvane {

CEditVinDlg::CEditVinDlg(QWidget* parent) : QDialog(parent) {
    setWindowTitle(kTitle);
    auto* prompt = new QLabel(kPrompt, this);
    m_field = new QLineEdit(this);
    m_field->setObjectName("VinField");
    m_field->setMaxLength(kVinLength);
    m_field->setMinimumWidth(8 * (kVinLength + 2));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(prompt);
    layout->addWidget(m_field);
    layout->addWidget(buttons);
    m_field->setFocus();
}

std::string CEditVinDlg::Vin() const {
    // What the user typed, byte for byte as the module stores it.
    return m_field->text().toStdString();
}

}  // namespace corvane
