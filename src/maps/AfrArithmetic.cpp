#include "maps/AfrArithmetic.h"

#include "comms/api/Rounding.h"
#include "model/NumberText.h"

namespace corvane {

bool IsTargetAfrAccepted(double target) {
    // A tiny tolerance so that 14.7 typed as text and parsed is accepted.
    return target >= kMinimumTargetAfr - 1e-9 && target <= kMaximumTargetAfr + 1e-9;
}

double AfrChangeFactor(double mapPointAfr, double targetAfr) {
    if (!IsTargetAfrAccepted(targetAfr)) return 0.0;
    return RoundToInteger(mapPointAfr / targetAfr * 1000.0) * 0.001;
}

double ParseAfrEntry(const std::string& text) { return ParseNumber(text).value_or(0.0); }

}  // namespace corvane
