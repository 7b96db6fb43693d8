#pragma once

#include <string>
#include <vector>

namespace corvane {

// Geometry of the basic settings view: one button with the setting's name and one value label
// under it per shown setting, in columns of nine rows, the "Read Module Settings" button above
// them. A window too narrow for all the columns gets fewer, longer columns instead of cutting
// the last one off: the view scrolls down, never sideways.
namespace BasicSettingsLayout {

inline constexpr int kRowsPerColumn = 9;
inline constexpr int kButtonHeight = 22;
inline constexpr int kLabelHeight = 22;
inline constexpr int kButtonLabelGap = 3;
inline constexpr int kRowSpacing = 5;
inline constexpr int kRowPitch = kButtonHeight + kButtonLabelGap + kLabelHeight + kRowSpacing;  // 52
inline constexpr int kColumnGap = 5;
inline constexpr int kRightPadding = 15;
inline constexpr int kBottomPadding = 20;
inline constexpr int kCharWidth = 8;
// The grid's top-left corner, below the "Read Module Settings" button (20, 5)-(195, 30).
inline constexpr int kGridX = 20;
inline constexpr int kGridY = 45;

struct Rect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    [[nodiscard]] int Right() const { return x + width; }
    [[nodiscard]] int Bottom() const { return y + height; }
    bool operator==(const Rect&) const = default;
};

struct Control {
    int settingIndex = 0;
    Rect button;
    Rect label;
};

// 8 pixels a character of the longest name or value text.
[[nodiscard]] int ColumnWidth(const std::vector<std::string>& texts);
// Nine, unless `shown` settings in columns of nine would be wider than `availableWidth` (the
// view's width; 0 or less: not known): then as many rows as the columns that fit need.
[[nodiscard]] int RowsPerColumn(int shown, int columnWidth, int availableWidth);
// One button and label per shown setting, the k-th shown one at column k / rows, row k % rows.
[[nodiscard]] std::vector<Control> Layout(const std::vector<bool>& shown, int columnWidth, int rowsPerColumn);
// The size the view scrolls over: the controls' extent with the paddings.
[[nodiscard]] Rect Extent(const std::vector<Control>& controls);

}  // namespace BasicSettingsLayout

}  // namespace corvane
