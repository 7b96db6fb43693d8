#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>

namespace corvane::comms {

// Where each of the 45 live values sits in the monitor block and how its raw value converts to
// display units: display = minimum + raw * (maximum - minimum) / raw maximum. Words are high
// byte first. Used to write monitor logs a spreadsheet can read.
struct MonitorChannel {
    const char* name;
    const char* units;  // "" when the value has none
    int width;          // 1 or 2 bytes
    int offset;         // in the block
    int rawMax;
    double displayMin;
    double displayMax;
};

inline constexpr int kMonitorChannelCount = 45;
extern const std::array<MonitorChannel, kMonitorChannelCount> kMonitorChannels;

// Raw value of channel i in `block` (0 when the block is too short).
[[nodiscard]] int MonitorRawValue(std::span<const std::uint8_t> block, int channel);
// Display value as the gauges show it: a value above its display maximum shows 0, except the
// standard throttle position, which is held at its maximum.
[[nodiscard]] double MonitorDisplayValue(std::span<const std::uint8_t> block, int channel);
// "Name (units)", or "Name" when the value has no units.
[[nodiscard]] std::string MonitorChannelHeading(int channel);

}  // namespace corvane::comms
