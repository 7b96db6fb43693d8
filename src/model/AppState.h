#pragma once

#include <cstdint>

#include "model/ClipBoard.h"

namespace corvane {

// Load status of the last map file load.
enum LoadStatus : int {
    kLoadOk = 0,
    kLoadWrongProduct = 1,
    kLoadCorrupt = 2,
};

// Positions in a document's maps array of the first and last rear-cylinder trim maps and of
// the first and last fuel maps; the quick AFR keys depend on them.
struct FamilyPositions {
    int firstRearTrim = 0;
    int lastRearTrim = 0;
    int firstFuel = 0;
    int lastFuel = 0;
};

// Application-wide state, one instance passed to whoever needs it (never a global).
struct AppState {
    std::uint32_t productCode = 1;  // the running product family
    bool moduleLinked = false;
    int moduleFirmwareVersion = 0;  // 0 while unlinked
    bool transferInProgress = false;         // for the whole of a READ or WRITE
    bool firmwareUpgradeInProgress = false;  // while the firmware upgrade procedure runs
    double targetAfr = 13.1;
    bool autoTuneActive = false;
    bool autoTuneTracking = false;
    int targetEngineSpeed = 0;
    int loadStatus = kLoadOk;
    FamilyPositions familyPositions;
    CClipBoard clipboard;
};

inline constexpr double kDefaultTargetAfr = 13.1;

}  // namespace corvane
