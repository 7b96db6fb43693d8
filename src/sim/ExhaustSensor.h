#pragma once

#include <deque>

namespace corvane::sim {

// One exhaust-oxygen sensor as real ones behave. The gas a cylinder burns reaches the sensor
// after a transport delay; the sensor then follows it with a first-order response. A sensor
// that has not been warmed by the exhaust answers slowly and reads lean. Noise is added where
// the reading is sampled (one draw per monitor packet), not here.
struct SensorBehaviour {
  double delaySeconds = 0.10;      // exhaust port to sensor
  double responseSeconds = 0.08;   // first-order time constant of a warm sensor
  bool coldStart = false;          // starts cold: slow and lean until the exhaust warms it
};

class ExhaustSensor {
public:
  using Behaviour = SensorBehaviour;

  static constexpr double kWarmingSeconds = 20.0;    // time constant of warming while the engine runs
  static constexpr double kCoolingSeconds = 120.0;   // and of cooling while it stands
  static constexpr double kColdSlowdown = 9.0;       // a cold sensor's response is this much slower
  static constexpr double kColdLeanAfr = 1.5;        // and it reads this much lean

  explicit ExhaustSensor(Behaviour behaviour = {});

  // Advances the sensor `dt` seconds while the cylinder burns at `cylinderAfr`.
  void Step(double dt, double cylinderAfr, bool engineRunning);
  // The engine stopped: the exhaust holds air, and the sensor reads it from now on.
  void Stop(double airAfr);

  // The AFR the sensor puts out now, before noise.
  [[nodiscard]] double Reading() const;
  // 0 cold ... 1 at working temperature.
  [[nodiscard]] double Warmth() const { return m_warmth; }

private:
  struct Gas {
    double time;
    double afr;
  };
  [[nodiscard]] double GasAtSensor() const;

  Behaviour m_behaviour;
  std::deque<Gas> m_pipe;     // what left the cylinder over the last delay
  double m_time = 0.0;
  double m_output = 0.0;
  double m_warmth = 1.0;
  bool m_started = false;
};

}  // namespace corvane::sim
