#include <gtest/gtest.h>

#include "model/AppState.h"
#include "monitor/AutoTuneRunReport.h"
#include "monitor/CCorvaneMonitorDoc.h"
#include "monitor/CMonitorModel.h"
#include "monitor/MonitorTestSupport.h"

namespace corvane {
namespace {

using test::BlockBuilder;

// The table reads AFR 14.41 from raw 409 on; 14.41 / 13.1 - 1 = +10 %.
constexpr const char* kTable = "14.41,2.0\n14.415,3.0\n";
constexpr int kEgo1441 = 409;
constexpr int kRpm2304 = 144;  // raw counts of 16 rpm
constexpr int kRpm2560 = 160;

// A monitor model and a report fed as corvane-cli autotune feeds them, tuning the row of
// 2304 rpm (Stoichiometric2560Map).
class AutoTuneRunReportTest : public ::testing::Test {
protected:
    void SetUp() override {
        app.targetAfr = 13.1;
        app.targetEngineSpeed = 2304;
        app.autoTuneActive = true;
        model.FirstShowFrom(std::nullopt, std::nullopt, std::string(kTable), nullptr);
        report.Attach(model.Tracker());
    }
    void Packets(int n, int rpmRaw, int site, int front = kEgo1441, int rear = kEgo1441) {
        for (int i = 0; i < n; ++i) {
            model.OnMonitorBlock(BlockBuilder().Set(4, rpmRaw).Set(19, 16 * site).Set(30, front).Set(31, rear).Block());
            report.Observe(model.Items());
        }
    }

    AppState app;
    CCorvaneMonitorDoc doc;
    test::RecordingSink sink;
    CMonitorModel model{doc, app, &sink};
    AutoTuneRunReport report{2304};
};

TEST_F(AutoTuneRunReportTest, AtTheWrongSpeedItNamesTheWindowTheSpeedSeenAndTheSitesHeld) {
    // The engine holds 2560 rpm, the speed in the map's class name, over three sites.
    for (int site : {8, 12, 16}) Packets(10, kRpm2560, site);
    Packets(2, kRpm2304, 20);  // passing through the window, too briefly to hold a site
    EXPECT_TRUE(sink.Of(MonitorMessage::AutoTuneUpdate).empty());
    EXPECT_TRUE(report.Corrections().empty());
    EXPECT_EQ(report.WindowCentre(), 2304);
    EXPECT_EQ(report.MostlyShownRpm(), 2560);
    EXPECT_EQ(report.MostlyShownPackets(), 30);
    EXPECT_EQ(report.PacketsInWindow(), 2);
    EXPECT_EQ(report.HeldSites(), (std::set<int>{8, 12, 16}));
    EXPECT_TRUE(report.HeldSitesInWindow().empty());

    const auto lines = report.NoCorrectionLines();
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_NE(lines[0].find("2304 +/- 64 rpm (2240 ... 2368 rpm)"), std::string::npos) << lines[0];
    EXPECT_NE(lines[1].find("mostly 2560 rpm (30 of 32 packets); 2 packets were inside"), std::string::npos) << lines[1];
    EXPECT_EQ(lines[2], "Throttle sites held: 8 (11.3 deg), 12 (16.9 deg), 16 (22.5 deg).");
    EXPECT_NE(lines[3].find("never held one site"), std::string::npos) << lines[3];
}

TEST_F(AutoTuneRunReportTest, EveryCorrectedSiteOnceWithItsLastCorrection) {
    Packets(6, kRpm2304, 8);                     // +10 %
    Packets(6, kRpm2304, 12, kEgo1441, 0);       // rear reads the table's first AFR too (raw 0 is below it)
    Packets(6, kRpm2304, 8, 600);                // site 8 again (AFR 14.415): its last correction counts
    const auto corrections = report.Corrections();
    ASSERT_EQ(corrections.size(), 2u);
    EXPECT_EQ(corrections[0].site, 8);
    EXPECT_NEAR(corrections[0].throttleDeg, 128 * 88.68 / 1008, 1e-9);
    EXPECT_NEAR(corrections[0].frontAfr, 14.415, 1e-9);
    EXPECT_EQ(corrections[1].site, 12);
    EXPECT_NEAR(corrections[1].fuelPercent, 10.0, 1e-9);
    ASSERT_TRUE(corrections[1].rearTrimPercent);
    EXPECT_NEAR(*corrections[1].rearTrimPercent, 0.0, 1e-9);
    EXPECT_EQ(report.CorrectionLines()[1],
              "site 12  throttle 16.89 deg  front AFR 14.41  rear AFR 14.41  correction +10.00 %  (rear trim +0.00 %)");
    EXPECT_EQ(report.HeldSitesInWindow(), (std::set<int>{8, 12}));
}

TEST_F(AutoTuneRunReportTest, HeldInTheWindowWithoutAfrBlamesTheTableOrTarget) {
    app.targetAfr = 0.0;  // no sound correction exists
    Packets(8, kRpm2304, 20);
    EXPECT_TRUE(report.Corrections().empty());
    EXPECT_EQ(report.HeldSitesInWindow(), (std::set<int>{20}));
    EXPECT_NE(report.NoCorrectionLines().back().find("target AFR"), std::string::npos);

    AutoTuneRunReport silent(2304);
    EXPECT_EQ(silent.NoCorrectionLines(), std::vector<std::string>{"No monitor packet arrived: the module streamed nothing."});
}

TEST(AutoTuneEngineWindow, CentredOnTheTargetInWholeRawCounts) {
    EXPECT_EQ(CAutoTuneTracker::EngineWindowCentre(2304, 16.0), 2304);
    EXPECT_EQ(CAutoTuneTracker::EngineWindowCentre(1000, 16.0), 992);
    EXPECT_EQ(CAutoTuneTracker::EngineWindowCentre(1000, 0.0), 0);
    EXPECT_EQ(CAutoTuneTracker::ThrottleSite(247), 240);
}

}  // namespace
}  // namespace corvane
