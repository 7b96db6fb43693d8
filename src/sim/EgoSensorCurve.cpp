#include "sim/EgoSensorCurve.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace corvane::sim {

double EgoSensorCurve::VoltsForAfr(double afr) {
  const double volts = (afr - kMinAfr) / (kMaxAfr - kMinAfr) * kMaxVolts;
  return std::clamp(volts, 0.0, kMaxVolts);
}

double EgoSensorCurve::AfrForVolts(double volts) {
  const double clamped = std::clamp(volts, 0.0, kMaxVolts);
  return kMinAfr + clamped / kMaxVolts * (kMaxAfr - kMinAfr);
}

int EgoSensorCurve::RawForAfr(double afr) {
  return static_cast<int>(std::lround(VoltsForAfr(afr) / kMaxVolts * kRawMax));
}

double EgoSensorCurve::AfrForRaw(int raw) {
  return AfrForVolts(static_cast<double>(std::clamp(raw, 0, kRawMax)) * kMaxVolts / kRawMax);
}

std::string EgoSensorCurve::TableText(double stepVolts) {
  std::string text;
  if (stepVolts <= 0.0) return text;
  const int steps = static_cast<int>(std::lround(kMaxVolts / stepVolts));
  for (int i = 0; i <= steps; ++i) {
    const double volts = std::min(kMaxVolts, i * stepVolts);
    char line[64];
    std::snprintf(line, sizeof line, "%.2f,%.2f\n", AfrForVolts(volts), volts);
    text += line;
  }
  return text;
}

}  // namespace corvane::sim
