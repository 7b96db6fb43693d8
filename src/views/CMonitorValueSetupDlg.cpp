#include "views/CMonitorValueSetupDlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDoubleValidator>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include "model/NumberText.h"
#include "model/Prompter.h"
#include "model/PrintableText.h"

namespace corvane {

namespace {

QString Number(double v) { return QString::number(v, 'g', 10); }

double Read(const QLineEdit* box) {
    // Numbers are read by the one rule of the program; what is none (an emptied box) is 0,
    // which the range rules then put right.
    return ParseNumber(box->text().toStdString()).value_or(0.0);
}

// The list's names and the current value come from the core already printable.
QString Shown(const std::string& text) { return QString::fromStdString(text); }

}  // namespace

CMonitorValueSetupDlg::CMonitorValueSetupDlg(std::vector<CMonitoredItem>& items, int index, Prompter& prompter,
                                             QWidget* parent)
    : QDialog(parent), m_logic(items, index), m_prompter(prompter) {
    setWindowTitle(MonitorValueSetupDlg::kTitle);
    const CMonitoredItem& item = m_logic.Item();
    auto* layout = new QGridLayout(this);

    auto* top = new QFormLayout;
    m_name = new QComboBox(this);
    for (const std::string& n : m_logic.ListNames()) m_name->addItem(Shown(n));
    m_name->setCurrentIndex(index);
    m_name->setEnabled(false);
    top->addRow("Name", m_name);
    m_units = new QLineEdit(this);
    top->addRow("Units", m_units);
    top->addRow("Display Value Format", ReadOnly("%.2f"));
    auto* group = new QCheckBox("Show In GROUP Window", this);
    group->setChecked(item.groupWindow != 0);
    group->setEnabled(false);
    top->addRow(group);
    m_ownWindow = new QCheckBox("Show In OWN Window", this);
    top->addRow(m_ownWindow);
    layout->addLayout(top, 0, 0, 1, 2);

    auto* map = new QGroupBox("Module Value Map", this);
    auto* mapForm = new QFormLayout(map);
    mapForm->addRow("Module Min", ReadOnly(QString::number(item.moduleMinimum)));
    mapForm->addRow("Module Max", ReadOnly(QString::number(item.moduleMaximum)));
    mapForm->addRow("Data Min", ReadOnly(Number(item.dataMinimum)));
    mapForm->addRow("Data Max", ReadOnly(Number(item.dataMaximum)));
    layout->addWidget(map, 1, 0);

    auto* limits = new QGroupBox("Gauge Value Limits", this);
    auto* limitsForm = new QFormLayout(limits);
    m_current = ReadOnly(QString::fromStdString(m_logic.CurrentValueText()));
    m_current->setObjectName("CurrentValue");
    // The stream goes on while the dialog is open: the box follows it.
    auto* refresh = new QTimer(this);
    connect(refresh, &QTimer::timeout, this, [this] { m_current->setText(QString::fromStdString(m_logic.CurrentValueText())); });
    refresh->start(kCurrentValueRefreshMs);
    m_gaugeMin = new QLineEdit(this);
    m_gaugeMax = new QLineEdit(this);
    limitsForm->addRow("Current Value", m_current);
    limitsForm->addRow("Gauge Min Value", m_gaugeMin);
    limitsForm->addRow("Gauge Max Value", m_gaugeMax);
    layout->addWidget(limits, 1, 1);

    auto* alarms = new QGroupBox("Alarms", this);
    auto* alarmsForm = new QFormLayout(alarms);
    alarmsForm->addRow("Low Value", ReadOnly(Number(item.alarmLow)));
    alarmsForm->addRow("High Value", ReadOnly(Number(item.alarmHigh)));
    auto* alarmOn = new QCheckBox("Alarm On", this);
    alarmOn->setChecked(item.alarmOn != 0);
    alarmOn->setEnabled(false);
    alarmsForm->addRow(alarmOn);
    layout->addWidget(alarms, 2, 0);

    auto* ranges = new QGroupBox("Operational Ranges", this);
    auto* rangesForm = new QFormLayout(ranges);
    m_yellow = new QLineEdit(this);
    m_red = new QLineEdit(this);
    rangesForm->addRow("YELLOW Caution Stops", m_yellow);
    rangesForm->addRow("WHITE Normal", ReadOnly(Number(item.whiteNormal)));
    rangesForm->addRow("RED Warning Starts", m_red);
    layout->addWidget(ranges, 2, 1);

    auto* memory = new QGroupBox("Module Memory Addresses", this);
    auto* memoryForm = new QFormLayout(memory);
    memoryForm->addRow("Memory Page", ReadOnly(QString::number(item.memoryPage)));
    memoryForm->addRow("Module Address", ReadOnly(QString("0x%1").arg(item.moduleAddress, 4, 16, QChar('0')).toUpper().replace("0X", "0x")));
    memoryForm->addRow("Data Size (bytes)", ReadOnly(item.moduleMaximum > 255 ? "2" : "1"));
    memoryForm->addRow("Data Type", ReadOnly(item.moduleMaximum > 255 ? "Uint16" : "Uint8"));
    layout->addWidget(memory, 3, 0);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    // Save, New and Delete are part of the dialog but have no action.
    for (const char* text : {"Save", "New", "Delete"}) buttons->addButton(text, QDialogButtonBox::ActionRole)->setEnabled(false);
    connect(buttons, &QDialogButtonBox::accepted, this, &CMonitorValueSetupDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons, 3, 1, Qt::AlignBottom);

    auto* validator = new QDoubleValidator(this);
    validator->setLocale(QLocale::c());
    for (QLineEdit* box : {m_gaugeMin, m_gaugeMax, m_yellow, m_red}) box->setValidator(validator);
    m_units->setMaxLength(64);
    ShowBoxes();
}

QLineEdit* CMonitorValueSetupDlg::ReadOnly(const QString& text) {
    auto* box = new QLineEdit(text, this);
    box->setEnabled(false);
    return box;
}

void CMonitorValueSetupDlg::ShowBoxes() {
    const MonitorValueSetupDlg::Boxes& b = m_logic.boxes;
    m_units->setText(QString::fromStdString(b.setupUnits));
    m_ownWindow->setChecked(b.ownWindow);
    m_gaugeMin->setText(Number(b.gaugeMinimum));
    m_gaugeMax->setText(Number(b.gaugeMaximum));
    m_yellow->setText(Number(b.yellowStop));
    m_red->setText(Number(b.redStart));
}

void CMonitorValueSetupDlg::TakeBoxes() {
    MonitorValueSetupDlg::Boxes& b = m_logic.boxes;
    b.setupUnits = m_units->text().toStdString();
    b.ownWindow = m_ownWindow->isChecked();
    b.gaugeMinimum = Read(m_gaugeMin);
    b.gaugeMaximum = Read(m_gaugeMax);
    b.yellowStop = Read(m_yellow);
    b.redStart = Read(m_red);
}

void CMonitorValueSetupDlg::accept() {
    TakeBoxes();
    std::string message;
    const auto outcome = m_logic.Ok(&message);
    ShowBoxes();
    if (outcome == MonitorValueSetupDlg::Outcome::StaysOpen) {
        m_prompter.Message(message.empty() ? MonitorValueSetupDlg::kValidationFailedText : message);
        return;
    }
    QDialog::accept();
}

}  // namespace corvane
