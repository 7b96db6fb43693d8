#include "views/CAfrEditDlg.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

#include "maps/AfrArithmetic.h"

namespace corvane {

const QStringList& CAfrEditDlg::Entries() {
    static const QStringList entries = {"12.0", "12.1", "12.2", "12.3", "12.4", "12.5", "12.6",
                                        "12.7", "12.8", "12.9", "13.0", "13.2", "13.3", "13.4",
                                        "13.5", "13.6", "13.7", "13.8", "13.9"};
    return entries;
}

CAfrEditDlg::CAfrEditDlg(QWidget* parent) : QDialog(parent), m_combo(new QComboBox(this)) {
    setWindowTitle(QStringLiteral("AFR Entry"));
    m_combo->setObjectName(QStringLiteral("afrCombo"));
    m_combo->setEditable(true);
    // Typed text is taken as it stands, not added to the list.
    m_combo->setInsertPolicy(QComboBox::NoInsert);
    m_combo->addItems(Entries());
    m_combo->setCurrentIndex(-1);
    m_combo->setEditText(QString());

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    auto* label = new QLabel(QStringLiteral("AFR:"), this);
    label->setBuddy(m_combo);
    layout->addWidget(label);
    layout->addWidget(m_combo);
    layout->addWidget(buttons);
    m_combo->setFocus();
}

void CAfrEditDlg::accept() {
    m_afr = ParseAfrEntry(m_combo->currentText().toStdString());
    QDialog::accept();
}

std::optional<double> CAfrEditDlg::Ask(QWidget* parent) {
    CAfrEditDlg dlg(parent);
    if (dlg.exec() != QDialog::Accepted) return std::nullopt;
    return dlg.AfrValue();
}

}  // namespace corvane
