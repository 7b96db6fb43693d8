#include "sim/EngineModel.h"

#include <algorithm>
#include <cmath>

#include "sim/EgoSensorCurve.h"
#include "sim/MonitorLayout.h"
#include "sim/StockTune.h"

namespace corvane::sim {

namespace {

constexpr double kRpmLagSeconds = 0.25;
constexpr double kThrottleLagSeconds = 0.05;
constexpr double kHeadWarmSeconds = 300.0;
constexpr double kHeadCoolSeconds = 900.0;
constexpr double kHotHeadF = 330.0;
constexpr double kBaroInHg = 29.92;

std::uint16_t Word(std::span<const std::uint8_t> memory, std::size_t address) {
  return static_cast<std::uint16_t>(memory[address] << 8 | memory[address + 1]);
}

// Linear interpolation along a 64-point curve at fractional point x (clamped).
template <typename PointFn>
double AlongCurve(double x, PointFn point) {
  const double clamped = std::clamp(x, 0.0, 63.0);
  const int lower = std::min(static_cast<int>(clamped), 62);
  const double frac = clamped - lower;
  return point(lower) * (1.0 - frac) + point(lower + 1) * frac;
}

double TrimPercent(double trimRaw) { return -50.0 + trimRaw * StockTune::kTrimPercentPerCount; }

}  // namespace

EngineModel::EngineModel(Family family, double targetAfr, std::uint64_t seed)
    : m_family(family), m_targetAfr(targetAfr), m_random(seed ^ 0x5EEDF00DULL) {}

void EngineModel::SetTruth(TruthFunction truth) { m_truth = std::move(truth); }
void EngineModel::SetEgoNoise(double sigmaAfr) { m_egoNoise = std::max(0.0, sigmaAfr); }
void EngineModel::SetSpeedNoise(double sigmaRpm) { m_speedNoise = std::max(0.0, sigmaRpm); }

int EngineModel::RowFor(double rpm) {
  return static_cast<int>(std::clamp(std::lround(rpm / 256.0), 0L, static_cast<long>(StockTune::kRows - 1)));
}

double EngineModel::ThrottleRaw(double throttleDeg) {
  return std::clamp(throttleDeg, 0.0, kThrottleMaxDeg) / kThrottleMaxDeg * kThrottleRawMax;
}

double EngineModel::DeliveredFuel(std::span<const std::uint8_t> memory, double rpm, double throttleDeg) {
  const std::size_t row = StockTune::kFuelAddress + 0x80u * static_cast<unsigned>(RowFor(rpm));
  return AlongCurve(ThrottleRaw(throttleDeg) / 16.0, [&](int p) { return static_cast<double>(Word(memory, row + 2u * p)); });
}

double EngineModel::RearTrimRaw(std::span<const std::uint8_t> memory, double rpm, double throttleDeg) {
  const std::size_t row = StockTune::kRearTrimAddress + 0x40u * static_cast<unsigned>(RowFor(rpm));
  return AlongCurve(ThrottleRaw(throttleDeg) / 16.0, [&](int p) { return static_cast<double>(memory[row + p]); });
}

double EngineModel::Truth(double rpm, double throttleDeg) const {
  if (!m_truth) return 1.0;
  const double factor = m_truth(rpm, throttleDeg);
  return std::isfinite(factor) && factor > 0.0 ? factor : 1.0;
}

double EngineModel::NeededFuel(double rpm, double throttleDeg) const {
  const int row = RowFor(rpm);
  const double stock = AlongCurve(ThrottleRaw(throttleDeg) / 16.0,
                                  [&](int p) { return static_cast<double>(StockTune::FuelPoint(row, p)); });
  return stock * Truth(rpm, throttleDeg);
}

double EngineModel::FrontAfr(std::span<const std::uint8_t> memory) const {
  if (m_family != Family::A) return m_targetAfr * Truth(m_rpm, m_throttleDeg);   // carburetted
  const double delivered = DeliveredFuel(memory, m_rpm, m_throttleDeg);
  if (delivered <= 0.0) return EgoSensorCurve::kMaxAfr;                          // no fuel: leanest reading
  return m_targetAfr * NeededFuel(m_rpm, m_throttleDeg) / delivered;
}

double EngineModel::RearAfr(std::span<const std::uint8_t> memory) const {
  if (m_family != Family::A) return m_targetAfr * Truth(m_rpm, m_throttleDeg);
  const int row = RowFor(m_rpm);
  const double stockTrim = AlongCurve(ThrottleRaw(m_throttleDeg) / 16.0,
                                      [&](int p) { return static_cast<double>(StockTune::RearTrimPoint(row, p)); });
  const double delivered = DeliveredFuel(memory, m_rpm, m_throttleDeg) *
                           (1.0 + TrimPercent(RearTrimRaw(memory, m_rpm, m_throttleDeg)) / 100.0);
  if (delivered <= 0.0) return EgoSensorCurve::kMaxAfr;
  const double needed = NeededFuel(m_rpm, m_throttleDeg) * (1.0 + TrimPercent(stockTrim) / 100.0);
  return m_targetAfr * needed / delivered;
}

int EngineModel::IdleRpm(std::span<const std::uint8_t> memory) {
  const int code = memory[0x0004];
  if (code < 25 || code > 96) return 950;           // unset: the factory idle
  return 400 + (code - 25) * 16;
}

int EngineModel::RevLimitRpm(std::span<const std::uint8_t> memory) {
  const int code = std::clamp<int>(memory[0x040A], 125, 250);
  return 4000 + (code - 125) * 32;
}

void EngineModel::Step(double dt, const EngineTarget& target, std::span<const std::uint8_t> memory) {
  if (dt <= 0.0) return;
  m_idleRpm = IdleRpm(memory);
  const double revLimit = RevLimitRpm(memory);
  m_idling = target.rpm <= 0.0;
  const double wanted = m_idling ? m_idleRpm : target.rpm;
  const double limited = std::min(wanted, revLimit);

  const double oldRpm = m_rpm;
  const double oldThrottle = m_throttleDeg;
  m_rpm += (limited - m_rpm) * (1.0 - std::exp(-dt / kRpmLagSeconds));
  m_throttleDeg += (std::clamp(target.throttleDeg, 0.0, kThrottleMaxDeg) - m_throttleDeg) *
                   (1.0 - std::exp(-dt / kThrottleLagSeconds));
  m_accel = (m_rpm - oldRpm) / dt;
  m_throttleVelocity = std::abs(m_throttleDeg - oldThrottle) / dt;
  m_atRevLimit = wanted >= revLimit && m_rpm >= revLimit - 50.0;

  const double headGoal = Running() ? kHotHeadF : kAmbientF;
  const double headLag = Running() ? kHeadWarmSeconds : kHeadCoolSeconds;
  m_headTempF += (headGoal - m_headTempF) * (1.0 - std::exp(-dt / headLag));
  if (Running()) m_runTime += dt;

  m_peakRpm = std::max(m_peakRpm, m_rpm);
  m_peakAccel = std::max(m_peakAccel, m_accel);
  m_peakThrottleVelocity = std::max(m_peakThrottleVelocity, m_throttleVelocity);
}

void EngineModel::Stop() {
  m_rpm = 0.0;
  m_throttleDeg = 0.0;
  m_accel = 0.0;
  m_throttleVelocity = 0.0;
  m_runTime = 0.0;
  m_atRevLimit = false;
  m_peakRpm = 0.0;
  m_peakAccel = 0.0;
  m_peakThrottleVelocity = 0.0;
  m_peakTransientRaw = 0;
  m_peakThrottlePercentRaw = 0;
}

double EngineModel::ManifoldPressurePercent() const {
  if (!Running()) return kBaroInHg / 29.92 * 100.0;
  return 25.0 + 75.0 * StockTune::LoadFraction(m_rpm, m_throttleDeg / kThrottleMaxDeg);
}

void EngineModel::FillMonitorBlock(std::span<const std::uint8_t> memory, std::span<std::uint8_t> block) {
  using L = Live;
  auto put = [&](Live v, double display) { MonitorLayout::Put(block, v, display); };
  auto putRaw = [&](Live v, int raw) { MonitorLayout::PutRaw(block, v, raw); };

  const bool running = Running();
  const double throttleRaw = ThrottleRaw(m_throttleDeg);
  const double site = throttleRaw / 16.0;
  const int row = RowFor(m_rpm);
  const double mapPercent = ManifoldPressurePercent();
  const double battery = !running ? 12.6 : (m_rpm > 1500.0 ? 14.1 : 13.6);
  const double batteryPoint = battery / 15.77 * 63.0;

  put(L::BatteryVoltage, battery);
  // Ignition rows are read against throttle, or against manifold pressure in family C.
  const double ignitionX = m_family == Family::C ? mapPercent / 100.0 * 63.0 : site;
  const std::size_t ignitionRow = StockTune::kIgnitionAddress + 0x40u * static_cast<unsigned>(row);
  const double front = AlongCurve(ignitionX, [&](int p) { return static_cast<double>(memory[ignitionRow + p]); });
  const double rearOffset = AlongCurve(m_rpm / 126.0, [&](int p) { return static_cast<double>(memory[0xA080 + p]); }) - 128.0;
  put(L::FrontSparkAdvance, running ? front : 0.0);
  put(L::RearSparkAdvance, running ? std::clamp(front + rearOffset, 0.0, 45.0) : 0.0);
  put(L::BaseIgnitionTiming, running ? front : 0.0);
  const double dwellMs = AlongCurve(batteryPoint, [&](int p) { return static_cast<double>(memory[0x9100 + p]); }) * 0.04096;
  put(L::Dwell, dwellMs);

  const double measuredRpm = running ? std::max(0.0, m_rpm + m_random.Gaussian(m_speedNoise)) : 0.0;
  put(L::EngineSpeed, measuredRpm);
  put(L::EngineAccel, std::max(0.0, m_accel));
  put(L::PeakAccel, m_peakAccel);
  put(L::PeakEngineSpeed, m_peakRpm);
  put(L::VehicleSpeed, running && !m_idling ? m_rpm * 0.012 : 0.0);
  put(L::StandardAirFlow,
      running ? 1340.0 / 16.387 * m_rpm / 2.0 / 1728.0 * StockTune::LoadFraction(m_rpm, m_throttleDeg / kThrottleMaxDeg) : 0.0);

  const bool fuelled = m_family == Family::A && running;
  const double frontAfr = FrontAfr(memory);
  const double rearAfr = RearAfr(memory);
  put(L::AirFuelRatio, running ? frontAfr : 0.0);
  const double stoichMs = fuelled ? DeliveredFuel(memory, m_rpm, m_throttleDeg) * StockTune::kFuelMsPerCount : 0.0;
  const double injectorCompMs =
      fuelled ? AlongCurve(batteryPoint, [&](int p) { return static_cast<double>(memory[0x94C0 + p]); }) * 0.02048 : 0.0;
  const double transientMs = fuelled ? std::min(20.0, m_throttleVelocity * 0.01) : 0.0;
  const double pulseMs = stoichMs + injectorCompMs + transientMs;
  put(L::StoichiometricFuel, stoichMs);
  put(L::StandardFuel, stoichMs);
  put(L::InjectorCompensation, injectorCompMs);
  put(L::AfrCompensation, 0.0);
  put(L::TransientFuel, transientMs);
  const int transientRaw = MonitorLayout::RawFor(L::TransientFuel, transientMs);
  m_peakTransientRaw = std::max(m_peakTransientRaw, transientRaw);
  put(L::InjectorPulseWidth, pulseMs);
  put(L::InjectorDutyCycle, running ? pulseMs / (120000.0 / m_rpm) * 100.0 : 0.0);
  put(L::InjectorDeadTime, fuelled ? 1.0 + (14.0 - battery) * 0.15 : 0.0);

  put(L::ThrottlePosition, m_throttleDeg);
  put(L::StandardThrottlePosition, m_throttleDeg);
  put(L::ThrottleVelocity, m_throttleVelocity);
  put(L::PeakThrottleVelocity, m_peakThrottleVelocity);
  putRaw(L::PeakTransientFuel, m_peakTransientRaw);

  // Temperatures go through the calibration curves in memory, as the module does it.
  const int headAdc = StockTune::HeadTempAdc(m_headTempF);
  const int airAdc = StockTune::AirTempAdc(kAmbientF);
  putRaw(L::HeadTemperature, Word(memory, StockTune::kHeadTempCurve + 2u * headAdc));
  putRaw(L::AirTemperature, Word(memory, StockTune::kAirTempCurve + 2u * airAdc));
  putRaw(L::RawHeadTemperature, headAdc);
  putRaw(L::RawAirTemperature, airAdc);
  put(L::BarometricPressure, kBaroInHg);

  const int tpsAdc = StockTune::ThrottleAdc(m_throttleDeg, memory[0x0410]);
  putRaw(L::RawThrottlePosition, tpsAdc);
  const int percentRaw = Word(memory, StockTune::kTpsPercentCurve + 2u * tpsAdc);
  putRaw(L::ThrottlePercent, percentRaw);
  const double percent = MonitorLayout::DisplayFor(L::ThrottlePercent, percentRaw);
  put(L::ThrottlePercentEvent, percent);
  const int eventRaw = MonitorLayout::RawFor(L::ThrottlePercentEvent, percent);
  m_peakThrottlePercentRaw = std::max(m_peakThrottlePercentRaw, eventRaw);
  putRaw(L::PeakThrottlePercentEvent, m_peakThrottlePercentRaw);
  put(L::ManifoldAirPressure, mapPercent);

  putRaw(L::RearTrim, m_family == Family::A
                          ? static_cast<int>(std::lround(RearTrimRaw(memory, m_rpm, m_throttleDeg)))
                          : StockTune::kRearTrimZero);
  put(L::EoiTiming, fuelled ? AlongCurve(site, [&](int p) { return static_cast<double>(memory[0x9740 + p]); }) * 4.0 : 0.0);
  putRaw(L::PumpDutyCycle, running && m_family == Family::A
                               ? static_cast<int>(std::lround(AlongCurve(site, [&](int p) { return static_cast<double>(memory[0xA140 + p]); })))
                               : 0);
  putRaw(L::IacPosition, running && m_idling ? 60 : 0);
  put(L::RunTime, m_runTime);
  put(L::IdleError, running && m_idling ? std::abs(m_rpm - m_idleRpm) : 0.0);
  putRaw(L::InterpolationX, static_cast<int>(std::lround((site - std::floor(site)) * 255.0)));
  const double rowPosition = m_rpm / 256.0;
  putRaw(L::InterpolationY, static_cast<int>(std::lround((rowPosition - std::floor(rowPosition)) * 255.0)));

  // Exhaust-oxygen sensors: the AFR each cylinder runs, seen through the sensor curve.
  const double frontSeen = running ? frontAfr + m_random.Gaussian(m_egoNoise) : EgoSensorCurve::kMaxAfr;
  const double rearSeen = running ? rearAfr + m_random.Gaussian(m_egoNoise) : EgoSensorCurve::kMaxAfr;
  putRaw(L::FrontEgo, EgoSensorCurve::RawForAfr(frontSeen));
  putRaw(L::RearEgo, EgoSensorCurve::RawForAfr(rearSeen));
}

}  // namespace corvane::sim
