#pragma once

namespace corvane::sim {

// What the simulated rider does with the engine over time (being filled in).
class Scenario {
public:
  virtual ~Scenario() = default;
};

}  // namespace corvane::sim
