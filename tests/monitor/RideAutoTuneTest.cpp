#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <vector>

#include "documents/CCorvaneMapsDoc.h"
#include "maps/CModuleMap.h"
#include "model/AppState.h"
#include "model/SettingsStore.h"
#include "monitor/CEgoSensorTable.h"
#include "monitor/CRideAutoTune.h"
#include "monitor/MonitorTestSupport.h"
#include "monitor/RideAutoTunePlan.h"
#include "monitor/RideAutoTuneSettings.h"
#include "monitor/RideSample.h"

namespace corvane {
namespace {

constexpr double kTarget = 13.1;
constexpr double kPeriod = 1.0 / 138.8;

double ThrottleDegOfSite(double site) { return site * 16.0 * 88.68 / 1008.0; }

RideSample Steady(double seconds, double row, double site, double frontRatio, double rearRatio = -1.0) {
  RideSample s;
  s.seconds = seconds;
  s.rpm = row * 256.0;
  s.throttleDeg = ThrottleDegOfSite(site);
  s.headTempF = 320.0;
  s.frontAfr = kTarget * frontRatio;
  s.rearAfr = kTarget * (rearRatio < 0 ? frontRatio : rearRatio);
  s.sensorsInRange = true;
  return s;
}

// `seconds` of packets at the live rate from `start`, each made by `make(t)`.
double Feed(CRideAutoTune& tune, double start, double seconds, const std::function<RideSample(double)>& make) {
  double t = start;
  for (; t < start + seconds; t += kPeriod) tune.Add(make(t));
  return t;
}

TEST(RideAutoTuneCells, BilinearWeightsSplitAReadingOverTheFourCellsAroundIt) {
  CRideAutoTune tune(RideAutoTuneSettings{}, kTarget);
  // On a cell's centre all weight goes to that cell.
  Feed(tune, 0.0, 2.0, [](double t) { return Steady(t, 10, 20, 1.0); });
  const auto& centre = tune.At(10, 20);
  EXPECT_GT(centre.weight, 100.0);
  EXPECT_DOUBLE_EQ(tune.At(10, 21).weight + tune.At(11, 20).weight + tune.At(9, 20).weight, 0.0);
  // A quarter of the way to the next row and half way to the next site.
  CRideAutoTune between(RideAutoTuneSettings{}, kTarget);
  Feed(between, 0.0, 2.0, [](double t) { return Steady(t, 10.25, 20.5, 1.0); });
  const double total = between.At(10, 20).weight + between.At(10, 21).weight + between.At(11, 20).weight +
                       between.At(11, 21).weight;
  EXPECT_NEAR(between.At(10, 20).weight / total, 0.75 * 0.5, 1e-9);
  EXPECT_NEAR(between.At(11, 21).weight / total, 0.25 * 0.5, 1e-9);
  EXPECT_EQ(between.At(10, 20).count, between.At(11, 21).count) << "every reading counts in each cell it touches";
  EXPECT_EQ(between.CellsWithSamples(), 4);
}

TEST(RideAutoTuneFilters, EachReasonKeepsAReadingOutOfTheCells) {
  struct Case {
    const char* what;
    std::function<void(RideSample&, double t)> spoil;
    std::uint64_t CRideAutoTune::Counts::*counter;
  };
  const std::vector<Case> cases{
      {"cold engine", [](RideSample& s, double) { s.headTempF = 200.0; }, &CRideAutoTune::Counts::cold},
      {"throttle closed", [](RideSample& s, double) { s.throttleDeg = 0.5; }, &CRideAutoTune::Counts::closedThrottle},
      {"sensor pegged", [](RideSample& s, double) { s.sensorsInRange = false; }, &CRideAutoTune::Counts::sensorRange},
      {"transient fuel", [](RideSample& s, double) { s.transientMs = 0.4; }, &CRideAutoTune::Counts::transient},
      {"throttle moving", [](RideSample& s, double t) { s.throttleDeg = 10.0 + 8.0 * t; },
       &CRideAutoTune::Counts::throttleMoving},
      {"speed changing", [](RideSample& s, double t) { s.rpm = 2000.0 + 600.0 * t; }, &CRideAutoTune::Counts::speedChanging},
  };
  for (const Case& c : cases) {
    CRideAutoTune tune(RideAutoTuneSettings{}, kTarget);
    Feed(tune, 0.0, 3.0, [&](double t) {
      RideSample s = Steady(t, 10, 20, 1.2);
      c.spoil(s, t);
      return s;
    });
    EXPECT_EQ(tune.CellsWithSamples(), 0) << c.what;
    EXPECT_EQ(tune.GetCounts().used, 0u) << c.what;
    EXPECT_GT(tune.GetCounts().*c.counter, 300u) << c.what;
  }
}

TEST(RideAutoTuneFilters, TransientFilterOffTakesThosePackets) {
  RideAutoTuneSettings settings;
  settings.transientFilter = false;
  CRideAutoTune tune(settings, kTarget);
  Feed(tune, 0.0, 2.0, [](double t) {
    RideSample s = Steady(t, 10, 20, 1.0);
    s.transientMs = 0.4;
    return s;
  });
  EXPECT_GT(tune.GetCounts().used, 200u);
  EXPECT_EQ(tune.GetCounts().transient, 0u);
}

TEST(RideAutoTuneFilters, ANewStreamOrAGapWaitsForADelayAndAWindowBeforePairing) {
  CRideAutoTune tune(RideAutoTuneSettings{}, kTarget);
  const double wait = RideAutoTuneSettings{}.sensorDelaySeconds + CRideAutoTune::kSteadySeconds;
  const double end = Feed(tune, 0.0, 1.0, [](double t) { return Steady(t, 10, 20, 1.0); });
  const auto early = tune.GetCounts().noHistory;
  EXPECT_NEAR(static_cast<double>(early), wait / kPeriod, 2.0);
  // A pulled cable: two seconds without packets.
  Feed(tune, end + 2.0, 1.0, [](double t) { return Steady(t, 10, 20, 1.0); });
  EXPECT_NEAR(static_cast<double>(tune.GetCounts().noHistory - early), wait / kPeriod, 2.0);
  // Time going back (a new log) likewise.
  const auto before = tune.GetCounts().noHistory;
  Feed(tune, 0.0, 1.0, [](double t) { return Steady(t, 10, 20, 1.0); });
  EXPECT_NEAR(static_cast<double>(tune.GetCounts().noHistory - before), wait / kPeriod, 2.0);
}

// The engine's speed climbs slowly through rows 8 ... 12 while the mixture gets leaner with
// speed; the sensor reads the mixture of one delay earlier, as a real one does.
double PairedError(bool compensate) {
  RideAutoTuneSettings settings;
  settings.delayCompensation = compensate;
  settings.sensorDelaySeconds = 0.18;
  CRideAutoTune tune(settings, kTarget);
  const double rate = 250.0;  // rpm/s, inside the speed limit
  auto rpmAt = [&](double t) { return 8.0 * 256.0 + rate * t; };
  auto ratioAt = [](double rpm) { return 1.0 + 0.04 * (rpm / 256.0 - 8.0); };
  Feed(tune, 0.0, 4.0 * 256.0 / rate, [&](double t) {
    RideSample s = Steady(t, 0, 20, ratioAt(rpmAt(t - 0.18)));
    s.rpm = rpmAt(t);
    return s;
  });
  double worst = 0.0;
  for (int row = 9; row <= 11; ++row)
    worst = std::max(worst, std::abs(tune.ProposalAt(row, 20).frontErrorPercent - 100.0 * (ratioAt(row * 256.0) - 1.0)));
  return worst;
}

TEST(RideAutoTunePairing, EachReadingGoesWhereTheEngineWasOneSensorDelayEarlier) {
  const double paired = PairedError(true);
  const double unpaired = PairedError(false);
  EXPECT_LT(paired, 0.15) << "paired with the speed of one delay earlier";
  EXPECT_GT(unpaired, 5 * paired) << "paired with the present speed, every cell reads a leaner neighbour";
}

TEST(RideAutoTuneProposals, ReadyAtTheMinimumWeightAndClampedToTheAuthority) {
  RideAutoTuneSettings settings;
  settings.minWeight = 50.0;
  CRideAutoTune tune(settings, kTarget);
  double t = Feed(tune, 0.0, 0.6, [](double s) { return Steady(s, 10, 20, 1.25); });
  EXPECT_FALSE(tune.Ready(10, 20)) << tune.At(10, 20).weight;
  EXPECT_FALSE(tune.ProposalAt(10, 20).ready);
  EXPECT_EQ(tune.ProposalAt(10, 20).fuelPercent, 0.0) << "a cell that is not ready proposes nothing";
  Feed(tune, t, 1.0, [](double s) { return Steady(s, 10, 20, 1.25); });
  const auto p = tune.ProposalAt(10, 20);
  ASSERT_TRUE(p.ready);
  EXPECT_NEAR(p.frontErrorPercent, 25.0, 1e-6);
  EXPECT_DOUBLE_EQ(p.fuelPercent, 15.0) << "25 % lean is more than one pass may take";
  settings.authorityPercent = 10.0;
  CRideAutoTune gentle(settings, kTarget);
  Feed(gentle, 0.0, 2.0, [](double s) { return Steady(s, 10, 20, 0.8); });
  EXPECT_DOUBLE_EQ(gentle.ProposalAt(10, 20).fuelPercent, -10.0);
}

TEST(RideAutoTuneProposals, ACellBelowTheMinimumThrottleNeverMovesThoughReadingsAboveItWeighOnIt) {
  // Just off closed throttle (site 0.8: 1.1 deg) a fifth of each reading's weight falls on the
  // closed-throttle cell, where the engine idles and coasts and no reading is ever taken.
  CRideAutoTune tune(RideAutoTuneSettings{}, kTarget);
  Feed(tune, 0.0, 4.0, [](double t) { return Steady(t, 10, 0.8, 1.12); });
  ASSERT_GT(tune.At(10, 0).weight, RideAutoTuneSettings{}.minWeight);
  EXPECT_FALSE(tune.Ready(10, 0));
  EXPECT_FALSE(tune.ProposalAt(10, 0).ready);
  EXPECT_EQ(tune.ProposalAt(10, 0).fuelPercent, 0.0);
  EXPECT_TRUE(tune.Ready(10, 1));
  EXPECT_EQ(tune.ReadyCells(), 1) << "the count the tuner sees is of the cells an apply would move";
  // A higher minimum throttle keeps every site below it; the first site at or above it is tuned.
  RideAutoTuneSettings settings;
  settings.minThrottleDeg = CRideAutoTune::SiteThrottleDeg(2) + 0.3;
  CRideAutoTune higher(settings, kTarget);
  Feed(higher, 0.0, 4.0, [](double t) { return Steady(t, 10, 2.5, 1.12); });
  ASSERT_GT(higher.At(10, 2).weight, settings.minWeight);
  EXPECT_FALSE(higher.Ready(10, 2));
  EXPECT_TRUE(higher.Ready(10, 3));
}

TEST(RideAutoTuneProposals, TheRearTrimTakesTheRearCylindersErrorRelativeToTheFront) {
  CRideAutoTune tune(RideAutoTuneSettings{}, kTarget);
  Feed(tune, 0.0, 2.0, [](double t) { return Steady(t, 10, 20, 1.06, 1.06 * 1.04); });
  Feed(tune, 0.0, 2.0, [](double t) { return Steady(t, 12, 30, 0.95, 0.95); });
  const auto lean = tune.ProposalAt(10, 20);
  EXPECT_NEAR(lean.fuelPercent, 6.0, 1e-6) << "the fuel table follows the front cylinder";
  EXPECT_NEAR(lean.rearPercent, 4.0, 1e-6) << "the rear trim only what the rear needs beyond the front";
  const auto same = tune.ProposalAt(12, 30);
  EXPECT_NEAR(same.fuelPercent, -5.0, 1e-6);
  EXPECT_NEAR(same.rearPercent, 0.0, 1e-9) << "a rear cylinder as lean as the front keeps its trim";
}

TEST(RideAutoTuneFit, ACorrectedCellBesideAnUncorrectedOneIsNotPulledAlong) {
  // Cell (10, 20) is right, its neighbour (10, 21) still 15 % rich; readings spread evenly
  // between their centres read the blend of the two, as the module blends them.
  std::vector<double> fuel(CRideAutoTune::kRows * CRideAutoTune::kSites, 100.0), trim(fuel.size(), 0.0);
  fuel[10 * CRideAutoTune::kSites + 21] = 115.0;
  CRideAutoTune tune(RideAutoTuneSettings{}, kTarget);
  tune.SetTable(fuel, trim);
  double t = 0.0;
  for (int i = 0; i < 24; ++i) {
    const double x = (i % 12) / 11.0;
    t = Feed(tune, t + 2.0, 1.0, [&](double s) { return Steady(s, 10, 20 + x, 100.0 / (100.0 + 15.0 * x)); });
  }
  const auto corrected = tune.ProposalAt(10, 20);
  const auto rich = tune.ProposalAt(10, 21);
  EXPECT_LT(corrected.frontErrorPercent, -3.0) << "its plain mean carries part of the neighbour's error";
  EXPECT_NEAR(corrected.fuelPercent, 0.0, 1.0) << "the fit does not";
  EXPECT_NEAR(rich.fuelPercent, -13.0, 1.5);
}

TEST(RideAutoTuneFit, ReadingsTakenBeforeAnApplyStillCountAfterIt) {
  std::vector<double> fuel(CRideAutoTune::kRows * CRideAutoTune::kSites, 200.0), trim(fuel.size(), 2.0);
  CRideAutoTune tune(RideAutoTuneSettings{}, kTarget);
  tune.SetTable(fuel, trim);
  Feed(tune, 0.0, 2.0, [](double t) { return Steady(t, 10, 20, 1.08, 1.08 * 1.03); });
  const auto before = tune.ProposalAt(10, 20);
  EXPECT_NEAR(before.fuelPercent, 8.0, 0.1);
  EXPECT_NEAR(before.rearPercent, 3.0, 0.1);
  // The tuner applies: the table now holds what the cell needs, and nothing more is proposed.
  fuel[10 * CRideAutoTune::kSites + 20] = 200.0 * 1.08;
  trim[10 * CRideAutoTune::kSites + 20] = (1.02 * 1.03 - 1.0) * 100.0;
  tune.SetTable(fuel, trim);
  const auto after = tune.ProposalAt(10, 20);
  EXPECT_TRUE(after.ready);
  EXPECT_NEAR(after.fuelPercent, 0.0, 0.1);
  EXPECT_NEAR(after.rearPercent, 0.0, 0.1);
}

// A family-A document whose fuel rows all hold `fuel` and rear trims `trim` (module units).
std::unique_ptr<CCorvaneMapsDoc> Document(AppState& app, int fuel, int trim) {
  app.productCode = 1;
  auto doc = std::make_unique<CCorvaneMapsDoc>(app);
  for (int row = 0; row < CRideAutoTune::kRows; ++row) {
    CModuleMap& f = *doc->GetMap(doc->FindMap(RideAutoTunePlan::FuelMapClass(row)));
    CModuleMap& r = *doc->GetMap(doc->FindMap(RideAutoTunePlan::RearTrimMapClass(row)));
    for (int s = 0; s < CRideAutoTune::kSites; ++s) {
      const int bytes = (fuel >> 8) | (fuel & 0xFF) << 8;   // as module memory holds a word
      f.LoadPointFromModule(s, bytes);
      f.LoadPointBaseFromModule(s, bytes);
      r.LoadPointFromModule(s, trim);
      r.LoadPointBaseFromModule(s, trim);
    }
  }
  return doc;
}

TEST(RideAutoTunePlanTest, OnlyReadyCellsMoveAndACellWithoutSamplesNever) {
  AppState app;
  auto doc = Document(app, 400, 128);
  std::vector<double> fuel, trim;
  RideAutoTunePlan::ReadTable(*doc, fuel, trim);
  EXPECT_DOUBLE_EQ(fuel[10 * 64 + 20], 400.0);
  EXPECT_NEAR(trim[10 * 64 + 20], 0.0, 0.01);
  RideAutoTuneSettings settings;
  settings.minWeight = 30.0;
  CRideAutoTune tune(settings, kTarget);
  tune.SetTable(fuel, trim);
  Feed(tune, 0.0, 2.0, [](double t) { return Steady(t, 10, 20, 1.10, 1.10 * 1.04); });   // ready
  Feed(tune, 10.0, 0.5, [](double t) { return Steady(t, 14, 40, 1.10); });              // not ready
  const RideAutoTunePlan plan = RideAutoTunePlan::Make(*doc, tune);
  ASSERT_EQ(plan.Changes().size(), 2u) << plan.Description();
  EXPECT_EQ(plan.FuelPoints(), 1);
  EXPECT_EQ(plan.RearPoints(), 1);
  for (const auto& c : plan.Changes()) {
    EXPECT_EQ(c.row, 10);
    EXPECT_EQ(c.site, 20);
    if (c.rear) {
      EXPECT_EQ(c.before, 128);
      EXPECT_EQ(c.after, 128 + 10) << "4 % more for the rear: 10 trim counts of 0.39 %";
    } else {
      EXPECT_EQ(c.before, 400);
      EXPECT_EQ(c.after, 440);
    }
  }
  const auto applied = plan.Apply(*doc);
  EXPECT_EQ(applied.points, 2);
  EXPECT_EQ(applied.maps, 2);
  EXPECT_EQ(applied.notInSync, 2) << "no module linked: the points wait for one";
  std::vector<double> after, afterTrim;
  RideAutoTunePlan::ReadTable(*doc, after, afterTrim);
  for (std::size_t i = 0; i < after.size(); ++i) {
    if (i == 10 * 64 + 20) continue;
    EXPECT_EQ(after[i], fuel[i]) << i;
    EXPECT_EQ(afterTrim[i], trim[i]) << i;
  }
  EXPECT_EQ(after[10 * 64 + 20], 440.0);
  // One step of the document's history, named by the plan; one undo takes all of it back.
  ASSERT_GE(doc->History().StepCount(), 1u);
  EXPECT_EQ(doc->History().Description(doc->History().StepCount() - 1), plan.Description());
  EXPECT_EQ(plan.Description(), "Ride AutoTune: 1 fuel point, 1 rear trim point");
  // Applying the same plan again changes nothing: its points no longer hold their old values.
  EXPECT_EQ(plan.Apply(*doc).points, 0);
  ASSERT_TRUE(doc->History().Undo());
  std::vector<double> undone, undoneTrim;
  RideAutoTunePlan::ReadTable(*doc, undone, undoneTrim);
  EXPECT_EQ(undone, fuel);
  EXPECT_EQ(undoneTrim, trim);
}

TEST(RideAutoTunePlanTest, ChosenCellsOnlyAndValuesStayInsideTheModuleRange) {
  AppState app;
  auto doc = Document(app, 1000, 250);
  std::vector<double> fuel, trim;
  RideAutoTunePlan::ReadTable(*doc, fuel, trim);
  CRideAutoTune tune(RideAutoTuneSettings{}, kTarget);
  tune.SetTable(fuel, trim);
  Feed(tune, 0.0, 2.0, [](double t) { return Steady(t, 10, 20, 1.2, 1.2 * 1.2); });
  Feed(tune, 10.0, 2.0, [](double t) { return Steady(t, 20, 40, 1.2); });
  const RideAutoTunePlan plan = RideAutoTunePlan::Make(*doc, tune, [](int row, int) { return row == 10; });
  ASSERT_FALSE(plan.Empty());
  for (const auto& c : plan.Changes()) {
    EXPECT_EQ(c.row, 10);
    EXPECT_LE(c.after, c.rear ? 255 : 1023) << "held at the top of the module range";
  }
}

TEST(RideAutoTuneSettingsTest, KeptInTheSettingsStoreAndPutBackInsideTheirLimits) {
  MemorySettingsStore store;
  RideAutoTuneSettings s;
  s.minHeadTempF = 250.5;
  s.sensorDelaySeconds = 0.12;
  s.transientFilter = false;
  s.authorityPercent = 8.0;
  s.Save(store);
  EXPECT_EQ(RideAutoTuneSettings::Load(store), s);
  EXPECT_EQ(store.GetText(RideAutoTuneSettings::kSection, "TransientFilter"), "0");
  store.SetText(RideAutoTuneSettings::kSection, "Authority", "500");
  store.SetText(RideAutoTuneSettings::kSection, "SensorDelay", "soon");
  store.SetText(RideAutoTuneSettings::kSection, "DelayCompensation", "maybe");
  const auto loaded = RideAutoTuneSettings::Load(store);
  EXPECT_DOUBLE_EQ(loaded.authorityPercent, 50.0) << "clamped to its limit";
  EXPECT_DOUBLE_EQ(loaded.sensorDelaySeconds, RideAutoTuneSettings{}.sensorDelaySeconds) << "unreadable: the default";
  EXPECT_TRUE(loaded.delayCompensation);
}

TEST(RideSampleTest, DecodesTheBlockAsTheMonitorDoesAndJudgesTheSensorsAgainstTheTable) {
  CEgoSensorTable table;
  table.Parse("10.0,0.0\n20.0,5.0\n", 5.0 / 1023.0);
  test::BlockBuilder block;
  block.Set(4, 160)           // 2560 rpm
      .Set(19, 0xFFFF)        // above its maximum: held at 88.68 deg
      .Set(21, 760)           // head temperature: -40 + 760 x 0.5
      .Set(15, 10)            // transient fuel, 10 counts
      .Set(30, 512)
      .Set(31, 1023);         // pegged lean
  const RideSample s = RideSample::FromBlock(1.5, block.Block(), table);
  EXPECT_DOUBLE_EQ(s.seconds, 1.5);
  EXPECT_DOUBLE_EQ(s.rpm, 2560.0);
  EXPECT_DOUBLE_EQ(s.throttleDeg, 88.68);
  EXPECT_NEAR(s.headTempF, 340.0, 0.01);
  EXPECT_GT(s.transientMs, 0.0);
  EXPECT_NEAR(s.frontAfr, 15.0, 0.02);
  EXPECT_FALSE(s.sensorsInRange) << "a sensor at the end of the table is pegged";
  EXPECT_FALSE(RideSample::FromBlock(0.0, std::vector<std::uint8_t>(10), table).sensorsInRange);
  std::string why;
  CRideAutoTune tune(RideAutoTuneSettings{}, kTarget);
  EXPECT_FALSE(tune.AddBlock(0.0, std::vector<std::uint8_t>(70), table, why));
  EXPECT_NE(why.find("70 bytes"), std::string::npos) << why;
}

}  // namespace
}  // namespace corvane
