#pragma once

#include <array>
#include <cstddef>
#include <vector>

namespace corvane {

// The fuel one cylinder needs at every cell of the fuel table, fitted to the readings of a
// ride. A reading at a point between four cells says how much fuel the engine needed there:
// the measured AFR / target times the fuel it got, which is the bilinear blend of the four
// cells' fuel. The need of the cells is the least-squares fit of all such readings (each as a
// share of the fuel at its point, so that rich and lean rows count alike), kept smooth across
// cells where the readings cannot tell neighbours apart: an engine's need changes smoothly
// from cell to cell, the table it runs on may not (a corrected cell beside one that is not).
//
// What a reading says stays true when the table changes afterwards, so readings taken before
// the tuner applied corrections still count, against the table as it was when they were taken.
class RideNeedFit {
public:
  static constexpr int kRows = 32;
  static constexpr int kSites = 64;
  static constexpr std::size_t kCells = static_cast<std::size_t>(kRows * kSites);
  // How strongly the need is kept smooth (second differences, relative to the cell's fuel)
  // against the readings, and how strongly each cell is held to its own weighted mean, per
  // unit of its weight. Chosen on simulated rides (bench_ride_autotune): weaker smoothing lets
  // a corrected cell beside an uncorrected one take part of its neighbour's error again.
  static constexpr double kSmoothness = 20.0;
  static constexpr double kHold = 0.02;

  RideNeedFit();

  // One reading: the four cells around it from (row, site) with their bilinear weights
  // (00, 01, 10, 11), the measured ratio and the blended fuel the cylinder got there.
  void Add(int row, int site, const std::array<double, 4>& weights, double ratio, double fuel);
  void Clear();

  // The need of every cell (in the table's units), fitted; for a cell without readings its
  // present fuel. `fuel` is the table now (kCells values, row major); `weights` the cells'
  // weight sums (a cell with none takes no part); `ratioMeans` each cell's weighted mean of
  // measured / target AFR, which the cell is held to (as its fuel times that mean).
  [[nodiscard]] std::vector<double> Solve(const std::vector<double>& fuel, const std::vector<double>& weights,
                                          const std::vector<double>& ratioMeans) const;

private:
  // The normal equations: per cell the sum of (weight / fuel)^2 over its readings, the sum
  // of the products with each later neighbour in the same readings, and the right-hand side.
  std::vector<double> m_squares;
  std::vector<double> m_east;        // (r, s) with (r, s + 1)
  std::vector<double> m_south;       // (r, s) with (r + 1, s)
  std::vector<double> m_southEast;   // (r, s) with (r + 1, s + 1)
  std::vector<double> m_southWest;   // (r, s) with (r + 1, s - 1)
  std::vector<double> m_right;
};

}  // namespace corvane
