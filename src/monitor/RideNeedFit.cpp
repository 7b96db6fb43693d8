#include "monitor/RideNeedFit.h"

#include <algorithm>
#include <cmath>

namespace corvane {

namespace {

constexpr int kIterations = 500;
constexpr double kTolerance = 1e-14;

std::size_t Index(int row, int site) { return static_cast<std::size_t>(row * RideNeedFit::kSites + site); }

}  // namespace

RideNeedFit::RideNeedFit()
    : m_squares(kCells), m_east(kCells), m_south(kCells), m_southEast(kCells), m_southWest(kCells), m_right(kCells) {}

void RideNeedFit::Clear() {
  for (auto* v : {&m_squares, &m_east, &m_south, &m_southEast, &m_southWest, &m_right}) std::fill(v->begin(), v->end(), 0.0);
}

void RideNeedFit::Add(int row, int site, const std::array<double, 4>& weights, double ratio, double fuel) {
  if (!(fuel > 0.0) || !std::isfinite(ratio)) return;
  row = std::clamp(row, 0, kRows - 2);
  site = std::clamp(site, 0, kSites - 2);
  // Each reading counts as a share of the fuel at its point: divide the weights by it.
  std::array<double, 4> w;
  for (std::size_t i = 0; i < 4; ++i) w[i] = weights[i] / fuel;
  const std::size_t cells[4] = {Index(row, site), Index(row, site + 1), Index(row + 1, site), Index(row + 1, site + 1)};
  for (std::size_t i = 0; i < 4; ++i) {
    m_squares[cells[i]] += w[i] * w[i];
    m_right[cells[i]] += w[i] * ratio;   // (weight / fuel) x (ratio x fuel) / fuel
  }
  m_east[cells[0]] += w[0] * w[1];
  m_east[cells[2]] += w[2] * w[3];
  m_south[cells[0]] += w[0] * w[2];
  m_south[cells[1]] += w[1] * w[3];
  m_southEast[cells[0]] += w[0] * w[3];
  m_southWest[cells[1]] += w[1] * w[2];
}

// Conjugate gradients on the normal equations of: the readings, the smoothness of the need
// (second differences along a row and along a column, each over the fuel of its middle cell,
// where all three cells have readings) and the hold of each cell to its present fuel.
std::vector<double> RideNeedFit::Solve(const std::vector<double>& fuel, const std::vector<double>& weights,
                                       const std::vector<double>& ratioMeans) const {
  std::vector<double> need(kCells, 0.0), b(kCells, 0.0), hold(kCells, 0.0);
  std::vector<char> active(kCells, 0);
  for (std::size_t i = 0; i < kCells; ++i) {
    need[i] = fuel[i];
    if (!(weights[i] > 0.0) || !(fuel[i] > 0.0)) continue;
    active[i] = 1;
    hold[i] = kHold * weights[i] / (fuel[i] * fuel[i]);
    const double anchor = fuel[i] * ratioMeans[i];
    b[i] = m_right[i] + hold[i] * anchor;
    need[i] = anchor;
  }
  auto apply = [&](const std::vector<double>& v, std::vector<double>& out) {
    for (int r = 0; r < kRows; ++r)
      for (int s = 0; s < kSites; ++s) {
        const std::size_t i = Index(r, s);
        if (!active[i]) {
          out[i] = 0.0;
          continue;
        }
        double sum = (m_squares[i] + hold[i]) * v[i];
        // Couplings are stored on the earlier cell of each pair and read from both sides.
        if (s + 1 < kSites && active[Index(r, s + 1)]) sum += m_east[i] * v[Index(r, s + 1)];
        if (s > 0 && active[Index(r, s - 1)]) sum += m_east[Index(r, s - 1)] * v[Index(r, s - 1)];
        if (r + 1 < kRows && active[Index(r + 1, s)]) sum += m_south[i] * v[Index(r + 1, s)];
        if (r > 0 && active[Index(r - 1, s)]) sum += m_south[Index(r - 1, s)] * v[Index(r - 1, s)];
        if (r + 1 < kRows && s + 1 < kSites && active[Index(r + 1, s + 1)]) sum += m_southEast[i] * v[Index(r + 1, s + 1)];
        if (r > 0 && s > 0 && active[Index(r - 1, s - 1)]) sum += m_southEast[Index(r - 1, s - 1)] * v[Index(r - 1, s - 1)];
        if (r + 1 < kRows && s > 0 && active[Index(r + 1, s - 1)]) sum += m_southWest[i] * v[Index(r + 1, s - 1)];
        if (r > 0 && s + 1 < kSites && active[Index(r - 1, s + 1)]) sum += m_southWest[Index(r - 1, s + 1)] * v[Index(r - 1, s + 1)];
        out[i] = sum;
      }
    // Smoothness: scatter each second difference back onto its three cells.
    auto curve = [&](std::size_t a, std::size_t m, std::size_t c) {
      if (!active[a] || !active[m] || !active[c]) return;
      const double scale = kSmoothness / (fuel[m] * fuel[m]);
      const double q = (v[a] - 2.0 * v[m] + v[c]) * scale;
      out[a] += q;
      out[m] -= 2.0 * q;
      out[c] += q;
    };
    for (int r = 0; r < kRows; ++r)
      for (int s = 1; s + 1 < kSites; ++s) curve(Index(r, s - 1), Index(r, s), Index(r, s + 1));
    for (int r = 1; r + 1 < kRows; ++r)
      for (int s = 0; s < kSites; ++s) curve(Index(r - 1, s), Index(r, s), Index(r + 1, s));
  };
  std::vector<double> residual(kCells), direction(kCells), product(kCells);
  apply(need, product);
  double norm = 0.0, scale = 0.0;
  for (std::size_t i = 0; i < kCells; ++i) {
    residual[i] = active[i] ? b[i] - product[i] : 0.0;
    direction[i] = residual[i];
    norm += residual[i] * residual[i];
    scale += b[i] * b[i];
  }
  for (int k = 0; k < kIterations && norm > kTolerance * std::max(scale, 1e-300); ++k) {
    apply(direction, product);
    double curvature = 0.0;
    for (std::size_t i = 0; i < kCells; ++i) curvature += direction[i] * product[i];
    if (!(curvature > 0.0)) break;
    const double step = norm / curvature;
    double next = 0.0;
    for (std::size_t i = 0; i < kCells; ++i) {
      if (!active[i]) continue;
      need[i] += step * direction[i];
      residual[i] -= step * product[i];
      next += residual[i] * residual[i];
    }
    for (std::size_t i = 0; i < kCells; ++i) direction[i] = residual[i] + next / norm * direction[i];
    norm = next;
  }
  return need;
}

}  // namespace corvane
