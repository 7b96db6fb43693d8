#pragma once

#include <cmath>

namespace corvane {

// Nearest whole number, halves away from zero. Every display-to-module conversion that is
// not a plain truncation goes through this one rule.
[[nodiscard]] inline int RoundToInteger(double x) {
    if (!std::isfinite(x)) return 0;
    if (x >= 2147483647.0) return 2147483647;
    if (x <= -2147483648.0) return -2147483647 - 1;
    return static_cast<int>(std::lround(x));
}

// A whole number as a double: mode 0 rounds down, mode 1 rounds up.
[[nodiscard]] inline double RoundDouble(double x, int mode) {
    return mode == 0 ? std::floor(x) : std::ceil(x);
}

}  // namespace corvane
