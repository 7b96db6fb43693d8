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
constexpr double kHeadWarmSecondsRiding = 150.0;   // a realistic engine warms faster on the road
constexpr double kHeadCoolSeconds = 900.0;
constexpr double kHotHeadF = 330.0;
constexpr double kBaroInHg = 29.92;
constexpr double kStartHeadF = 160.0;              // the ideal engine starts half warm
constexpr std::uint16_t kFuelTempMap = 0x9280;     // % vs engine temperature, 7 deg F a point

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

// Linear interpolation between the two 256-rpm rows around `rpm` (clamped to the table), as
// the realistic engine's module blends its rows; otherwise the nearest row alone, as the ideal
// engine of the dyno tests has always read it.
template <typename RowFn>
double AcrossRows(double rpm, bool blend, RowFn row) {
  if (!blend) return row(EngineModel::RowFor(rpm));
  const double position = std::clamp(rpm / 256.0, 0.0, static_cast<double>(StockTune::kRows - 1));
  const int lower = std::min(static_cast<int>(position), StockTune::kRows - 2);
  const double frac = position - lower;
  if (frac <= 0.0) return row(lower);
  return row(lower) * (1.0 - frac) + row(lower + 1) * frac;
}

double TrimPercent(double trimRaw) { return -50.0 + trimRaw * StockTune::kTrimPercentPerCount; }

double StockTrimPercent(double rpm, double throttleDeg, bool blend) {
  const double site = EngineModel::ThrottleRaw(throttleDeg) / 16.0;
  return TrimPercent(AcrossRows(rpm, blend, [&](int row) {
    return AlongCurve(site, [&](int p) { return static_cast<double>(StockTune::RearTrimPoint(row, p)); });
  }));
}

}  // namespace

EngineModel::EngineModel(Family family, double targetAfr, std::uint64_t seed, const EngineRealism& realism)
    : m_family(family),
      m_targetAfr(targetAfr),
      m_realism(realism),
      m_random(seed ^ 0x5EEDF00DULL),
      m_frontSensor({realism.egoDelaySeconds, realism.egoResponseSeconds, realism.on && realism.warmUp}),
      m_rearSensor({realism.egoDelaySeconds, realism.egoResponseSeconds, realism.on && realism.warmUp}),
      // The realistic engine starts cold, or (warm-up off) at its working temperature.
      m_headTempF(!realism.on ? kStartHeadF : realism.warmUp ? kAmbientF : kHotHeadF) {}

void EngineModel::SetTruth(TruthFunction truth) { m_truth = std::move(truth); }
void EngineModel::SetRearTruth(TruthFunction truth) { m_rearTruth = std::move(truth); }
void EngineModel::SetEgoNoise(double sigmaAfr) { m_egoNoise = std::max(0.0, sigmaAfr); }
void EngineModel::SetSpeedNoise(double sigmaRpm) { m_speedNoise = std::max(0.0, sigmaRpm); }

int EngineModel::RowFor(double rpm) {
  return static_cast<int>(std::clamp(std::lround(rpm / 256.0), 0L, static_cast<long>(StockTune::kRows - 1)));
}

double EngineModel::ThrottleRaw(double throttleDeg) {
  return std::clamp(throttleDeg, 0.0, kThrottleMaxDeg) / kThrottleMaxDeg * kThrottleRawMax;
}

double EngineModel::DeliveredFuel(std::span<const std::uint8_t> memory, double rpm, double throttleDeg, bool blendRows) {
  const double site = ThrottleRaw(throttleDeg) / 16.0;
  return AcrossRows(rpm, blendRows, [&](int row) {
    const std::size_t address = StockTune::kFuelAddress + 0x80u * static_cast<unsigned>(row);
    return AlongCurve(site, [&](int p) { return static_cast<double>(Word(memory, address + 2u * p)); });
  });
}

double EngineModel::RearTrimRaw(std::span<const std::uint8_t> memory, double rpm, double throttleDeg, bool blendRows) {
  const double site = ThrottleRaw(throttleDeg) / 16.0;
  return AcrossRows(rpm, blendRows, [&](int row) {
    const std::size_t address = StockTune::kRearTrimAddress + 0x40u * static_cast<unsigned>(row);
    return AlongCurve(site, [&](int p) { return static_cast<double>(memory[address + p]); });
  });
}

