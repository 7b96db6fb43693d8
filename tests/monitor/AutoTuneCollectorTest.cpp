#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "model/AppState.h"
#include "monitor/CAutoTuneCollector.h"
#include "monitor/ModuleMapTarget.h"

namespace corvane {
namespace {

// A map that records every edit AutoTune makes, in order, as text.
class RecordingMap : public AutoTuneMapTarget {
public:
    RecordingMap(std::string name, int rowKey, std::vector<std::string>* log)
        : m_name(std::move(name)), m_rowKey(rowKey), m_log(log), values(64, 100) {}
    std::string ClassName() const override { return m_name; }
    int RowKey() const override { return m_rowKey; }
    int NumberOfPoints() const override { return static_cast<int>(values.size()); }
    int GetPointModuleValue(int i) const override { return values[static_cast<std::size_t>(i)]; }
    double GetPointBaseDisplayValue(int i) const override { return values[static_cast<std::size_t>(i)] * 0.5; }
    double GetPointX(int i) const override { return i; }
    void StepPointByModuleUnits(int i, int d) override {
        values[static_cast<std::size_t>(i)] += d;
        Log("step " + std::to_string(i) + " " + std::to_string(d));
    }
    void StepPointTrimByModuleUnits(int i, int d) override { Log("trim " + std::to_string(i) + " " + std::to_string(d)); }
    void FitLine(int a, int b) override { Log("line " + std::to_string(a) + " " + std::to_string(b)); }
    void FitArc(int a, int b, int c) override {
        Log("arc " + std::to_string(a) + " " + std::to_string(b) + " " + std::to_string(c));
    }
    void SetActivePoint(int i) override { active = i; }

