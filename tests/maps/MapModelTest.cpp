#include <gtest/gtest.h>

#include <cmath>
#include <functional>

#include "MapsFixture.h"
#include "model/Archive.h"

namespace corvane::test {
namespace {

using MapModel = MapsFixture;

// --- Layout and units ------------------------------------------------------------------------

TEST_F(MapModel, WordMapLaysOutPointsAndWritesBigEndianBytes) {
    auto map = Make("AirTemp384_447Map");
    EXPECT_EQ(map->GetMapPoint(63)->GetAddress(), 0xCB7E);
    EXPECT_EQ(map->GetMapSizeBytes(), 128);
    EXPECT_DOUBLE_EQ(map->GetPointX(5), 389.0);
    EXPECT_DOUBLE_EQ(map->GetYScale(), 0.5);
    map->SetBlockModuleValue(3, 3, 0x0123);
    EXPECT_EQ(image.ReadByte(0xCB06), 0x01);
    EXPECT_EQ(image.ReadByte(0xCB07), 0x23);
    EXPECT_DOUBLE_EQ(map->GetPointDisplayValue(3), -40.0 + 0x123 * 0.5);
}

TEST_F(MapModel, PushWritesOneBlockFromTheImageAndMarksInSyncOnlyWhenWritten) {
    auto map = Make("Stoichiometric512Map");  // word points from 0x8080
    comms.linked = true;
    Shape(*map, [](int i) { return 100 + i; });
    map->UpdateMapPointBlockBaseValuesByDelta(2, 4, 0x100);
    ASSERT_EQ(comms.writes.size(), 1u);
    EXPECT_EQ(comms.writes[0].address, 0x8084);
    EXPECT_EQ(comms.writes[0].bytes, (std::vector<std::uint8_t>{0x01, 0x66, 0x01, 0x67, 0x01, 0x68}));
    for (int i = 2; i <= 4; ++i) EXPECT_TRUE(map->IsPointInSync(i));

    comms.failAddresses = {0x8080};
    map->StepPointByModuleUnits(0, 1);
    EXPECT_FALSE(map->IsPointInSync(0)) << "a failed write must not be reported as in sync";
}

TEST_F(MapModel, EditWhileUnlinkedWritesNothingAndMarksNotInSync) {
    auto map = Make("IGNVSMAP2048Map");
    map->MarkPointInSync(7);
    map->StepPointByModuleUnits(7, 1);
    EXPECT_TRUE(comms.writes.empty());
    EXPECT_FALSE(map->IsPointInSync(7));
    EXPECT_EQ(modifiedCount, 1);
}

// --- Base edits --------------------------------------------------------------------------------

TEST_F(MapModel, StepClampsToTheModuleRange) {
    auto map = Make("IGNVSMAP256Map");  // module 0..45
    Shape(*map, [](int) { return 42; });
    map->StepPointByModuleUnits(10, 5);
    EXPECT_EQ(map->GetPointModuleValue(10), 45);
    map->StepPointByModuleUnits(11, -100);
    EXPECT_EQ(map->GetPointModuleValue(11), 0);
}

TEST_F(MapModel, DragMovesThePointToTheDraggedValueEvenWithATrim) {
    auto map = Make("IGNVSMAP256Map");
    Shape(*map, [](int) { return 20; });
    map->StepPointTrimByModuleUnits(4, 3);  // module 23
    map->StepPointByDisplayUnits(4, 2.0);   // dragged to 25
    EXPECT_EQ(map->GetPointModuleValue(4), 25);
    EXPECT_EQ(map->GetPointBaseValue(4), 25);
    EXPECT_EQ(map->GetPointTrimValue(4), 0);
}

TEST_F(MapModel, BaseEditClearsTheTrimSoALaterTrimStepDoesNotAddItAgain) {
    auto map = Make("IGNVSMAP256Map");
    Shape(*map, [](int) { return 20; });
    map->StepPointTrimByModuleUnits(0, 4);
    ASSERT_EQ(map->GetPointModuleValue(0), 24);
    map->StepPointByModuleUnits(0, 1);
    EXPECT_EQ(map->GetPointModuleValue(0), 25);
    EXPECT_EQ(map->GetPointTrimValue(0), 0);
    map->StepPointTrimByModuleUnits(0, 1);
    EXPECT_EQ(map->GetPointModuleValue(0), 26);
}

TEST_F(MapModel, OffsetKeepsTheShapeWithinTheRangeAndUndoRestoresIt) {
    auto map = Make("IGNVSMAP256Map");
    Shape(*map, [](int i) { return 10 + i % 32; });  // highest 41: 4 below the maximum
    map->OffsetMapByModuleUnits(10);
    EXPECT_EQ(map->GetPointModuleValue(0), 14);
    EXPECT_EQ(map->GetPointModuleValue(31), 45);
    map->RestoreBlock(0, 63);
    for (int i = 0; i < 64; ++i) EXPECT_EQ(map->GetPointModuleValue(i), 10 + i % 32) << i;
}

TEST_F(MapModel, FitLineBetweenEqualMarksLeavesTheCurve) {
    auto map = Make("IGNVSMAP256Map");
    Shape(*map, [](int i) { return i % 7; });
    comms.linked = true;
    map->FitLine(9, 9);
    for (int i = 0; i < 64; ++i) EXPECT_EQ(map->GetPointModuleValue(i), i % 7);
    EXPECT_TRUE(comms.writes.empty());
}

TEST_F(MapModel, FitLineToTheEndFlattensFromThePoint) {
    auto map = Make("IGNVSMAP256Map");
    Shape(*map, [](int i) { return i % 40; });
    map->FitLine(60, -1);
    for (int i = 60; i < 64; ++i) EXPECT_EQ(map->GetPointModuleValue(i), 20);
    EXPECT_EQ(map->GetPointModuleValue(59), 19);
    map->FitLine(63, -1);  // the last point alone: no division by a zero span
    EXPECT_EQ(map->GetPointModuleValue(63), 20);
}

TEST_F(MapModel, FitLineInterpolatesAndRounds) {
    auto map = Make("IGNVSMAP256Map");
    Shape(*map, [](int i) { return i == 0 ? 0 : i == 3 ? 10 : 40; });
    map->FitLine(0, 3);
    EXPECT_EQ(map->GetPointModuleValue(1), 3);  // 3.33
    EXPECT_EQ(map->GetPointModuleValue(2), 7);  // 6.67
    EXPECT_EQ(map->GetSavedModuleValue(1), 40);
}

// Undo restores what the last edit replaced, whichever edits came before: each base edit
// saves the values it overwrites, so two edits of the same points then undo give back the
// state after the first.
TEST_F(MapModel, UndoAfterTwoEditsOfAPointGoesBackOneEdit) {
    using Edit = std::function<void(CModuleMapBasic&)>;
    const std::vector<std::pair<const char*, Edit>> edits = {
        {"step", [](CModuleMapBasic& m) { for (int i = 0; i < 64; ++i) m.StepPointByModuleUnits(i, i % 3 - 1); }},
        {"line", [](CModuleMapBasic& m) { m.FitLine(0, 63); }},
        {"offset", [](CModuleMapBasic& m) { m.OffsetMapByModuleUnits(3); }},
        {"paste", [](CModuleMapBasic& m) {
             std::vector<CClipBoardItem> items;
             for (int i = 0; i < 64; ++i) items.push_back({i, 0.0, 40 - i / 2});
             m.PasteBlock(items, 0, 63);
         }},
    };
    for (const auto& [firstName, first] : edits) {
        for (const auto& [secondName, second] : edits) {
            if (firstName == secondName) continue;
            auto map = Make("IGNVSMAP256Map");
            Shape(*map, [](int i) { return 5 + (i * 7) % 30; });
            first(*map);
            std::vector<int> afterFirst;
            for (int i = 0; i < 64; ++i) afterFirst.push_back(map->GetPointModuleValue(i));
            second(*map);
            map->RestoreBlock(0, 63);
            for (int i = 0; i < 64; ++i)
                ASSERT_EQ(map->GetPointModuleValue(i), afterFirst[static_cast<std::size_t>(i)])
                    << firstName << " then " << secondName << ", undo: point " << i;
        }
    }
}

// Line fits and levels shape the base curve: trims on the marked points do not bend it.
TEST_F(MapModel, LineFitOnTrimmedPointsFollowsTheBaseCurve) {
    auto map = Make("IGNVSMAP256Map");  // type 2, display = module units
    Shape(*map, [](int i) { return i == 0 ? 10 : i == 6 ? 22 : 0; });
    map->StepPointTrimByModuleUnits(0, 5);
    map->StepPointTrimByModuleUnits(6, -3);
    map->FitLine(0, 6);
    for (int i = 0; i <= 6; ++i) {
        EXPECT_EQ(map->GetPointBaseValue(i), 10 + 2 * i) << i;
        EXPECT_EQ(map->GetPointModuleValue(i), 10 + 2 * i) << i;
    }
    map->StepPointTrimByModuleUnits(40, 4);
    map->FitLine(40, -1);
    for (int i = 40; i < 64; ++i) EXPECT_EQ(map->GetPointModuleValue(i), 0) << i;
}

TEST_F(MapModel, ArcThroughThreePointsOnACircleKeepsThemAndBendsTheRest) {
    auto map = Make("IGNVSMAP256Map");  // display = module units, x_i = i * 100 / 63
    Shape(*map, [](int i) { return i == 10 || i == 20 ? 30 : i == 15 ? 35 : 0; });
    // The circle through (x10, 30), (x15, 35), (x20, 30) is centred on x15.
    const double x15 = map->GetPointX(15);
    const double dx = x15 - map->GetPointX(10);
    const double cy = (35.0 * 35.0 - 30.0 * 30.0 - dx * dx) / (2.0 * (35.0 - 30.0));
    const double r = 35.0 - cy;
    map->FitArc(10, 15, 20);
    EXPECT_EQ(map->GetPointModuleValue(10), 30);
    EXPECT_EQ(map->GetPointModuleValue(15), 35);
    EXPECT_EQ(map->GetPointModuleValue(20), 30);
    for (int i = 11; i < 20; ++i) {
        const double x = map->GetPointX(i) - x15;
        EXPECT_NEAR(map->GetPointModuleValue(i), cy + std::sqrt(r * r - x * x), 0.5) << i;
    }
    EXPECT_EQ(map->GetPointModuleValue(21), 0);
    EXPECT_EQ(map->GetPointModuleValue(9), 0);
}

TEST_F(MapModel, ArcBelowTheEndsTakesTheLowerBranch) {
    auto map = Make("IGNVSMAP256Map");
    Shape(*map, [](int i) { return i == 10 || i == 20 ? 30 : i == 15 ? 25 : 44; });
    map->FitArc(10, 15, 20);
    for (int i = 11; i < 20; ++i) {
        EXPECT_LE(map->GetPointModuleValue(i), 30) << i;
        EXPECT_GE(map->GetPointModuleValue(i), 25) << i;
    }
}

TEST_F(MapModel, ArcThroughCollinearPointsIsALine) {
    auto map = Make("IGNVSMAP256Map");
    Shape(*map, [](int i) { return i == 0 ? 0 : i == 10 ? 10 : i == 20 ? 20 : 44; });
    map->FitArc(0, 10, 20);
    for (int i = 0; i <= 20; ++i) EXPECT_EQ(map->GetPointModuleValue(i), i);
}

TEST_F(MapModel, ArcThroughThreeEqualPointsChangesNothing) {
    auto map = Make("IGNVSMAP256Map");
    Shape(*map, [](int i) { return i == 0 || i == 5 || i == 9 ? 12 : 30; });
    map->FitArc(0, 5, 9);
    EXPECT_EQ(map->GetPointModuleValue(3), 30);
}

TEST_F(MapModel, ReadLeavesModuleEqualToBaseWithZeroTrim) {
    auto map = Make("Stoichiometric256Map");
    Shape(*map, [](int) { return 500; });
    map->StepPointTrimByModuleUnits(0, 30);
    ASSERT_NE(map->GetPointTrimValue(0), 0);
    const int raw = 0x02 | (0x58 << 8);  // bytes 0x02, 0x58 as read: 600
    map->LoadPointFromModule(0, raw);
    map->LoadPointBaseFromModule(0, raw);
    EXPECT_EQ(map->GetPointModuleValue(0), 600);
    EXPECT_EQ(map->GetPointBaseValue(0), 600);
    EXPECT_EQ(map->GetPointTrimValue(0), 0);
    EXPECT_TRUE(map->IsPointInSync(0));
    EXPECT_EQ(image.ReadByte(0x8000), 0x02);
    EXPECT_EQ(image.ReadByte(0x8001), 0x58);
}

// --- Trims and margins ----------------------------------------------------------------------------

TEST_F(MapModel, DisplayUnitMarginsLimitTrimSteps) {
    auto map = Make("IGNVSMAP256Map");  // type 2, -10/+10 deg, 1 deg per count
    Shape(*map, [](int) { return 20; });
    map->StepPointTrimByModuleUnits(0, 15);
    EXPECT_EQ(map->GetPointTrimValue(0), 10);
    EXPECT_EQ(map->GetPointModuleValue(0), 30);
    map->StepPointTrimByModuleUnits(0, 1);
    EXPECT_EQ(map->GetPointTrimValue(0), 10) << "a trim at its upper limit stays there";
}

TEST_F(MapModel, PercentMarginsLimitTrimsAndZeroBaseCannotMove) {
    auto map = Make("Stoichiometric256Map");  // type 1, -25/+25 %
    Shape(*map, [](int i) { return i == 0 ? 0 : 400; });
    map->StepPointTrimByModuleUnits(0, 5);
    EXPECT_EQ(map->GetPointTrimValue(0), 0);
    map->StepPointTrimByModuleUnits(1, 500);
    EXPECT_EQ(map->GetPointModuleValue(1), 500);  // 400 + 25 %
    EXPECT_NEAR(map->GetPointTrimShownValue(1), 25.0, 1e-9);
}

TEST_F(MapModel, NoMarginsMeansNoTrims) {
    auto map = Make("CrankMap");
    Shape(*map, [](int) { return 300; });
    map->StepPointTrimByModuleUnits(0, 5);
    EXPECT_EQ(map->GetPointModuleValue(0), 300);
    map->PpfFit(0, 10);
    EXPECT_EQ(prompter.Texts().back(), kUnknownUserTypeMessage);
}

TEST_F(MapModel, WholeRangeMarginsAreRefusedByTrimFits) {
    MapDescription d = *CMapCatalogue::Find("CrankMap");
    d.marginType = 3;
    d.lowerMargin = 0.0;
    d.upperMargin = 20.95104;
    CModuleMapBasic map(d, &context);
    map.CreateMapPoints();
    map.RestoreTrims(0, 63);
    map.PasteTrims({{0, 1.0, 1}});
    ASSERT_EQ(prompter.shown.size(), 2u);
    EXPECT_EQ(prompter.shown[1].text, "Cannot Process:  Trying to FitMap an UNKNOWN USERTYPE");
    EXPECT_EQ(map.GetPointTrimValue(0), 0);
}

TEST_F(MapModel, PpfFitOfZeroTrimsStaysZeroWhereTheDisplayRangeIsOffset) {
    auto rear = Make("RearTrimVsThrottle512Map");  // type 2, display -50..49.6
    Shape(*rear, [](int) { return 128; });
    rear->PpfFit(5, 20);
    for (int i = 5; i <= 20; ++i) EXPECT_EQ(rear->GetPointTrimValue(i), 0) << i;
    auto lambda = Make("AFRVSTHROTTLEMap");  // type 1, display 0.496..1.5
    Shape(*lambda, [](int) { return 128; });
    lambda->PpfFit(0, 63);
    for (int i = 0; i < 64; ++i) EXPECT_EQ(lambda->GetPointTrimValue(i), 0) << i;
}

TEST_F(MapModel, PpfFitInterpolatesTrimsAndRestoreTrimsUndoesIt) {
    auto map = Make("RearTrimVsThrottle512Map");
    Shape(*map, [](int) { return 128; });
    map->StepPointTrimByModuleUnits(2, 7);
    map->StepPointTrimByModuleUnits(0, -10);
    map->StepPointTrimByModuleUnits(10, 10);
    map->PpfFit(10, 0);
    EXPECT_EQ(map->GetPointTrimValue(5), 0);
    EXPECT_EQ(map->GetPointTrimValue(2), -6);
    EXPECT_EQ(map->GetPointModuleValue(2), 122);
    map->RestoreTrims(0, 10);
    EXPECT_EQ(map->GetPointTrimValue(2), 7);
    EXPECT_EQ(map->GetPointModuleValue(2), 135);
}

TEST_F(MapModel, PpfFitBetweenEqualMarksLeavesTheTrims) {
    auto map = Make("RearTrimVsThrottle512Map");
    Shape(*map, [](int) { return 128; });
    map->StepPointTrimByModuleUnits(3, 4);
    map->PpfFit(3, 3);
    EXPECT_EQ(map->GetPointTrimValue(3), 4);
}

TEST_F(MapModel, TrimDragAddsToTheTrimDisplayValue) {
    auto map = Make("Stoichiometric256Map");  // 0.02048 ms per count
    Shape(*map, [](int) { return 500; });
    map->StepPointTrimByModuleUnits(0, 10);
    map->StepPointTrimByDisplayUnits(0, 0.2048);  // ten more counts, not 0.2048 percent
    EXPECT_EQ(map->GetPointTrimValue(0), 20);
}

TEST_F(MapModel, TrimOffsetOfWholeMapIsLimitedByEveryPointsBand) {
    auto map = Make("IGNVSMAP256Map");
    Shape(*map, [](int i) { return i == 0 ? 40 : 10; });  // point 0 can rise 5 only
    map->OffsetMapTrimsByModuleUnits(8);
    EXPECT_EQ(map->GetPointTrimValue(0), 5);
    EXPECT_EQ(map->GetPointTrimValue(1), 5);
}

// --- Idle map operations ------------------------------------------------------------------------

TEST_F(MapModel, IdleSynchronisationMovesTheCurveToTheTarget) {
    auto map = Make("IDLEVSTEMPMap");
    Shape(*map, [](int i) { return 60 - i / 4; });  // lowest 45 (first at 60)
    int low = 0;
    ASSERT_TRUE(map->GetMapLowIdleRpm(low));
    EXPECT_EQ(low, 45);
    map->SynchronizeIdleMap(50);
    map->GetMapLowIdleRpm(low);
    EXPECT_EQ(low, 50);
    EXPECT_EQ(map->GetPointModuleValue(0), 65);
    const int writes = modifiedCount;
    map->SynchronizeIdleMap(50);
    EXPECT_EQ(modifiedCount, writes) << "already at the target: nothing changes";
}

TEST_F(MapModel, LowIdleTakesTheFirstOfEqualMinima) {
    auto map = Make("IDLEVSTEMPMap");
    Shape(*map, [](int i) { return i == 7 || i == 9 ? 30 : 60; });
    map->StepPointTrimByModuleUnits(9, -2);
    int low = 0;
    map->GetMapLowIdleRpm(low);
    EXPECT_EQ(low, 28);
}

// --- Files --------------------------------------------------------------------------------------

TEST_F(MapModel, SerialisedPointsRebuildBaseTrimAndImage) {
    auto map = Make("IGNVSMAP256Map");
    Shape(*map, [](int i) { return i % 30; });
    map->StepPointTrimByModuleUnits(4, 3);
    map->MarkPointInSync(4);
    Archive out;
    map->Serialize(out, 12);
    ASSERT_EQ(out.Bytes().size(), 640u);

    CModuleMemoryMapMirror otherImage;
    DocumentContext other = context;
    other.image = &otherImage;
    auto copy = CMapCatalogue::CreateMap("IGNVSMAP256Map", &other);
    copy->CreateMapPoints();
    Archive in(out.Bytes());
    copy->Serialize(in, 12);
    EXPECT_EQ(copy->GetPointModuleValue(4), 7);
    EXPECT_EQ(copy->GetPointTrimValue(4), 3);
    EXPECT_FALSE(copy->IsPointInSync(4));
    EXPECT_EQ(otherImage.ReadByte(0x9804), 7);
    EXPECT_EQ(copy->GetSavedModuleValue(4), 7) << "undo copies follow the load";
}

TEST_F(MapModel, SinglePointWriteIsNotAvailableOnBasicMaps) {
    auto map = Make("IGNVSMAP256Map");
    comms.linked = true;
    map->WriteSinglePointToModule(0);
    EXPECT_EQ(prompter.Texts().back(), "REMOVED- Not Implemented");
    EXPECT_TRUE(comms.writes.empty());
}

TEST_F(MapModel, MapPointerBracketsTheLivePosition) {
    auto map = Make("FUELVSSPEEDMap");  // 0..4032 rpm over 64 points: 64 rpm apart
    map->SetMapPointerPosition(1000.0);
    EXPECT_DOUBLE_EQ(map->GetMapPointerLowerX(), 960.0);
    EXPECT_DOUBLE_EQ(map->GetMapPointerUpperX(), 1024.0);
    EXPECT_EQ(map->GetMapPointerIndex(), 16);
}

}  // namespace
}  // namespace corvane::test
