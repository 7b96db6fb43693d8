#include "sim/StockTune.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace corvane::sim {

namespace {

// ---- the single maps ----------------------------------------------------------------------
enum class Shape { Linear, Decay };
enum FamilyMask : unsigned { kA = 1, kB = 2, kC = 4, kAll = 7 };

// One curve of 64 points from `from` to `to` (module units). Decay falls off like a warm-up
// or compensation curve: most of the change in the first third.
struct SingleMap {
  std::uint16_t address;
  int bytes;
  Shape shape;
  int from;
  int to;
  unsigned families;
};

constexpr std::array<SingleMap, 33> kSingleMaps{{
    {0x9000, 2, Shape::Linear, 600, 150, kA},   // cranking fuel vs throttle
    {0x9080, 1, Shape::Linear, 150, 100, kA},   // airflow correction vs air temperature
    {0x90C0, 1, Shape::Linear, 20, 140, kA},    // airflow correction vs barometer
    {0x9100, 1, Shape::Decay, 255, 70, kAll},   // dwell vs battery
    {0x9140, 1, Shape::Linear, 80, 10, kA},     // transient fuel vs throttle position
    {0x9180, 1, Shape::Linear, 0, 150, kA},     // transient fuel vs throttle velocity
    {0x91C0, 1, Shape::Decay, 255, 0, kA},      // transient fuel vs duration
    {0x9200, 1, Shape::Linear, 20, 80, kA},     // velocity threshold vs throttle
    {0x9240, 1, Shape::Linear, 120, 30, kA},    // transient fuel vs engine speed
    {0x9280, 1, Shape::Decay, 200, 128, kA},    // fuel correction vs engine temperature
    {0x92C0, 1, Shape::Linear, 104, 94, kA},    // lambda vs throttle
    {0x9300, 1, Shape::Decay, 120, 0, kA},      // AFR correction vs engine temperature
    {0x9340, 1, Shape::Linear, 200, 60, kA},    // temperature correction vs throttle
    {0x9380, 1, Shape::Linear, 200, 60, kA},    // temperature correction vs engine speed
    {0x93C0, 1, Shape::Decay, 180, 0, kA},      // post-start correction vs time
    {0x9400, 1, Shape::Decay, 200, 128, kA},    // post-start correction vs temperature
    {0x9440, 1, Shape::Decay, 255, 40, kA},     // cranking AFR correction vs temperature
    {0x9480, 1, Shape::Decay, 200, 0, kA},      // cranking AFR correction vs time
    {0x94C0, 1, Shape::Decay, 255, 30, kA},     // injector compensation vs voltage
    {0x9540, 1, Shape::Linear, 180, 100, kA},   // compensation vs pulse width
    {0x95C0, 1, Shape::Linear, 100, 180, kA},   // compensation vs dead time
    {0x9640, 1, Shape::Decay, 81, 59, kA},      // idle speed vs temperature (1300 -> 950 rpm)
    {0x9680, 1, Shape::Decay, 180, 60, kA},     // IAC stop vs temperature
    {0x96C0, 1, Shape::Linear, 0, 120, kA},     // IAC steps vs idle error
    {0x9700, 1, Shape::Linear, 0, 100, kA},     // TPS correction vs IAC position
    {0x9740, 1, Shape::Linear, 90, 110, kA},    // end of injection vs throttle
    {0x9780, 1, Shape::Linear, 128, 150, kA},   // EOI correction vs engine speed
    {0x97C0, 1, Shape::Linear, 140, 128, kA},   // EOI correction vs temperature
    {0xA000, 1, Shape::Linear, 126, 130, kA},   // timing vs engine temperature
    {0xA040, 1, Shape::Linear, 128, 126, kA},   // rear timing vs throttle
    {0xA080, 1, Shape::Linear, 128, 125, kAll}, // rear timing vs engine speed
    {0xA0C0, 1, Shape::Linear, 131, 124, kA},   // timing vs air temperature
    {0xA100, 1, Shape::Linear, 124, 130, kA},   // timing vs barometer
}};

constexpr SingleMap kFuelPump{0xA140, 1, Shape::Linear, 100, 255, kA};

unsigned MaskOf(Family family) {
  switch (family) {
    case Family::A: return kA;
    case Family::B: return kB;
    case Family::C: return kC;
  }
  return kA;
}

int ShapeValue(const SingleMap& map, int point) {
  const double t = point / 63.0;
  const double s = map.shape == Shape::Linear ? t : (1.0 - std::exp(-4.0 * t)) / (1.0 - std::exp(-4.0));
  return static_cast<int>(std::lround(map.from + (map.to - map.from) * s));
}

void PutWord(std::span<std::uint8_t> memory, std::size_t address, int value) {
  memory[address] = static_cast<std::uint8_t>((value >> 8) & 0xFF);
  memory[address + 1] = static_cast<std::uint8_t>(value & 0xFF);
}

void PutText(std::span<std::uint8_t> memory, std::size_t address, const std::string& text, std::size_t length) {
  for (std::size_t i = 0; i < length; ++i)
    memory[address + i] = i < text.size() ? static_cast<std::uint8_t>(text[i]) : 0;
}

// Display value to module units by the linear conversion of the settings catalogue.
int ToModule(double display, double displayMin, double displayMax, int moduleMin, int moduleMax) {
  const double m = moduleMin + (display - displayMin) * (moduleMax - moduleMin) / (displayMax - displayMin);
  return std::clamp(static_cast<int>(std::lround(m)), moduleMin, moduleMax);
}

double Smoothstep(double x) {
  const double t = std::clamp(x, 0.0, 1.0);
  return t * t * (3.0 - 2.0 * t);
}

// Thermistor on a pull-up: ADC counts for a temperature (deg F) and back.
constexpr double kBeta = 3950.0;
constexpr double kR25 = 10000.0;
constexpr double kT25 = 298.15;
constexpr double kHeadPullUp = 1000.0;
constexpr double kAirPullUp = 10000.0;

double KelvinOf(double tempF) { return (tempF - 32.0) * 5.0 / 9.0 + 273.15; }
double FahrenheitOf(double kelvin) { return (kelvin - 273.15) * 9.0 / 5.0 + 32.0; }

int ThermistorAdc(double tempF, double pullUp) {
  const double r = kR25 * std::exp(kBeta * (1.0 / KelvinOf(tempF) - 1.0 / kT25));
  return std::clamp(static_cast<int>(std::lround(1023.0 * r / (r + pullUp))), 0, 1023);
}

// Calibration value (temperature module units: 0.5 deg F per count from -40) for ADC counts.
int ThermistorCurvePoint(int adc, double pullUp) {
  if (adc <= 0) return 1023;
  if (adc >= 1023) return 0;
  const double r = pullUp * adc / (1023.0 - adc);
  const double kelvin = 1.0 / (1.0 / kT25 + std::log(r / kR25) / kBeta);
  return ToModule(FahrenheitOf(kelvin), -40.0, 471.5, 0, 1023);
}

}  // namespace

