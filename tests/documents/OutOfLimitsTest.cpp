#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "documents/CCorvaneMapsDoc.h"
#include "maps/CModuleMap.h"
#include "model/AppState.h"
#include "support/FakeComms.h"

using namespace corvane;
using corvane::test::FakeComms;

namespace {

// A family A tune whose file was damaged: one trim far outside its margins, one base outside
// the module range, one setting outside its range.
struct DamagedFile : ::testing::Test {
    DamagedFile() {
        app.productCode = 1;
        CCorvaneMapsDoc original(app);
        MapFileRecords records = original.ToRecords();
        records.mapPoints[kMap][20].trim = 38800000;
        records.mapPoints[kMap][21].base = -5000;
        records.settings[kRevLimit].base = 1000000;
        auto loaded = CCorvaneMapsDoc::Load(records.ToBytes(), app, &comms, &comms);
        status = loaded.status;
        doc = std::move(loaded.document);
    }

    static constexpr int kMap = 2;
    AppState app;
    FakeComms comms;
    int status = -1;
    std::unique_ptr<CCorvaneMapsDoc> doc;
};

TEST_F(DamagedFile, TheViewsAskWhichPointsOfAMapToMarkUntilResolved) {
    ASSERT_NE(doc, nullptr);
    CModuleMap& map = *doc->GetMap(kMap);
    EXPECT_EQ(doc->OutOfLimitPoints(map), (std::vector<int>{20, 21}));
    EXPECT_TRUE(doc->OutOfLimitPoints(*doc->GetMap(kMap + 1)).empty());
    map.StepPointByModuleUnits(20, 1);
    EXPECT_EQ(doc->OutOfLimitPoints(map), (std::vector<int>{21}));
    doc->AcceptClampedValues();
    EXPECT_TRUE(doc->OutOfLimitPoints(map).empty());
}

TEST_F(DamagedFile, OpensClampedWithEveryOutOfLimitValueNoted) {
    ASSERT_EQ(status, kLoadOk);
    ASSERT_NE(doc, nullptr);
    CModuleMap& map = *doc->GetMap(kMap);
    // The point shows a value inside its limits, not the spike the stored trim would make.
    EXPECT_LE(map.GetPointModuleValue(20), map.GetMapPoint(20)->GetValue().GetUpperMarginLimit());
    EXPECT_EQ(map.GetPointBaseValue(21), map.GetModuleMinimum().y);
    const auto open = doc->UnresolvedOutOfLimits();
    ASSERT_EQ(open.size(), 3u);
    const std::string text = doc->OutOfLimitsText();
    EXPECT_NE(text.find("3 values"), std::string::npos) << text;
    EXPECT_NE(text.find(map.GetTitle() + ", point 21: stored base"), std::string::npos) << text;
    EXPECT_NE(text.find("trim 38800000"), std::string::npos) << text;
    EXPECT_NE(text.find(doc->GetSetting(kRevLimit)->GetName()), std::string::npos) << text;
}

TEST_F(DamagedFile, NothingIsPushedUntilEveryValueIsResolved) {
    comms.linked = true;
    CModuleMap& map = *doc->GetMap(kMap);
    map.StepPointByModuleUnits(3, 1);
    EXPECT_TRUE(comms.writes.empty());
    EXPECT_FALSE(map.IsPointInSync(3));

    // Editing the noted points resolves them; accepting the clamped values resolves the rest.
    map.StepPointByModuleUnits(20, 1);
    map.StepPointByModuleUnits(21, 1);
    EXPECT_EQ(doc->UnresolvedOutOfLimits().size(), 1u);
    EXPECT_TRUE(comms.writes.empty());
    doc->AcceptClampedValues();
    EXPECT_TRUE(doc->OutOfLimitsText().empty());
    map.StepPointByModuleUnits(3, 1);
    EXPECT_FALSE(comms.writes.empty());
    EXPECT_TRUE(map.IsPointInSync(3));
}

TEST_F(DamagedFile, UndoBackToTheClampedValueOpensItAgain) {
    CModuleMap& map = *doc->GetMap(kMap);
    map.StepPointByModuleUnits(21, 2);
    EXPECT_EQ(doc->UnresolvedOutOfLimits().size(), 2u);
    ASSERT_TRUE(doc->History().Undo());
    EXPECT_EQ(doc->UnresolvedOutOfLimits().size(), 3u);
}

TEST(SoundFile, NotesNothing) {
    AppState app;
    app.productCode = 1;
    CCorvaneMapsDoc original(app);
    original.GetMap(4)->StepPointTrimByModuleUnits(2, 3);
    auto loaded = CCorvaneMapsDoc::Load(original.SaveToBytes(), app);
    ASSERT_NE(loaded.document, nullptr);
    EXPECT_TRUE(loaded.document->UnresolvedOutOfLimits().empty());
    EXPECT_TRUE(loaded.document->OutOfLimitsText().empty());
}

}  // namespace
