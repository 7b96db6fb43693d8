#pragma once

#include <vector>

namespace corvane {

// One copied point.
struct CClipBoardItem {
    int index = 0;
    double value = 0.0;
    int moduleValue = 0;  // the value truncated toward zero
};

// The map clipboard, one per application. It remembers the byte width of the map it was
// copied from and whether it holds base values or trims, so a paste of one kind into the
// other is refused.
struct CClipBoard {
    enum class Kind { BaseValues, Trims };
    int dataType = 0;  // bytes per point of the source map; 0 when never filled
    Kind kind = Kind::BaseValues;
    std::vector<CClipBoardItem> items;
};

}  // namespace corvane
