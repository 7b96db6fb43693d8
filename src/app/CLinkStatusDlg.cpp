#include "app/CLinkStatusDlg.h"

#include <QLabel>
#include <QVBoxLayout>

namespace corvane {

CLinkStatusDlg::CLinkStatusDlg(const QString& title, QWidget* parent)
    : QDialog(parent, Qt::Tool | Qt::WindowStaysOnTopHint), m_label(new QLabel(this)) {
    setWindowTitle(title);
    setModal(false);
    setAttribute(Qt::WA_ShowWithoutActivating);
    auto* layout = new QVBoxLayout(this);
    m_label->setAlignment(Qt::AlignCenter);
    layout->addWidget(m_label);
    setMinimumWidth(320);
}

void CLinkStatusDlg::SetText(const QString& text) { m_label->setText(text); }

QString CLinkStatusDlg::Text() const { return m_label->text(); }

}  // namespace corvane