double StockTune::LoadFraction(double rpm, double throttle) {
  // The higher the speed, the more throttle it takes to fill the cylinders.
  const double t = std::clamp(throttle, 0.0, 1.0);
  const double a = 14.0 * 1500.0 / (std::max(rpm, 0.0) + 1000.0) + 1.5;
  return 0.85 * (1.0 - std::exp(-a * t)) / (1.0 - std::exp(-a)) + 0.15 * t;
}

std::uint16_t StockTune::FuelPoint(int row, int point) {
  const double rpm = 256.0 * row;
  const double ve = 0.78 + 0.22 * std::exp(-std::pow((rpm - 4200.0) / 2600.0, 2.0));
  const double minMs = 1.6;
  const double maxMs = 12.0 * ve;
  const double ms = minMs + (maxMs - minMs) * LoadFraction(rpm, point / 63.0);
  return static_cast<std::uint16_t>(std::clamp(std::lround(ms / kFuelMsPerCount), 0L, 1023L));
}

std::uint8_t StockTune::RearTrimPoint(int row, int point) {
  // The rear cylinder runs a little hotter: a touch more fuel at high load and speed.
  const double extraPercent = 2.0 * (point / 63.0) * Smoothstep(row / 31.0);
  return static_cast<std::uint8_t>(kRearTrimZero + std::lround(extraPercent / kTrimPercentPerCount));
}

std::uint8_t StockTune::IgnitionPoint(int row, int point) {
  const double rpm = 256.0 * row;
  const double base = 10.0 + 26.0 * Smoothstep((rpm - 800.0) / 4200.0);
  const double retard = 12.0 * (point / 63.0) * Smoothstep((rpm - 1000.0) / 2000.0);
  return static_cast<std::uint8_t>(std::clamp(std::lround(base - retard), 0L, 45L));
}

int StockTune::DefaultModuleId(Family family) {
  switch (family) {
    case Family::A: return 12;
    case Family::B: return 22;
    case Family::C: return 32;
  }
  return 12;
}

std::string StockTune::BaseMapName(Family family) {
  switch (family) {
    case Family::A: return "CVA-STOCK-000001";
    case Family::B: return "CVB-STOCK-000001";
    case Family::C: return "CVC-STOCK-000001";
  }
  return "CVA-STOCK-000001";
}

std::string StockTune::Vin(Family family) {
  switch (family) {
    case Family::A: return "1CV2TWA15R0000001";
    case Family::B: return "1CV2TWB15R0000001";
    case Family::C: return "1CV2TWC15R0000001";
  }
  return "1CV2TWA15R0000001";
}

