#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "sim/ModuleEmulator.h"

namespace corvane::sim {

// The factory tune of each product family, generated from smooth formulas so that a READ
// shows believable curves. Every value lies inside the module range of its map.
class StockTune {
public:
  static constexpr int kRows = 32;                 // one row per 256 rpm, row key 256 k
  static constexpr int kRowPoints = 64;            // throttle sites, 16 raw counts apart
  static constexpr std::uint16_t kFuelAddress = 0x8000;       // word rows, 0x80 apart
  static constexpr std::uint16_t kIgnitionAddress = 0x9800;   // byte rows, 0x40 apart
  static constexpr std::uint16_t kRearTrimAddress = 0xA200;   // byte rows, 0x40 apart
  static constexpr std::uint16_t kHeadTempCurve = 0xC000;     // 1024 word points each
  static constexpr std::uint16_t kAirTempCurve = 0xC800;
  static constexpr std::uint16_t kAdjTpsCurve = 0xD000;
  static constexpr std::uint16_t kTpsPercentCurve = 0xD800;
  static constexpr int kCurvePoints = 1024;
  static constexpr std::uint8_t kRearTrimZero = 128;          // 0 % in trim module units
  static constexpr double kFuelMsPerCount = 20.95104 / 1023.0;
  static constexpr double kTrimPercentPerCount = 99.6 / 255.0;
  static constexpr double kTpsCountsPerDeg = 10.0;            // throttle sensor ADC slope

  // Fills the module memory (0x0000 .. 0xDFFF) with the family's tune, settings and identity.
  static void Write(Family family, const EmulatorOptions& options, std::span<std::uint8_t> memory);

  [[nodiscard]] static std::uint16_t FuelPoint(int row, int point);      // 0 .. 1023
  [[nodiscard]] static std::uint8_t RearTrimPoint(int row, int point);   // 0 .. 255
  [[nodiscard]] static std::uint8_t IgnitionPoint(int row, int point);   // 0 .. 45 deg
  [[nodiscard]] static int DefaultModuleId(Family family);
  [[nodiscard]] static std::string BaseMapName(Family family);           // 16 characters
  [[nodiscard]] static std::string Vin(Family family);

  // Sensor physics shared by the calibration curves and the engine model, so that the curve
  // in memory turns the simulated sensor's ADC counts back into the simulated temperature.
  [[nodiscard]] static int HeadTempAdc(double tempF);
  [[nodiscard]] static int AirTempAdc(double tempF);
  [[nodiscard]] static int ThrottleAdc(double throttleDeg, int tpsOffset);
  // Load fraction 0 .. 1 of the engine at (rpm, throttle 0 .. 1): how full the cylinders fill.
  [[nodiscard]] static double LoadFraction(double rpm, double throttle);
};

}  // namespace corvane::sim