double EngineModel::Truth(double rpm, double throttleDeg) const {
  if (!m_truth) return 1.0;
  const double factor = m_truth(rpm, throttleDeg);
  return std::isfinite(factor) && factor > 0.0 ? factor : 1.0;
}

double EngineModel::RearTruth(double rpm, double throttleDeg) const {
  if (!m_rearTruth) return Truth(rpm, throttleDeg);
  const double factor = m_rearTruth(rpm, throttleDeg);
  return std::isfinite(factor) && factor > 0.0 ? factor : 1.0;
}

double EngineModel::NeededFuel(double rpm, double throttleDeg) const {
  const double site = ThrottleRaw(throttleDeg) / 16.0;
  const double stock = AcrossRows(rpm, m_realism.on, [&](int row) {
    return AlongCurve(site, [&](int p) { return static_cast<double>(StockTune::FuelPoint(row, p)); });
  });
  return stock * Truth(rpm, throttleDeg);
}

double EngineModel::NeededRearFuel(double rpm, double throttleDeg) const {
  // The stock rear trim is what the rear cylinder needs beyond the front on a stock engine.
  return NeededFuel(rpm, throttleDeg) / Truth(rpm, throttleDeg) * RearTruth(rpm, throttleDeg) *
         (1.0 + StockTrimPercent(rpm, throttleDeg, m_realism.on) / 100.0);
}

double EngineModel::TemperatureFactor(std::span<const std::uint8_t> memory, double headTempF) {
  const double point = (headTempF + 40.0) / 7.0;
  return 1.0 + TrimPercent(AlongCurve(point, [&](int p) { return static_cast<double>(memory[kFuelTempMap + p]); })) / 100.0;
}

double EngineModel::TransientFuelMs() const { return m_realism.transients ? m_transient.EnrichmentMs() : 0.0; }

double EngineModel::IdealAfr(std::span<const std::uint8_t> memory, bool rear) const {
  if (m_family != Family::A) return m_targetAfr * (rear ? RearTruth(m_rpm, m_throttleDeg) : Truth(m_rpm, m_throttleDeg));
  double delivered = DeliveredFuel(memory, m_rpm, m_throttleDeg, m_realism.on);
  if (rear) delivered *= 1.0 + TrimPercent(RearTrimRaw(memory, m_rpm, m_throttleDeg, m_realism.on)) / 100.0;
  if (delivered <= 0.0) return EgoSensorCurve::kMaxAfr;                          // no fuel: leanest reading
  const double needed = rear ? NeededRearFuel(m_rpm, m_throttleDeg) : NeededFuel(m_rpm, m_throttleDeg);
  return m_targetAfr * needed / delivered;
}

double EngineModel::FrontAfr(std::span<const std::uint8_t> memory) const {
  return m_realism.on ? m_frontBurnAfr : IdealAfr(memory, false);
}

double EngineModel::RearAfr(std::span<const std::uint8_t> memory) const {
  return m_realism.on ? m_rearBurnAfr : IdealAfr(memory, true);
}

