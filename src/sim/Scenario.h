#pragma once

#include <cstdint>
#include <limits>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "sim/EngineModel.h"

namespace corvane::sim {

// What the rider or the dyno operator does with the engine over time. A scenario is a pure
// function of time once built; the random ride draws its waypoints from its seed when built,
// so the same seed rides the same ride.
class Scenario {
public:
  static constexpr double kForever = std::numeric_limits<double>::infinity();

  virtual ~Scenario() = default;
  [[nodiscard]] virtual EngineTarget TargetAt(double seconds) const = 0;
  [[nodiscard]] virtual double Duration() const = 0;     // after it the engine idles
  [[nodiscard]] virtual std::string Name() const = 0;

  // Builds a scenario from text: a name and key=value parameters separated by blanks.
  //   idle [duration=S]
  //   hold rpm=R[,R...] | row=K[,K...]   sites=I[,I...] | tps=DEG[,DEG...]   [dwell=S] [repeat=N]
  //        (lists also take ranges "a..b" and "a..b/step"; sites are fuel map points 0..63,
  //         throttle raw = 16 x site; every site is held `dwell` seconds, default 1.5)
  //   sweep [rpm=A..B] [tps=A..B] [duration=S]
  //   ride [duration=S] [seed=N] [style=street|track]
  //        (with a style a rider on a motorcycle, RiderScenario; without, random waypoints)
  // Returns nullptr with a reason in *error when the text does not fit.
  [[nodiscard]] static const char* Usage();    // the forms above, for the tool's help
  [[nodiscard]] static std::unique_ptr<Scenario> Parse(std::string_view text, std::uint64_t seed,
                                                       std::string* error = nullptr);
};

class IdleScenario final : public Scenario {
public:
  explicit IdleScenario(double duration = kForever) : m_duration(duration) {}
  [[nodiscard]] EngineTarget TargetAt(double) const override { return {}; }
  [[nodiscard]] double Duration() const override { return m_duration; }
  [[nodiscard]] std::string Name() const override { return "idle"; }

private:
  double m_duration;
};

// Steady holds, as on a dyno: each (speed, throttle) pair in turn for `dwell` seconds.
class HoldScenario final : public Scenario {
public:
  HoldScenario(std::vector<double> rpms, std::vector<double> throttleDegs, double dwell, int repeat = 1);
  [[nodiscard]] EngineTarget TargetAt(double seconds) const override;
  [[nodiscard]] double Duration() const override;
  [[nodiscard]] std::string Name() const override { return "hold"; }
  [[nodiscard]] static double ThrottleDegForSite(int site);   // site 0..63 -> raw 16 x site

private:
  std::vector<EngineTarget> m_steps;
  double m_dwell;
};

// Straight ramp of speed and throttle from their first to their last value.
class SweepScenario final : public Scenario {
public:
  SweepScenario(double rpmFrom, double rpmTo, double tpsFrom, double tpsTo, double duration);
  [[nodiscard]] EngineTarget TargetAt(double seconds) const override;
  [[nodiscard]] double Duration() const override { return m_duration; }
  [[nodiscard]] std::string Name() const override { return "sweep"; }

private:
  double m_rpmFrom, m_rpmTo, m_tpsFrom, m_tpsTo, m_duration;
};

// A ride on the road: random waypoints 1 to 4 s apart, eased from one to the next.
class RideScenario final : public Scenario {
public:
  RideScenario(double duration, std::uint64_t seed);
  [[nodiscard]] EngineTarget TargetAt(double seconds) const override;
  [[nodiscard]] double Duration() const override { return m_duration; }
  [[nodiscard]] std::string Name() const override { return "ride"; }

private:
  struct Waypoint {
    double time;
    EngineTarget target;
  };
  std::vector<Waypoint> m_points;
  double m_duration;
};

}  // namespace corvane::sim
