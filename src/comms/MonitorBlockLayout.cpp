#include "comms/MonitorBlockLayout.h"

namespace corvane::comms {

// clang-format off
const std::array<MonitorChannel, kMonitorChannelCount> kMonitorChannels{{
    {"Battery Voltage", "Volts", 2, 0, 1023, 0, 16},
    {"Front Cyl. Spark Adv.", "deg", 1, 2, 45, 0, 45},
    {"Rear Cyl. Spark Adv.", "deg", 1, 3, 45, 0, 45},
    {"Dwell", "deg", 2, 4, 65535, 0, 335.5392},
    {"Engine Speed", "rpm", 2, 6, 1023, 0, 16368},
    {"Engine Acceleration", "rpm / s", 1, 8, 255, 0, 4080},
    {"Peak Engine Accel", "rpm / s", 1, 9, 255, 0, 4080},
    {"Peak Engine Speed", "rpm", 2, 10, 1023, 0, 16368},
    {"Vehicle Speed", "mph", 2, 12, 65535, 0, 318},
    {"Standard Air Flow", "scfm", 2, 14, 65535, 0, 65535},
    {"AFR", "", 2, 16, 65535, -12800, 12799.6},
    {"Stoich Fuel", "ms", 2, 18, 65535, 0, 335.5392},
    {"Standard Fuel", "ms", 2, 20, 65535, 0, 335.5392},
    {"Injection Comp", "ms", 1, 22, 255, 0, 5.2224},
    {"AFR Comp", "ms", 2, 23, 65535, -671, 671},
    {"Transient Fuel", "ms", 1, 25, 255, 0, 20.8896},
    {"Injector PW", "ms", 2, 26, 65535, 0, 335.5392},
    {"Injector Duty Cycle", "%", 1, 28, 255, 0, 99.6},
    {"Throttle Position", "deg", 2, 29, 1008, 0, 88.68},
    {"STD. Throttle Pos.", "deg", 2, 31, 1008, 0, 88.68},
    {"Throttle Velocity", "deg/s", 2, 33, 255, 0, 255},
    {"Engine Head Temp", "deg F", 2, 35, 1023, -40, 471.5},
    {"Air Temperature", "deg F", 2, 37, 1023, -40, 471.5},
    {"Barometric Pressure", "In Hg", 2, 39, 1023, 3.117, 35.928},
    {"Rear Trim", "%", 1, 41, 255, -50, 49.6},
    {"EOI Timing", "deg", 2, 42, 719, 0, 719},
    {"Base Ignition Timing", "deg", 1, 44, 45, 0, 45},
    {"Pump Duty Cycle", "%", 1, 45, 255, 0, 99.6},
    {"IAC Position", "", 1, 46, 255, 0, 255},
    {"Run Time", "Sec", 2, 47, 65535, 0, 21999},
    {"Front Cylinder", "AFR", 2, 49, 1023, 0, 5},
    {"Rear Cylinder", "AFR", 2, 51, 1023, 0, 5},
    {"Injector Dead Time", "ms", 2, 53, 4095, 0, 20.9664},
    {"Idle Error", "", 1, 55, 255, 0, 4080},
    {"Interp X", "", 1, 56, 255, 0, 255},
    {"Interp Y", "", 1, 57, 255, 0, 255},
    {"Peak Throttle Velocity", "", 1, 58, 255, 0, 255},
    {"Peak Transient Fuel", "", 1, 59, 255, 0, 255},
    {"Throttle Percent", "%", 2, 60, 1023, 0, 100},
    {"Throttle Percent Event", "", 1, 62, 255, 0, 100},
    {"Peak Throttle % Event", "", 1, 63, 255, 0, 100},
    {"Throttle Pos. (Raw)", "", 2, 64, 1023, 0, 1023},
    {"MAT (Raw)", "", 2, 66, 1023, 0, 1023},
    {"Head Temp (Raw)", "", 2, 68, 1023, 0, 1023},
    {"Manifold Air Pressure", "", 2, 70, 1023, 0, 100},
}};
// clang-format on

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
    const double scale = (c.displayMax - c.displayMin) / c.rawMax;
    const double d = c.displayMin + MonitorRawValue(block, channel) * scale;
    // A hair of tolerance: the full-scale raw value must give the maximum, not "above" it.
    if (d > c.displayMax + 1e-9 * (1.0 + (c.displayMax < 0 ? -c.displayMax : c.displayMax)))
        return channel == kStandardThrottleChannel ? c.displayMax : 0.0;
    return d;
}

std::string MonitorChannelHeading(int channel) {
    const MonitorChannel& c = kMonitorChannels[static_cast<std::size_t>(channel)];
    std::string heading = c.name;
    if (c.units[0] != '\0') heading += std::string(" (") + c.units + ")";
    return heading;
}

}  // namespace corvane::comms
