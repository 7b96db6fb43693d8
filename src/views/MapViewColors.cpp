#include "views/MapViewColors.h"

#include "model/SettingsStore.h"

namespace corvane {

namespace {

struct Entry {
    const char* name;
    std::uint32_t MapViewColors::*member;
};

constexpr Entry kEntries[] = {
    {"GraphBackgroundColor", &MapViewColors::graphBackground},
    {"GridLineColor", &MapViewColors::gridLine},
    {"InSyncMarkerColor", &MapViewColors::inSyncMarker},
    {"NotInSyncMarkerColor", &MapViewColors::notInSyncMarker},
    {"MapLineColor", &MapViewColors::mapLine},
    {"XYAxisTextColor", &MapViewColors::xyAxisText},
    {"CompareLineColor", &MapViewColors::compareLine},
    {"PartnerLineColor", &MapViewColors::partnerLine},
};

}  // namespace

MapViewColors MapViewColors::Read(const SettingsStore& settings) {
    MapViewColors colors;
    for (const Entry& e : kEntries) {
        if (const auto value = settings.GetInt(kSection, e.name))
            colors.*e.member = static_cast<std::uint32_t>(*value) & 0x00FFFFFFu;
    }
    return colors;
}

void MapViewColors::Write(SettingsStore& settings) const {
    for (const Entry& e : kEntries) settings.SetInt(kSection, e.name, static_cast<int>(this->*e.member));
}

QColor MapViewColors::ToQColor(std::uint32_t bgr) {
    return QColor(static_cast<int>(bgr & 0xFFu), static_cast<int>((bgr >> 8) & 0xFFu),
                  static_cast<int>((bgr >> 16) & 0xFFu));
}

std::uint32_t MapViewColors::FromQColor(const QColor& color) {
    return static_cast<std::uint32_t>(color.red()) | (static_cast<std::uint32_t>(color.green()) << 8) |
           (static_cast<std::uint32_t>(color.blue()) << 16);
}

}  // namespace corvane
