#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>

namespace corvane::sim {

// What the simulated engine really needs, cell by cell of the fuel table: 32 rows (256 rpm
// apart, row k at 256 k rpm) of 64 factors (throttle sites, 16 raw counts apart), each the
// fuel the engine needs divided by the stock tune's fuel there. An optional second block of
// 32 rows is the rear cylinder's own need; without it the rear needs what the front needs.
//
// The file is plain CSV: one row of the table per line, factors separated by commas, the
// front block first. Empty lines and lines that start with '#' are passed over. Between
// cells the factor is interpolated bilinearly, as the module interpolates its fuel table.
class FuelTruth {
public:
  static constexpr int kRows = 32;
  static constexpr int kColumns = 64;
  static constexpr double kMinFactor = 0.5;
  static constexpr double kMaxFactor = 2.0;

  using Block = std::array<std::array<double, kColumns>, kRows>;

  FuelTruth();    // 1.0 everywhere, front and rear

  // Parses a file's text. nullopt, with "line L, column C: why" (or "line L: why") in *error,
  // when anything does not fit: a field that is not a number, a factor outside 0.5 ... 2.0, a
  // row of other than 64 factors, other than 32 or 64 rows.
  [[nodiscard]] static std::optional<FuelTruth> Parse(std::string_view text, std::string* error = nullptr);
  [[nodiscard]] static std::optional<FuelTruth> Load(const std::string& path, std::string* error = nullptr);
  // The CSV text of a truth (both blocks when the rear differs), readable by Parse.
  [[nodiscard]] std::string ToText() const;

  // A smooth truth for tests and figures: the front a sum of a few broad waves, scaled so
  // that the largest deviation from 1 is `amplitude` (0.15: within -15 % ... +15 %); the rear
  // the front's times its own such waves of `rearAmplitude` (a twin's cylinders differ by a few
  // percent, not by the whole error). `plateau` > 0 flattens the front's wave tops (tanh): most
  // of the table then lies near +/- amplitude, with smooth slopes between; 0 keeps plain
  // waves, many of whose cells lie near their zero crossings. The same seed, the same table.
  [[nodiscard]] static FuelTruth Smooth(double amplitude, unsigned long long seed, double plateau = 0.0,
                                        double rearAmplitude = 0.05);

  [[nodiscard]] double Cell(int row, int column, bool rear = false) const;
  void SetCell(int row, int column, double factor, bool rear = false);
  [[nodiscard]] bool HasRear() const { return m_hasRear; }
  // The factor at (rpm, throttle raw counts 0 ... 1008), bilinear between cells, clamped at
  // the table's edges.
  [[nodiscard]] double At(double rpm, double throttleRaw, bool rear = false) const;

private:
  Block m_front{};
  Block m_rear{};
  bool m_hasRear = false;
};

}  // namespace corvane::sim
