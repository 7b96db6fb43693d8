#pragma once

#include <string>

#include "model/NumberText.h"

namespace corvane {

// "%.2f" of a value into `out`, reusing its storage: the monitor writes 45 of these per packet.
// Produces the same text as printf's "%.2f" (both round the exact binary value), but never a
// negative zero ("Rear Trim 0.00 %", not "-0.00 %").
inline void AssignFixed2(std::string& out, double value) { AssignFixed(out, value, 2); }

[[nodiscard]] inline std::string Fixed2(double value) { return FormatFixed(value, 2); }

}  // namespace corvane
