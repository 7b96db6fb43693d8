#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "sim/EgoSensorCurve.h"
#include "sim/EngineModel.h"
#include "sim/ModuleEmulator.h"
#include "sim/MonitorLayout.h"
#include "sim/StockTune.h"

namespace corvane::sim {
namespace {

EmulatorOptions Real(bool transients, bool warmUp, double noise = 0.0) {
  EmulatorOptions options;
  options.realism = {.on = true, .transients = transients, .warmUp = warmUp};
  options.egoNoiseAfr = noise;
  options.seed = 3;
  return options;
}

double FrontAfr(const ModuleEmulator& module) {
  return EgoSensorCurve::AfrForRaw(MonitorLayout::GetRaw(module.MonitorBlock(), Live::FrontEgo));
}

void ScaleFuelRow(ModuleEmulator& module, int row, double factor) {
  for (int p = 0; p < 64; ++p) {
    const auto address = static_cast<std::uint16_t>(StockTune::kFuelAddress + 0x80 * row + 2 * p);
    module.PokeWord(address, static_cast<std::uint16_t>(std::lround(module.PeekWord(address) * factor)));
  }
}

TEST(RealisticEngine, TheSensorReadsTheGasOfOneTransportDelayAgoThroughAFirstOrderLag) {
  ModuleEmulator module(Real(false, false));
  ASSERT_TRUE(module.StartScenario("hold rpm=3072 sites=30 dwell=1000"));
  module.Advance(3.0);
  EXPECT_NEAR(FrontAfr(module), 13.1, 0.03);
  ScaleFuelRow(module, 12, 1.0 / 1.1);   // the mixture turns 10 % lean at once
  const double lean = 13.1 * 1.1;
  std::vector<double> afr;
  for (int i = 0; i < 60; ++i) {          // 10 ms a step
    module.Advance(0.01);
    afr.push_back(FrontAfr(module));
  }
  EXPECT_NEAR(afr[8], 13.1, 0.03) << "90 ms on the gas has not reached the sensor";
  // 100 ms delay + one 80 ms time constant: 63 % of the step.
  EXPECT_NEAR(afr[17], 13.1 + 0.632 * (lean - 13.1), 0.08);
  EXPECT_NEAR(afr[59], lean, 0.05) << "settled after five time constants";
}

TEST(RealisticEngine, OnClosedThrottleOverrunTheModuleCutsTheFuelAndTheSensorReadsAir) {
  ModuleEmulator module(Real(true, false));
  ASSERT_TRUE(module.StartScenario("hold rpm=4000 tps=0 dwell=1000"));
  module.Advance(2.0);
  EXPECT_TRUE(module.Engine().FuelCut());
  EXPECT_EQ(MonitorLayout::GetRaw(module.MonitorBlock(), Live::FrontEgo), EgoSensorCurve::kRawMax);
  EXPECT_EQ(MonitorLayout::GetRaw(module.MonitorBlock(), Live::StoichiometricFuel), 0) << "no fuel from the table";
  ASSERT_TRUE(module.StartScenario("idle"));
  module.Advance(3.0);
  EXPECT_FALSE(module.Engine().FuelCut()) << "at idle the engine is fuelled";
  EXPECT_LT(FrontAfr(module), 15.0);
}

TEST(RealisticEngine, AColdEngineRunsRichAsTheTemperatureCorrectionSaysAndItsSensorStartsLean) {
  ModuleEmulator module(Real(false, true));
  EXPECT_DOUBLE_EQ(module.Engine().HeadTempF(), EngineModel::kAmbientF);
  ASSERT_TRUE(module.StartScenario("hold rpm=3072 sites=30 dwell=100000"));
  module.Advance(1.0);
  const double cold = EngineModel::TemperatureFactor(module.Memory(), module.Engine().HeadTempF());
  EXPECT_GT(cold, 1.08) << "the stock map adds about 9 % at 77 deg F";
  EXPECT_GT(FrontAfr(module), 13.1 / cold + 1.0) << "a cold sensor reads lean however rich the engine runs";
  module.Advance(120.0);
  const double warmer = EngineModel::TemperatureFactor(module.Memory(), module.Engine().HeadTempF());
  EXPECT_NEAR(FrontAfr(module), 13.1 / warmer, 0.06) << "the sensor warmed first; the engine still runs rich";
  EXPECT_GT(warmer, 1.01);
  module.Advance(1500.0);
  EXPECT_GT(module.Engine().HeadTempF(), 320.0);
  EXPECT_NEAR(FrontAfr(module), 13.1 / EngineModel::TemperatureFactor(module.Memory(), module.Engine().HeadTempF()), 0.03);
}

TEST(RealisticEngine, OpeningTheThrottleAddsTransientFuelAndTheWallFilmStirsTheMixture) {
  auto swing = [](bool transients) {
    ModuleEmulator module(Real(transients, false));
    (void)module.StartScenario("hold rpm=3072 tps=5,35 dwell=3");
    module.Advance(2.9);
    double lowest = 99.0, highest = 0.0, transient = 0.0;
    for (int i = 0; i < 200; ++i) {
      module.Advance(0.01);
      lowest = std::min(lowest, FrontAfr(module));
      highest = std::max(highest, FrontAfr(module));
      transient = std::max(transient, MonitorLayout::Get(module.MonitorBlock(), Live::TransientFuel));
    }
    return std::pair{highest - lowest, transient};
  };
  const auto [stirred, enrichment] = swing(true);
  const auto [calm, none] = swing(false);
  EXPECT_GT(enrichment, 0.5) << "ms of transient fuel while the throttle opens";
  EXPECT_DOUBLE_EQ(none, 0.0);
  EXPECT_GT(stirred, 0.5) << "the mixture leaves its target for a moment";
  EXPECT_LT(calm, 0.1) << "without transients the new site reads as the old one";
}

TEST(RealisticEngine, TheSameSeedGivesTheSameNoisyReadingsAndAnotherSeedOthers) {
  auto readings = [](std::uint64_t seed) {
    EmulatorOptions options = Real(true, true, 0.15);
    options.seed = seed;
    ModuleEmulator module(options);
    (void)module.StartScenario("ride duration=60 seed=4 style=street");
    std::vector<std::uint8_t> all;
    for (int i = 0; i < 2000; ++i) {
      module.Advance(0.0072);
      const auto block = module.MonitorBlock();
      all.insert(all.end(), block.begin(), block.end());
    }
    return all;
  };
  EXPECT_EQ(readings(11), readings(11));
  EXPECT_NE(readings(11), readings(12));
}

}  // namespace
}  // namespace corvane::sim
