#include <gtest/gtest.h>

#include "MapsFixture.h"
#include "maps/AfrArithmetic.h"
#include "maps/CMapEditor.h"
#include "maps/IdleMapSync.h"
#include "model/ModuleValue.h"

namespace corvane::test {
namespace {

constexpr KeyModifiers kCtrl{true, false};
constexpr KeyModifiers kShift{false, true};
constexpr KeyModifiers kCtrlShift{true, true};

// A family A document's maps with an editor over them.
struct Editor : MapsFixture {
    explicit Editor(EditorView view = EditorView::Maps) {
        owned = CMapCatalogue::BuildFamily(1, &context);
        for (auto& m : owned) maps.push_back(m.get());
        app.familyPositions = CMapCatalogue::ForProductCode(1).positions;
        editor = std::make_unique<CMapEditor>(view, maps, &context);
    }
    int IndexOf(const std::string& name) const {
        for (std::size_t i = 0; i < maps.size(); ++i)
            if (maps[i]->GetClassName() == name) return static_cast<int>(i);
        return -1;
    }
    CModuleMapBasic& Shown() { return static_cast<CModuleMapBasic&>(*editor->Map()); }

    std::vector<std::unique_ptr<CModuleMap>> owned;
    std::vector<CModuleMap*> maps;
    std::unique_ptr<CMapEditor> editor;
};

struct TrimEditor : Editor {
    TrimEditor() : Editor(EditorView::AdvancedUser) {}
};

// --- Navigation ------------------------------------------------------------------------------

TEST_F(Editor, ArrowsClampAndShiftArrowsWrapTheMapList) {
    editor->HandleKey(Key::Left);
    EXPECT_EQ(editor->ActivePoint(), 0);
    editor->HandleKey(Key::End);
    EXPECT_EQ(editor->ActivePoint(), 63);
    editor->ShowMap(static_cast<int>(maps.size()) - 2);
    auto out = editor->HandleKey(Key::Down, kShift);
    EXPECT_EQ(out.switchToMap, static_cast<int>(maps.size()) - 1);
    EXPECT_EQ(editor->ActivePoint(), 31) << "the composite has 32 points";
    out = editor->HandleKey(Key::Down, kShift);
    EXPECT_EQ(out.switchToMap, 0);
    EXPECT_EQ(editor->ActivePoint(), 31);
}

TEST_F(Editor, ShiftLeftRightSwitchesBetweenFuelAndRearTrimOfTheSameRow) {
    editor->ShowMap(IndexOf("Stoichiometric2048Map"));
    editor->SetActivePoint(12);
    auto out = editor->HandleKey(Key::Right, kShift);
    EXPECT_EQ(out.switchToMap, IndexOf("RearTrimVsThrottle2048Map"));
    EXPECT_EQ(editor->ActivePoint(), 12);
    out = editor->HandleKey(Key::Left, kShift);
    EXPECT_EQ(out.switchToMap, IndexOf("Stoichiometric2048Map"));
    editor->ShowMap(IndexOf("Stoichiometric256Map"));  // row key 0: no partner
    EXPECT_FALSE(editor->HandleKey(Key::Right, kShift).switchToMap.has_value());
}

TEST_F(Editor, InfoBoxTogglesAndShowsTheActivePoint) {
    editor->ShowMap(IndexOf("FUELVSSPEEDMap"));
    editor->SetActivePoint(2);
    EXPECT_TRUE(editor->HandleKey(Key::Space).infoBoxChanged);
    EXPECT_TRUE(editor->InfoBoxVisible());
    const auto lines = editor->InfoBoxLines();
    EXPECT_EQ(lines[0], "Engine Speed: 128.000 rpm");
    EXPECT_EQ(lines[1], "Fuel Correction: 0.000 %");
    editor->HandleKey(Key::Escape);
    EXPECT_FALSE(editor->InfoBoxVisible());
}

TEST_F(Editor, FollowModeMovesTheActivePointFirst) {
    editor->SetLivePointSource([] { return std::optional<int>(40); });
    editor->HandleKey(Key::Up);
    EXPECT_EQ(editor->ActivePoint(), 0);
    editor->HandleKey(Key::Insert);
    EXPECT_TRUE(editor->FollowMode());
    editor->HandleKey(Key::Up);
    EXPECT_EQ(editor->ActivePoint(), 40);
    EXPECT_EQ(Shown().GetPointModuleValue(40), 1);
}

// --- Base edits ---------------------------------------------------------------------------------

TEST_F(Editor, UpDownStepTheActivePointAndCtrlStepsByFive) {
    editor->ShowMap(IndexOf("IGNVSTHROTTLE256Map"));
    editor->SetActivePoint(3);
    auto out = editor->HandleKey(Key::Up, kCtrl);
    EXPECT_TRUE(out.pointsChanged);
    EXPECT_EQ(Shown().GetPointModuleValue(3), 5);
    editor->HandleKey(Key::Down);
    EXPECT_EQ(Shown().GetPointModuleValue(3), 4);
    EXPECT_EQ(modifiedCount, 2);
}

TEST_F(Editor, ShiftUAndDMoveTheWholeCurveAndUndoRestoresIt) {
    editor->ShowMap(IndexOf("IGNVSTHROTTLE256Map"));
    Shape(Shown(), [](int i) { return 20 + i % 5; });
    editor->HandleKey(Key::U, kCtrlShift);
    EXPECT_EQ(Shown().GetPointModuleValue(0), 30);
    EXPECT_EQ(Shown().GetPointModuleValue(4), 34);
    editor->HandleKey(Key::D, kShift);
    EXPECT_EQ(Shown().GetPointModuleValue(0), 29);
    editor->HandleKey(Key::U);  // without Shift: nothing
    EXPECT_EQ(Shown().GetPointModuleValue(0), 29);
    prompter.answers.push_back(Prompter::Answer::Ok);
    editor->HandleKey(Key::Z, kCtrl);
    EXPECT_EQ(Shown().GetPointModuleValue(0), 30) << "undo puts back the values before the last move";
    ASSERT_FALSE(prompter.shown.empty());
    EXPECT_EQ(prompter.shown.back().text, CMapEditor::kUndoAllQuestion);
    EXPECT_EQ(prompter.shown.back().buttons, Prompter::Buttons::OkCancel);
}

TEST_F(Editor, CancelledUndoAllChangesNothing) {
    editor->ShowMap(IndexOf("IGNVSTHROTTLE256Map"));
    editor->HandleKey(Key::Up);
    prompter.answers.push_back(Prompter::Answer::Cancel);
    editor->HandleKey(Key::Z, kCtrl);
    EXPECT_EQ(Shown().GetPointModuleValue(0), 1);
}

TEST_F(Editor, PMarksAndFFitsALineThatCtrlFUndoes) {
    editor->ShowMap(IndexOf("IGNVSTHROTTLE256Map"));
    Shape(Shown(), [](int i) { return i == 2 ? 10 : i == 6 ? 30 : 44; });
    editor->SetActivePoint(6);
    editor->HandleKey(Key::P);
    editor->SetActivePoint(2);
    editor->HandleKey(Key::P);
    EXPECT_EQ(editor->CommandState(), 2);
    EXPECT_EQ(editor->FirstMark(), 2);
    EXPECT_EQ(editor->SecondMark(), 6);
    editor->HandleKey(Key::F);
    EXPECT_EQ(Shown().GetPointModuleValue(4), 20);
    EXPECT_EQ(editor->CommandState(), 0);
    editor->HandleKey(Key::F, kCtrl);
    EXPECT_EQ(Shown().GetPointModuleValue(4), 44);
}

TEST_F(Editor, FWithOneMarkSetsTheSecondAndFitsAtOnce) {
    editor->ShowMap(IndexOf("IGNVSTHROTTLE256Map"));
    Shape(Shown(), [](int i) { return i == 0 ? 0 : i == 10 ? 40 : 44; });
    editor->HandleKey(Key::F);
    EXPECT_EQ(editor->CommandState(), 1);
    editor->SetActivePoint(10);
    editor->HandleKey(Key::F);
    EXPECT_EQ(Shown().GetPointModuleValue(5), 20);
}

TEST_F(Editor, AWithAllThreeOnOnePointLevelsToTheEndAndCtrlAUndoes) {
    editor->ShowMap(IndexOf("IGNVSTHROTTLE256Map"));
    Shape(Shown(), [](int i) { return i % 40; });
    editor->SetActivePoint(50);
    editor->HandleKey(Key::P);
    editor->HandleKey(Key::P);
    editor->HandleKey(Key::A);
    for (int i = 50; i < 64; ++i) EXPECT_EQ(Shown().GetPointModuleValue(i), 10) << i;
    EXPECT_EQ(editor->UndoLast(), 63);
    editor->HandleKey(Key::A, kCtrl);
    EXPECT_EQ(Shown().GetPointModuleValue(63), 23);
}

TEST_F(Editor, AWithThreeDistinctPointsFitsAnArc) {
    editor->ShowMap(IndexOf("IGNVSTHROTTLE256Map"));
    Shape(Shown(), [](int i) { return i == 10 || i == 20 ? 30 : i == 15 ? 35 : 0; });
    editor->SetActivePoint(10);
    editor->HandleKey(Key::P);
    editor->SetActivePoint(20);
    editor->HandleKey(Key::P);
    editor->SetActivePoint(15);
    editor->HandleKey(Key::A);
    EXPECT_GT(Shown().GetPointModuleValue(12), 30);
    EXPECT_GT(Shown().GetPointModuleValue(18), 30);
    EXPECT_EQ(Shown().GetPointModuleValue(15), 35);
}

TEST_F(Editor, LevelFromTheActivePoint) {
    editor->ShowMap(IndexOf("IGNVSTHROTTLE256Map"));
    Shape(Shown(), [](int i) { return i % 40; });
    editor->SetActivePoint(60);
    editor->HandleKey(Key::L);
    EXPECT_EQ(Shown().GetPointModuleValue(63), 20);
    editor->HandleKey(Key::F, kCtrl);
    EXPECT_EQ(Shown().GetPointModuleValue(63), 20) << "Ctrl+F undoes two-mark fits only";
    editor->HandleKey(Key::L, kCtrl);
    EXPECT_EQ(Shown().GetPointModuleValue(63), 23);
}

// --- Quick AFR correction -----------------------------------------------------------------------

TEST_F(Editor, DigitsCorrectFuelMapsByTheRatio) {
    for (const char* fuel : {"Stoichiometric256Map", "Stoichiometric8192Map"}) {  // first and last row
        editor->ShowMap(IndexOf(fuel));
        Shape(Shown(), [](int) { return 500; });
        editor->HandleKey(Key::Digit1, kCtrlShift);  // 14.1 / 13.1
        EXPECT_EQ(Shown().GetPointModuleValue(0), 538) << fuel;
        editor->HandleKey(Key::Digit1);  // no modifier: nothing
        EXPECT_EQ(Shown().GetPointModuleValue(0), 538) << fuel;
    }
}

TEST_F(Editor, DigitsStepTrimMapsByThePercent) {
    editor->ShowMap(IndexOf("RearTrimVsThrottle512Map"));
    Shape(Shown(), [](int) { return 128; });
    editor->HandleKey(Key::Digit1, kShift);  // 13.1: no change
    EXPECT_EQ(Shown().GetPointModuleValue(0), 128);
    editor->HandleKey(Key::Digit6, kCtrl);  // 12.6 / 13.1 = -3.817 %, 0.3906 % per step
    EXPECT_EQ(Shown().GetPointModuleValue(0), 118);
    editor->ShowMap(IndexOf("AIRFLOWVSBAROMMap"));  // between the two families: percent form too
    Shape(Shown(), [](int) { return 128; });
    editor->HandleKey(Key::Digit6, kCtrl);
    EXPECT_EQ(Shown().GetPointModuleValue(0), 118);
}

TEST_F(Editor, DigitsDoNothingAfterTheLastRearTrimMap) {
    editor->ShowMap(IndexOf("FUELVSTHROTTLEVELMap"));
    Shape(Shown(), [](int) { return 100; });
    editor->HandleKey(Key::Digit9, kCtrl);
    EXPECT_EQ(Shown().GetPointModuleValue(0), 100);
}

TEST_F(Editor, CtrlTUsesTheEnteredAfrAndIgnoresAnEmptyEntry) {
    editor->ShowMap(IndexOf("FUELVSTHROTTLEVELMap"));
    Shape(Shown(), [](int) { return 131; });
    EXPECT_TRUE(editor->HandleKey(Key::T, kCtrl).needsAfrEntry);
    editor->ApplyAfrCorrection(ParseAfrEntry("abc"));
    EXPECT_EQ(Shown().GetPointModuleValue(0), 131);
    editor->SetAfrSource([] { return std::optional<double>(ParseAfrEntry("14.1")); });
    editor->HandleKey(Key::T, kCtrl);
    EXPECT_EQ(Shown().GetPointModuleValue(0), 141);
}

TEST_F(Editor, CtrlTCorrectsAgainstTheTargetTheTunerSet) {
    // Not a fixed 13.1: a tuner who aims at 13.5 gets 14.0 / 13.5 of the point.
    app.targetAfr = 13.5;
    editor->ShowMap(IndexOf("FUELVSTHROTTLEVELMap"));
    Shape(Shown(), [](int) { return 135; });
    editor->SetAfrSource([] { return std::optional<double>(14.0); });
    editor->HandleKey(Key::T, kCtrl);
    EXPECT_EQ(Shown().GetPointModuleValue(0), 140);
    // A target that was never set (0) falls back to 13.1.
    app.targetAfr = 0.0;
    editor->SetAfrSource([] { return std::optional<double>(15.72); });
    editor->SetActivePoint(1);
    editor->HandleKey(Key::T, kCtrl);
    EXPECT_EQ(Shown().GetPointModuleValue(1), 162);  // 135 x 15.72 / 13.1
}

// --- Clipboard ----------------------------------------------------------------------------------

TEST_F(Editor, PasteChecksTheClipboardWithTheExactMessages) {
    editor->ShowMap(IndexOf("IGNVSTHROTTLE256Map"));
    editor->HandleKey(Key::V, kCtrl);
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(prompter.shown[0].text, "Clip Board is Empty!");

    editor->ShowMap(IndexOf("Stoichiometric256Map"));
    editor->HandleKey(Key::C, kCtrl);
    EXPECT_EQ(app.clipboard.dataType, 2);
    editor->ShowMap(IndexOf("IGNVSTHROTTLE256Map"));
    editor->HandleKey(Key::V, kCtrl);
    ASSERT_EQ(prompter.shown.size(), 2u);
    EXPECT_EQ(prompter.shown[1].text, "Data types are not compatible!");
    EXPECT_EQ(prompter.shown[1].title, "Copy Error");
    EXPECT_EQ(prompter.shown[1].icon, Prompter::Icon::Error);
}

TEST_F(Editor, CopyAndPasteBetweenMapsOfOneWidth) {
    editor->ShowMap(IndexOf("IGNVSTHROTTLE256Map"));
    Shape(Shown(), [](int i) { return i % 45; });
    editor->HandleKey(Key::C, kCtrl);
    editor->ShowMap(IndexOf("IGNVSTHROTTLE512Map"));
    editor->HandleKey(Key::V, kCtrl);
    EXPECT_EQ(Shown().GetPointModuleValue(50), 5);
    editor->ShowMap(static_cast<int>(maps.size()) - 1);  // IgnVsRpmMap over the rows
    editor->HandleKey(Key::V, kCtrl);
    EXPECT_EQ(static_cast<CModuleMapBasic&>(*maps[static_cast<std::size_t>(IndexOf("IGNVSTHROTTLE8192Map"))])
                  .GetPointModuleValue(0), 31);
}

TEST_F(TrimEditor, TrimsAndBaseValuesDoNotPasteIntoEachOther) {
    editor->ShowMap(IndexOf("IGNVSTHROTTLE256Map"));
    editor->HandleKey(Key::C, kCtrl);
    EXPECT_EQ(app.clipboard.kind, CClipBoard::Kind::Trims);
    CMapEditor baseEditor(EditorView::Maps, maps, &context);
    baseEditor.ShowMap(IndexOf("IGNVSTHROTTLE512Map"));
    baseEditor.HandleKey(Key::V, kCtrl);
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(prompter.shown[0].text, "Data types are not compatible!");
}

// --- Trim view ----------------------------------------------------------------------------------

TEST_F(TrimEditor, UpStepsTheTrimUntilItsLimit) {
    editor->ShowMap(IndexOf("IGNVSTHROTTLE256Map"));
    Shape(Shown(), [](int) { return 20; });
    for (int k = 0; k < 3; ++k) editor->HandleKey(Key::Up, kCtrl);
    EXPECT_EQ(Shown().GetPointTrimValue(0), 10);
    EXPECT_EQ(Shown().GetPointBaseValue(0), 20);
}

TEST_F(TrimEditor, FitsTrimsAndCtrlZRestoresThemWithoutAsking) {
    editor->ShowMap(IndexOf("RearTrimVsThrottle256Map"));
    Shape(Shown(), [](int) { return 128; });
    editor->SetActivePoint(5);
    editor->HandleKey(Key::Up, kCtrl);
    editor->HandleKey(Key::P);
    editor->SetActivePoint(0);
    editor->HandleKey(Key::P);
    editor->HandleKey(Key::L);
    EXPECT_EQ(Shown().GetPointTrimValue(3), 3);
    editor->HandleKey(Key::Z, kCtrl);
    EXPECT_TRUE(prompter.shown.empty());
    EXPECT_EQ(Shown().GetPointTrimValue(3), 0);
    EXPECT_EQ(Shown().GetPointTrimValue(5), 5);
    EXPECT_EQ(editor->CommandState(), 2);
}

TEST_F(TrimEditor, BaseOnlyKeysDoNothingHere) {
    editor->ShowMap(IndexOf("Stoichiometric256Map"));
    Shape(Shown(), [](int) { return 500; });
    EXPECT_FALSE(editor->HandleKey(Key::U, kShift).handled);
    EXPECT_FALSE(editor->HandleKey(Key::Digit5, kCtrl).handled);
    EXPECT_FALSE(editor->HandleKey(Key::A).handled);
    EXPECT_EQ(Shown().GetPointModuleValue(0), 500);
    editor->SetActivePoint(4);
    editor->HandleKey(Key::Insert);
    EXPECT_EQ(editor->ActivePoint(), 3) << "Insert is a step left in the trim view";
}

TEST_F(TrimEditor, TrimDragChangesTheTrim) {
    editor->ShowMap(IndexOf("IGNVSTHROTTLE256Map"));
    Shape(Shown(), [](int) { return 20; });
    editor->DragPoint(7, 3.0);
    EXPECT_EQ(Shown().GetPointTrimValue(7), 3);
    EXPECT_EQ(editor->ActivePoint(), 7);
}

// --- Idle synchronisation ---------------------------------------------------------------------

struct IdleSync : Editor {
    IdleSync() {
        idleRpm.Initialize(0x0004, 0x0000, 950.0, 400.0, 1536.0, 25, 96, 16.0, 0, 0, 0);
        iacStop.Initialize(0x0004, 0x0000, 0.0, -20.0, 20.0, 0, 40, 1.0, 0, 0, 0);
        sync = std::make_unique<IdleMapSync>(maps, &idleRpm, &iacStop);
        editor->SetIdleMapSync(sync.get());
    }
    ByteModuleValue idleRpm{nullptr};
    ByteModuleValue iacStop{nullptr};
    std::unique_ptr<IdleMapSync> sync;
};

TEST_F(IdleSync, EditingTheIdleMapUpdatesTheSetting) {
    editor->ShowMap(IndexOf("IDLEVSTEMPMap"));
    Shape(Shown(), [](int i) { return 70 - i / 8; });  // lowest 63
    editor->SetActivePoint(63);
    editor->HandleKey(Key::Down);
    EXPECT_EQ(idleRpm.GetModuleValue(), 62);
    EXPECT_EQ(idleRpm.GetBaseValue(), 62);
    EXPECT_EQ(sync->LowIdleTitleSuffix(), " (Low Idle: 992 Rpm)");
}

TEST_F(IdleSync, SettingChangesMoveTheIdleCurveAndTheIacTrims) {
    CModuleMap& idle = *maps[static_cast<std::size_t>(IndexOf("IDLEVSTEMPMap"))];
    static_cast<CModuleMapBasic&>(idle).SetBlockModuleValue(0, 63, 40);
    idleRpm.SetBaseValue(45);
    sync->OnIdleRpmSettingChanged();
    EXPECT_EQ(idle.GetPointModuleValue(10), 45);

    CModuleMap& iac = *maps[static_cast<std::size_t>(IndexOf("IACVSTEMPMap"))];
    static_cast<CModuleMapBasic&>(iac).SetBlockModuleValue(0, 63, 100);
    iacStop.SetModuleValue(25);  // +5 steps
    sync->OnIacStopOffsetChanged();
    EXPECT_EQ(iac.GetPointTrimValue(0), 5);
    EXPECT_EQ(iac.GetPointModuleValue(63), 105);
    iacStop.SetModuleValue(22);  // +2 steps: the trims move to it, they do not add up
    sync->OnIacStopOffsetChanged();
    EXPECT_EQ(iac.GetPointTrimValue(0), 2);
    EXPECT_EQ(iac.GetPointModuleValue(63), 102);
}

TEST_F(IdleSync, FamiliesWithoutIdleMapsIgnoreTheSettings) {
    auto family = CMapCatalogue::BuildFamily(2, &context);
    std::vector<CModuleMap*> list;
    for (auto& m : family) list.push_back(m.get());
    IdleMapSync none(list, &idleRpm, &iacStop);
    EXPECT_EQ(none.IdleMap(), nullptr);
    EXPECT_FALSE(none.UpdateSettingFromMap());
    none.OnIdleRpmSettingChanged();
    none.OnIacStopOffsetChanged();
    EXPECT_TRUE(prompter.shown.empty());
    EXPECT_EQ(none.LowIdleTitleSuffix(), "");
}

// --- AFR arithmetic -----------------------------------------------------------------------------

TEST(AfrArithmetic, FactorAndTargetRange) {
    EXPECT_DOUBLE_EQ(AfrChangeFactor(14.0, 13.1), 1069 * 0.001);
    EXPECT_DOUBLE_EQ(AfrChangeFactor(12.0, 12.0), 1.0);
    EXPECT_DOUBLE_EQ(AfrChangeFactor(0.0, 13.1), 0.0);
    EXPECT_TRUE(IsTargetAfrAccepted(14.7));
    EXPECT_FALSE(IsTargetAfrAccepted(14.8));
    EXPECT_FALSE(IsTargetAfrAccepted(11.9));
}

TEST(AfrArithmetic, EntryParsing) {
    EXPECT_DOUBLE_EQ(ParseAfrEntry("13.1"), 13.1);
    EXPECT_DOUBLE_EQ(ParseAfrEntry(" 12.5 "), 12.5);
    EXPECT_DOUBLE_EQ(ParseAfrEntry(""), 0.0);
    EXPECT_DOUBLE_EQ(ParseAfrEntry("rich"), 0.0);
    EXPECT_DOUBLE_EQ(ParseAfrEntry("13.1x"), 0.0);
}

// --- Taking a value from another tune --------------------------------------------------------

// The same map of another tune, over an image of its own.
struct OtherTune {
    explicit OtherTune(const std::string& name) {
        context.image = &image;
        map = CMapCatalogue::CreateMap(name, &context);
        map->CreateMapPoints();
    }
    CModuleMemoryMapMirror image;
    DocumentContext context;
    std::unique_ptr<CModuleMapBasic> map;
};

TEST_F(Editor, TakePointFromCopiesBaseAndTrimPushesAndUndoes) {
    editor->ShowMap(IndexOf("IGNVSTHROTTLE256Map"));
    Shape(Shown(), [](int) { return 20; });
    OtherTune other("IGNVSTHROTTLE256Map");
    Shape(*other.map, [](int i) { return i == 3 ? 25 : 20; });
    other.map->GetMapPoint(7)->AssignBase(22);
    other.map->GetMapPoint(7)->AssignTrim(2);
    comms.linked = true;

    const EditOutcome took = editor->TakePointFrom(3, *other.map);
    EXPECT_TRUE(took.pointsChanged);
    EXPECT_EQ(editor->ActivePoint(), 3);
    EXPECT_EQ(Shown().GetPointModuleValue(3), 25);
    EXPECT_EQ(Shown().GetPointModuleValue(2), 20) << "only the one point";
    ASSERT_FALSE(comms.writes.empty());
    EXPECT_EQ(comms.writes.back().address, Shown().GetMapPoint(3)->GetAddress());
    EXPECT_TRUE(Shown().IsPointInSync(3));
    EXPECT_GT(modifiedCount, 0);

    editor->TakePointFrom(7, *other.map);
    EXPECT_EQ(Shown().GetPointBaseValue(7), 22);
    EXPECT_EQ(Shown().GetPointTrimValue(7), 2);
    EXPECT_EQ(Shown().GetPointModuleValue(7), 24);

    // Undo puts back what the points held before, as after any other base edit.
    prompter.answers.push_back(Prompter::Answer::Ok);
    editor->HandleKey(Key::Z, kCtrl);
    EXPECT_EQ(Shown().GetPointModuleValue(3), 20);
    EXPECT_EQ(Shown().GetPointModuleValue(7), 20);

    // Unlinked, the taken point is marked not in sync.
    comms.linked = false;
    const auto writes = comms.writes.size();
    editor->TakePointFrom(3, *other.map);
    EXPECT_EQ(comms.writes.size(), writes);
    EXPECT_FALSE(Shown().IsPointInSync(3));
}

TEST_F(Editor, TakePointFromLeavesCompositesAndBadPointsAlone) {
    editor->ShowMap(IndexOf("IgnVsRpmMap"));
    OtherTune other("IGNVSTHROTTLE256Map");
    Shape(*other.map, [](int) { return 30; });
    const int before = Shown().GetPointModuleValue(0);
    EXPECT_FALSE(editor->TakePointFrom(0, *other.map).pointsChanged);
    EXPECT_EQ(Shown().GetPointModuleValue(0), before);
    editor->ShowMap(IndexOf("IGNVSTHROTTLE256Map"));
    EXPECT_FALSE(editor->TakePointFrom(-1, *other.map).pointsChanged);
    EXPECT_FALSE(editor->TakePointFrom(other.map->GetNumberOfPoints(), *other.map).pointsChanged);
    EXPECT_EQ(modifiedCount, 0);
}

}  // namespace
}  // namespace corvane::test
