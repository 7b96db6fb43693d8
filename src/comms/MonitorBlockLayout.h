#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>

#include "protocol/MonitorBlock.h"

namespace corvane::comms {

// The live values of the monitor block (the one table shared with the emulator and the
// monitor), as the log writer and replay use them.
using MonitorChannel = protocol::MonitorChannelSpec;
using protocol::kMonitorChannelCount;
using protocol::kMonitorChannels;

// Raw value of channel i in `block` (0 when the block is too short).
[[nodiscard]] int MonitorRawValue(std::span<const std::uint8_t> block, int channel);
// Display value as the gauges show it: a value above its display maximum shows 0, except the
// standard throttle position, which is held at its maximum.
[[nodiscard]] double MonitorDisplayValue(std::span<const std::uint8_t> block, int channel);

}  // namespace corvane::comms
