#include "sim/FuelTruth.h"
#include "platform/Utf8Path.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <numbers>
#include <sstream>

#include "sim/SimRandom.h"

namespace corvane::sim {

namespace {

constexpr std::size_t kMaxFileBytes = 1u << 20;   // a table is about 25 kB; anything huge is not one

std::string_view Trim(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r')) text.remove_suffix(1);
  return text;
}

bool ParseFactor(std::string_view field, double& out) {
  if (!field.empty() && field.front() == '+') field.remove_prefix(1);
  if (field.empty()) return false;
  const char* end = field.data() + field.size();
  const auto [ptr, ec] = std::from_chars(field.data(), end, out);
  return ec == std::errc{} && ptr == end && std::isfinite(out);
}

void Fail(std::string* error, std::size_t line, std::size_t column, const std::string& why) {
  if (!error) return;
  *error = "line " + std::to_string(line) + (column > 0 ? ", column " + std::to_string(column) : std::string()) + ": " + why;
}

std::string Number(double v) {
  char text[32];
  std::snprintf(text, sizeof text, "%.6g", v);
  return text;
}

}  // namespace

FuelTruth::FuelTruth() {
  for (auto& row : m_front) row.fill(1.0);
  for (auto& row : m_rear) row.fill(1.0);
}

std::optional<FuelTruth> FuelTruth::Parse(std::string_view text, std::string* error) {
  FuelTruth truth;
  int rows = 0;
  std::size_t lineNumber = 0;
  while (!text.empty()) {
    const std::size_t newline = text.find('\n');
    std::string_view line = text.substr(0, newline);
    text = newline == std::string_view::npos ? std::string_view{} : text.substr(newline + 1);
    ++lineNumber;
    line = Trim(line);
    if (line.empty() || line.front() == '#') continue;
    if (rows == 2 * kRows) {
      Fail(error, lineNumber, 0, "more than 64 rows; the file holds 32 rows (front) or 64 (front, then rear)");
      return std::nullopt;
    }
    Block& block = rows < kRows ? truth.m_front : truth.m_rear;
    auto& cells = block[static_cast<std::size_t>(rows % kRows)];
    int column = 0;
    std::size_t start = 0;
    while (true) {
      const std::size_t comma = line.find(',', start);
      const std::string_view field = Trim(line.substr(start, comma == std::string_view::npos ? std::string_view::npos : comma - start));
      ++column;
      if (column > kColumns) {
        Fail(error, lineNumber, static_cast<std::size_t>(column), "more than 64 factors; a row of the table has 64");
        return std::nullopt;
      }
      double factor = 0.0;
      if (!ParseFactor(field, factor)) {
        Fail(error, lineNumber, static_cast<std::size_t>(column), "\"" + std::string(field) + "\" is not a number");
        return std::nullopt;
      }
      if (factor < kMinFactor || factor > kMaxFactor) {
        Fail(error, lineNumber, static_cast<std::size_t>(column),
             "factor " + std::string(field) + " is outside 0.5 ... 2.0");
        return std::nullopt;
      }
      cells[static_cast<std::size_t>(column - 1)] = factor;
      if (comma == std::string_view::npos) break;
      start = comma + 1;
    }
    if (column != kColumns) {
      Fail(error, lineNumber, 0, std::to_string(column) + " factors; a row of the table has 64");
      return std::nullopt;
    }
    ++rows;
  }
  if (rows != kRows && rows != 2 * kRows) {
    Fail(error, lineNumber == 0 ? 1 : lineNumber, 0,
         std::to_string(rows) + " rows at the end of the file; it holds 32 rows (front) or 64 (front, then rear)");
    return std::nullopt;
  }
  truth.m_hasRear = rows == 2 * kRows;
  if (!truth.m_hasRear) truth.m_rear = truth.m_front;
  return truth;
}

std::optional<FuelTruth> FuelTruth::Load(const std::string& path, std::string* error) {
  std::ifstream in(PathFromUtf8(path), std::ios::binary);
  if (!in) {
    if (error) *error = "cannot open " + path;
    return std::nullopt;
  }
  std::string text(kMaxFileBytes + 1, '\0');
  in.read(text.data(), static_cast<std::streamsize>(text.size()));
  text.resize(static_cast<std::size_t>(in.gcount()));
  if (text.size() > kMaxFileBytes) {
    if (error) *error = path + " is larger than a fuel table can be";
    return std::nullopt;
  }
  auto truth = Parse(text, error);
  if (!truth && error) *error = path + ": " + *error;
  return truth;
}

std::string FuelTruth::ToText() const {
  std::string text;
  auto put = [&](const Block& block) {
    for (const auto& row : block) {
      for (int c = 0; c < kColumns; ++c) text += (c ? "," : "") + Number(row[static_cast<std::size_t>(c)]);
      text += "\n";
    }
  };
  put(m_front);
  if (m_hasRear) put(m_rear);
  return text;
}

FuelTruth FuelTruth::Smooth(double amplitude, unsigned long long seed, double plateau, double rearAmplitude) {
  FuelTruth truth;
  SimRandom random(seed ^ 0x7A11E5ULL);
  auto fill = [&](Block& block, double size, double flatten) {
    // Three broad waves over the table: a need that changes over a few rows and a few dozen
    // throttle sites, as a real engine's does, never cell by cell.
    struct Wave {
      double rowFrequency, columnFrequency, phase, weight;
    };
    Wave waves[3];
    for (Wave& w : waves)
      w = {random.Uniform(0.3, 1.6) * std::numbers::pi / kRows, random.Uniform(0.3, 1.6) * std::numbers::pi / kColumns,
           random.Uniform(0.0, 2.0 * std::numbers::pi), random.Uniform(0.5, 1.0)};
    double largest = 0.0;
    for (int r = 0; r < kRows; ++r)
      for (int c = 0; c < kColumns; ++c) {
        double v = 0.0;
        for (const Wave& w : waves) v += w.weight * std::sin(w.rowFrequency * r + w.columnFrequency * c + w.phase);
        block[static_cast<std::size_t>(r)][static_cast<std::size_t>(c)] = v;
        largest = std::max(largest, std::abs(v));
      }
    for (auto& row : block)
      for (double& v : row) {
        double x = largest > 0.0 ? v / largest : 0.0;
        if (flatten > 0.0) x = std::tanh(flatten * x) / std::tanh(flatten);
        v = 1.0 + x * size;
      }
  };
  fill(truth.m_front, amplitude, plateau);
  fill(truth.m_rear, rearAmplitude, 0.0);
  for (int r = 0; r < kRows; ++r)
    for (int c = 0; c < kColumns; ++c) {
      double& rear = truth.m_rear[static_cast<std::size_t>(r)][static_cast<std::size_t>(c)];
      rear = std::clamp(rear * truth.m_front[static_cast<std::size_t>(r)][static_cast<std::size_t>(c)], kMinFactor, kMaxFactor);
    }
  truth.m_hasRear = true;
  return truth;
}

double FuelTruth::Cell(int row, int column, bool rear) const {
  const Block& block = rear ? m_rear : m_front;
  return block[static_cast<std::size_t>(std::clamp(row, 0, kRows - 1))][static_cast<std::size_t>(std::clamp(column, 0, kColumns - 1))];
}

void FuelTruth::SetCell(int row, int column, double factor, bool rear) {
  if (row < 0 || row >= kRows || column < 0 || column >= kColumns) return;
  const double clamped = std::clamp(factor, kMinFactor, kMaxFactor);
  if (rear) {
    m_hasRear = true;
    m_rear[static_cast<std::size_t>(row)][static_cast<std::size_t>(column)] = clamped;
    return;
  }
  m_front[static_cast<std::size_t>(row)][static_cast<std::size_t>(column)] = clamped;
  if (!m_hasRear) m_rear[static_cast<std::size_t>(row)][static_cast<std::size_t>(column)] = clamped;
}

double FuelTruth::At(double rpm, double throttleRaw, bool rear) const {
  const double r = std::clamp(rpm / 256.0, 0.0, static_cast<double>(kRows - 1));
  const double c = std::clamp(throttleRaw / 16.0, 0.0, static_cast<double>(kColumns - 1));
  const int r0 = std::min(static_cast<int>(r), kRows - 2);
  const int c0 = std::min(static_cast<int>(c), kColumns - 2);
  const double fr = r - r0;
  const double fc = c - c0;
  return Cell(r0, c0, rear) * (1 - fr) * (1 - fc) + Cell(r0, c0 + 1, rear) * (1 - fr) * fc +
         Cell(r0 + 1, c0, rear) * fr * (1 - fc) + Cell(r0 + 1, c0 + 1, rear) * fr * fc;
}

}  // namespace corvane::sim
