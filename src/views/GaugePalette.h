#pragma once

#include <QColor>

#include <cstdint>

namespace corvane {

// The four palette entries the gauges draw with (index: black 0, amber 32, green 128, red 205).
[[nodiscard]] inline QColor GaugeColour(std::uint8_t index) {
    switch (index) {
        case 0: return QColor(0, 0, 0);
        case 32: return QColor(255, 204, 51);
        case 128: return QColor(102, 255, 51);
        case 205: return QColor(238, 0, 0);
        default: return QColor(128, 128, 128);
    }
}

}  // namespace corvane
