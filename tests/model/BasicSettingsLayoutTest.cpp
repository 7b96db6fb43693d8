#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "model/BasicSettingsLayout.h"

namespace corvane {
namespace {

namespace layout = BasicSettingsLayout;

TEST(BasicSettingsLayout, NineRowsPerColumnWhenTheWindowHoldsThemAll) {
    EXPECT_EQ(layout::ColumnWidth({"Rev Limit", "Ignition Delay Revolutions", "6144"}), 26 * 8);
    const int w = 26 * 8;
    // 29 settings need four columns: 20 + 4 x (208 + 5) + 15 pixels.
    EXPECT_EQ(layout::RowsPerColumn(29, w, 20 + 4 * (w + 5) + 15), 9);
    EXPECT_EQ(layout::RowsPerColumn(29, w, 0), 9) << "width not known yet";
    const auto controls = layout::Layout(std::vector<bool>(29, true), w, 9);
    ASSERT_EQ(controls.size(), 29u);
    EXPECT_EQ(controls[0].button, (layout::Rect{20, 45, w, 22}));
    EXPECT_EQ(controls[0].label, (layout::Rect{20, 70, w, 22}));
    EXPECT_EQ(controls[10].button, (layout::Rect{20 + (w + 5), 45 + 52, w, 22}));
    EXPECT_EQ(controls[28].button, (layout::Rect{20 + 3 * (w + 5), 45 + 52, w, 22}));
    EXPECT_EQ(layout::Extent(controls), (layout::Rect{0, 0, 20 + 4 * (w + 5) + 15, 45 + 9 * 52 + 20}));
}

TEST(BasicSettingsLayout, ANarrowWindowGetsFewerLongerColumnsNotACutOne) {
    const int w = 208;
    const int threeColumns = 20 + 3 * (w + 5) + 15;
    EXPECT_EQ(layout::RowsPerColumn(29, w, threeColumns), 10);  // 29 in three columns
    EXPECT_EQ(layout::RowsPerColumn(29, w, threeColumns - 1), 15);
    EXPECT_EQ(layout::RowsPerColumn(29, w, 100), 29) << "one column, however narrow";
    const auto controls = layout::Layout(std::vector<bool>(29, true), w, 10);
    const layout::Rect extent = layout::Extent(controls);
    EXPECT_LE(extent.width, threeColumns);
    EXPECT_EQ(controls[10].button.x, 20 + (w + 5));
    EXPECT_EQ(controls[10].button.y, 45);
}

TEST(BasicSettingsLayout, HiddenSettingsLeaveNoGap) {
    std::vector<bool> shown(12, true);
    shown[3] = false;
    const auto controls = layout::Layout(shown, 80, 9);
    ASSERT_EQ(controls.size(), 11u);
    EXPECT_EQ(controls[3].settingIndex, 4);
    EXPECT_EQ(controls[3].button.y, 45 + 3 * 52);
    EXPECT_EQ(controls[9].settingIndex, 10);
    EXPECT_EQ(controls[9].button, (layout::Rect{20 + 85, 45, 80, 22}));
}

}  // namespace
}  // namespace corvane
