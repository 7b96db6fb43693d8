#pragma once

#include <QColor>

#include <cstdint>

namespace corvane {

class SettingsStore;

// The colours of the maps views as the settings section "Colors" keeps them: 0x00BBGGRR
// values (red in the lowest byte), each with its default when the entry is missing.
struct MapViewColors {
    static constexpr const char* kSection = "Colors";

    std::uint32_t graphBackground = 0x000000;  // "GraphBackgroundColor": black
    std::uint32_t gridLine = 0x00FF00;         // "GridLineColor": green
    std::uint32_t inSyncMarker = 0x0000FF;     // "InSyncMarkerColor": red
    std::uint32_t notInSyncMarker = 0xD2D2D2;  // "NotInSyncMarkerColor": light grey
    std::uint32_t mapLine = 0xFF0000;          // "MapLineColor": blue
    std::uint32_t xyAxisText = 0x00FF00;       // "XYAxisTextColor": green (advanced user maps view)
    std::uint32_t compareLine = 0x00A5FF;      // "CompareLineColor": orange, the compared tune's curve
    std::uint32_t partnerLine = 0xFFA080;      // "PartnerLineColor": light blue, the front/rear partner

    // The stored colours, defaults for the entries that are missing.
    [[nodiscard]] static MapViewColors Read(const SettingsStore& settings);
    // Stores every colour (for a colour editor and for tests).
    void Write(SettingsStore& settings) const;

    // 0x00BBGGRR as a Qt colour; the top byte is ignored.
    [[nodiscard]] static QColor ToQColor(std::uint32_t bgr);
    // A Qt colour as 0x00BBGGRR.
    [[nodiscard]] static std::uint32_t FromQColor(const QColor& color);

    bool operator==(const MapViewColors&) const = default;
};

}  // namespace corvane
