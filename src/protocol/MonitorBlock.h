#pragma once

#include <array>

namespace corvane::protocol {

// The live values of the monitor block as the module streams them: position, width and the
// linear conversion display = minimum + raw × (maximum − minimum) ÷ raw maximum. Words are
// high byte first. Part of the wire protocol: one table for the emulator that fills the block,
// the comms library that logs it, and the monitor that shows it.
struct MonitorChannelSpec {
    int index;
    const char* className;
    const char* name;
    const char* units;  // "" when the value has none
    int width;          // 1 or 2 bytes, words high byte first
    int offset;         // position in the monitor block
    int rawMaximum;     // raw minimum is always 0
    double displayMinimum;
    double displayMaximum;
};

inline constexpr int kMonitorChannelCount = 45;
inline constexpr int kMonitorBlockBytes = 72;
// The exhaust-oxygen sensors: their raw counts are sensor volts (0 ... 5 V), which only the
// EGO sensor table turns into the air/fuel ratio their catalogue units promise.
inline constexpr int kFrontEgoChannel = 30;
inline constexpr int kRearEgoChannel = 31;

// clang-format off
inline constexpr std::array<MonitorChannelSpec, kMonitorChannelCount> kMonitorChannels{{
    {0,  "BatteryVoltageMonitor",            "Battery Voltage",        "Volts",   2, 0,  1023,  0.0,     16.0},
    {1,  "FrontCylinderSparkAdvanceMonitor", "Front Cyl. Spark Adv.",  "deg",     1, 2,  45,    0.0,     45.0},
    {2,  "RearCylinderSparkAdvanceMonitor",  "Rear Cyl. Spark Adv.",   "deg",     1, 3,  45,    0.0,     45.0},
    {3,  "DwellMonitor",                     "Dwell",                  "deg",     2, 4,  65535, 0.0,     335.5392},
    {4,  "EngineSpeedMonitor",               "Engine Speed",           "rpm",     2, 6,  1023,  0.0,     16368.0},
    {5,  "EngineAccelMonitor",               "Engine Acceleration",    "rpm / s", 1, 8,  255,   0.0,     4080.0},
    {6,  "PeakAccelMonitor",                 "Peak Engine Accel",      "rpm / s", 1, 9,  255,   0.0,     4080.0},
    {7,  "PeakEngineSpeedMonitor",           "Peak Engine Speed",      "rpm",     2, 10, 1023,  0.0,     16368.0},
    {8,  "VehicleSpeedMonitor",              "Vehicle Speed",          "mph",     2, 12, 65535, 0.0,     318.0},
    {9,  "StandardAirFlowMonitor",           "Standard Air Flow",      "scfm",    2, 14, 65535, 0.0,     65535.0},
    {10, "AirFuelRatioMonitor",              "AFR",                    "",        2, 16, 65535, -12800.0, 12799.6},
    {11, "StoichiometricFuelMonitor",        "Stoich Fuel",            "ms",      2, 18, 65535, 0.0,     335.5392},
    {12, "StandardFuelMonitor",              "Standard Fuel",          "ms",      2, 20, 65535, 0.0,     335.5392},
    {13, "InjectorCompensationMonitor",      "Injection Comp",         "ms",      1, 22, 255,   0.0,     5.2224},
    {14, "AFRCompensationMonitor",           "AFR Comp",               "ms",      2, 23, 65535, -671.0,  671.0},
    {15, "TransientFuelMonitor",             "Transient Fuel",         "ms",      1, 25, 255,   0.0,     20.8896},
    {16, "InjectorPulseWidthMonitor",        "Injector PW",            "ms",      2, 26, 65535, 0.0,     335.5392},
    {17, "InjectorDutyCycleMonitor",         "Injector Duty Cycle",    "%",       1, 28, 255,   0.0,     99.6},
    {18, "ThrottlePositionMonitor",          "Throttle Position",      "deg",     2, 29, 1008,  0.0,     88.68},
    {19, "StandardThrottlePositionMonitor",  "STD. Throttle Pos.",     "deg",     2, 31, 1008,  0.0,     88.68},
    {20, "ThrottleVelocityMonitor",          "Throttle Velocity",      "deg/s",   2, 33, 255,   0.0,     255.0},
    {21, "EngineHeadTemperatureMonitor",     "Engine Head Temp",       "deg F",   2, 35, 1023,  -40.0,   471.5},
    {22, "AirTemperatureMonitor",            "Air Temperature",        "deg F",   2, 37, 1023,  -40.0,   471.5},
    {23, "BarometricPressureMonitor",        "Barometric Pressure",    "In Hg",   2, 39, 1023,  3.117,   35.928},
    {24, "RearTrimMonitor",                  "Rear Trim",              "%",       1, 41, 255,   -50.0,   49.6},
    {25, "EOITimingMonitor",                 "EOI Timing",             "deg",     2, 42, 719,   0.0,     719.0},
    {26, "BaseIgnitionTimingMonitor",        "Base Ignition Timing",   "deg",     1, 44, 45,    0.0,     45.0},
    {27, "PumpDutyCycleMonitor",             "Pump Duty Cycle",        "%",       1, 45, 255,   0.0,     99.6},
    {28, "IACPositionMonitor",               "IAC Position",           "",        1, 46, 255,   0.0,     255.0},
    {29, "RunTimeMonitor",                   "Run Time",               "Sec",     2, 47, 65535, 0.0,     21999.0},
    {30, "EGOMonitor",                       "Front Cylinder",         "AFR",     2, 49, 1023,  0.0,     5.0},
    {31, "KnockMonitor",                     "Rear Cylinder",          "AFR",     2, 51, 1023,  0.0,     5.0},
    {32, "InjectorDeadTimeMonitor",          "Injector Dead Time",     "ms",      2, 53, 4095,  0.0,     20.9664},
    {33, "IdleErrorMonitor",                 "Idle Error",             "",        1, 55, 255,   0.0,     4080.0},
    {34, "InterpolationXMonitor",            "Interp X",               "",        1, 56, 255,   0.0,     255.0},
    {35, "InterpolationYMonitor",            "Interp Y",               "",        1, 57, 255,   0.0,     255.0},
    {36, "PeakThrottleVelocityMonitor",      "Peak Throttle Velocity", "",        1, 58, 255,   0.0,     255.0},
    {37, "PeakTransientFuelMonitor",         "Peak Transient Fuel",    "",        1, 59, 255,   0.0,     255.0},
    {38, "ThrottlePercentMonitor",           "Throttle Percent",       "%",       2, 60, 1023,  0.0,     100.0},
    {39, "ThrottlePercentEventMonitor",      "Throttle Percent Event", "",        1, 62, 255,   0.0,     100.0},
    {40, "PeakThrottlePercentEventMonitor",  "Peak Throttle % Event",  "",        1, 63, 255,   0.0,     100.0},
    {41, "RawThrottlePositionMonitor",       "Throttle Pos. (Raw)",    "",        2, 64, 1023,  0.0,     1023.0},
    {42, "RawMATAirTemperatureMonitor",      "MAT (Raw)",              "",        2, 66, 1023,  0.0,     1023.0},
    {43, "RawHeadTemperatureMonitor",        "Head Temp (Raw)",        "",        2, 68, 1023,  0.0,     1023.0},
    {44, "ManifoldAirPressureMonitor",       "Manifold Air Pressure",  "",        2, 70, 1023,  0.0,     100.0},
}};
// clang-format on

namespace detail {
constexpr bool MonitorOffsetsAreRunningSums() {
    int offset = 0;
    for (const auto& spec : kMonitorChannels) {
        if (spec.offset != offset) return false;
        offset += spec.width;
    }
    return offset == kMonitorBlockBytes;
}
}  // namespace detail
static_assert(detail::MonitorOffsetsAreRunningSums(),
              "monitor block offsets must be the running sum of the widths");

}  // namespace corvane::protocol