void EngineModel::StepMixture(double dt, double openingRate, std::span<const std::uint8_t> memory) {
  const bool running = Running();
  if (m_realism.transients) m_transient.Step(dt, m_throttleDeg, running ? openingRate : 0.0, m_rpm, memory);
  m_fuelCut = running && m_throttleDeg < kFuelCutThrottleDeg && m_rpm > m_idleRpm + kFuelCutAboveIdleRpm;
  if (!running || m_family != Family::A) {
    // A carburetted family has no fuel maps: its mixture is its truth, read as on the ideal engine.
    m_frontBurnAfr = running ? IdealAfr(memory, false) : EgoSensorCurve::kMaxAfr;
    m_rearBurnAfr = running ? IdealAfr(memory, true) : EgoSensorCurve::kMaxAfr;
    m_frontFilm.Reset();
    m_rearFilm.Reset();
  } else {
    // Fuel flows per second (injector counts times engine speed): the film works on flows.
    const double temperature = m_realism.warmUp ? TemperatureFactor(memory, m_headTempF) : 1.0;
    const double table = DeliveredFuel(memory, m_rpm, m_throttleDeg, m_realism.on) * temperature;
    const double front = m_fuelCut ? 0.0 : table + TransientFuelMs() / StockTune::kFuelMsPerCount;
    const double rear = front * (1.0 + TrimPercent(RearTrimRaw(memory, m_rpm, m_throttleDeg, m_realism.on)) / 100.0);
    const double frontBurnt = m_realism.transients ? m_frontFilm.Step(dt, front * m_rpm, m_rpm) : front * m_rpm;
    const double rearBurnt = m_realism.transients ? m_rearFilm.Step(dt, rear * m_rpm, m_rpm) : rear * m_rpm;
    auto afr = [&](double needed, double burnt) {
      const double air = m_targetAfr * needed * m_rpm;
      return burnt > air / EgoSensorCurve::kMaxAfr ? air / burnt : EgoSensorCurve::kMaxAfr;
    };
    m_frontBurnAfr = afr(NeededFuel(m_rpm, m_throttleDeg), frontBurnt);
    m_rearBurnAfr = afr(NeededRearFuel(m_rpm, m_throttleDeg), rearBurnt);
  }
  m_frontSensor.Step(dt, m_frontBurnAfr, running);
  m_rearSensor.Step(dt, m_rearBurnAfr, running);
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
  const double warming = m_realism.on && m_realism.warmUp ? kHeadWarmSecondsRiding : kHeadWarmSeconds;
  const double headLag = Running() ? warming : kHeadCoolSeconds;
  m_headTempF += (headGoal - m_headTempF) * (1.0 - std::exp(-dt / headLag));
  if (Running()) m_runTime += dt;
  if (m_realism.on) StepMixture(dt, (m_throttleDeg - oldThrottle) / dt, memory);

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
  m_fuelCut = false;
  m_transient.Reset();
  m_frontFilm.Reset();
  m_rearFilm.Reset();
  m_frontSensor.Stop(EgoSensorCurve::kMaxAfr);
  m_rearSensor.Stop(EgoSensorCurve::kMaxAfr);
  m_frontBurnAfr = m_rearBurnAfr = EgoSensorCurve::kMaxAfr;
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
  const double stoichMs = fuelled && !m_fuelCut ? DeliveredFuel(memory, m_rpm, m_throttleDeg, m_realism.on) * StockTune::kFuelMsPerCount : 0.0;
  const double injectorCompMs =
      fuelled ? AlongCurve(batteryPoint, [&](int p) { return static_cast<double>(memory[0x94C0 + p]); }) * 0.02048 : 0.0;
  // The realistic engine reports the enrichment the module applies; the ideal one a figure that
  // grows with the throttle's speed and changes nothing in the mixture.
  const double transientMs =
      !fuelled ? 0.0 : m_realism.on ? (m_fuelCut ? 0.0 : TransientFuelMs()) : std::min(20.0, m_throttleVelocity * 0.01);
  const double warmUp = m_realism.on && m_realism.warmUp ? TemperatureFactor(memory, m_headTempF) : 1.0;
  const double pulseMs = stoichMs * warmUp + injectorCompMs + transientMs;
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
                          ? static_cast<int>(std::lround(RearTrimRaw(memory, m_rpm, m_throttleDeg, m_realism.on)))
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
  // The realistic engine's sensors read the gas of a moment ago; a stopped engine's read air.
  const double frontGas = m_realism.on ? m_frontSensor.Reading() : frontAfr;
  const double rearGas = m_realism.on ? m_rearSensor.Reading() : rearAfr;
  const double frontSeen = running ? frontGas + m_random.Gaussian(m_egoNoise) : EgoSensorCurve::kMaxAfr;
  const double rearSeen = running ? rearGas + m_random.Gaussian(m_egoNoise) : EgoSensorCurve::kMaxAfr;
  putRaw(L::FrontEgo, EgoSensorCurve::RawForAfr(frontSeen));
  putRaw(L::RearEgo, EgoSensorCurve::RawForAfr(rearSeen));
}

}  // namespace corvane::sim
