#include <gtest/gtest.h>

#include "maps/CTableLivePosition.h"
#include "maps/CTableOverlay.h"
#include "maps/TableText.h"

namespace corvane::test {
namespace {

// --- Live position ---------------------------------------------------------------------------------

CTableLivePosition Live() { return CTableLivePosition({0, 256, 512, 768}, {0.0, 10.0, 20.0}, 2.0); }

double WeightOf(const CTableLivePosition& live, TableCell cell) {
    double w = 0.0;
    for (const auto& c : live.Corners())
        if (c.cell == cell) w += c.weight;
    return w;
}

TEST(TableLive, TheFourCellsAroundTheEngineCarryTheirBilinearWeights) {
    auto live = Live();
    EXPECT_FALSE(live.HasPosition());
    live.Update(320, 15.0, 1.0);  // a quarter of the way from 256 to 512, halfway from 10 to 20
    ASSERT_TRUE(live.HasPosition());
    EXPECT_DOUBLE_EQ(WeightOf(live, {1, 1}), 0.75 * 0.5);
    EXPECT_DOUBLE_EQ(WeightOf(live, {1, 2}), 0.75 * 0.5);
    EXPECT_DOUBLE_EQ(WeightOf(live, {2, 1}), 0.25 * 0.5);
    EXPECT_DOUBLE_EQ(WeightOf(live, {2, 2}), 0.25 * 0.5);
    EXPECT_EQ(live.NearestCell(), (TableCell{1, 1})) << "the first of two equal weights";
    EXPECT_DOUBLE_EQ(live.Position().row, 1.25);
    EXPECT_DOUBLE_EQ(live.Position().column, 1.5);
}

TEST(TableLive, APositionOnACellOrBeyondTheTableGivesThatEdgeCellTheWholeWeight) {
    auto live = Live();
    live.Update(512, 10.0, 0.0);
    EXPECT_DOUBLE_EQ(WeightOf(live, {2, 1}), 1.0);
    live.Update(9000, 50.0, 0.0);
    EXPECT_DOUBLE_EQ(WeightOf(live, {3, 2}), 1.0);
    EXPECT_EQ(live.NearestCell(), (TableCell{3, 2}));
    live.Update(-100, -1.0, 0.0);
    EXPECT_DOUBLE_EQ(WeightOf(live, {0, 0}), 1.0);
}

TEST(TableLive, TheTrailKeepsTheLastSecondsOnlyAndClearsWithTheStream) {
    auto live = Live();
    live.Update(0, 0.0, 10.0);
    live.Update(256, 10.0, 11.0);
    live.Update(512, 20.0, 12.5);
    auto trail = live.Trail(12.5);
    ASSERT_EQ(trail.size(), 2u) << "the sample of 10.0 s is older than 2 s";
    EXPECT_DOUBLE_EQ(trail[0].age, 1.5);
    EXPECT_DOUBLE_EQ(trail[0].place.row, 1.0);
    EXPECT_DOUBLE_EQ(trail[1].age, 0.0);
    EXPECT_EQ(live.Trail(20.0).size(), 0u);
    live.Clear();
    EXPECT_FALSE(live.HasPosition());
    EXPECT_TRUE(live.Trail(12.5).empty());
}

TEST(TableLive, PacketsCloserThanTheTrailIntervalMoveTheNewestTrailPoint) {
    auto live = Live();
    live.Update(0, 0.0, 1.0);
    live.Update(256, 0.0, 1.0 + CTableLivePosition::kTrailInterval / 2);
    live.Update(512, 0.0, 1.0 + CTableLivePosition::kTrailInterval * 0.9);
    auto trail = live.Trail(1.04);
    ASSERT_EQ(trail.size(), 1u);
    EXPECT_DOUBLE_EQ(trail[0].place.row, 2.0) << "the newest point is where the engine is";
    live.Update(768, 0.0, 1.0 + CTableLivePosition::kTrailInterval * 1.5);
    EXPECT_EQ(live.Trail(1.1).size(), 2u);
}

// --- Overlay -----------------------------------------------------------------------------------------

TEST(TableOverlay, OneMarkPerCellTheLastOneWins) {
    CTableOverlay overlay;
    overlay.Set({1, 2}, 2.5, CTableOverlay::kRicherColour);
    overlay.Set({1, 3}, -1.0, CTableOverlay::kLeanerColour);
    overlay.Set({1, 2}, 3.0, CTableOverlay::kRicherColour);
    ASSERT_EQ(overlay.Marks().size(), 2u);
    EXPECT_DOUBLE_EQ(overlay.At({1, 2})->percent, 3.0);
    EXPECT_FALSE(overlay.At({2, 2}));
}

// --- Text ----------------------------------------------------------------------------------------------

TEST(TableTextSplit, LinesEndWithOrWithoutCarriageReturnsAndTheLastLineEndOpensNoLine) {
    using Grid = TableText::Grid;
    EXPECT_EQ(TableText::Split("1\t2\r\n3\t4\r\n", '\t'), (Grid{{"1", "2"}, {"3", "4"}}));
    EXPECT_EQ(TableText::Split("1\t2\n3\t4", '\t'), (Grid{{"1", "2"}, {"3", "4"}}));
    EXPECT_EQ(TableText::Split("a,,b\n\nc", ','), (Grid{{"a", "", "b"}, {""}, {"c"}}));
    EXPECT_TRUE(TableText::Split("", '\t').empty());
    EXPECT_EQ(TableText::Split("\n", '\t'), (Grid{{""}}));
    EXPECT_EQ(TableText::DetectSeparator("rpm;1;2\n0;1,5;2\n"), ';');
    EXPECT_EQ(TableText::DetectSeparator("rpm,1,2\n"), ',');
    EXPECT_EQ(TableText::DetectSeparator("rpm\t1\n"), '\t');
}

TEST(TableTextNumbers, DecimalsShowEveryModuleStepOfTheFamilies) {
    EXPECT_EQ(TableText::DecimalsFor(20.95104 / 1023), 2);  // fuel, 0.02 ms a step
    EXPECT_EQ(TableText::DecimalsFor(99.6 / 255), 1);       // rear trims, 0.4 % a step
    EXPECT_EQ(TableText::DecimalsFor(1.0), 0);              // timing, whole degrees
    EXPECT_EQ(TableText::DecimalsFor(0.0), 2);
}

}  // namespace
}  // namespace corvane::test
