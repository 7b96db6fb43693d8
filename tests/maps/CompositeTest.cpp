#include <gtest/gtest.h>

#include "MapsFixture.h"
#include "maps/CModuleMapComposite3.h"
#include "model/Archive.h"

namespace corvane::test {
namespace {

// Family B: 32 IGN rows, REARIGNVSSPEEDMap, IGNDWELLVSVOLTAGEMap, then the three composites.
struct Composite : MapsFixture {
    Composite() {
        maps = CMapCatalogue::BuildFamily(2, &context);
        rows = maps[0].get();
    }
    CModuleMapBasic& Basic(int i) { return static_cast<CModuleMapBasic&>(*maps[static_cast<std::size_t>(i)]); }
    CModuleMap& IgnVsRpm() { return *maps[34]; }
    CModuleMap& RearTrim() { return *maps[35]; }

    std::vector<std::unique_ptr<CModuleMap>> maps;
    CModuleMap* rows = nullptr;
};

TEST_F(Composite, StepOfARowPointSetsTheWholeRow) {
    ASSERT_EQ(IgnVsRpm().GetClassName(), "IgnVsRpmMap");
    CModuleMapBasic& row = Basic(8);
    ASSERT_EQ(row.GetRowKey(), 2048);
    comms.linked = true;
    IgnVsRpm().StepPointByModuleUnits(8, 2);
    for (int i = 0; i < 64; ++i) EXPECT_EQ(row.GetPointModuleValue(i), 2) << i;
    ASSERT_EQ(comms.writes.size(), 1u);
    EXPECT_EQ(comms.writes[0].address, row.GetStartAddress());
    EXPECT_EQ(comms.writes[0].bytes.size(), 64u);
    EXPECT_TRUE(IgnVsRpm().IsPointInSync(8));
    EXPECT_EQ(Basic(7).GetPointModuleValue(0), 0);
}

TEST_F(Composite, HalfResolutionStepChangesItsTwoSourcePoints) {
    CModuleMapBasic& source = Basic(32);
    ASSERT_EQ(source.GetClassName(), "REARIGNVSSPEEDMap");
    RearTrim().StepPointByModuleUnits(5, 3);
    EXPECT_EQ(source.GetPointModuleValue(10), 121);
    EXPECT_EQ(source.GetPointModuleValue(11), 121);
    EXPECT_EQ(source.GetPointModuleValue(12), 118);
    EXPECT_EQ(source.GetPointModuleValue(9), 118);
}

TEST_F(Composite, CompositeNeverWritesAnImageAddressOfItsOwn) {
    auto before = std::vector<std::uint8_t>(image.Data(), image.Data() + CModuleMemoryMapMirror::kSize);
    RearTrim().StepPointByModuleUnits(0, 1);
    int changed = 0;
    for (std::uint32_t a = 0; a < CModuleMemoryMapMirror::kSize; ++a)
        if (image.ReadByte(static_cast<std::uint16_t>(a)) != before[a]) ++changed;
    EXPECT_EQ(changed, 2) << "only the source points 0 and 1 change in the image";
    EXPECT_EQ(image.ReadByte(0xA080), 119);
    EXPECT_EQ(image.ReadByte(0xA081), 119);
}

TEST_F(Composite, FailingWriteLeavesRowAndCompositeNotInSync) {
    comms.linked = true;
    comms.failAddresses = {Basic(3).GetStartAddress()};
    IgnVsRpm().StepPointByModuleUnits(3, 1);
    EXPECT_FALSE(IgnVsRpm().IsPointInSync(3));
    EXPECT_FALSE(Basic(3).IsPointInSync(0));
}

TEST_F(Composite, FitLinePassesChangedPointsToRowsAndRestoreBringsThemBack) {
    for (int r = 0; r < 32; ++r) Basic(r).SetBlockModuleValue(0, 63, r % 2 == 0 ? 10 : 20);
    // Row 0's own detail must survive as an end point of the line.
    Basic(0).StepPointByModuleUnits(40, 5);
    IgnVsRpm().SyncFromRows();
    IgnVsRpm().FitLine(0, 4);  // 10 ... 10: rows 1 and 3 flatten to 10
    EXPECT_EQ(Basic(1).GetPointModuleValue(30), 10);
    EXPECT_EQ(Basic(3).GetPointModuleValue(63), 10);
    EXPECT_EQ(Basic(0).GetPointModuleValue(40), 15) << "an unchanged end point keeps its row";
    IgnVsRpm().RestoreBlock(0, 4);
    EXPECT_EQ(Basic(1).GetPointModuleValue(30), 20);
    EXPECT_EQ(Basic(3).GetPointModuleValue(63), 20);
}

TEST_F(Composite, PasteOfAFullMapFillsOnlyTheCompositesPoints) {
    std::vector<CClipBoardItem> items;
    for (int i = 0; i < 64; ++i) items.push_back({i, 7.0, 7});
    IgnVsRpm().PasteBlock(items, 0, 63);
    for (int r = 0; r < 32; ++r) EXPECT_EQ(Basic(r).GetPointModuleValue(17), 7) << r;
    EXPECT_EQ(IgnVsRpm().GetPointModuleValue(31), 7);
}

TEST_F(Composite, TrimStepPassesTheAppliedDeltaToTheRow) {
    CModuleMapBasic& row = Basic(6);
    row.SetBlockModuleValue(0, 63, 20);
    IgnVsRpm().SyncFromRows();
    IgnVsRpm().StepPointTrimByModuleUnits(6, 9);  // composite margin +5
    EXPECT_EQ(IgnVsRpm().GetPointTrimValue(6), 5);
    for (int i = 0; i < 64; ++i) EXPECT_EQ(row.GetPointModuleValue(i), 25) << i;
}

TEST_F(Composite, OperationsWithoutMeaningTellTheUserAndChangeNothing) {
    Basic(2).SetBlockModuleValue(0, 63, 12);
    IgnVsRpm().SyncFromRows();
    IgnVsRpm().OffsetMapByModuleUnits(3);
    IgnVsRpm().SynchronizeIdleMap(3);
    IgnVsRpm().SetBlockTrim(0, 32, 1);
    int low = 0;
    IgnVsRpm().GetMapLowIdleRpm(low);
    EXPECT_EQ(prompter.Texts(), (std::vector<std::string>{"OffsetMapByModuleUnits Not Implemented",
                                                          "SynchronizeIdleMap not Enabled",
                                                          "SynchronizeIdleMap not Enabled",
                                                          "GetMapLowIdleRpm not Enabled"}));
    EXPECT_EQ(Basic(2).GetPointModuleValue(0), 12);
    EXPECT_EQ(IgnVsRpm().PpfFit(0, 5), -1);
    IgnVsRpm().SetBlockModuleValue(0, 31, 40);
    EXPECT_EQ(Basic(2).GetPointModuleValue(0), 12);
}

TEST_F(Composite, CompositeMirrorsEditsMadeInItsRows) {
    Basic(9).StepPointByModuleUnits(0, 4);
    EXPECT_EQ(IgnVsRpm().GetPointModuleValue(9), 0);
    IgnVsRpm().SyncFromRows();
    EXPECT_EQ(IgnVsRpm().GetPointModuleValue(9), 4);
    EXPECT_FALSE(IgnVsRpm().IsPointInSync(9));
}

TEST_F(Composite, FileRecordsOfACompositeAreEmptyAndLoadingRebuildsIt) {
    Basic(1).SetBlockModuleValue(0, 63, 33);
    Archive out;
    IgnVsRpm().Serialize(out, 12);
    EXPECT_TRUE(out.Bytes().empty());
    Archive in(out.Bytes());
    IgnVsRpm().Serialize(in, 12);
    EXPECT_EQ(IgnVsRpm().GetPointModuleValue(1), 33);
}

TEST_F(Composite, SinglePointWriteGoesToTheSourcePoints) {
    comms.linked = true;
    RearTrim().WriteSinglePointToModule(4);
    ASSERT_EQ(comms.writes.size(), 1u);
    EXPECT_EQ(comms.writes[0].address, 0xA080 + 8);
    EXPECT_EQ(comms.writes[0].bytes.size(), 2u);
    EXPECT_TRUE(RearTrim().IsPointInSync(4));
}

}  // namespace
}  // namespace corvane::test