int StockTune::HeadTempAdc(double tempF) { return ThermistorAdc(tempF, kHeadPullUp); }
int StockTune::AirTempAdc(double tempF) { return ThermistorAdc(tempF, kAirPullUp); }

int StockTune::ThrottleAdc(double throttleDeg, int tpsOffset) {
  return std::clamp(static_cast<int>(std::lround(tpsOffset + throttleDeg * kTpsCountsPerDeg)), 0, 1023);
}

void StockTune::Write(Family family, const EmulatorOptions& options, std::span<std::uint8_t> memory) {
  std::fill(memory.begin(), memory.end(), std::uint8_t{0});
  // Map memory the family does not use stays erased, as flash comes from the factory.
  std::fill(memory.begin() + 0x8000, memory.begin() + 0xC000, std::uint8_t{0xFF});
  const unsigned mask = MaskOf(family);

  for (int row = 0; row < kRows; ++row) {
    for (int point = 0; point < kRowPoints; ++point) {
      memory[kIgnitionAddress + 0x40 * row + point] = IgnitionPoint(row, point);
      if (family == Family::A) {
        PutWord(memory, kFuelAddress + 0x80 * row + 2 * point, FuelPoint(row, point));
        memory[kRearTrimAddress + 0x40 * row + point] = RearTrimPoint(row, point);
      }
    }
  }
  auto writeSingle = [&](const SingleMap& map) {
    if ((map.families & mask) == 0) return;
    for (int point = 0; point < kRowPoints; ++point) {
      const int value = ShapeValue(map, point);
      if (map.bytes == 2) PutWord(memory, map.address + 2 * point, value);
      else memory[map.address + point] = static_cast<std::uint8_t>(value);
    }
  };
  for (const SingleMap& map : kSingleMaps) writeSingle(map);
  writeSingle(kFuelPump);

  // Sensor calibration: ADC counts (the point number) to engineering units.
  constexpr int kTpsOffset = 70;
  for (int adc = 0; adc < kCurvePoints; ++adc) {
    PutWord(memory, kHeadTempCurve + 2 * adc, ThermistorCurvePoint(adc, kHeadPullUp));
    PutWord(memory, kAirTempCurve + 2 * adc, ThermistorCurvePoint(adc, kAirPullUp));
    const double degrees = std::clamp((adc - kTpsOffset) / kTpsCountsPerDeg, 0.0, 89.9);
    PutWord(memory, kAdjTpsCurve + 2 * adc, ToModule(degrees, 0.0, 89.9, 0, 1023));
    PutWord(memory, kTpsPercentCurve + 2 * adc, ToModule(degrees / 88.68 * 100.0, 0.0, 100.0, 0, 1023));
  }

  // Basic settings, module units, words high byte first.
  PutWord(memory, 0x0400, 1340);                                        // engine size
  memory[0x0402] = 2;                                                   // cylinders
  PutWord(memory, 0x0403, ToModule(585.0, 0.0, 2048.0, 1, 65535));      // injector size
  memory[0x0405] = 2;                                                   // injectors
  PutWord(memory, 0x0406, ToModule(14.7, 0.0, 32.0, 0, 65535));         // stoich AFR
  PutWord(memory, 0x0408, ToModule(737.0, 0.0, 1536.0, 0, 65535));      // fuel density
  memory[0x040A] = static_cast<std::uint8_t>(ToModule(6144.0, 4000.0, 8000.0, 125, 250));  // rev limit
  memory[0x040B] = static_cast<std::uint8_t>(ToModule(8.0, 0.0, 120.0, 0, 15));    // crank delay
  memory[0x040C] = 0;                                                   // crank sync (signed)
  memory[0x040D] = 12;                                                  // IAC home
  PutWord(memory, 0x040E, ToModule(10.0, 0.0, 20.95, 0, 1023));         // accel fuel
  memory[0x0410] = kTpsOffset;                                          // TPS offset
  PutWord(memory, 0x0414, 80);                                          // speedo cal
  memory[0x0416] = memory[0x040A];                                      // rev limit 2
  memory[0x0417] = memory[0x040A];                                      // shift rpm
  memory[0x0418] = 2;                                                   // ignition delay revs
  memory[0x041A] = 0;                                                   // map select lock
  memory[0x0004] = static_cast<std::uint8_t>(ToModule(950.0, 400.0, 1536.0, 25, 96));  // idle rpm
  memory[kAuthorizationAddress] = 0;

  PutText(memory, kVinAddress, Vin(family), kVinLength);
  PutText(memory, kBaseMapNameAddress, BaseMapName(family), kBaseMapNameLength);
  const int moduleId = options.moduleId >= 0 ? options.moduleId : DefaultModuleId(family);
  memory[kModuleIdAddress] = static_cast<std::uint8_t>(moduleId);
  memory[kFirmwareVersionAddress] = static_cast<std::uint8_t>(options.firmwareVersion);
}

}  // namespace corvane::sim
