#include "maps/CModuleMap.h"

#include <algorithm>
#include <cmath>

#include "comms/api/Rounding.h"
#include "model/Prompter.h"

namespace corvane {

CModuleMap::CModuleMap(const MapDescription& description, const DocumentContext* context)
    : m_description(description),
      m_context(context),
      m_moduleMinimum(description.moduleXMinimum, description.moduleYMinimum),
      m_moduleMaximum(description.moduleXMaximum, description.moduleYMaximum),
      m_displayMinimum(description.displayXMinimum, description.displayYMinimum),
      m_displayMaximum(description.displayXMaximum, description.displayYMaximum),
      m_lowerMargin(description.displayXMinimum, description.lowerMargin),
      m_upperMargin(description.displayXMaximum, description.upperMargin) {
    const int moduleSpan = m_moduleMaximum.y - m_moduleMinimum.y;
    m_yScale = moduleSpan != 0 ? (m_displayMaximum.y - m_displayMinimum.y) / moduleSpan : 0.0;
}

void CModuleMap::BuildAxisGrid() {
    const int xDivisions = m_gridDivisions.x;
    const int yDivisions = m_gridDivisions.y;
    m_xGrid.assign(static_cast<std::size_t>(std::max(xDivisions, 0)), 0.0);
    m_yGrid.assign(static_cast<std::size_t>(std::max(yDivisions, 0)), 0.0);
    m_trimGrid.assign(static_cast<std::size_t>(std::max(yDivisions, 0)), 0.0);
    for (int k = 0; k < xDivisions; ++k)
        m_xGrid[k] = xDivisions > 1 ? m_displayMinimum.x + k * GetXSpan() / (xDivisions - 1)
                                    : m_displayMinimum.x;
    for (int k = 0; k < yDivisions; ++k) {
        const double f = yDivisions > 1 ? static_cast<double>(k) / (yDivisions - 1) : 0.0;
        m_yGrid[k] = m_displayMinimum.y + f * GetYSpan();
        m_trimGrid[k] = m_lowerMargin.y + f * (m_upperMargin.y - m_lowerMargin.y);
    }
    m_gridBuilt = true;
}

void CModuleMap::SetMapPointerPosition(double x) {
    const int n = GetNumberOfPoints();
    m_mapPointerX = x;
    if (n < 2 || GetXSpan() == 0.0) {
        m_mapPointerLowerX = m_mapPointerUpperX = m_displayMinimum.x;
        return;
    }
    const double step = GetXSpan() / (n - 1);
    const double k = (x - m_displayMinimum.x) / step;
    m_mapPointerLowerX = m_displayMinimum.x + RoundDouble(k, 0) * step;
    m_mapPointerUpperX = m_displayMinimum.x + RoundDouble(k, 1) * step;
}

int CModuleMap::GetMapPointerIndex() const {
    const int n = GetNumberOfPoints();
    if (n < 2 || GetXSpan() == 0.0) return 0;
    const double step = GetXSpan() / (n - 1);
    const int k = RoundToInteger((m_mapPointerX - m_displayMinimum.x) / step);
    return std::clamp(k, 0, n - 1);
}

void CModuleMap::Tell(const std::string& text) const {
    if (m_context != nullptr && m_context->prompter != nullptr)
        m_context->prompter->Message(text, {}, Prompter::Icon::None, Prompter::Buttons::Ok);
}

}  // namespace corvane
