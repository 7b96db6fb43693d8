#include "model/BasicSettingEdit.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdlib>

#include "model/CBasicSettingsModuleValue.h"
#include "model/NumberText.h"

namespace corvane {

namespace {

// A double as the whole number a scroll bar holds: truncated, and kept within int.
int WholeNumber(double v) {
    if (std::isnan(v)) return 0;
    return static_cast<int>(std::clamp(std::trunc(v), static_cast<double>(INT_MIN), static_cast<double>(INT_MAX)));
}

int StepOf(const CBasicSettingsModuleValue& setting) {
    const int moduleRange = setting.GetModuleMaximum() - setting.GetModuleMinimum();
    // A setting of one module value has no step; it is typed in.
    if (moduleRange == 0) return 0;
    return WholeNumber((setting.GetDisplayMaximum() - setting.GetDisplayMinimum()) / moduleRange);
}

}  // namespace

std::string SettingValueText(const CBasicSettingsModuleValue& setting, int moduleFirmwareVersion) {
    if (!setting.IsSupportedByFirmware(moduleFirmwareVersion)) return kSettingNotInFirmware;
    return setting.FormatDisplay();
}

BasicSettingEdit::BasicSettingEdit(const CBasicSettingsModuleValue& setting)
    : BasicSettingEdit(setting.GetName(), setting.FormatDisplay(), setting.GetDisplayMinimum(),
                       setting.GetDisplayMaximum(), StepOf(setting), setting.GetDisplayFormat(), setting.GetUnit()) {}

BasicSettingEdit::BasicSettingEdit(std::string label, std::string valueText, double minimum, double maximum,
                                   int step, int displayFormat, std::string unit)
    : m_label(std::move(label)),
      m_unit(std::move(unit)),
      m_valueText(std::move(valueText)),
      m_minimum(minimum),
      m_maximum(maximum),
      m_step(step),
      m_format(displayFormat) {
    Open();
}

void BasicSettingEdit::Open() {
    // A step of 0 over a real range gives an infinite number of steps, an empty range none
    // that compares: both are typed in.
    const double steps = (m_maximum - m_minimum) / static_cast<double>(m_step);
    if (m_step >= 0 && steps <= kMostScrollSteps) {
        m_mode = Mode::kScroll;
        m_scrollMin = WholeNumber(m_minimum);
        m_scrollMax = WholeNumber(m_maximum);
        // The value text read as a whole number, as the bar takes it.
        SetPosition(static_cast<int>(std::strtol(m_valueText.c_str(), nullptr, 10)));
    } else {
        m_mode = Mode::kTyped;
        m_rangeText = std::string(kValidRangePrefix) + FormatWithDisplayFormat(m_minimum, m_format) + " - " +
                      FormatWithDisplayFormat(m_maximum, m_format);
    }
}

int BasicSettingEdit::ScrollLimit() const {
    return std::max(m_scrollMin, m_scrollMax - std::max(ScrollPage(), 1) + 1);
}

void BasicSettingEdit::SetPosition(int position) {
    // The bar keeps its position within what it allows, as a scroll bar control does.
    m_position = std::clamp(position, m_scrollMin, ScrollLimit());
    m_valueText = std::to_string(m_position);
}

int BasicSettingEdit::Move(Scroll action, int thumb) {
    if (m_mode != Mode::kScroll) return m_position;
    const long long step = m_step;
    const long long pos = m_position;
    const long long limit = ScrollLimit();
    long long next = pos;
    switch (action) {
        case Scroll::kLineLeft:
            if (pos >= m_scrollMin + step) next = pos - step;
            break;
        case Scroll::kLineRight:
            if (pos <= limit + step) next = pos + step;
            break;
        case Scroll::kPageLeft:
            if (pos > m_scrollMin) next = std::max<long long>(pos - step, m_scrollMin);
            break;
        case Scroll::kPageRight:
            if (pos < limit) next = std::min(pos + step, limit);
            break;
        case Scroll::kThumb: next = (thumb / step) * step; break;
        case Scroll::kHome: next = m_scrollMin; break;
        case Scroll::kEnd: next = limit; break;
    }
    SetPosition(static_cast<int>(std::clamp<long long>(next, INT_MIN, INT_MAX)));
    return m_position;
}

bool BasicSettingEdit::Accept() const {
    const auto value = m_mode == Mode::kScroll ? std::optional<double>(m_position) : ParseNumber(m_valueText);
    return value && *value >= m_minimum && *value <= m_maximum;
}

}  // namespace corvane
