#pragma once

#include <cstdint>
#include <span>

#include "protocol/MonitorBlock.h"

namespace corvane::sim {

// Where the module puts each live value in its 72-byte monitor block and how a display value
// maps onto raw counts. Words go high byte first. Index = position in the PC's value catalogue.
using MonitorField = protocol::MonitorChannelSpec;

enum class Live : int {
  BatteryVoltage = 0, FrontSparkAdvance = 1, RearSparkAdvance = 2, Dwell = 3, EngineSpeed = 4,
  EngineAccel = 5, PeakAccel = 6, PeakEngineSpeed = 7, VehicleSpeed = 8, StandardAirFlow = 9,
  AirFuelRatio = 10, StoichiometricFuel = 11, StandardFuel = 12, InjectorCompensation = 13,
  AfrCompensation = 14, TransientFuel = 15, InjectorPulseWidth = 16, InjectorDutyCycle = 17,
  ThrottlePosition = 18, StandardThrottlePosition = 19, ThrottleVelocity = 20,
  HeadTemperature = 21, AirTemperature = 22, BarometricPressure = 23, RearTrim = 24,
  EoiTiming = 25, BaseIgnitionTiming = 26, PumpDutyCycle = 27, IacPosition = 28, RunTime = 29,
  FrontEgo = 30, RearEgo = 31, InjectorDeadTime = 32, IdleError = 33, InterpolationX = 34,
  InterpolationY = 35, PeakThrottleVelocity = 36, PeakTransientFuel = 37, ThrottlePercent = 38,
  ThrottlePercentEvent = 39, PeakThrottlePercentEvent = 40, RawThrottlePosition = 41,
  RawAirTemperature = 42, RawHeadTemperature = 43, ManifoldAirPressure = 44,
};

class MonitorLayout {
public:
  static constexpr int kFieldCount = 45;
  static constexpr int kBlockLength = 72;

  [[nodiscard]] static const MonitorField& Field(Live value);
  [[nodiscard]] static std::span<const MonitorField> Fields();

  // Raw counts for a display value: rounded, clamped to 0 .. raw max.
  [[nodiscard]] static int RawFor(Live value, double display);
  [[nodiscard]] static double DisplayFor(Live value, int raw);

  // Stores raw counts / a display value into a block of at least kBlockLength bytes.
  static void PutRaw(std::span<std::uint8_t> block, Live value, int raw);
  static void Put(std::span<std::uint8_t> block, Live value, double display);
  [[nodiscard]] static int GetRaw(std::span<const std::uint8_t> block, Live value);
  [[nodiscard]] static double Get(std::span<const std::uint8_t> block, Live value);
};

}  // namespace corvane::sim
