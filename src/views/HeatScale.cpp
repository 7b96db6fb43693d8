#include "views/HeatScale.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace corvane {

namespace {

// Nine evenly spaced stops of the scale; colours between them are blended linearly.
constexpr std::array<std::array<int, 3>, 9> kStops = {{
    {0x44, 0x01, 0x54},
    {0x48, 0x28, 0x78},
    {0x3E, 0x49, 0x89},
    {0x31, 0x68, 0x8E},
    {0x26, 0x82, 0x8E},
    {0x1F, 0x9E, 0x89},
    {0x35, 0xB7, 0x79},
    {0x6E, 0xCE, 0x58},
    {0xFD, 0xE7, 0x25},
}};

}  // namespace

QColor HeatScale::At(double t) {
    if (!std::isfinite(t)) t = 0.0;
    t = std::clamp(t, 0.0, 1.0) * (kStops.size() - 1);
    const auto i = std::min(static_cast<std::size_t>(t), kStops.size() - 2);
    const double f = t - static_cast<double>(i);
    auto mix = [&](int k) { return static_cast<int>(std::lround(kStops[i][k] + f * (kStops[i + 1][k] - kStops[i][k]))); };
    return QColor(mix(0), mix(1), mix(2));
}

const HeatScale::Swatch& HeatScale::SwatchAt(double t) {
    static const std::array<Swatch, kSteps> swatches = [] {
        std::array<Swatch, kSteps> all{};
        for (int i = 0; i < kSteps; ++i) {
            all[static_cast<std::size_t>(i)].fill = At(static_cast<double>(i) / (kSteps - 1));
            all[static_cast<std::size_t>(i)].text = TextOn(all[static_cast<std::size_t>(i)].fill);
        }
        return all;
    }();
    if (!std::isfinite(t)) t = 0.0;
    const auto i = static_cast<std::size_t>(std::lround(std::clamp(t, 0.0, 1.0) * (kSteps - 1)));
    return swatches[i];
}

double HeatScale::Fraction(double value, double low, double high) {
    if (!(high > low)) return 0.5;
    return std::clamp((value - low) / (high - low), 0.0, 1.0);
}

QColor HeatScale::TextOn(const QColor& background) {
    // Relative luminance of the sRGB colour, against the middle grey's.
    auto lin = [](int c) {
        const double s = c / 255.0;
        return s <= 0.04045 ? s / 12.92 : std::pow((s + 0.055) / 1.055, 2.4);
    };
    const double l = 0.2126 * lin(background.red()) + 0.7152 * lin(background.green()) + 0.0722 * lin(background.blue());
    return l > 0.18 ? QColor(Qt::black) : QColor(Qt::white);
}

}  // namespace corvane
