#include "model/BasicSettingsLayout.h"

#include <algorithm>

namespace corvane::BasicSettingsLayout {

int ColumnWidth(const std::vector<std::string>& texts) {
    std::size_t longest = 0;
    for (const std::string& t : texts) longest = std::max(longest, t.size());
    return kCharWidth * static_cast<int>(longest);
}

int RowsPerColumn(int shown, int columnWidth, int availableWidth) {
    if (shown <= 0 || availableWidth <= 0) return kRowsPerColumn;
    const int pitch = columnWidth + kColumnGap;
    const int columnsNeeded = (shown + kRowsPerColumn - 1) / kRowsPerColumn;
    // As Extent measures them: every column with its gap, then the right padding.
    const int fitting = std::max(1, (availableWidth - kGridX - kRightPadding) / std::max(pitch, 1));
    if (columnsNeeded <= fitting) return kRowsPerColumn;
    return (shown + fitting - 1) / fitting;
}

std::vector<Control> Layout(const std::vector<bool>& shown, int columnWidth, int rowsPerColumn) {
    rowsPerColumn = std::max(rowsPerColumn, 1);
    std::vector<Control> controls;
    int k = 0;
    for (int index = 0; index < static_cast<int>(shown.size()); ++index) {
        if (!shown[static_cast<std::size_t>(index)]) continue;
        const int x = kGridX + (k / rowsPerColumn) * (columnWidth + kColumnGap);
        const int y = kGridY + (k % rowsPerColumn) * kRowPitch;
        controls.push_back({index, {x, y, columnWidth, kButtonHeight},
                            {x, y + kButtonHeight + kButtonLabelGap, columnWidth, kLabelHeight}});
        ++k;
    }
    return controls;
}

Rect Extent(const std::vector<Control>& controls) {
    int right = kGridX;
    int bottom = kGridY;
    for (const Control& c : controls) {
        right = std::max(right, c.label.Right() + kColumnGap);
        bottom = std::max(bottom, c.label.Bottom() + kRowSpacing);
    }
    return {0, 0, right + kRightPadding, bottom + kBottomPadding};
}

}  // namespace corvane::BasicSettingsLayout
