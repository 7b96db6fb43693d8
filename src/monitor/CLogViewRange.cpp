#include "monitor/CLogViewRange.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace corvane {

ValueAxisRange FitValueAxis(double lowest, double highest) {
    if (!std::isfinite(lowest) || !std::isfinite(highest)) return {};
    if (highest < lowest) std::swap(lowest, highest);
    const double span = highest - lowest;
    // A span lost in the values' own rounding counts as none.
    const double scale = std::max(std::abs(lowest), std::abs(highest));
    if (span <= scale * 1e-9) {
        const double margin = std::max(1.0, 0.05 * scale);
        return {lowest - margin, highest + margin};
    }
    return {lowest - 0.05 * span, highest + 0.05 * span};
}

void CLogViewRange::SetLogSpan(double first, double last) {
    if (!std::isfinite(first)) first = 0.0;
    if (!std::isfinite(last) || last < first) last = first;
    m_logFirst = first;
    m_logLast = std::max(last, first + kMinimumSpan);
    m_cursor = m_logFirst;
    ShowAll();
}

void CLogViewRange::Show(double first, double last) {
    if (!std::isfinite(first) || !std::isfinite(last)) return;
    if (last < first) std::swap(first, last);
    const double logSpan = m_logLast - m_logFirst;
    const double span = std::clamp(last - first, kMinimumSpan, logSpan);
    // Keep the width, slide back inside the log.
    first = std::clamp(first, m_logFirst, m_logLast - span);
    m_first = first;
    m_last = first + span;
}

void CLogViewRange::ZoomAbout(double centre, double factor) {
    if (!std::isfinite(centre) || !std::isfinite(factor) || factor <= 0.0) return;
    centre = std::clamp(centre, m_first, m_last);
    const double logSpan = m_logLast - m_logFirst;
    const double span = std::clamp(ShownSpan() / factor, kMinimumSpan, logSpan);
    // The centre keeps its place across the plot.
    const double fraction = FractionOf(centre);
    Show(centre - fraction * span, centre - fraction * span + span);
}

void CLogViewRange::Pan(double seconds) {
    if (!std::isfinite(seconds)) return;
    const double span = ShownSpan();
    Show(m_first + seconds, m_first + seconds + span);
}

void CLogViewRange::SetCursor(double t) {
    if (!std::isfinite(t)) return;
    m_cursor = std::clamp(t, m_logFirst, m_logLast);
}

void CLogViewRange::StepCursor(double seconds) {
    SetCursor(m_cursor + seconds);
    if (m_cursor < m_first) Pan(m_cursor - m_first);
    if (m_cursor > m_last) Pan(m_cursor - m_last);
}

}  // namespace corvane
