#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "documents/CCorvaneMapsDoc.h"
#include "maps/CMapEditor.h"
#include "maps/CModuleMapBasic.h"
#include "maps/EditHistory.h"
#include "model/AppState.h"
#include "support/FakeComms.h"
#include "support/RecordingPrompter.h"

using namespace corvane;
using corvane::test::FakeComms;
using corvane::test::RecordingPrompter;

namespace {

// A family A document on a recording link, as the windows hold one.
struct History : ::testing::Test {
    History() {
        app.productCode = 1;
        doc = std::make_unique<CCorvaneMapsDoc>(app, &comms, &comms, &prompter);
    }

    CModuleMapBasic& BasicMap(int index) { return *doc->HistoryMap(index); }
    EditHistory& history() { return doc->History(); }
    int Base(int map, int point) { return doc->GetMap(map)->GetPointBaseValue(point); }
    // The module's bytes of a point, as the link wrote them.
    int ModuleBytes(int map, int point) {
        const CModuleMapPoint* p = doc->GetMap(map)->GetMapPoint(point);
        int v = 0;
        for (int b = 0; b < p->GetByteWidth(); ++b) v = v * 256 + comms.memory[p->GetAddress() + b];
        return v;
    }
    int ImageBytes(int map, int point) {
        const CModuleMapPoint* p = doc->GetMap(map)->GetMapPoint(point);
        int v = 0;
        for (int b = 0; b < p->GetByteWidth(); ++b) v = v * 256 + doc->ReadByte(static_cast<std::uint16_t>(p->GetAddress() + b));
        return v;
    }

