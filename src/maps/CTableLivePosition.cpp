#include "maps/CTableLivePosition.h"

#include <algorithm>
#include <cmath>

namespace corvane {

CTableLivePosition::CTableLivePosition(std::vector<int> rowSpeeds, std::vector<double> columnXs, double trailSeconds)
    : m_rowSpeeds(rowSpeeds.begin(), rowSpeeds.end()), m_columnXs(std::move(columnXs)), m_trailSeconds(trailSeconds) {}

double CTableLivePosition::IndexOf(const std::vector<double>& axis, double value) {
    if (axis.size() < 2 || !std::isfinite(value)) return 0.0;
    if (value <= axis.front()) return 0.0;
    if (value >= axis.back()) return static_cast<double>(axis.size() - 1);
    const auto upper = std::upper_bound(axis.begin(), axis.end(), value);
    const auto i = static_cast<std::size_t>(upper - axis.begin()) - 1;
    const double span = axis[i + 1] - axis[i];
    return static_cast<double>(i) + (span > 0.0 ? (value - axis[i]) / span : 0.0);
}

void CTableLivePosition::Update(double rpm, double x, double now) {
    if (m_rowSpeeds.empty() || m_columnXs.empty()) return;
    m_place = {IndexOf(m_rowSpeeds, rpm), IndexOf(m_columnXs, x)};
    const int lastRow = static_cast<int>(m_rowSpeeds.size()) - 1;
    const int lastColumn = static_cast<int>(m_columnXs.size()) - 1;
    const int r0 = std::min(static_cast<int>(std::floor(m_place.row)), lastRow);
    const int c0 = std::min(static_cast<int>(std::floor(m_place.column)), lastColumn);
    const int r1 = std::min(r0 + 1, lastRow);
    const int c1 = std::min(c0 + 1, lastColumn);
    const double fr = r1 == r0 ? 0.0 : m_place.row - r0;
    const double fc = c1 == c0 ? 0.0 : m_place.column - c0;
    m_corners = {{{{r0, c0}, (1 - fr) * (1 - fc)},
                  {{r0, c1}, (1 - fr) * fc},
                  {{r1, c0}, fr * (1 - fc)},
                  {{r1, c1}, fr * fc}}};
    m_has = true;
    if (!m_trail.empty() && now >= m_trail.back().time && now - m_trail.back().time < kTrailInterval)
        m_trail.back().place = m_place;  // the newest point follows the engine until the next is due
    else
        m_trail.push_back({m_place, now});
    while (!m_trail.empty() && (m_trail.front().time < now - m_trailSeconds || m_trail.front().time > now))
        m_trail.pop_front();
}

void CTableLivePosition::Clear() {
    m_has = false;
    m_trail.clear();
}

TableCell CTableLivePosition::NearestCell() const {
    const Corner* best = &m_corners[0];
    for (const Corner& c : m_corners)
        if (c.weight > best->weight) best = &c;
    return best->cell;
}

std::vector<CTableLivePosition::TrailPoint> CTableLivePosition::Trail(double now) const {
    std::vector<TrailPoint> points;
    for (const Sample& s : m_trail) {
        const double age = now - s.time;
        if (age >= 0.0 && age <= m_trailSeconds) points.push_back({s.place, age});
    }
    return points;
}

}  // namespace corvane
