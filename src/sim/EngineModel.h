#pragma once

namespace corvane::sim {

// Simulated two-cylinder engine that feeds the monitor block (being filled in).
class EngineModel {
public:
  EngineModel() = default;
};

}  // namespace corvane::sim
