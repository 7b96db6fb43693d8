#pragma once

#include <vector>

#include "maps/CTableOverlay.h"

namespace corvane {

class CAutoTuneCollector;
class CModuleMap;

// AutoTune's pending corrections as table marks: each collected correction on the cell of its
// map's row and its site's column, with the change in percent the curve shows beside it,
// orange for more fuel and blue for less. Corrections for maps that are not rows of the table
// are left out.
[[nodiscard]] CTableOverlay AutoTuneTableOverlay(const CAutoTuneCollector& collector, const std::vector<CModuleMap*>& rows);

}  // namespace corvane
