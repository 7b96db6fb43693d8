#include "app/CModuleDetectionDlg.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace corvane {

namespace {

// Polls with the power off before it comes back on: the first may have been under way when
// the switch was pressed, the second surely saw the module gone.
constexpr int kPollsPowerOff = 2;

}  // namespace

CModuleDetectionDlg::CModuleDetectionDlg(const QString& title, const QString& text, PowerSwitch powerSwitch,
                                         QWidget* parent)
    : QDialog(parent), m_switch(std::move(powerSwitch)) {
    setWindowTitle(title);
    setObjectName("ModuleDetectionDlg");
    auto* instructions = new QLabel(text, this);
    instructions->setObjectName("Instructions");
    instructions->setTextFormat(Qt::PlainText);
    instructions->setWordWrap(false);

    auto* busy = new QProgressBar(this);
    busy->setRange(0, 0);  // no measure: the module answers when it answers
    busy->setTextVisible(false);
    m_status = new QLabel("Waiting for the module to go away and come back...", this);
    m_status->setObjectName("DetectionStatus");

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &CModuleDetectionDlg::reject);
    if (m_switch.off && m_switch.on) {
        m_cycle = buttons->addButton(kCycleButtonText, QDialogButtonBox::ActionRole);
        m_cycle->setObjectName("CyclePower");
        connect(m_cycle, &QPushButton::clicked, this, &CModuleDetectionDlg::CyclePower);
    }

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(instructions);
    layout->addSpacing(8);
    layout->addWidget(busy);
    layout->addWidget(m_status);
    layout->addWidget(buttons);
    RefreshSwitch();
}

CModuleDetectionDlg::~CModuleDetectionDlg() {
    // A switch left off when the wait ended (cancelled, detected otherwise) goes back on, as
    // a person would turn it back on.
    if (m_powerOnDue && m_switch.on) m_switch.on();
}

void CModuleDetectionDlg::RefreshSwitch() {
    if (!m_cycle) return;
    const bool available = !m_switch.available || m_switch.available();
    m_cycle->setVisible(available);
    m_cycle->setEnabled(available && !m_powerOnDue);
}

void CModuleDetectionDlg::CyclePower() {
    if (m_powerOnDue) return;
    m_switch.off();
    m_powerOnDue = true;
    m_pollsSinceOff = 0;
    m_status->setText("Simulated module: power OFF.");
    RefreshSwitch();
}

void CModuleDetectionDlg::Poll() {
    if (m_powerOnDue && ++m_pollsSinceOff >= kPollsPowerOff) {
        m_switch.on();
        m_powerOnDue = false;
        m_status->setText("Simulated module: power ON. Waiting for the module...");
    }
    RefreshSwitch();
}

void CModuleDetectionDlg::reject() {
    // The waiting side ends the dialog; Cancel only says the user gave up.
    m_cancelled = true;
    m_status->setText("Cancelling...");
}

}  // namespace corvane
