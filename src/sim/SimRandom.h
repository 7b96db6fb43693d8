#pragma once

#include <cstdint>

namespace corvane::sim {

// Small deterministic generator (splitmix64 + Box-Muller). Written out here rather than taken
// from <random> so that a seed gives the same ride and the same sensor noise on every
// standard library.
class SimRandom {
public:
  explicit SimRandom(std::uint64_t seed = 1);

  [[nodiscard]] std::uint64_t NextU64();
  [[nodiscard]] double Uniform();                       // [0, 1)
  [[nodiscard]] double Uniform(double low, double high);
  [[nodiscard]] double Gaussian(double sigma);          // mean 0; 0 when sigma <= 0

private:
  std::uint64_t m_state;
  double m_spare = 0.0;
  bool m_hasSpare = false;
};

}  // namespace corvane::sim
