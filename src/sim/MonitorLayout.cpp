#include "sim/MonitorLayout.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace corvane::sim {

const MonitorField& MonitorLayout::Field(Live value) { return protocol::kMonitorChannels[static_cast<std::size_t>(value)]; }

std::span<const MonitorField> MonitorLayout::Fields() { return protocol::kMonitorChannels; }

int MonitorLayout::RawFor(Live value, double display) {
  const MonitorField& f = Field(value);
  const double raw = (display - f.displayMinimum) / (f.displayMaximum - f.displayMinimum) * f.rawMaximum;
  if (!std::isfinite(raw)) return 0;
  return static_cast<int>(std::clamp(std::lround(raw), 0L, static_cast<long>(f.rawMaximum)));
}

double MonitorLayout::DisplayFor(Live value, int raw) {
  const MonitorField& f = Field(value);
  return f.displayMinimum + raw * (f.displayMaximum - f.displayMinimum) / f.rawMaximum;
}

void MonitorLayout::PutRaw(std::span<std::uint8_t> block, Live value, int raw) {
  const MonitorField& f = Field(value);
  const int clamped = std::clamp(raw, 0, f.rawMaximum);
  if (f.width == 1) {
    block[f.offset] = static_cast<std::uint8_t>(clamped);
  } else {
    block[f.offset] = static_cast<std::uint8_t>(clamped >> 8);
    block[f.offset + 1] = static_cast<std::uint8_t>(clamped & 0xFF);
  }
}

void MonitorLayout::Put(std::span<std::uint8_t> block, Live value, double display) {
  PutRaw(block, value, RawFor(value, display));
}

int MonitorLayout::GetRaw(std::span<const std::uint8_t> block, Live value) {
  const MonitorField& f = Field(value);
  if (f.width == 1) return block[f.offset];
  return block[f.offset] << 8 | block[f.offset + 1];
}

double MonitorLayout::Get(std::span<const std::uint8_t> block, Live value) {
  return DisplayFor(value, GetRaw(block, value));
}

}  // namespace corvane::sim
