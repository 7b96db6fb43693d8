#pragma once

#include <charconv>
#include <cmath>
#include <string>

namespace corvane {

// "%.2f" of a value into `out`, reusing its storage: the monitor writes 45 of these per packet.
// Produces the same text as printf's "%.2f" (both round the exact binary value).
inline void AssignFixed2(std::string& out, double value) {
    char text[352];
    const auto result = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, 2);
    out.assign(text, result.ec == std::errc() ? result.ptr : text);
}

[[nodiscard]] inline std::string Fixed2(double value) {
    std::string out;
    AssignFixed2(out, value);
    return out;
}

}  // namespace corvane
