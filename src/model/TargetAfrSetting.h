#pragma once

#include <string>

namespace corvane {

class SettingsStore;

// The AutoTune target AFR as it is kept between runs: section "AFR", entry "Target", a
// decimal text ("13.1" when missing or unreadable).
inline constexpr const char* kTargetAfrSection = "AFR";
inline constexpr const char* kTargetAfrEntry = "Target";

[[nodiscard]] double ReadTargetAfr(const SettingsStore& settings);
// Written with up to 10 significant digits: 13.25 is kept as "13.25".
void WriteTargetAfr(SettingsStore& settings, double target);
[[nodiscard]] std::string FormatTargetAfr(double target);

}  // namespace corvane
