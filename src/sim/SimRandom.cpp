#include "sim/SimRandom.h"

#include <cmath>
#include <numbers>

namespace corvane::sim {

SimRandom::SimRandom(std::uint64_t seed) : m_state(seed) {}

std::uint64_t SimRandom::NextU64() {
  std::uint64_t z = (m_state += 0x9E3779B97F4A7C15ULL);
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
  return z ^ (z >> 31);
}

double SimRandom::Uniform() {
  return static_cast<double>(NextU64() >> 11) * 0x1.0p-53;
}

double SimRandom::Uniform(double low, double high) { return low + (high - low) * Uniform(); }

double SimRandom::Gaussian(double sigma) {
  if (sigma <= 0.0) return 0.0;
  if (m_hasSpare) {
    m_hasSpare = false;
    return m_spare * sigma;
  }
  // 1 - Uniform() lies in (0, 1], so the logarithm is finite.
  const double radius = std::sqrt(-2.0 * std::log(1.0 - Uniform()));
  const double angle = 2.0 * std::numbers::pi * Uniform();
  m_spare = radius * std::sin(angle);
  m_hasSpare = true;
  return radius * std::cos(angle) * sigma;
}

}  // namespace corvane::sim
