#include "sim/SimEngineOptions.h"

#include <charconv>
#include <cmath>
#include <memory>

#include "sim/FuelTruth.h"
#include "sim/RideLog.h"

namespace corvane::sim {

namespace {

constexpr const char* kFlags[] = {"sim-real", "sim-ideal", "sim-no-transients", "sim-no-warm-up", nullptr};
constexpr const char* kValues[] = {"sim-fuel-truth", "sim-ego-delay", "sim-ego-response", "sim-ego-noise", nullptr};

bool Number(const std::string& text, double low, double high, double& out) {
  const char* end = text.data() + text.size();
  const auto [ptr, ec] = std::from_chars(text.data(), end, out);
  return !text.empty() && ec == std::errc{} && ptr == end && std::isfinite(out) && out >= low && out <= high;
}

}  // namespace

bool AnySimEngineOption(const SimEngineOptionText& text) {
  for (const char* const* f = kFlags; *f; ++f)
    if (text.flag(*f)) return true;
  for (const char* const* v = kValues; *v; ++v)
    if (text.value(*v)) return true;
  return false;
}

bool ApplySimEngineOptions(const SimEngineOptionText& text, bool realByDefault, EmulatorOptions& options,
                           std::string* error) {
  auto fail = [error](std::string why) {
    if (error) *error = std::move(why);
    return false;
  };
  if (text.flag("sim-real") && text.flag("sim-ideal")) return fail("give --sim-real or --sim-ideal, not both");
  bool real = realByDefault || text.flag("sim-real") || text.flag("sim-no-transients") || text.flag("sim-no-warm-up");
  EngineRealism realism;
  struct Millis {
    const char* name;
    double* seconds;
  };
  for (const Millis& m : {Millis{"sim-ego-delay", &realism.egoDelaySeconds}, Millis{"sim-ego-response", &realism.egoResponseSeconds}}) {
    const auto v = text.value(m.name);
    if (!v) continue;
    double ms = 0.0;
    if (!Number(*v, 0.0, 2000.0, ms)) return fail(std::string("--") + m.name + " takes milliseconds, 0 ... 2000");
    *m.seconds = ms / 1000.0;
    real = true;
  }
  double noise = kRealEgoNoiseAfr;
  if (const auto v = text.value("sim-ego-noise")) {
    if (!Number(*v, 0.0, 5.0, noise)) return fail("--sim-ego-noise takes an AFR, 0 ... 5");
    real = true;
  }
  if (text.flag("sim-ideal")) real = false;
  if (real) {
    realism.on = true;
    realism.transients = !text.flag("sim-no-transients");
    realism.warmUp = !text.flag("sim-no-warm-up");
    options.realism = realism;
    options.egoNoiseAfr = noise;
    options.speedNoiseRpm = kRealSpeedNoiseRpm;
    // A real module streams its block back to back on its line.
    options.monitorRateHz = LinePacketRate();
  }
  if (const auto path = text.value("sim-fuel-truth")) {
    std::string why;
    auto truth = FuelTruth::Load(*path, &why);
    if (!truth) return fail("--sim-fuel-truth: " + why);
    options.fuelTruth = std::make_shared<const FuelTruth>(std::move(*truth));
  }
  return true;
}

const char* SimEngineOptionsUsage() {
  return "  --sim-fuel-truth FILE.csv  the simulated engine's true fuel need: 32 rows of 64 factors\n"
         "                             (needed / stock fuel, 0.5 ... 2.0), a second 32 rows for the rear\n"
         "  --sim-real                 a realistic engine: lagging, noisy exhaust-oxygen sensors, a cold\n"
         "                             start, overrun fuel cut, transient fuel and wall film; the module\n"
         "                             streams back to back at the line's rate (138.8/s at 115200 baud)\n"
         "  --sim-ego-delay MS         its sensors' transport delay (default 100)\n"
         "  --sim-ego-response MS      their first-order response (default 80)\n"
         "  --sim-ego-noise AFR        their noise, standard deviation (default 0.15)\n"
         "  --sim-no-transients        no wall film and no transient fuel\n"
         "  --sim-no-warm-up           a warm engine from the start\n"
         "  --sim-ideal                the ideal engine (sensors read at once, no noise)\n";
}

const char* const* SimEngineFlags() { return kFlags; }
const char* const* SimEngineValueOptions() { return kValues; }

}  // namespace corvane::sim
