#pragma once

#include <functional>
#include <optional>
#include <string>

#include "sim/ModuleEmulator.h"

namespace corvane::sim {

// The simulated engine's options as every program takes them on its command line (corvane,
// corvane-cli with --port sim, corvane-sim), so that they mean the same everywhere:
//   --sim-fuel-truth FILE.csv   the engine's true fuel need (FuelTruth)
//   --sim-real                  the realistic engine (EngineRealism) with its default sensors:
//                               delay 100 ms, response 80 ms, noise 0.15 AFR, speed jitter 10 rpm,
//                               and the monitor stream at the line's rate
//   --sim-ego-delay MS, --sim-ego-response MS, --sim-ego-noise AFR, --sim-no-transients,
//   --sim-no-warm-up            change one part of it (and imply --sim-real)
//   --sim-ideal                 the ideal engine even where a program would ride the real one
struct SimEngineOptionText {
  // The option's value by name without the dashes ("sim-ego-delay"); nullopt when not given.
  std::function<std::optional<std::string>(const std::string& name)> value;
  // Whether a flag (no value) was given.
  std::function<bool(const std::string& name)> flag;
};

inline constexpr double kRealEgoNoiseAfr = 0.15;
inline constexpr double kRealSpeedNoiseRpm = 10.0;

// Applies the options to `options`; `realByDefault` rides the realistic engine unless
// --sim-ideal. False with the reason in *error when a value does not fit (a number that is not
// one, a fuel truth file that does not fit, with its line and column).
bool ApplySimEngineOptions(const SimEngineOptionText& text, bool realByDefault, EmulatorOptions& options,
                           std::string* error);

// Whether any of the options above was given (a program refuses them for a real port).
bool AnySimEngineOption(const SimEngineOptionText& text);

// The options' help, one per line, indented by two blanks.
[[nodiscard]] const char* SimEngineOptionsUsage();

// Names of the options that take no value, and of those that take one.
[[nodiscard]] const char* const* SimEngineFlags();       // null-terminated
[[nodiscard]] const char* const* SimEngineValueOptions();  // null-terminated

}  // namespace corvane::sim
