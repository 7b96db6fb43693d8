#pragma once

#include <cstdint>
#include <span>

namespace corvane::sim {

// Fuel that is not in the fuel table: what the module adds while the throttle opens, worked
// out from its transient maps as the module does it, and the fuel film on the intake port
// walls that makes an engine need it.
class TransientFuel {
public:
  // Module memory the module reads for its acceleration enrichment (64 points each).
  static constexpr std::uint16_t kVelocityMap = 0x9180;    // % vs throttle velocity (4 deg/s a point)
  static constexpr std::uint16_t kPositionMap = 0x9140;    // % vs throttle position (16 counts a point)
  static constexpr std::uint16_t kDurationMap = 0x91C0;    // % vs engine cycles since the opening
  static constexpr std::uint16_t kThresholdMap = 0x9200;   // deg/s the opening must pass vs position
  static constexpr std::uint16_t kSpeedMap = 0x9240;       // % vs engine speed (64 rpm a point)
  static constexpr std::uint16_t kAccelFuelSetting = 0x040E;   // word, 20.95 ms over 1023 counts
  static constexpr double kPercentPerCount = 99.6 / 255.0;

  // The module's side, every engine step: `openingRate` in deg/s (negative while closing).
  void Step(double dt, double throttleDeg, double openingRate, double rpm, std::span<const std::uint8_t> memory);
  void Reset();
  // Extra injector time the module gives now, in ms.
  [[nodiscard]] double EnrichmentMs() const { return m_enrichmentMs; }
  [[nodiscard]] bool Active() const { return m_active; }

private:
  bool m_active = false;
  double m_cycles = 0.0;          // engine cycles since the throttle stopped opening fast
  double m_eventVelocity = 0.0;   // fastest opening of this event, deg/s
  double m_enrichmentMs = 0.0;
};

// The fuel film on the port walls: a share of every injection wets the wall, and the wall gives
// fuel back to the air with a time constant. Steady running passes all fuel through; a
// throttle that opens leaves the cylinder short while the film builds up, one that closes gives
// it more while the film dries.
class WallFilm {
public:
  static constexpr double kWettingShare = 0.25;
  static constexpr double kDryingSeconds = 0.20;   // at 2500 rpm; shorter with speed

  // Fuel flows per second (any unit); returns what reaches the cylinder.
  double Step(double dt, double injectedFlow, double rpm);
  void Reset() { m_film = 0.0; m_primed = false; }

private:
  double m_film = 0.0;
  bool m_primed = false;
};

}  // namespace corvane::sim
