#include "views/CRideAutoTuneSettingsDlg.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace corvane {

namespace {

QDoubleSpinBox* Box(QWidget* parent, double low, double high, int decimals, double step, const QString& suffix,
                    const QString& tip) {
    auto* box = new QDoubleSpinBox(parent);
    box->setRange(low, high);
    box->setDecimals(decimals);
    box->setSingleStep(step);
    box->setSuffix(suffix);
    box->setToolTip(tip);
    return box;
}

}  // namespace

CRideAutoTuneSettingsDlg::CRideAutoTuneSettingsDlg(const RideAutoTuneSettings& settings, QWidget* parent)
    : QDialog(parent) {
    setWindowTitle(kTitle);
    // The limits are those RideAutoTuneSettings::Clamp keeps.
    m_headTemp = Box(this, -40.0, 450.0, 0, 10.0, " deg F", "A packet counts only when the engine head is at least this warm.");
    m_throttleRate = Box(this, 1.0, 1000.0, 1, 1.0, " deg/s",
                         "Over the window a reading stems from, the throttle may move no faster than this.");
    m_rpmRate = Box(this, 50.0, 20000.0, 0, 50.0, " rpm/s", "Over that window, engine speed may change no faster than this.");
    m_minThrottle = Box(this, 0.0, 80.0, 1, 0.5, " deg", "Below this throttle (idle, overrun) a packet tells nothing.");
    m_delay = Box(this, 0.0, 1000.0, 0, 10.0, " ms",
                  "Exhaust transport delay plus the sensor's response: a reading is paired with the engine's speed and "
                  "throttle this long before it.");
    m_minWeight = Box(this, 0.5, 100000.0, 1, 1.0, "", "A cell is ready when the weights of its readings add up to this.");
    m_authority = Box(this, 0.5, 50.0, 1, 1.0, " %", "The most a cell's fuel or rear trim moves in one apply, either way.");
    m_compensate = new QCheckBox("Pair each reading with the engine one sensor delay earlier", this);
    m_transients = new QCheckBox("Skip packets while the module adds transient fuel", this);

    auto* form = new QFormLayout();
    form->addRow("Warm engine: head temperature at least", m_headTemp);
    form->addRow("Throttle steady: moving at most", m_throttleRate);
    form->addRow("Speed steady: changing at most", m_rpmRate);
    form->addRow("Throttle open: at least", m_minThrottle);
    form->addRow("Sensor delay", m_delay);
    form->addRow("", m_compensate);
    form->addRow("", m_transients);
    form->addRow("Cell ready at weight", m_minWeight);
    form->addRow("Authority per apply", m_authority);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel | QDialogButtonBox::RestoreDefaults, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(buttons->button(QDialogButtonBox::RestoreDefaults), &QPushButton::clicked, this,
            [this] { Show(RideAutoTuneSettings{}); });
    auto* layout = new QVBoxLayout(this);
    auto* note = new QLabel("Changed settings apply from the next start of Ride AutoTune.", this);
    layout->addLayout(form);
    layout->addWidget(note);
    layout->addWidget(buttons);
    Show(settings);
}

void CRideAutoTuneSettingsDlg::Show(const RideAutoTuneSettings& s) {
    m_headTemp->setValue(s.minHeadTempF);
    m_throttleRate->setValue(s.maxThrottleRate);
    m_rpmRate->setValue(s.maxRpmRate);
    m_minThrottle->setValue(s.minThrottleDeg);
    m_delay->setValue(s.sensorDelaySeconds * 1000.0);
    m_minWeight->setValue(s.minWeight);
    m_authority->setValue(s.authorityPercent);
    m_compensate->setChecked(s.delayCompensation);
    m_transients->setChecked(s.transientFilter);
}

RideAutoTuneSettings CRideAutoTuneSettingsDlg::Settings() const {
    RideAutoTuneSettings s;
    s.minHeadTempF = m_headTemp->value();
    s.maxThrottleRate = m_throttleRate->value();
    s.maxRpmRate = m_rpmRate->value();
    s.minThrottleDeg = m_minThrottle->value();
    s.sensorDelaySeconds = m_delay->value() / 1000.0;
    s.minWeight = m_minWeight->value();
    s.authorityPercent = m_authority->value();
    s.delayCompensation = m_compensate->isChecked();
    s.transientFilter = m_transients->isChecked();
    s.Clamp();
    return s;
}

}  // namespace corvane