    std::vector<int> values;
    int active = -1;

private:
    void Log(const std::string& s) { m_log->push_back(m_name.substr(0, 4) + ": " + s); }
    std::string m_name;
    int m_rowKey;
    std::vector<std::string>* m_log;
};

class AutoTuneCollectorTest : public ::testing::Test {
protected:
    std::vector<std::string> log;
    AppState app;
    RecordingMap fuel{"Stoichiometric1280Map", 1024, &log};
    RecordingMap rear{"RearTrimVsThrottle1280Map", 1024, &log};
    RecordingMap ignition{"IGNVSTHROTTLE1280Map", 1024, &log};
    CAutoTuneCollector collector{app};
};

TEST_F(AutoTuneCollectorTest, CorrectionsAreScaledFromThePointsValue) {
    collector.ShowMap(&fuel, &rear);
    fuel.values[12] = 120;
    EXPECT_EQ(collector.OnAutoTuneUpdate(12, 1000), 12);
    EXPECT_EQ(fuel.active, 12);
    EXPECT_EQ(collector.OnAutoTuneReverseTrimUpdate(12, 0), 12);
    collector.OnAutoTuneReverseTrimUpdate(13, 391);  // 3.91 % of rear trim: 10 units
    ASSERT_EQ(collector.Records().size(), 3u);
    EXPECT_EQ(collector.Records()[0].delta, 12);
    EXPECT_EQ(collector.Records()[1].kind, 2);
    EXPECT_EQ(collector.Records()[1].delta, 0);
    EXPECT_EQ(collector.Records()[2].delta, 10);
    // One record per kind and site: a later one replaces it.
    collector.OnAutoTuneUpdate(12, -500);
    EXPECT_EQ(collector.Records().size(), 3u);
    EXPECT_EQ(collector.Records()[0].delta, -6);
    // Sites beyond the map are clamped to its last point.
    EXPECT_EQ(collector.OnAutoTuneUpdate(99, 100), 63);
}

TEST_F(AutoTuneCollectorTest, AnotherMapDiscardsTheRecords) {
    collector.ShowMap(&fuel, &rear);
    collector.OnAutoTuneUpdate(5, 100);
    collector.ShowMap(&fuel, &rear);
    EXPECT_TRUE(collector.Records().empty());
}

TEST_F(AutoTuneCollectorTest, OnlyFuelRowsAreCorrected) {
    collector.ShowMap(&ignition, nullptr);  // an ignition row has a row key too
    EXPECT_EQ(collector.OnAutoTuneUpdate(5, 1000), -1);
    EXPECT_EQ(collector.OnAutoTuneReverseTrimUpdate(5, 1000), -1);
    EXPECT_EQ(collector.OnAutoTuneUpdateImmediate(5, 1000), -1);
    EXPECT_TRUE(collector.Records().empty());
    EXPECT_FALSE(collector.ToggleAutoTune());
    EXPECT_FALSE(collector.ToggleAutoTune());
    EXPECT_TRUE(log.empty());

    // A fuel row without its partner keeps fuel corrections and drops rear ones.
    collector.ShowMap(&fuel, nullptr);
    collector.OnAutoTuneUpdate(5, 1000);
    EXPECT_EQ(collector.OnAutoTuneReverseTrimUpdate(5, 1000), -1);
    EXPECT_EQ(collector.Records().size(), 1u);
    // A partner of another row is no partner.
    RecordingMap otherRear{"RearTrimVsThrottle2048Map", 1792, &log};
    collector.ShowMap(&fuel, &otherRear);
    EXPECT_EQ(collector.OnAutoTuneReverseTrimUpdate(5, 1000), -1);
    // The rear row shown on its own takes rear corrections only.
    collector.ShowMap(&rear, nullptr);
    EXPECT_EQ(collector.OnAutoTuneUpdate(5, 1000), -1);
    EXPECT_EQ(collector.OnAutoTuneReverseTrimUpdate(5, 1000), 5);
}

TEST_F(AutoTuneCollectorTest, ApplyStepsInSiteOrderWithArcsAndLines) {
    collector.ShowMap(&fuel, &rear);
    for (int v = 0; v < 64; ++v) fuel.values[static_cast<std::size_t>(v)] = 100 + v;  // a rising curve
    for (int site : {40, 10, 30, 20}) collector.OnAutoTuneUpdate(site, 1000);
    for (int site : {30, 10}) collector.OnAutoTuneReverseTrimUpdate(site, 391);
    app.autoTuneActive = true;
    bool queueWriting = false;
    std::vector<bool> queueMarks;
    int restarts = 0;
    CAutoTuneCollector::ApplyHooks hooks;
    hooks.ensureLinked = [] { return true; };
    hooks.setPacketQueueWriting = [&](bool w) { queueWriting = w; queueMarks.push_back(w); };
    hooks.restartStream = [&] { ++restarts; };
    EXPECT_TRUE(collector.ToggleAutoTune(hooks));
    EXPECT_FALSE(app.autoTuneActive);
    const std::vector<std::string> expected = {
        "Stoi: step 10 11", "Rear: step 10 10",
        "Stoi: step 20 12",
        "Stoi: step 30 13", "Stoi: arc 10 20 30",
        "Rear: step 30 10", "Rear: line 10 30",  // the rear map's last record: two points placed
        "Stoi: step 40 14", "Stoi: line 30 40",
    };
    EXPECT_EQ(log, expected);
    EXPECT_TRUE(collector.Records().empty());
    EXPECT_EQ(queueMarks, (std::vector<bool>{true, false}));
    EXPECT_EQ(restarts, 1);
}

TEST_F(AutoTuneCollectorTest, EqualValuesGiveALineOverTheThreePoints) {
    collector.ShowMap(&fuel, nullptr);
    fuel.values[10] = fuel.values[20] = 100;
    fuel.values[30] = 150;
    for (int site : {10, 20, 30}) collector.OnAutoTuneUpdate(site, 1000);
    collector.Apply();
    EXPECT_EQ(log, (std::vector<std::string>{"Stoi: step 10 10", "Stoi: step 20 10", "Stoi: step 30 15",
                                             "Stoi: line 10 30"}));
    log.clear();
    for (int site : {10, 20}) collector.OnAutoTuneUpdate(site, 1000);
    collector.Apply();
    EXPECT_EQ(log, (std::vector<std::string>{"Stoi: step 10 11", "Stoi: step 20 11", "Stoi: line 10 20"}));
}

TEST_F(AutoTuneCollectorTest, EachMapIsClosedWithItsOwnLastRecord) {
    // Records at the same sites for both maps: the fuel map's pair is not left unsmoothed
    // because a rear record sorts last.
    collector.ShowMap(&fuel, &rear);
    for (int site : {10, 20}) {
        collector.OnAutoTuneUpdate(site, 1000);
        collector.OnAutoTuneReverseTrimUpdate(site, 391);
    }
    collector.Apply();
    EXPECT_EQ(log, (std::vector<std::string>{"Stoi: step 10 10", "Rear: step 10 10", "Stoi: step 20 10",
                                             "Stoi: line 10 20", "Rear: step 20 10", "Rear: line 10 20"}));
}

TEST_F(AutoTuneCollectorTest, ZeroCorrectionsChangeNothingAndTheSummarySaysWhatChanged) {
    collector.ShowMap(&fuel, &rear);
    for (int v = 0; v < 64; ++v) fuel.values[static_cast<std::size_t>(v)] = 100 + (v * v) % 7;  // a bumpy curve
    const std::vector<int> stock = fuel.values;
    for (int site : {10, 20, 30, 40}) {
        collector.OnAutoTuneUpdate(site, 0);
        collector.OnAutoTuneReverseTrimUpdate(site, 0);
    }
    for (const CFuelingDataItem& r : collector.Records()) EXPECT_EQ(collector.CorrectionPercent(r), 0.0);
    collector.Apply();
    // Every mark read "+0.0%": no step, no fit, no point moved.
    EXPECT_TRUE(log.empty()) << log.front();
    EXPECT_EQ(fuel.values, stock);
    EXPECT_TRUE(collector.Records().empty());
    EXPECT_EQ(collector.LastAppliedText(), "AutoTune: no point changed.");

    collector.OnAutoTuneUpdate(20, 1000);
    collector.OnAutoTuneUpdate(30, 0);
    // The mark's percentage is of its own point's fuel, whatever the first point holds.
    ASSERT_FALSE(collector.Records().empty());
    const CFuelingDataItem& mark = collector.Records().front();
    ASSERT_EQ(mark.site, 20);
    ASSERT_NE(mark.delta, 0);
    ASSERT_NE(stock[20], stock[0]);
    EXPECT_NEAR(collector.CorrectionPercent(mark), 100.0 * mark.delta / stock[20], 1e-9);
    collector.Apply();
    EXPECT_EQ(log, (std::vector<std::string>{"Stoi: step 20 10"}));
    ASSERT_EQ(collector.LastApplied().size(), 1u);
    EXPECT_EQ(collector.LastApplied()[0].points, 1);
    EXPECT_NEAR(collector.LastApplied()[0].largestPercent, 1000.0 / stock[20], 1e-9);
    EXPECT_EQ(collector.LastAppliedText().rfind("AutoTune applied: 1 point of Stoichiometric1280Map changed, by at most +", 0), 0u);
}

TEST_F(AutoTuneCollectorTest, TurningOnAppliesNothingAndTheAdvancedViewTrimsAtOnce) {
    collector.ShowMap(&fuel, &rear);
    collector.OnAutoTuneUpdate(3, 1000);
    EXPECT_FALSE(collector.ToggleAutoTune());
    EXPECT_TRUE(app.autoTuneActive);
    EXPECT_EQ(collector.Records().size(), 1u);
    EXPECT_TRUE(log.empty());
    fuel.values[7] = 200;
    EXPECT_EQ(collector.OnAutoTuneUpdateImmediate(7, -250), 7);
    EXPECT_EQ(log, (std::vector<std::string>{"Stoi: trim 7 -5"}));
}

TEST(FuelRowPartner, NamesTheRowOfTheSameSpeedInTheOtherFamily) {
    EXPECT_EQ(FuelRowPartnerClass("Stoichiometric256Map"), "RearTrimVsThrottle256Map");
    EXPECT_EQ(FuelRowPartnerClass("RearTrimVsThrottle8192Map"), "Stoichiometric8192Map");
    EXPECT_EQ(FuelRowPartnerClass("IGN256Map"), "");
    EXPECT_EQ(FuelRowPartnerClass("StoichiometricMap"), "");
}

}  // namespace
}  // namespace corvane
