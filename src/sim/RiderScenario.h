#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "sim/Scenario.h"

namespace corvane::sim {

// A rider on a motorcycle: the engine's speed comes from the road speed and the gear, the road
// speed from the engine's torque against drag and brakes, and the throttle from a rider who
// pulls away, shifts, cruises, rolls on and closes the throttle at realistic rates.
//   street: town and country roads; stops at lights with the engine idling, gentle and brisk
//           pulls, cruising at part throttle, now and then a hard pull towards the rev limit.
//   track:  no stops; full-throttle straights shifted near the rev limit, hard braking on a
//           closed throttle (overrun) with downshifts, part throttle through the corners.
// The whole ride is worked out from its seed when it is built, so the same seed rides the same
// ride; the engine follows it with its own lag.
class RiderScenario final : public Scenario {
public:
  enum class Style { Street, Track };

  static constexpr double kStepSeconds = 0.02;     // the ride is kept at this resolution
  static constexpr double kRevLimitRpm = 6144.0;   // the stock tune's rev limit
  static constexpr double kIdleRpm = 950.0;

  RiderScenario(double duration, std::uint64_t seed, Style style);

  [[nodiscard]] EngineTarget TargetAt(double seconds) const override;
  [[nodiscard]] double Duration() const override { return m_duration; }
  [[nodiscard]] std::string Name() const override { return "ride"; }
  [[nodiscard]] Style RideStyle() const { return m_style; }

private:
  double m_duration;
  Style m_style;
  std::vector<EngineTarget> m_track;   // one target every kStepSeconds
};

}  // namespace corvane::sim
