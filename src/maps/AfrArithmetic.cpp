#include "maps/AfrArithmetic.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>

#include "comms/api/Rounding.h"

namespace corvane {

bool IsTargetAfrAccepted(double target) {
    // A tiny tolerance so that 14.7 typed as text and parsed is accepted.
    return target >= kMinimumTargetAfr - 1e-9 && target <= kMaximumTargetAfr + 1e-9;
}

double AfrChangeFactor(double mapPointAfr, double targetAfr) {
    if (!IsTargetAfrAccepted(targetAfr)) return 0.0;
    return RoundToInteger(mapPointAfr / targetAfr * 1000.0) * 0.001;
}

double ParseAfrEntry(const std::string& text) {
    const char* begin = text.c_str();
    while (*begin == ' ' || *begin == '\t') ++begin;
    if (*begin == '\0') return 0.0;
    char* end = nullptr;
    errno = 0;
    const double value = std::strtod(begin, &end);
    if (end == begin || errno == ERANGE || !std::isfinite(value)) return 0.0;
    while (*end == ' ' || *end == '\t') ++end;
    return *end == '\0' ? value : 0.0;
}

}  // namespace corvane
