#pragma once

#include <QWidget>

#include "monitor/CMonitorGaugeState.h"

namespace corvane {

// The bar gauge of an own window: amber, green and red bands and a three-pixel black needle,
// as the gauge state's columns say for the bar's width.
class CMonitorGauge : public QWidget {
    Q_OBJECT
public:
    explicit CMonitorGauge(QWidget* parent = nullptr);
    // Takes the state's fractions; repaints only when the picture changes.
    void SetState(const CMonitorGaugeState& state);
    [[nodiscard]] const BarColumns& Columns() const { return m_columns; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    bool m_bands = false;
    double m_yellow = 0.0;
    double m_red = 0.0;
    bool m_needle = false;
    double m_needleFraction = 0.0;
    BarColumns m_columns;
    void Recompute();
};

}  // namespace corvane
