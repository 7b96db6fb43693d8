#include "monitor/CEgoSensorTable.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <string>

namespace corvane {

namespace {

double ParseNumber(std::string_view field) {
    std::string text(field);
    char* end = nullptr;
    const double v = std::strtod(text.c_str(), &end);
    if (end == text.c_str() || !std::isfinite(v)) return 0.0;
    return v;
}

std::int32_t RawOf(double volt, double scale) {
    const double raw = std::trunc(volt / scale);
    if (!std::isfinite(raw)) return 0;
    if (raw >= std::numeric_limits<std::int32_t>::max()) return std::numeric_limits<std::int32_t>::max();
    if (raw <= std::numeric_limits<std::int32_t>::min()) return std::numeric_limits<std::int32_t>::min();
    return static_cast<std::int32_t>(raw);
}

bool IsBlank(std::string_view line) {
    return std::all_of(line.begin(), line.end(), [](char c) { return c == ' ' || c == '\t'; });
}

}  // namespace

void CEgoSensorTable::Append(double afr, double volt, double scale) {
    CEgoItem item{afr, volt, RawOf(volt, scale)};
    if (!m_entries.empty() && item.raw < m_entries.back().raw) m_sortedByRaw = false;
    m_entries.push_back(item);
}

void CEgoSensorTable::Parse(std::string_view text, double scale) {
    m_entries.clear();
    m_sortedByRaw = true;
    if (!std::isfinite(scale) || scale <= 0.0) return;
    std::size_t pos = 0;
    while (pos < text.size() && m_entries.size() < kMaxEntries) {
        const std::size_t newline = text.find('\n', pos);
        const std::size_t end = newline == std::string_view::npos ? text.size() : newline;
        std::string_view line = text.substr(pos, std::min(end - pos, kLineLimit));
        pos = newline == std::string_view::npos ? text.size() : newline + 1;
        if (const std::size_t cr = line.find('\r'); cr != std::string_view::npos) line = line.substr(0, cr);
        if (IsBlank(line)) continue;

        const std::size_t comma = line.find(',');
        const double afr = ParseNumber(line.substr(0, comma));
        const double volt = comma == std::string_view::npos ? 0.0 : ParseNumber(line.substr(comma + 1));

        if (!m_entries.empty()) {
            const CEgoItem prev = m_entries.back();
            const double span = afr - prev.afr;
            int n = 1;
            while (span / n >= kAfrStep && n < kMaxInterpolatedPerLine + 1) ++n;
            const double step = span / n;
            const double vstep = (volt - prev.volt) / n;
            for (int k = 1; k < n && m_entries.size() < kMaxEntries; ++k)
                Append(prev.afr + k * step, prev.volt + k * vstep, scale);
        }
        if (m_entries.size() < kMaxEntries) Append(afr, volt, scale);
    }
}

double CEgoSensorTable::LookupEgoAfr(std::int64_t raw) const {
    if (m_entries.empty()) return 0.0;
    std::vector<CEgoItem>::const_iterator upper;
    if (m_sortedByRaw) {
        upper = std::lower_bound(m_entries.begin(), m_entries.end(), raw,
                                 [](const CEgoItem& e, std::int64_t r) { return e.raw < r; });
    } else {
        upper = std::find_if(m_entries.begin(), m_entries.end(),
                             [raw](const CEgoItem& e) { return e.raw >= raw; });
    }
    if (upper == m_entries.begin()) return upper->afr;
    if (upper == m_entries.end()) return m_entries.back().afr;
    const CEgoItem& lower = *(upper - 1);
    return (raw - lower.raw) <= (upper->raw - raw) ? lower.afr : upper->afr;
}

}  // namespace corvane
