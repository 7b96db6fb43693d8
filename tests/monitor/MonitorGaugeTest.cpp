#include <gtest/gtest.h>

#include <vector>

#include "model/AppState.h"
#include "monitor/CCorvaneMonitorDoc.h"
#include "monitor/CMonitorGaugeState.h"
#include "monitor/CMonitorModel.h"
#include "monitor/MonitorLayout.h"
#include "monitor/MonitorValueSetupDlg.h"
#include "monitor/MonitoredItemsFile.h"
#include "monitor/MonitorTestSupport.h"

namespace corvane {
namespace {

using test::BlockBuilder;

CMonitoredItem GaugeItem() {
    CMonitoredItem item;
    item.name = "Test";
    item.setupName = "Test Value";
    item.setupUnits = "u";
    item.dataMinimum = 0.0;
    item.dataMaximum = 100.0;
    item.moduleMinimum = 0;
    item.moduleMaximum = 100;
    item.gaugeMinimum = 0.0;
    item.gaugeMaximum = 100.0;
    item.yellowStop = 25.0;
    item.redStart = 75.0;
    return item;
}

TEST(MonitorGroupLayout, FifteenRowsPerColumnCountingShownItemsOnly) {
    std::vector<CMonitoredItem> items(17, GaugeItem());
    items[3].shown = 0;  // 16 shown
    const int width = MonitorLayout::ButtonWidth(items);
    const auto controls = MonitorLayout::LayoutGroup(items, width);
    ASSERT_EQ(controls.size(), 16u);
    EXPECT_EQ(controls[3].itemIndex, 4);
    EXPECT_EQ(controls[14].button.y, 5 + 14 * 45);
    EXPECT_EQ(controls[15].button.x, 5 + (width + 5));
    EXPECT_EQ(controls[15].button.y, 5);
    EXPECT_EQ(controls[15].label.y, 5 + 21);
    EXPECT_EQ(controls[15].buttonId, 200 + 16);
    EXPECT_EQ(controls[15].labelId, 200 + 4 * (45 + 16));
    const auto extent = MonitorLayout::GroupExtent(controls);
    EXPECT_EQ(extent.width, 5 + 2 * (width + 5) + 15 - 5);
    EXPECT_EQ(extent.height, 5 + 14 * 45 + 21 + 17 + 20);
}

TEST(MonitorGroupLayout, ButtonWidthIsFivePixelsPerCharacterOfTheLongestText) {
    std::vector<CMonitoredItem> items(2, GaugeItem());
    items[0].name = "Twelve chars";
    items[1].valueText = "123456.00";
    items[1].units = "rpm / s";
    EXPECT_EQ(MonitorLayout::ButtonWidth(items), 5 * 16);
}

TEST(MonitorGroupLayout, NamesAndUnitsFromTheItemsFilesAreShownPrintable) {
    std::vector<CMonitoredItem> items(1, GaugeItem());
    items[0].name = "Temp\xB0";
    items[0].units = "\xB0" "F";
    items[0].valueText = "1.00";
    items[0].setupName = "Setup\x07";
    items[0].setupUnits = "\xFF";
    // The width follows the shown texts: "1.00" and "\xB0F" make 9 characters.
    EXPECT_EQ(MonitorLayout::ButtonWidth(items), 5 * 9);
    const auto controls = MonitorLayout::LayoutGroup(items, MonitorLayout::ButtonWidth(items));
    ASSERT_EQ(controls.size(), 1u);
    EXPECT_EQ(controls[0].buttonText, "Temp\\xB0");
    EXPECT_EQ(controls[0].labelText, "1.00 \\xB0F");
    CMonitorGaugeState gauge;
    gauge.Refresh(items[0]);
    EXPECT_EQ(gauge.Caption(), std::string(14, ' ') + "Setup\\x07");
    EXPECT_EQ(gauge.ValueBoxText(), "0.00 \\xFF");
    EXPECT_EQ(MonitorValueSetupDlg(items, 0).ListNames(), std::vector<std::string>{"Setup\\x07"});
    EXPECT_EQ(items[0].name, "Temp\xB0") << "the item keeps its bytes for the user file";
}

TEST(MonitorOwnWindows, PlacedFromTheRightEdgeOrOneWidthInWhenThatIsNegative) {
    EXPECT_EQ(MonitorLayout::OwnWindowOrigin(1000, 30, 200, 4).x, 200);
    EXPECT_EQ(MonitorLayout::OwnWindowOrigin(1000, 30, 200, 6).x, 800);
    EXPECT_EQ(MonitorLayout::OwnWindowOrigin(1000, 30, 200, 6).y, 30);
}

TEST(MonitorGauge, ColourStateAtTheBandEdges) {
    CMonitoredItem item = GaugeItem();
    CMonitorGaugeState gauge;
    item.rawValue = 25;
    gauge.Refresh(item);
    EXPECT_EQ(gauge.ColourState(), 1);
    EXPECT_EQ(gauge.ColourIndex(), kGaugeGreen);
    item.rawValue = 75;
    gauge.Refresh(item);
    EXPECT_EQ(gauge.ColourState(), 2);
    item.rawValue = 24;
    gauge.Refresh(item);
    EXPECT_EQ(gauge.ColourState(), 0);
    EXPECT_EQ(gauge.ValueBoxText(), "24.00 u");
    EXPECT_EQ(item.currentValueText, "24.00");
    EXPECT_EQ(gauge.Caption(), "              Test Value");
}

TEST(MonitorGauge, NeedleFollowsTheAverageOfTheLastFourValues) {
    CMonitoredItem item = GaugeItem();
    CMonitorGaugeState gauge;
    item.rawValue = 80;
    gauge.Refresh(item);
    EXPECT_DOUBLE_EQ(gauge.Average(), 20.0);  // the kept values start at 0
    EXPECT_DOUBLE_EQ(gauge.NeedleFraction(), 0.2);
    for (int i = 0; i < 3; ++i) gauge.Refresh(item);
    EXPECT_DOUBLE_EQ(gauge.Average(), 80.0);
    item.gaugeMaximum = 80.0;
    gauge.Refresh(item);
    EXPECT_DOUBLE_EQ(gauge.NeedleFraction(), 1.0) << "at full scale, not over it";
    item.gaugeMaximum = 50.0;
    gauge.Refresh(item);
    EXPECT_DOUBLE_EQ(gauge.NeedleFraction(), 0.985);  // above the maximum: not at the very end
    EXPECT_DOUBLE_EQ(gauge.YellowFraction(), 0.5);
    EXPECT_DOUBLE_EQ(gauge.RedFraction(), 1.5);
}

TEST(MonitorGauge, ZeroGaugeRangeSwitchesNeedleAndBandsOff) {
    CMonitoredItem item = GaugeItem();
    item.gaugeMinimum = item.gaugeMaximum = 0.0;  // as items from the definitions file
    item.rawValue = 50;
    CMonitorGaugeState gauge;
    gauge.Refresh(item);
    EXPECT_FALSE(gauge.FractionsValid());
    const auto columns = gauge.Columns(120);
    EXPECT_FALSE(columns.needle);
    std::vector<std::uint8_t> row(120, 0xEE);
    PaintBarRow(row, columns);
    for (auto c : row) EXPECT_EQ(c, kGaugeAmber);
}

TEST(MonitorGauge, BarNeverDrawsOutsideItsBitmap) {
    const int width = 100;
    // Bands beyond the range and a needle at the over-range mark.
    auto c = ComputeBarColumns(width, true, 1.0, 2.0, true, 0.985);
    EXPECT_EQ(c.amberEnd, width);
    EXPECT_EQ(c.greenEnd, width);
    EXPECT_EQ(c.needleColumn, width - 3);
    c = ComputeBarColumns(width, true, -3.0, -1.0, true, 1.0);
    EXPECT_EQ(c.amberEnd, 0);
    EXPECT_EQ(c.needleColumn, width - 3);
    // Painting into a row with guard bytes on both sides never touches the guards.
    std::vector<std::uint8_t> row(width + 2, 0xEE);
    PaintBarRow(std::span<std::uint8_t>(row).subspan(1, width), ComputeBarColumns(width, true, 0.25, 0.75, true, 0.985));
    EXPECT_EQ(row.front(), 0xEE);
    EXPECT_EQ(row.back(), 0xEE);
    EXPECT_EQ(row[1 + 0], kGaugeAmber);
    EXPECT_EQ(row[1 + 26], kGaugeGreen);  // amber runs to w x 0.25 + 1
    EXPECT_EQ(row[1 + 80], kGaugeRed);
    EXPECT_EQ(row[1 + 99], kGaugeBlack);  // the needle, pulled in to end at the last column
    EXPECT_EQ(row[1 + 96], kGaugeRed);
}

TEST(MonitorModelOwnWindows, RestoredFromTheUserFileRefreshedAndShownWithEachPacket) {
    AppState app;
    CCorvaneMonitorDoc doc;
    test::RecordingSink sink;
    CMonitorModel model(doc, app, &sink);
    auto items = MonitoredItemsFile::Build(std::nullopt, std::nullopt, doc).items;
    items[0].ownWindow = 1;
    items[0].ownWindowLeft = 321;
    items[0].ownWindowTop = 12;
    model.FirstShowFrom(MonitoredItemsFile::Write(items), std::nullopt, std::nullopt, nullptr);
    ASSERT_EQ(model.OwnWindows().size(), 1u);
    EXPECT_EQ(model.OwnWindows()[0].left, 321);
    EXPECT_EQ(model.ItemSource(), MonitoredItemsFile::Source::UserFile);

    auto& second = model.OpenOwnWindow(7, 1000, 40, 200);
    EXPECT_EQ(second.left, 600);  // n = 2
    EXPECT_FALSE(model.OwnWindowsVisible());
    model.OnMonitorBlock(BlockBuilder().Set(0, 1023).Block());
    EXPECT_TRUE(model.OwnWindowsVisible());
    EXPECT_EQ(model.OwnWindows()[0].gauge.ValueBoxText(), "16.00 Volts");
    EXPECT_EQ(model.GroupControls()[0].labelText, "16.00 Volts");
    model.ToggleOwnWindows();
    EXPECT_FALSE(model.OwnWindowsVisible());
    model.OnMonitorBlock(BlockBuilder().Block());
    EXPECT_TRUE(model.OwnWindowsVisible());

    model.Items()[7].ownWindow = 0;
    model.AfterSetup(7, true, 1000, 40, 200);
    EXPECT_EQ(model.OwnWindows().size(), 1u);
    model.Items()[9].ownWindow = 1;
    model.AfterSetup(9, false, 1000, 40, 200);
    EXPECT_NE(model.FindOwnWindow(9), nullptr);
}

}  // namespace
}  // namespace corvane
