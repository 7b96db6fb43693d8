#pragma once

#include <string>

namespace corvane::sim {

// The wideband-like exhaust-oxygen sensor the emulated engine carries: 0 V reads 10 AFR,
// 5 V reads 20 AFR, linear in between. data/EgoSensorTable.txt is this curve sampled, so the
// PC's table lookup turns the streamed voltage back into the AFR the engine ran.
class EgoSensorCurve {
public:
  static constexpr double kMinAfr = 10.0;
  static constexpr double kMaxAfr = 20.0;
  static constexpr double kMaxVolts = 5.0;
  static constexpr int kRawMax = 1023;          // monitor counts for kMaxVolts

  [[nodiscard]] static double VoltsForAfr(double afr);     // clamped to 0 .. 5 V
  [[nodiscard]] static double AfrForVolts(double volts);   // clamped to 10 .. 20 AFR
  [[nodiscard]] static int RawForAfr(double afr);          // monitor counts, rounded
  [[nodiscard]] static double AfrForRaw(int raw);

  // The table file's text: one "AFR,voltage" line per `stepVolts`, increasing voltage.
  [[nodiscard]] static std::string TableText(double stepVolts = 0.25);
};

}  // namespace corvane::sim
