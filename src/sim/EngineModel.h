#pragma once

#include <cstdint>
#include <span>

#include "sim/ExhaustSensor.h"
#include "sim/ModuleEmulator.h"
#include "sim/SimRandom.h"
#include "sim/TransientFuel.h"

namespace corvane::sim {

// What the rider (or the dyno) asks of the engine at one instant.
struct EngineTarget {
  double rpm = 0.0;           // <= 0: let the module hold its idle speed
  double throttleDeg = 0.0;   // 0 .. 88.68
};

// The simulated two-cylinder engine behind the module. It follows its target with a short lag,
// is held below the rev limit, and reports its live values into the monitor block. The fuel it
// gets comes from the fuel and rear-trim maps in the module's own memory (between throttle
// sites, and on the realistic engine between rows too), so that a corrected map changes the
// exhaust-oxygen readings; the fuel it needs is the stock tune times the truth factor (the rear
// cylinder's own factor when it has one). With realism on (EngineRealism) the mixture and its
// sensors behave as a real engine's do.
class EngineModel {
public:
  static constexpr double kThrottleMaxDeg = 88.68;
  static constexpr double kThrottleRawMax = 1008.0;
  static constexpr double kAmbientF = 77.0;

  // Closed-throttle overrun: the module cuts the fuel below this throttle position when the
  // engine runs this far above its idle speed.
  static constexpr double kFuelCutThrottleDeg = 0.5;
  static constexpr double kFuelCutAboveIdleRpm = 400.0;

  EngineModel(Family family, double targetAfr, std::uint64_t seed, const EngineRealism& realism = {});

  void SetTruth(TruthFunction truth);
  void SetRearTruth(TruthFunction truth);
  void SetEgoNoise(double sigmaAfr);
  void SetSpeedNoise(double sigmaRpm);

  // Moves the engine `dt` seconds towards `target` (dt should be small, <= 0.02 s).
  void Step(double dt, const EngineTarget& target, std::span<const std::uint8_t> memory);
  void Stop();                                // power gone: the engine stalls at once
  // Writes the 72-byte block (noise drawn here, so one draw per packet).
  void FillMonitorBlock(std::span<const std::uint8_t> memory, std::span<std::uint8_t> block);

  [[nodiscard]] double Rpm() const { return m_rpm; }
  [[nodiscard]] double ThrottleDeg() const { return m_throttleDeg; }
  [[nodiscard]] bool Running() const { return m_rpm >= 200.0; }
  [[nodiscard]] bool AtRevLimit() const { return m_atRevLimit; }
  [[nodiscard]] double HeadTempF() const { return m_headTempF; }
  [[nodiscard]] double RunTimeSeconds() const { return m_runTime; }
  [[nodiscard]] bool FuelCut() const { return m_fuelCut; }
  [[nodiscard]] double TransientFuelMs() const;
  [[nodiscard]] const EngineRealism& Realism() const { return m_realism; }

  // Fuel physics (noise-free), read against the given memory image.
  [[nodiscard]] static int RowFor(double rpm);                    // nearest 256-rpm row
  [[nodiscard]] static double ThrottleRaw(double throttleDeg);    // 0 .. 1008 counts
  // `blendRows`: between the two rows around the speed, as the realistic engine's module does;
  // otherwise the nearest row.
  [[nodiscard]] static double DeliveredFuel(std::span<const std::uint8_t> memory, double rpm, double throttleDeg,
                                            bool blendRows = false);
  [[nodiscard]] static double RearTrimRaw(std::span<const std::uint8_t> memory, double rpm, double throttleDeg,
                                          bool blendRows = false);
  [[nodiscard]] double NeededFuel(double rpm, double throttleDeg) const;
  [[nodiscard]] double NeededRearFuel(double rpm, double throttleDeg) const;
  // The module's engine-temperature correction as a factor on the table's fuel.
  [[nodiscard]] static double TemperatureFactor(std::span<const std::uint8_t> memory, double headTempF);
  // What each cylinder burns now: at once from the maps on the ideal engine, through the wall
  // film, the enrichments and the fuel cut on the realistic one.
  [[nodiscard]] double FrontAfr(std::span<const std::uint8_t> memory) const;
  [[nodiscard]] double RearAfr(std::span<const std::uint8_t> memory) const;
  [[nodiscard]] static int IdleRpm(std::span<const std::uint8_t> memory);
  [[nodiscard]] static int RevLimitRpm(std::span<const std::uint8_t> memory);

private:
  [[nodiscard]] double Truth(double rpm, double throttleDeg) const;
  [[nodiscard]] double RearTruth(double rpm, double throttleDeg) const;
  [[nodiscard]] double ManifoldPressurePercent() const;
  [[nodiscard]] double IdealAfr(std::span<const std::uint8_t> memory, bool rear) const;
  void StepMixture(double dt, double openingRate, std::span<const std::uint8_t> memory);

  Family m_family;
  double m_targetAfr;
  EngineRealism m_realism;
  SimRandom m_random;
  TruthFunction m_truth;
  TruthFunction m_rearTruth;
  ExhaustSensor m_frontSensor;
  ExhaustSensor m_rearSensor;
  TransientFuel m_transient;
  WallFilm m_frontFilm;
  WallFilm m_rearFilm;
  double m_frontBurnAfr = 0.0;    // realistic engine: what each cylinder burns now
  double m_rearBurnAfr = 0.0;
  bool m_fuelCut = false;
  double m_egoNoise = 0.0;
  double m_speedNoise = 0.0;

  double m_rpm = 0.0;
  double m_throttleDeg = 0.0;
  double m_accel = 0.0;              // rpm / s
  double m_throttleVelocity = 0.0;   // deg / s
  double m_headTempF = 160.0;
  double m_runTime = 0.0;
  bool m_atRevLimit = false;
  bool m_idling = true;
  int m_idleRpm = 950;
  double m_peakRpm = 0.0;
  double m_peakAccel = 0.0;
  double m_peakThrottleVelocity = 0.0;
  int m_peakTransientRaw = 0;
  int m_peakThrottlePercentRaw = 0;
};

}  // namespace corvane::sim
