#include "model/NumberText.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace corvane {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// The length of the number at the start of `s` under the rule of ParseNumber (sign included),
// or 0 when it does not start with one.
std::size_t NumberLength(std::string_view s) {
    std::size_t i = 0;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
    std::size_t digits = 0;
    while (i < s.size() && IsDigit(s[i])) ++i, ++digits;
    if (i < s.size() && s[i] == '.') {
        ++i;
        while (i < s.size() && IsDigit(s[i])) ++i, ++digits;
    }
    if (digits == 0) return 0;
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
        std::size_t j = i + 1;
        if (j < s.size() && (s[j] == '+' || s[j] == '-')) ++j;
        std::size_t exponentDigits = 0;
        while (j < s.size() && IsDigit(s[j])) ++j, ++exponentDigits;
        // "12e" is no number; the exponent belongs to it only with its digits.
        if (exponentDigits == 0) return 0;
        i = j;
    }
    return i;
}

}  // namespace

std::optional<double> ParseNumber(std::string_view text) {
    while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
    const std::size_t length = NumberLength(text);
    if (length == 0 || length != text.size()) return std::nullopt;
    // from_chars takes no '+'; it is the same number without it.
    if (text.front() == '+') text.remove_prefix(1);
    double value = 0.0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || !std::isfinite(value)) return std::nullopt;
    return value;
}

void AssignFixed(std::string& out, double value, int decimals) {
    decimals = std::clamp(decimals, 0, 17);
    char text[352];
    const auto result = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, decimals);
    const char* end = result.ec == std::errc() ? result.ptr : text;
    const char* begin = text;
    // A value that rounds to zero keeps no sign: every digit shown is a zero.
    if (end > begin && *begin == '-' && std::all_of(begin + 1, end, [](char c) { return c == '0' || c == '.'; }))
        ++begin;
    out.assign(begin, end);
}

std::string FormatFixed(double value, int decimals) {
    std::string out;
    AssignFixed(out, value, decimals);
    return out;
}

std::string FormatSigned(double value, int decimals) {
    std::string text = FormatFixed(value, decimals);
    if (text.empty() || text.front() != '-') text.insert(text.begin(), '+');
    return text;
}

}  // namespace corvane
