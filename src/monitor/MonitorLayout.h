#pragma once

#include <string>
#include <vector>

#include "monitor/CMonitoredItem.h"

namespace corvane {

// Geometry of the monitor view's group window (one button and one label per shown item, in
// columns of 15) and of the own windows along the top of the main window.
namespace MonitorLayout {

inline constexpr int kRowsPerColumn = 15;
inline constexpr int kButtonHeight = 18;
inline constexpr int kLabelHeight = 17;
inline constexpr int kLabelGap = 3;
inline constexpr int kTopMargin = 5;
inline constexpr int kLeftMargin = 5;
inline constexpr int kRightPadding = 15;
inline constexpr int kBottomPadding = 20;
inline constexpr int kRowPitch = 45;
inline constexpr int kCharacterWidth = 5;
inline constexpr int kFirstButtonId = 200;

struct Rect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    [[nodiscard]] int Right() const { return x + width; }
    [[nodiscard]] int Bottom() const { return y + height; }
};

struct GroupControl {
    int itemIndex = 0;  // catalogue index
    Rect button;        // caption: the item's name
    Rect label;         // text: value text + " " + units
    int buttonId = 0;   // 200 + catalogue index
    int labelId = 0;    // 200 + 4 x (45 + catalogue index)
    std::string buttonText;
    std::string labelText;
};

// 5 x the largest character count over all items of the name and of value text plus units.
[[nodiscard]] int ButtonWidth(const std::vector<CMonitoredItem>& items);
// One control pair per shown item, the k-th shown item at column k / 15, row k % 15.
[[nodiscard]] std::vector<GroupControl> LayoutGroup(const std::vector<CMonitoredItem>& items, int buttonWidth);
// The texts of a laid-out group, refreshed from the items after a packet.
void RefreshGroupTexts(std::vector<GroupControl>& controls, const std::vector<CMonitoredItem>& items);
// Size of the view's frame: the controls' extent plus the right and bottom padding.
[[nodiscard]] Rect GroupExtent(const std::vector<GroupControl>& controls);

struct Point {
    int x = 0;
    int y = 0;
};
// Top-left corner of a new own window `width` wide when it is the n-th own window: along the
// top of the client area, n widths from its right edge, or one width when that would be
// left of the screen origin.
[[nodiscard]] Point OwnWindowOrigin(int clientRight, int clientTop, int width, int count);

}  // namespace MonitorLayout

}  // namespace corvane
