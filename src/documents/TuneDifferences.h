#pragma once

#include <string>
#include <vector>

namespace corvane {

class CCorvaneMapsDoc;

// A basic setting whose value differs between two tunes; values in display units.
struct SettingDifference {
    int index = 0;  // the setting's index in both documents
    double displayA = 0.0;
    double displayB = 0.0;
};

// A map point whose value differs between two tunes. Both documents are of one product family,
// so mapIndex and point name the same point in each.
struct PointDifference {
    int mapIndex = 0;
    int point = 0;
    double x = 0.0;
    double displayA = 0.0;  // the module value in display units (base and trim)
    double displayB = 0.0;
    bool trimDiffers = false;
    double trimA = 0.0;  // the trims in display units
    double trimB = 0.0;
};

// Everything in which tune B differs from tune A, in document order: the base map name, the
// settings by index, then the points of every map (composites included, as they show).
struct TuneDifferences {
    bool baseMapNameDiffers = false;
    std::vector<SettingDifference> settings;
    std::vector<PointDifference> points;

    [[nodiscard]] int Count() const {
        return (baseMapNameDiffers ? 1 : 0) + static_cast<int>(settings.size()) + static_cast<int>(points.size());
    }
    [[nodiscard]] bool Empty() const { return Count() == 0; }
};

// The one comparison of two tunes: the command line's diff and the windows' list of differences
// both show what this finds. A setting or point differs when its base, its trim or its module
// value does; the documents must be of the same product family (same maps, same settings).
[[nodiscard]] TuneDifferences CompareTunes(const CCorvaneMapsDoc& a, const CCorvaneMapsDoc& b);

}  // namespace corvane
