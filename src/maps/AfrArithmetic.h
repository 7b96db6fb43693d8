#pragma once

#include <string>

namespace corvane {

// The arithmetic of the AFR calculator and the AFR entry, without their dialogs.

inline constexpr double kMinimumTargetAfr = 12.0;
inline constexpr double kMaximumTargetAfr = 14.7;

// Whether the calculator accepts the target AFR (12.0 ... 14.7).
[[nodiscard]] bool IsTargetAfrAccepted(double target);

// The fuelling change factor, to three decimals: 14.0 against 13.1 gives 1.069. A target
// outside the accepted range gives 0.
[[nodiscard]] double AfrChangeFactor(double mapPointAfr, double targetAfr);

// The AFR typed or picked in the AFR entry: the text read as a number (ParseNumber); a text
// that is not a number (or is empty) gives 0.
[[nodiscard]] double ParseAfrEntry(const std::string& text);

}  // namespace corvane
