#include <gtest/gtest.h>

#include <cmath>

#include "model/AppState.h"
#include "monitor/CCorvaneMonitorDoc.h"
#include "monitor/CMonitorModel.h"
#include "monitor/MonitorTestSupport.h"
#include "support/RecordingPrompter.h"

namespace corvane {
namespace {

using test::BlockBuilder;
using test::PostedMessage;

// First entry at raw 409 reads AFR 14.41; 14.41 / 13.1 - 1 = 0.1 exactly.
constexpr const char* kTable = "14.41,2.0\n14.415,3.0\n";
constexpr int kEgo1441 = 409;
constexpr int kRpm992 = 62;  // 62 x 16 rpm

class AutoTuneTrackerTest : public ::testing::Test {
protected:
    void SetUp() override {
        app.targetAfr = 13.1;
        app.targetEngineSpeed = 1000;
        app.autoTuneActive = true;
    }
    void Show(const char* table = kTable) { model.FirstShowFrom(std::nullopt, std::nullopt, std::string(table), &prompter); }
    void Packet(int rpmRaw, int throttleRaw, int front = kEgo1441, int rear = kEgo1441) {
        model.OnMonitorBlock(BlockBuilder().Set(4, rpmRaw).Set(19, throttleRaw).Set(30, front).Set(31, rear).Block());
    }
    std::vector<PostedMessage> Updates() const { return sink.Of(MonitorMessage::AutoTuneUpdate); }
    std::vector<PostedMessage> RearUpdates() const { return sink.Of(MonitorMessage::AutoTuneReverseTrimUpdate); }

