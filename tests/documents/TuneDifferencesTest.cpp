#include <gtest/gtest.h>

#include <algorithm>
#include <utility>
#include <vector>

#include "TempDir.h"
#include "documents/CCorvaneMapsDoc.h"
#include "documents/CTuneComparison.h"
#include "documents/TuneDifferences.h"
#include "maps/CModuleMap.h"
#include "model/CBasicSettingsModuleValue.h"

using namespace corvane;
using corvane::test::TempDir;

namespace {

AppState App(std::uint32_t code) {
    AppState app;
    app.productCode = code;
    return app;
}

// Family A: a timing row and a rear-cylinder trim map (whose points take trims).
struct TwoTunes : ::testing::Test {
    AppState app = App(1);
    CCorvaneMapsDoc a{app};
    CCorvaneMapsDoc b{app};
    int ign = a.FindMap("IGNVSTHROTTLE2048Map");
    int rear = a.FindMap("RearTrimVsThrottle2048Map");
    // Trims move within the edit margins a document opened from the File menu has.
    TwoTunes() {
        a.ApplyEditMargins();
        b.ApplyEditMargins();
    }
};

TEST_F(TwoTunes, KnownEditsAreFoundInDocumentOrderWithBothValues) {
    EXPECT_TRUE(CompareTunes(a, b).Empty());

    b.SetBaseMapName("OTHERNAME0000000");
    ASSERT_TRUE(b.ApplySettingDisplayValue(kRevLimit, 7000));
    b.GetMap(ign)->StepPointByModuleUnits(5, 12);
    b.GetMap(rear)->SetBlockModuleValue(2, 2, 20);
    a.GetMap(rear)->SetBlockModuleValue(2, 2, 20);
    b.GetMap(rear)->StepPointTrimByModuleUnits(2, 3);
    ASSERT_NE(b.GetMap(rear)->GetPointTrimValue(2), 0) << "the map must take a trim";

    const TuneDifferences d = CompareTunes(a, b);
    EXPECT_TRUE(d.baseMapNameDiffers);
    ASSERT_EQ(d.settings.size(), 1u);
    EXPECT_EQ(d.settings[0].index, kRevLimit);
    EXPECT_DOUBLE_EQ(d.settings[0].displayA, a.GetSetting(kRevLimit)->GetDisplayValue());
    EXPECT_DOUBLE_EQ(d.settings[0].displayB, b.GetSetting(kRevLimit)->GetDisplayValue());
    EXPECT_NE(d.settings[0].displayA, d.settings[0].displayB);

    // The two row points in map order (composites compare as they hold their points: these
    // were not told of the row edits, so nothing of them differs).
    std::vector<std::pair<int, int>> where;
    for (const PointDifference& p : d.points) where.emplace_back(p.mapIndex, p.point);
    EXPECT_EQ(where, (std::vector<std::pair<int, int>>{{rear, 2}, {ign, 5}}));

    ASSERT_EQ(d.points.size(), 2u);
    const PointDifference& p = d.points[1];
    EXPECT_DOUBLE_EQ(p.x, a.GetMap(ign)->GetPointX(5));
    EXPECT_DOUBLE_EQ(p.displayA, a.GetMap(ign)->GetPointDisplayValue(5));
    EXPECT_DOUBLE_EQ(p.displayB, b.GetMap(ign)->GetPointDisplayValue(5));
    EXPECT_FALSE(p.trimDiffers);
    const PointDifference& t = d.points[0];
    EXPECT_TRUE(t.trimDiffers);
    EXPECT_DOUBLE_EQ(t.trimB, b.GetMap(rear)->GetPointTrimDisplayValue(2));
    EXPECT_EQ(d.Count(), 1 + 1 + 2);

    // The comparison reads both ways round.
    const TuneDifferences back = CompareTunes(b, a);
    ASSERT_EQ(back.points.size(), d.points.size());
    EXPECT_DOUBLE_EQ(back.points[1].displayA, p.displayB);
}

// A difference at either end of every range is found: the first and last setting, the first
// map's first point and the last basic map's last point.
TEST_F(TwoTunes, TheFirstAndLastOfEveryRangeAreCompared) {
    const int lastSetting = b.GetSettingCount() - 1;
    for (int k : {0, lastSetting}) {
        CBasicSettingsModuleValue& s = *b.GetSetting(k);
        const int other = s.GetModuleValue() == s.GetModuleMaximum() ? s.GetModuleValue() - 1 : s.GetModuleValue() + 1;
        ASSERT_TRUE(s.SetModuleValue(other)) << k;
        s.SetBaseValue(other);
    }
    const int lastMap = b.GetBasicMapCount() - 1;
    const int lastPoint = b.GetMap(lastMap)->GetNumberOfPoints() - 1;
    for (auto [map, point] : {std::pair{0, 0}, std::pair{lastMap, lastPoint}}) {
        CModuleMap& m = *b.GetMap(map);
        const int before = m.GetPointModuleValue(point);
        m.StepPointByModuleUnits(point, before == m.GetModuleMaximum().y ? -1 : 1);
        ASSERT_NE(m.GetPointModuleValue(point), before) << map;
    }

    const TuneDifferences d = CompareTunes(a, b);
    std::vector<int> settings;
    for (const SettingDifference& s : d.settings) settings.push_back(s.index);
    EXPECT_EQ(settings, (std::vector<int>{0, lastSetting}));
    std::vector<std::pair<int, int>> where;
    for (const PointDifference& p : d.points) where.emplace_back(p.mapIndex, p.point);
    EXPECT_EQ(where, (std::vector<std::pair<int, int>>{{0, 0}, {lastMap, lastPoint}}));
}

TEST_F(TwoTunes, EqualModuleValuesFromDifferentBaseAndTrimStillDiffer) {
    // What the module runs is the same, but the file keeps base and trim apart: a save of
    // either would not reproduce the other.
    b.GetMap(rear)->SetBlockModuleValue(4, 4, 20);
    b.GetMap(rear)->StepPointTrimByModuleUnits(4, 2);
    ASSERT_EQ(b.GetMap(rear)->GetPointTrimValue(4), 2);
    a.GetMap(rear)->SetBlockModuleValue(4, 4, 22);
    ASSERT_EQ(a.GetMap(rear)->GetPointModuleValue(4), b.GetMap(rear)->GetPointModuleValue(4));
    const TuneDifferences d = CompareTunes(a, b);
    ASSERT_FALSE(d.points.empty());
    EXPECT_EQ(d.points.front().mapIndex, rear);
    EXPECT_TRUE(d.points.front().trimDiffers);
}

TEST(TuneComparison, OpensOnlyATuneOfTheSameProductAndFollowsTheActiveDocument) {
    TempDir dir;
    AppState app = App(2);
    app.loadStatus = kLoadOk;
    CCorvaneMapsDoc active(app);
    {
        CCorvaneMapsDoc other(app);
        other.GetMap(0)->StepPointByModuleUnits(1, 7);
        ASSERT_TRUE(other.Save(dir.File("other.crv")));
        AppState c = App(4);
        CCorvaneMapsDoc familyC(c);
        ASSERT_TRUE(familyC.Save(dir.File("familyC.crv")));
    }
    TempDir::WriteText(dir.File("bad.crv"), std::string("\x0c\0\0\0\x02\0\0\0\x05\0\0\0", 12));

    auto wrong = CTuneComparison::Open(active, dir.File("familyC.crv"));
    EXPECT_FALSE(wrong.comparison);
    EXPECT_EQ(wrong.status, kLoadWrongProduct);
    EXPECT_NE(wrong.message.find(CTuneComparison::kOtherProductMessage), std::string::npos);
    EXPECT_NE(wrong.message.find(CCorvaneMapsDoc::kWrongProductMessage), std::string::npos);

    auto bad = CTuneComparison::Open(active, dir.File("bad.crv"));
    EXPECT_FALSE(bad.comparison);
    EXPECT_EQ(bad.message, CCorvaneMapsDoc::kCorruptMessage);
    EXPECT_EQ(app.loadStatus, kLoadOk) << "a file beside the document is not the document's load";
    EXPECT_FALSE(active.IsModified());

    auto ok = CTuneComparison::Open(active, dir.File("other.crv"));
    ASSERT_TRUE(ok.comparison);
    const CTuneComparison& cmp = *ok.comparison;
    EXPECT_EQ(cmp.Path(), dir.File("other.crv"));
    ASSERT_NE(cmp.ComparedMap(0), nullptr);
    EXPECT_EQ(cmp.ComparedMap(cmp.Compared().GetMapCount()), nullptr);
    TuneDifferences d = cmp.Differences();
    ASSERT_FALSE(d.points.empty());
    EXPECT_EQ(d.points.front().mapIndex, 0);
    EXPECT_EQ(d.points.front().point, 1);

    // A row edit reaches the composite over the rows before the comparison: the first point of
    // IGN256Map is the first point of the composite.
    const int overIgn = active.FindMap("IgnVsRpmMap");
    active.GetMap(0)->StepPointByModuleUnits(0, 3);
    d = cmp.Differences();
    bool compositeListed = false;
    for (const PointDifference& p : d.points) compositeListed |= p.mapIndex == overIgn && p.point == 0;
    EXPECT_TRUE(compositeListed);
    active.GetMap(0)->StepPointByModuleUnits(0, -3);

    // Edits of the active document show at once: the same value makes the difference go.
    active.GetMap(0)->StepPointByModuleUnits(1, 7);
    d = cmp.Differences();
    for (const PointDifference& p : d.points) EXPECT_FALSE(p.mapIndex == 0 && p.point == 1);
    EXPECT_TRUE(d.Empty()) << d.Count();
}

}  // namespace
