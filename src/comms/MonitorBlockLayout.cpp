#include "comms/MonitorBlockLayout.h"

namespace corvane::comms {

namespace {
constexpr int kStandardThrottleChannel = 19;
}

int MonitorRawValue(std::span<const std::uint8_t> block, int channel) {
    const MonitorChannel& c = kMonitorChannels[static_cast<std::size_t>(channel)];
    const auto at = static_cast<std::size_t>(c.offset);
    if (at + static_cast<std::size_t>(c.width) > block.size()) return 0;
    return c.width == 2 ? (block[at] << 8) | block[at + 1] : block[at];
}

double MonitorDisplayValue(std::span<const std::uint8_t> block, int channel) {
    const MonitorChannel& c = kMonitorChannels[static_cast<std::size_t>(channel)];
    const double scale = (c.displayMaximum - c.displayMinimum) / c.rawMaximum;
    const double d = c.displayMinimum + MonitorRawValue(block, channel) * scale;
    // A hair of tolerance: the full-scale raw value must give the maximum, not "above" it.
    if (d > c.displayMaximum + 1e-9 * (1.0 + (c.displayMaximum < 0 ? -c.displayMaximum : c.displayMaximum)))
        return channel == kStandardThrottleChannel ? c.displayMaximum : 0.0;
    return d;
}

}  // namespace corvane::comms