    AppState app;
    FakeComms comms;
    RecordingPrompter prompter;
    std::unique_ptr<CCorvaneMapsDoc> doc;
};

TEST_F(History, AStepIsUndoneAndRedoneExactlyWithTheModifiedMark) {
    const int before = Base(0, 3);
    {
        auto step = history().Begin("raise");
        BasicMap(0).StepPointByModuleUnits(3, 7);
        BasicMap(0).StepPointTrimByModuleUnits(4, 2);
    }
    ASSERT_EQ(history().StepCount(), 1u);
    EXPECT_EQ(history().Description(0), "raise");
    EXPECT_TRUE(doc->IsModified());
    const int after = Base(0, 3);
    ASSERT_NE(after, before);

    ASSERT_TRUE(history().Undo());
    EXPECT_EQ(Base(0, 3), before);
    EXPECT_EQ(doc->GetMap(0)->GetPointTrimValue(4), 0);
    EXPECT_EQ(ImageBytes(0, 3), doc->GetMap(0)->GetPointModuleValue(3));
    // Back at the values the document was made with: nothing left to save.
    EXPECT_FALSE(doc->IsModified());
    EXPECT_FALSE(history().CanUndo());

    ASSERT_TRUE(history().Redo());
    EXPECT_EQ(Base(0, 3), after);
    EXPECT_TRUE(doc->IsModified());
    EXPECT_FALSE(history().Redo());
}

TEST_F(History, NestedStepsAndEmptyStepsMakeOneStepOrNone) {
    {
        auto outer = history().Begin("table offset");
        for (int m = 0; m < 32; ++m) {
            auto inner = history().Begin("inner");
            BasicMap(m).UpdateMapPointBlockBaseValuesByDelta(0, 3, 2);
        }
    }
    { auto nothing = history().Begin("looked only"); }
    ASSERT_EQ(history().StepCount(), 1u);
    EXPECT_EQ(history().Description(0), "table offset");
    EXPECT_EQ(history().Change(0).MapCount(), 32);
    ASSERT_TRUE(history().Undo());
    for (int m = 0; m < 32; ++m) EXPECT_EQ(history().Change(0).points.size(), 32u * 4u);
    EXPECT_EQ(TuneChange::Between(TuneSnapshot::Capture(*doc), TuneSnapshot::Capture(*doc)).Empty(), true);
}

TEST_F(History, EditsOutsideAStepAreStillRecorded) {
    BasicMap(2).StepPointByModuleUnits(0, 5);
    BasicMap(2).StepPointByModuleUnits(1, 5);
    ASSERT_EQ(history().StepCount(), 2u);
    EXPECT_EQ(history().Description(1), EditHistory::kImplicitStep);
    // A setting changed without any notice is caught when the history is next used.
    doc->GetSetting(kRevLimit)->SetModuleValue(doc->GetSetting(kRevLimit)->GetModuleValue() - 3);
    auto step = history().Begin("after");
    step.Commit();
    EXPECT_EQ(history().StepCount(), 3u);
    EXPECT_EQ(history().Change(2).settings.size(), 1u);
}

TEST_F(History, UndoAndRedoReachALinkedModuleAsAnEditDoes) {
    comms.linked = true;
    { auto step = history().Begin("edit"); BasicMap(5).SetBlockModuleValue(2, 6, 40); }
    for (int i = 2; i <= 6; ++i) EXPECT_EQ(ModuleBytes(5, i), 40);
    const std::size_t writes = comms.writes.size();
    ASSERT_TRUE(history().Undo());
    // One block for the run of neighbouring points, the module holds the old values again.
    EXPECT_EQ(comms.writes.size(), writes + 1);
    for (int i = 2; i <= 6; ++i) {
        EXPECT_EQ(ModuleBytes(5, i), doc->GetMap(5)->GetPointModuleValue(i));
        EXPECT_TRUE(doc->GetMap(5)->IsPointInSync(i));
    }
    // A module that does not take the redo leaves the points out of sync, never marked as sent.
    comms.failFromCall = 0;
    ASSERT_TRUE(history().Redo());
    for (int i = 2; i <= 6; ++i) EXPECT_FALSE(doc->GetMap(5)->IsPointInSync(i));
    EXPECT_EQ(Base(5, 2), 40);
}

TEST_F(History, UndoOfPointsFarApartReachesTheModuleForEachOfThem) {
    comms.linked = true;
    const int last = doc->GetMap(5)->GetNumberOfPoints() - 1;
    ASSERT_GE(last, 4);
    {
        auto step = history().Begin("edit");
        BasicMap(5).SetBlockModuleValue(0, 0, 40);
        BasicMap(5).SetBlockModuleValue(2, 2, 40);
        BasicMap(5).SetBlockModuleValue(last, last, 40);
    }
    ASSERT_TRUE(history().Undo());
    for (const int i : {0, 2, last}) {
        EXPECT_NE(doc->GetMap(5)->GetPointModuleValue(i), 40) << "point " << i;
        EXPECT_EQ(ModuleBytes(5, i), doc->GetMap(5)->GetPointModuleValue(i)) << "point " << i;
        EXPECT_TRUE(doc->GetMap(5)->IsPointInSync(i)) << "point " << i;
    }
}

TEST_F(History, SettingsAndTheNameAreStepsAndSettingsGoThroughTheWriter) {
    comms.linked = true;
    std::vector<int> written;
    doc->SetSettingWriter([&](int index) {
        written.push_back(index);
        return true;
    });
    const int rev = doc->GetSetting(kRevLimit)->GetModuleValue();
    const std::string name = doc->GetBaseMapName();
    {
        auto step = history().Begin("rename and rev limit");
        doc->ApplySettingDisplayValue(kRevLimit, doc->GetSetting(kRevLimit)->GetDisplayValue() - 500);
        doc->SetBaseMapName("OTHERNAME0000000");
    }
    ASSERT_TRUE(history().Undo());
    EXPECT_EQ(doc->GetSetting(kRevLimit)->GetModuleValue(), rev);
    EXPECT_EQ(doc->GetBaseMapName(), name);
    EXPECT_EQ(written, std::vector<int>{kRevLimit});
    EXPECT_TRUE(doc->GetSetting(kRevLimit)->IsInSync());
}

TEST_F(History, TheFirstAndTheLastSettingAreUndoneLikeAnyOther) {
    for (const int index : {0, doc->GetSettingCount() - 1}) {
        CBasicSettingsModuleValue* setting = doc->GetSetting(index);
        ASSERT_NE(setting, nullptr);
        const int before = setting->GetModuleValue();
        const double other = setting->GetDisplayValue() == setting->GetDisplayMinimum() ? setting->GetDisplayMaximum()
                                                                                        : setting->GetDisplayMinimum();
        const std::size_t steps = history().Position();
        { auto step = history().Begin("setting"); doc->ApplySettingDisplayValue(index, other); }
        ASSERT_NE(setting->GetModuleValue(), before) << "setting " << index;
        EXPECT_EQ(history().Position(), steps + 1) << "setting " << index;
        ASSERT_TRUE(history().Undo());
        EXPECT_EQ(setting->GetModuleValue(), before) << "setting " << index;
    }
}

TEST_F(History, ACheckpointIsABarrierAndANewEditDropsRedo) {
    BasicMap(0).StepPointByModuleUnits(0, 1);
    BasicMap(0).StepPointByModuleUnits(0, 1);
    history().Checkpoint("READ from module", false);
    EXPECT_FALSE(history().CanUndo());
    EXPECT_EQ(history().StepCount(), 0u);

    BasicMap(0).StepPointByModuleUnits(0, 1);
    BasicMap(0).StepPointByModuleUnits(0, 1);
    ASSERT_TRUE(history().Undo());
    EXPECT_TRUE(history().CanRedo());
    BasicMap(0).StepPointByModuleUnits(1, 1);
    EXPECT_FALSE(history().CanRedo());
    // Values read from a module were never saved: undoing to them still leaves the mark.
    ASSERT_TRUE(history().GoTo(0));
    EXPECT_TRUE(doc->IsModified());
}

TEST_F(History, SavingMovesTheCleanPoint) {
    BasicMap(0).StepPointByModuleUnits(0, 1);
    history().MarkSaved();
    doc->SetModifiedFlag(false);
    BasicMap(0).StepPointByModuleUnits(0, 1);
    ASSERT_TRUE(history().Undo());
    EXPECT_FALSE(doc->IsModified());
    ASSERT_TRUE(history().Undo());
    EXPECT_TRUE(doc->IsModified());
    // An edit on the undone branch makes the saved values unreachable.
    BasicMap(0).StepPointByModuleUnits(3, 1);
    ASSERT_TRUE(history().Undo());
    EXPECT_TRUE(doc->IsModified());
}

TEST_F(History, GoToWalksAnyNumberOfSteps) {
    std::vector<int> values{Base(1, 0)};
    for (int k = 0; k < 5; ++k) {
        BasicMap(1).StepPointByModuleUnits(0, 3);
        values.push_back(Base(1, 0));
    }
    ASSERT_TRUE(history().GoTo(1));
    EXPECT_EQ(Base(1, 0), values[1]);
    ASSERT_TRUE(history().GoTo(4));
    EXPECT_EQ(Base(1, 0), values[4]);
    EXPECT_FALSE(history().GoTo(9));
    EXPECT_EQ(history().Position(), 4u);
}

TEST_F(History, TheStoreIsBounded) {
    for (std::size_t k = 0; k < EditHistory::kMaxSteps + 5; ++k)
        BasicMap(0).StepPointByModuleUnits(static_cast<int>(k % 8), 1);
    EXPECT_EQ(history().StepCount(), EditHistory::kMaxSteps);
    EXPECT_EQ(history().Position(), EditHistory::kMaxSteps);
}

TEST_F(History, GoToTheLastRowRedoesEverything) {
    const int first = Base(1, 0);
    for (int k = 0; k < 4; ++k) BasicMap(1).StepPointByModuleUnits(0, 2);
    const int last = Base(1, 0);
    ASSERT_TRUE(history().GoTo(0));
    EXPECT_EQ(Base(1, 0), first);
    ASSERT_TRUE(history().GoTo(history().StepCount()));
    EXPECT_EQ(history().Position(), 4u);
    EXPECT_EQ(Base(1, 0), last);
    EXPECT_FALSE(history().GoTo(history().StepCount() + 1));
}

// The modified mark decides whether closing asks to save: it must never say "saved" for
// values that were not.
TEST_F(History, AnEditOnAnUndoneBranchIsNeverTheSavedState) {
    BasicMap(0).StepPointByModuleUnits(0, 1);
    history().MarkSaved();
    doc->SetModifiedFlag(false);
    ASSERT_TRUE(history().Undo());
    BasicMap(0).StepPointByModuleUnits(5, 4);  // same depth as the save, other values
    ASSERT_TRUE(history().Undo());
    ASSERT_TRUE(history().Redo());
    EXPECT_TRUE(doc->IsModified());
    EXPECT_FALSE(history().AtSavedState());
}

TEST_F(History, TheSavedStateFollowsTheStepsWhenTheOldestIsDropped) {
    for (int k = 0; k < 10; ++k) BasicMap(0).StepPointByModuleUnits(k % 8, 1);
    history().MarkSaved();
    doc->SetModifiedFlag(false);
    const int savedValue = Base(0, 1);
    for (std::size_t k = 0; k < EditHistory::kMaxSteps - 5; ++k)
        BasicMap(0).StepPointByModuleUnits(static_cast<int>(k % 8), 1);
    ASSERT_EQ(history().StepCount(), EditHistory::kMaxSteps);  // five of the oldest dropped
    ASSERT_TRUE(history().GoTo(5));
    EXPECT_EQ(Base(0, 1), savedValue);
    EXPECT_FALSE(doc->IsModified());
    ASSERT_TRUE(history().GoTo(10));
    EXPECT_TRUE(doc->IsModified());
}

TEST_F(History, UndoAllOfAMapIsItselfAStepThatCanBeTakenBack) {
    CMapEditor editor(EditorView::Maps, [&] {
        std::vector<CModuleMap*> maps;
        for (int i = 0; i < doc->GetMapCount(); ++i) maps.push_back(doc->GetMap(i));
        return maps;
    }(), &doc->Context());
    editor.SetHistory(&history());
    editor.ShowMap(3);
    editor.SetActivePoint(2);
    editor.HandleKey(Key::Up);
    editor.HandleKey(Key::Up, {true, false});
    const int edited = Base(3, 2);
    prompter.answers.push_back(Prompter::Answer::Ok);
    editor.HandleKey(Key::Z, {true, false});
    ASSERT_NE(Base(3, 2), edited);
    ASSERT_EQ(history().StepCount(), 3u);
    EXPECT_NE(history().Description(2).find("undo all edits"), std::string::npos);
    EXPECT_NE(history().Description(0).find(doc->GetMap(3)->GetTitle()), std::string::npos);
    ASSERT_TRUE(history().Undo());
    EXPECT_EQ(Base(3, 2), edited);
}

TEST_F(History, ACompositeEditIsOneStepOverItsRows) {
    int composite = -1;
    for (int i = 0; i < doc->GetMapCount(); ++i)
        if (doc->GetMap(i)->IsComposite()) composite = i;
    ASSERT_GE(composite, 0);
    const TuneSnapshot before = TuneSnapshot::Capture(*doc);
    {
        auto step = history().Begin("row up");
        doc->GetMap(composite)->StepPointByModuleUnits(1, 4);
    }
    ASSERT_EQ(history().StepCount(), 1u);
    EXPECT_GT(history().Change(0).MapCount(), 1);
    ASSERT_TRUE(history().Undo());
    EXPECT_EQ(TuneSnapshot::Capture(*doc), before);
}

}  // namespace
