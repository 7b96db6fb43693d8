#include "maps/CTableOverlay.h"

#include <algorithm>

namespace corvane {

void CTableOverlay::Set(TableCell cell, double percent, std::uint32_t colour) {
    const auto it = std::find_if(m_marks.begin(), m_marks.end(), [&](const Mark& m) { return m.cell == cell; });
    if (it != m_marks.end())
        *it = {cell, percent, colour};
    else
        m_marks.push_back({cell, percent, colour});
}

std::optional<CTableOverlay::Mark> CTableOverlay::At(TableCell cell) const {
    const auto it = std::find_if(m_marks.begin(), m_marks.end(), [&](const Mark& m) { return m.cell == cell; });
    if (it == m_marks.end()) return std::nullopt;
    return *it;
}

}  // namespace corvane
