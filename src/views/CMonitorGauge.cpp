#include "views/CMonitorGauge.h"

#include <QPainter>

#include "views/GaugePalette.h"

namespace corvane {

CMonitorGauge::CMonitorGauge(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    Recompute();
}

void CMonitorGauge::SetState(const CMonitorGaugeState& state) {
    m_bands = state.FractionsValid();
    m_yellow = state.YellowFraction();
    m_red = state.RedFraction();
    m_needle = state.FractionsValid();
    m_needleFraction = state.NeedleFraction();
    const BarColumns before = m_columns;
    Recompute();
    if (before.amberEnd != m_columns.amberEnd || before.greenEnd != m_columns.greenEnd ||
        before.needle != m_columns.needle || before.needleColumn != m_columns.needleColumn ||
        before.bands != m_columns.bands)
        update();
}

void CMonitorGauge::Recompute() {
    m_columns = ComputeBarColumns(width(), m_bands, m_yellow, m_red, m_needle, m_needleFraction);
}

void CMonitorGauge::resizeEvent(QResizeEvent*) { Recompute(); }

void CMonitorGauge::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const int h = height();
    const BarColumns& c = m_columns;
    p.fillRect(rect(), GaugeColour(kGaugeAmber));
    if (c.bands) {
        p.fillRect(QRect(c.amberEnd, 0, c.greenEnd - c.amberEnd, h), GaugeColour(kGaugeGreen));
        p.fillRect(QRect(c.greenEnd, 0, c.width - c.greenEnd, h), GaugeColour(kGaugeRed));
    }
    if (c.needle) p.fillRect(QRect(c.needleColumn, 0, CMonitorGaugeState::kNeedleWidth, h), GaugeColour(kGaugeBlack));
}

}  // namespace corvane