    AppState app;
    CCorvaneMonitorDoc doc;
    test::RecordingSink sink;
    test::RecordingPrompter prompter;
    CMonitorModel model{doc, app, &sink};
};

TEST_F(AutoTuneTrackerTest, EngineWindowIsCentredOnTheTargetRowInRawCounts) {
    Show();
    auto& rpm = model.Items()[4];
    auto& tracker = model.Tracker();
    rpm.rawValue = kRpm992;
    EXPECT_FALSE(tracker.TrackEngineSpeed());  // centre 0: restarts, centre = 1000 / 16 = 62
    EXPECT_EQ(tracker.EngineSpeed().centre, 62);
    rpm.rawValue = 58;  // 928 rpm, the window's low end
    tracker.TrackEngineSpeed();
    rpm.rawValue = 66;  // 1056 rpm, its high end
    tracker.TrackEngineSpeed();
    EXPECT_TRUE(tracker.TrackEngineSpeed());
    EXPECT_EQ(tracker.EngineSpeed().count, 3);
    rpm.rawValue = 67;  // 1072 rpm
    EXPECT_FALSE(tracker.TrackEngineSpeed());
    EXPECT_EQ(tracker.EngineSpeed().count, 0);
    EXPECT_DOUBLE_EQ(rpm.yellowStop, 936.0);
    EXPECT_DOUBLE_EQ(rpm.redStart, 1064.0);
    EXPECT_DOUBLE_EQ(rpm.gaugeMinimum, 872.0);
    EXPECT_DOUBLE_EQ(rpm.gaugeMaximum, 1128.0);
}

TEST_F(AutoTuneTrackerTest, EngineBandsComeFromTheSettingsWhenNoRowIsTracked) {
    Show();
    app.targetEngineSpeed = 0;
    model.Tracker().SetEngineSpeedLimitsSource([] { return EngineSpeedLimits{950.0, 6200.0}; });
    model.Items()[4].rawValue = kRpm992;
    EXPECT_FALSE(model.Tracker().TrackEngineSpeed());
    EXPECT_DOUBLE_EQ(model.Items()[4].yellowStop, 950.0);
    EXPECT_DOUBLE_EQ(model.Items()[4].redStart, 6200.0);
    EXPECT_DOUBLE_EQ(model.Items()[4].gaugeMaximum, 8000.0);
}

TEST_F(AutoTuneTrackerTest, ThrottleSitesAreMultiplesOfSixteenWithASixCountWindow) {
    Show();
    auto& tps = model.Items()[19];
    auto& tracker = model.Tracker();
    tps.rawValue = 250;  // 15.6 sites: the nearest is 256
    tracker.TrackThrottle();
    EXPECT_EQ(tracker.CurrentSite(), 256);
    tps.rawValue = 247;
    tracker.TrackThrottle();
    EXPECT_EQ(tracker.CurrentSite(), 240);
    EXPECT_EQ(tracker.Throttle().centre, 240);
    EXPECT_EQ(tracker.Throttle().count, 0);  // 247 lies outside 240 +- 6
    tps.rawValue = 246;
    tracker.TrackThrottle();
    tps.rawValue = 234;
    tracker.TrackThrottle();
    EXPECT_TRUE(tracker.TrackThrottle());
    const double k = 88.68 / 1008.0;
    EXPECT_DOUBLE_EQ(tps.yellowStop, 234 * k);  // site 240 - 6
    EXPECT_DOUBLE_EQ(tps.gaugeMaximum, 247 * k);
    app.autoTuneActive = false;
    EXPECT_FALSE(tracker.TrackThrottle());
    EXPECT_DOUBLE_EQ(tps.redStart, 88.0);
}

TEST_F(AutoTuneTrackerTest, AFourthSteadyPacketPostsTheCorrectionOncePerSite) {
    Show();
    for (int i = 0; i < 3; ++i) Packet(kRpm992, 240);
    EXPECT_TRUE(Updates().empty());
    Packet(kRpm992, 240);
    ASSERT_EQ(Updates().size(), 1u);
    EXPECT_EQ(Updates()[0], (PostedMessage{MonitorMessage::AutoTuneUpdate, 15, 1000}));
    ASSERT_EQ(RearUpdates().size(), 1u);
    EXPECT_EQ(RearUpdates()[0].lParam, 0);  // rear AFR equal to front
    EXPECT_DOUBLE_EQ(model.Items()[30].lastFraction, 14.41 / 13.1 - 1.0);
    for (int i = 0; i < 10; ++i) Packet(kRpm992, 240);
    EXPECT_EQ(Updates().size(), 1u);  // done at this site
    for (int i = 0; i < 4; ++i) Packet(kRpm992, 256);
    ASSERT_EQ(Updates().size(), 2u);
    EXPECT_EQ(Updates()[1].wParam, 16);
    EXPECT_EQ(sink.Of(MonitorMessage::MonitorBarCurrentTps).front().wParam, 15);
}

TEST_F(AutoTuneTrackerTest, RearCorrectionIsTheDifferenceToTheFront) {
    Show("13.1,1.0\n14.41,2.0\n");
    for (int i = 0; i < 4; ++i) Packet(kRpm992, 240, 409, 204);  // 2.0 V front, 1.0 V rear (raw 204)
    ASSERT_EQ(Updates().size(), 1u);
    ASSERT_EQ(RearUpdates().size(), 1u);
    EXPECT_NEAR(Updates()[0].lParam, 1000, 1);
    EXPECT_NEAR(RearUpdates()[0].lParam, -1000, 1);
}

TEST_F(AutoTuneTrackerTest, SumsHoldOnlyTheCurrentSteadyStreak) {
    Show();
    Packet(kRpm992, 240);
    Packet(kRpm992, 240, 1000, 1000);
    Packet(80, 247, 1000, 1000);  // both counts restart at the same site
    EXPECT_EQ(model.Items()[30].egoRawSum, 0);
    Packet(kRpm992, 240);
    Packet(kRpm992, 240);
    EXPECT_TRUE(Updates().empty());
    Packet(kRpm992, 240);
    ASSERT_EQ(Updates().size(), 1u);
    EXPECT_EQ(Updates()[0].lParam, 1000);  // the two rich readings before the restart are gone
}

TEST_F(AutoTuneTrackerTest, NothingAccumulatesWhileOffAndTurningOnStartsAFreshStreak) {
    app.autoTuneActive = false;
    app.autoTuneTracking = true;  // the counts run for the gauges
    Show();
    for (int i = 0; i < 6; ++i) Packet(kRpm992, 240, 1000, 1000);
    EXPECT_EQ(model.Items()[30].egoRawSum, 0);
    EXPECT_GE(model.Tracker().Throttle().count, 3);
    app.autoTuneActive = true;
    Packet(kRpm992, 240);
    Packet(kRpm992, 240);
    EXPECT_TRUE(Updates().empty());
    Packet(kRpm992, 240);
    ASSERT_EQ(Updates().size(), 1u);
    EXPECT_EQ(Updates()[0].lParam, 1000);
}

TEST_F(AutoTuneTrackerTest, ZeroTargetAfrGivesNoCorrectionAndNoNonFiniteValue) {
    app.targetAfr = 0.0;
    Show();
    for (int i = 0; i < 8; ++i) Packet(kRpm992, 240);
    EXPECT_TRUE(Updates().empty());
    EXPECT_TRUE(RearUpdates().empty());
    for (const auto& item : model.Items()) {
        EXPECT_TRUE(std::isfinite(item.lastFraction));
        EXPECT_TRUE(std::isfinite(item.gaugeMinimum));
    }
    // Once a sound target is set the same site is tuned.
    app.targetAfr = 13.1;
    for (int i = 0; i < 4; ++i) Packet(kRpm992, 240);
    EXPECT_EQ(Updates().size(), 1u);
}

TEST_F(AutoTuneTrackerTest, MissingOrEmptyTableSwitchesAfrAndAutoTuneOff) {
    model.FirstShowFrom(std::nullopt, std::nullopt, std::nullopt, &prompter);
    ASSERT_EQ(prompter.Texts().size(), 1u);
    EXPECT_EQ(prompter.Texts()[0], "EgoSensorTable.txt file not found.  AFR readings will be disabled.");
    for (int i = 0; i < 8; ++i) Packet(kRpm992, 240);
    EXPECT_TRUE(Updates().empty());
    EXPECT_EQ(model.Items()[30].valueText, "0.00");

    Show("\n\n");
    EXPECT_FALSE(model.Tracker().IsEgoTableLoaded());
    for (int i = 0; i < 8; ++i) Packet(kRpm992, 240);
    EXPECT_TRUE(Updates().empty());
}

TEST_F(AutoTuneTrackerTest, ZeroItemScalesSwitchTheirOutputOff) {
    Show();
    model.Items()[4].scale = 0.0;
    for (int i = 0; i < 8; ++i) Packet(kRpm992, 240);
    EXPECT_TRUE(Updates().empty());
    EXPECT_EQ(model.Tracker().EngineSpeed().count, 0);

    model.Items()[4].scale = 16.0;
    model.Items()[30].scale = 0.0;
    EXPECT_FALSE(model.Tracker().LoadEgoSensorTable(std::string(kTable), nullptr));
    EXPECT_TRUE(model.Tracker().EgoTable().IsEmpty());
}

TEST_F(AutoTuneTrackerTest, EgoItemsFollowTheTableAndTheTarget) {
    Show("12.0,1.0\n16.0,4.0\n");
    const auto& front = model.Items()[30];
    EXPECT_DOUBLE_EQ(front.dataMinimum, 12.0);
    EXPECT_DOUBLE_EQ(front.dataMaximum, 16.0);
    EXPECT_EQ(front.units, "AFR");
    EXPECT_DOUBLE_EQ(front.gaugeMinimum, 13.1 - 1.5);
    app.targetAfr = 14.0;
    Packet(0, 0);
    EXPECT_DOUBLE_EQ(front.yellowStop, 13.9);
    EXPECT_DOUBLE_EQ(front.redStart, 14.1);
    EXPECT_EQ(model.Items()[31].gaugeMaximum, 15.5);
}

}  // namespace
}  // namespace corvane
