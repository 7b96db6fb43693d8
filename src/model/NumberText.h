#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace corvane {

// Numbers as the tuner types them and as the program shows them: one rule for every entry
// box (setting values, AFR values, gauge limits) and every shown value.

// A whole text as a decimal number, whatever the user's locale: blanks around it, an
// optional sign, digits with at most one '.', at least one digit, an optional exponent
// ("1.5e3"). Anything else is no number: empty text, "12abc", "1,5" (a comma would be read
// as a thousands separator by some and a decimal one by others: "1,340" must not become
// 1.34), "inf", "nan", hexadecimal, and numbers too large for a double.
[[nodiscard]] std::optional<double> ParseNumber(std::string_view text);

// `value` with `decimals` digits after the point (printf's "%.Nf", which rounds the exact
// binary value), never as a negative zero: -0.004 at two decimals shows "0.00", not "-0.00".
// `decimals` is kept within 0 ... 17.
[[nodiscard]] std::string FormatFixed(double value, int decimals);
// The same into `out`, reusing its storage (the monitor writes 45 of these per packet).
void AssignFixed(std::string& out, double value, int decimals);
// With a sign always shown ("+1.5", "-0.3"); what rounds to zero shows "+0.0".
[[nodiscard]] std::string FormatSigned(double value, int decimals);

}  // namespace corvane
