#pragma once

#include <QDialog>

#include "monitor/RideAutoTuneSettings.h"

class QCheckBox;
class QDoubleSpinBox;

namespace corvane {

// "Ride AutoTune Settings": the filter limits, the sensor delay, the minimum weight and the
// authority. Each box keeps to the limits the settings keep (RideAutoTuneSettings::Clamp), so
// what OK hands back is always a valid set; "Defaults" puts every box back to its default.
class CRideAutoTuneSettingsDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr const char* kTitle = "Ride AutoTune Settings";

    CRideAutoTuneSettingsDlg(const RideAutoTuneSettings& settings, QWidget* parent = nullptr);

    // The settings the boxes hold now.
    [[nodiscard]] RideAutoTuneSettings Settings() const;
    void Show(const RideAutoTuneSettings& settings);

    [[nodiscard]] QDoubleSpinBox* HeadTempBox() const { return m_headTemp; }
    [[nodiscard]] QDoubleSpinBox* DelayBox() const { return m_delay; }
    [[nodiscard]] QDoubleSpinBox* AuthorityBox() const { return m_authority; }
    [[nodiscard]] QCheckBox* DelayCompensationBox() const { return m_compensate; }

private:
    QDoubleSpinBox* m_headTemp;
    QDoubleSpinBox* m_throttleRate;
    QDoubleSpinBox* m_rpmRate;
    QDoubleSpinBox* m_minThrottle;
    QDoubleSpinBox* m_delay;
    QDoubleSpinBox* m_minWeight;
    QDoubleSpinBox* m_authority;
    QCheckBox* m_compensate;
    QCheckBox* m_transients;
};

}  // namespace corvane
