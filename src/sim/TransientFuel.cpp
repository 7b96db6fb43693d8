#include "sim/TransientFuel.h"

#include <algorithm>
#include <cmath>

namespace corvane::sim {

namespace {

// The value of a 64-point byte map at fractional point x (linear between points, clamped).
double MapAt(std::span<const std::uint8_t> memory, std::uint16_t address, double x) {
  const double clamped = std::clamp(x, 0.0, 63.0);
  const int lower = std::min(static_cast<int>(clamped), 62);
  const double frac = clamped - lower;
  return memory[address + lower] * (1.0 - frac) + memory[address + lower + 1] * frac;
}

constexpr double kThrottleCountsPerDeg = 1008.0 / 88.68;
constexpr double kDurationCycles = 63.0;

}  // namespace

void TransientFuel::Reset() {
  m_active = false;
  m_cycles = 0.0;
  m_eventVelocity = 0.0;
  m_enrichmentMs = 0.0;
}

void TransientFuel::Step(double dt, double throttleDeg, double openingRate, double rpm,
                         std::span<const std::uint8_t> memory) {
  if (!(dt > 0.0)) return;
  const double site = throttleDeg * kThrottleCountsPerDeg / 16.0;
  const double threshold = MapAt(memory, kThresholdMap, site);
  if (openingRate > threshold && rpm > 0.0) {
    // While the throttle opens faster than the threshold the event stays at its start.
    m_eventVelocity = m_active ? std::max(m_eventVelocity, openingRate) : openingRate;
    m_active = true;
    m_cycles = 0.0;
  } else if (m_active) {
    m_cycles += dt * rpm / 120.0;   // one engine cycle is two turns
    if (m_cycles >= kDurationCycles) Reset();
  }
  if (!m_active) {
    m_enrichmentMs = 0.0;
    return;
  }
  const double accelMs = (memory[kAccelFuelSetting] << 8 | memory[kAccelFuelSetting + 1]) * 20.95 / 1023.0;
  const double velocity = MapAt(memory, kVelocityMap, m_eventVelocity / 4.0) * kPercentPerCount / 100.0;
  const double position = MapAt(memory, kPositionMap, site) * kPercentPerCount / 100.0;
  const double duration = MapAt(memory, kDurationMap, m_cycles) * kPercentPerCount / 100.0;
  const double speed = MapAt(memory, kSpeedMap, rpm / 64.0) * kPercentPerCount / 100.0;
  // Opening from a small throttle fills the manifold most: the position map adds to the event.
  m_enrichmentMs = accelMs * velocity * speed * duration * (1.0 + position);
}

double WallFilm::Step(double dt, double injectedFlow, double rpm) {
  const double drying = kDryingSeconds * std::sqrt(2500.0 / std::clamp(rpm, 800.0, 8000.0));
  if (!m_primed) {
    // A running engine's film is in balance with its fuel flow.
    m_film = kWettingShare * drying * injectedFlow;
    m_primed = true;
  }
  if (!(dt > 0.0)) return injectedFlow;
  // Exact for a flow held over the step: the film relaxes towards its balance.
  const double balance = kWettingShare * drying * injectedFlow;
  const double before = m_film;
  m_film = balance + (before - balance) * std::exp(-dt / drying);
  // What went into the cylinder over the step: injected minus what the film took on.
  return std::max(0.0, injectedFlow - (m_film - before) / dt);
}

}  // namespace corvane::sim
