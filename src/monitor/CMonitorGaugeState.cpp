#include "monitor/CMonitorGaugeState.h"

#include <algorithm>
#include <cmath>

#include "model/PrintableText.h"
#include "monitor/CMonitoredItem.h"
#include "monitor/MonitorText.h"

namespace corvane {

namespace {

int TruncatedColumn(double columns) {
    if (!std::isfinite(columns)) return 0;
    return static_cast<int>(std::clamp(std::trunc(columns), -1.0e9, 1.0e9));
}

bool IsEgoItem(const CMonitoredItem& item) {
    return item.name == "Front Cylinder" || item.name == "Rear Cylinder";
}

}  // namespace

void CMonitorGaugeState::Refresh(CMonitoredItem& item) {
    double value = IsEgoItem(item) ? item.lastAfr : item.DataScale() * item.rawValue + item.dataMinimum;
    if (!std::isfinite(value)) value = 0.0;
    m_value = value;

    std::rotate(m_kept.begin(), m_kept.begin() + 1, m_kept.end());
    m_kept.back() = value;
    double sum = 0.0;
    for (double v : m_kept) sum += v;
    m_average = sum * 0.25;

    const double range = item.gaugeMaximum - item.gaugeMinimum;
    m_fractionsValid = std::isfinite(range) && range != 0.0;
    if (m_fractionsValid) {
        const double needle = (m_average - item.gaugeMinimum) / range;
        m_needleFraction = needle <= 0.0 || !std::isfinite(needle) ? 0.0 : needle > 1.0 ? kNeedleOverRange : needle;
        m_yellowFraction = (item.yellowStop - item.gaugeMinimum) / range;
        m_redFraction = (item.redStart - item.gaugeMinimum) / range;
        m_fractionsValid = std::isfinite(m_yellowFraction) && std::isfinite(m_redFraction);
    }
    if (!m_fractionsValid) m_needleFraction = m_yellowFraction = m_redFraction = 0.0;

    // The setup name and units come from the items files: shown printable.
    m_caption = std::string(14, ' ') + PrintableText(item.setupName);
    AssignFixed2(item.currentValueText, value);
    m_valueBoxText = item.currentValueText + " " + PrintableText(item.setupUnits);
    m_colourState = value >= item.redStart ? 2 : value >= item.yellowStop ? 1 : 0;
}

std::uint8_t CMonitorGaugeState::ColourIndex() const {
    return m_colourState == 2 ? kGaugeRed : m_colourState == 1 ? kGaugeGreen : kGaugeAmber;
}

BarColumns CMonitorGaugeState::Columns(int width) const {
    return ComputeBarColumns(width, m_fractionsValid, m_yellowFraction, m_redFraction, m_fractionsValid,
                             m_needleFraction);
}

BarColumns ComputeBarColumns(int width, bool bandsValid, double yellowFraction, double redFraction,
                             bool needleValid, double needleFraction) {
    BarColumns c;
    c.width = std::max(width, 0);
    c.bands = bandsValid && c.width > 0;
    if (c.bands) {
        c.amberEnd = std::clamp(TruncatedColumn(c.width * yellowFraction) + 1, 0, c.width);
        c.greenEnd = std::clamp(TruncatedColumn(c.width * redFraction), c.amberEnd, c.width);
    } else {
        c.amberEnd = c.greenEnd = c.width;
    }
    c.needle = needleValid && c.width >= CMonitorGaugeState::kNeedleWidth;
    if (c.needle)
        c.needleColumn = std::clamp(TruncatedColumn(c.width * needleFraction), 0,
                                    c.width - CMonitorGaugeState::kNeedleWidth);
    return c;
}

void PaintBarRow(std::span<std::uint8_t> row, const BarColumns& c) {
    const int width = std::min<int>(c.width, static_cast<int>(row.size()));
    for (int x = 0; x < width; ++x)
        row[static_cast<std::size_t>(x)] = x < c.amberEnd ? kGaugeAmber : x < c.greenEnd ? kGaugeGreen : kGaugeRed;
    if (!c.bands)
        for (int x = 0; x < width; ++x) row[static_cast<std::size_t>(x)] = kGaugeAmber;
    if (c.needle)
        for (int x = c.needleColumn; x < c.needleColumn + CMonitorGaugeState::kNeedleWidth && x < width; ++x)
            row[static_cast<std::size_t>(x)] = kGaugeBlack;
}

}  // namespace corvane
