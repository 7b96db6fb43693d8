#include "sim/MonitorLayout.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace corvane::sim {

namespace {

// Offsets are the running sum of the widths; the table is checked against that by the tests.
constexpr std::array<MonitorField, MonitorLayout::kFieldCount> kFields{{
    {0, 2, 1023, 0, 16},           {2, 1, 45, 0, 45},             {3, 1, 45, 0, 45},
    {4, 2, 65535, 0, 335.5392},    {6, 2, 1023, 0, 16368},        {8, 1, 255, 0, 4080},
    {9, 1, 255, 0, 4080},          {10, 2, 1023, 0, 16368},       {12, 2, 65535, 0, 318},
    {14, 2, 65535, 0, 65535},      {16, 2, 65535, -12800, 12799.6}, {18, 2, 65535, 0, 335.5392},
    {20, 2, 65535, 0, 335.5392},   {22, 1, 255, 0, 5.2224},       {23, 2, 65535, -671, 671},
    {25, 1, 255, 0, 20.8896},      {26, 2, 65535, 0, 335.5392},   {28, 1, 255, 0, 99.6},
    {29, 2, 1008, 0, 88.68},       {31, 2, 1008, 0, 88.68},       {33, 2, 255, 0, 255},
    {35, 2, 1023, -40, 471.5},     {37, 2, 1023, -40, 471.5},     {39, 2, 1023, 3.117, 35.928},
    {41, 1, 255, -50, 49.6},       {42, 2, 719, 0, 719},          {44, 1, 45, 0, 45},
    {45, 1, 255, 0, 99.6},         {46, 1, 255, 0, 255},          {47, 2, 65535, 0, 21999},
    {49, 2, 1023, 0, 5},           {51, 2, 1023, 0, 5},           {53, 2, 4095, 0, 20.9664},
    {55, 1, 255, 0, 4080},         {56, 1, 255, 0, 255},          {57, 1, 255, 0, 255},
    {58, 1, 255, 0, 255},          {59, 1, 255, 0, 255},          {60, 2, 1023, 0, 100},
    {62, 1, 255, 0, 100},          {63, 1, 255, 0, 100},          {64, 2, 1023, 0, 1023},
    {66, 2, 1023, 0, 1023},        {68, 2, 1023, 0, 1023},        {70, 2, 1023, 0, 100},
}};

}  // namespace

const MonitorField& MonitorLayout::Field(Live value) { return kFields[static_cast<std::size_t>(value)]; }

std::span<const MonitorField> MonitorLayout::Fields() { return kFields; }

int MonitorLayout::RawFor(Live value, double display) {
  const MonitorField& f = Field(value);
  const double raw = (display - f.displayMin) / (f.displayMax - f.displayMin) * f.rawMax;
  if (!std::isfinite(raw)) return 0;
  return static_cast<int>(std::clamp(std::lround(raw), 0L, static_cast<long>(f.rawMax)));
}

double MonitorLayout::DisplayFor(Live value, int raw) {
  const MonitorField& f = Field(value);
  return f.displayMin + raw * (f.displayMax - f.displayMin) / f.rawMax;
}

void MonitorLayout::PutRaw(std::span<std::uint8_t> block, Live value, int raw) {
  const MonitorField& f = Field(value);
  const int clamped = std::clamp(raw, 0, f.rawMax);
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
