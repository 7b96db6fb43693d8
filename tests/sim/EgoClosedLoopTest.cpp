#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "sim/EgoSensorCurve.h"
#include "sim/ModuleEmulator.h"
#include "sim/MonitorLayout.h"
#include "sim/StockTune.h"

namespace corvane::sim {
namespace {

struct Afrs {
  double front;
  double rear;
};

// Average of `packets` monitor packets at the emulator's rate, as the PC would see them.
Afrs MeasureAfr(ModuleEmulator& module, int packets = 10) {
  double front = 0, rear = 0;
  for (int i = 0; i < packets; ++i) {
    module.Advance(1.0 / module.MonitorRateHz());
    const std::vector<std::uint8_t> block = module.MonitorBlock();
    front += EgoSensorCurve::AfrForRaw(MonitorLayout::GetRaw(block, Live::FrontEgo));
    rear += EgoSensorCurve::AfrForRaw(MonitorLayout::GetRaw(block, Live::RearEgo));
  }
  return {front / packets, rear / packets};
}

void ScaleFuelRow(ModuleEmulator& module, int row, double factor) {
  std::vector<std::uint8_t> bytes;
  const auto address = static_cast<std::uint16_t>(StockTune::kFuelAddress + 0x80 * row);
  ASSERT_EQ(module.Read(address, 128, bytes), ModuleEmulator::Result::Ok);
  for (int p = 0; p < 64; ++p) {
    const int scaled = static_cast<int>(std::lround((bytes[2 * p] << 8 | bytes[2 * p + 1]) * factor));
    bytes[2 * p] = static_cast<std::uint8_t>(scaled >> 8);
    bytes[2 * p + 1] = static_cast<std::uint8_t>(scaled & 0xFF);
  }
  ASSERT_EQ(module.Write(address, bytes), ModuleEmulator::Result::Ok);
}

TEST(EgoClosedLoop, LeanFuelRowReadsLeanAtThatRowOnly) {
  ModuleEmulator module(1, 3);
  ASSERT_TRUE(module.StartScenario("hold rpm=2048 sites=24 dwell=1000"));
  module.Advance(3.0);
  const Afrs stock = MeasureAfr(module);
  EXPECT_NEAR(stock.front, 13.1, 0.02);

  ScaleFuelRow(module, 8, 0.9);     // row key 2048
  const Afrs lean = MeasureAfr(module);
  EXPECT_NEAR(lean.front / stock.front, 1.0 / 0.9, 0.01) << "10 % less fuel reads ~11 % leaner";
  EXPECT_NEAR(lean.rear / stock.rear, 1.0 / 0.9, 0.01) << "the rear cylinder shares the fuel row";

  ASSERT_TRUE(module.StartScenario("hold rpm=3072 sites=24 dwell=1000"));
  module.Advance(3.0);
  EXPECT_NEAR(MeasureAfr(module).front, 13.1, 0.02) << "another row is untouched";
}

TEST(EgoClosedLoop, RearTrimMovesOnlyTheRearReading) {
  ModuleEmulator module(1, 3);
  ASSERT_TRUE(module.StartScenario("hold rpm=4096 sites=40 dwell=1000"));
  module.Advance(3.0);
  const int row = 16;
  std::vector<std::uint8_t> trim;
  const auto address = static_cast<std::uint16_t>(StockTune::kRearTrimAddress + 0x40 * row);
  ASSERT_EQ(module.Read(address, 64, trim), ModuleEmulator::Result::Ok);
  for (std::uint8_t& t : trim) t = static_cast<std::uint8_t>(t + 26);   // about +10 %
  ASSERT_EQ(module.Write(address, trim), ModuleEmulator::Result::Ok);
  const Afrs afr = MeasureAfr(module);
  EXPECT_NEAR(afr.front, 13.1, 0.02);
  EXPECT_LT(afr.rear, 12.1);
  EXPECT_GT(afr.rear, 11.7);
}

TEST(EgoClosedLoop, TruthFactorMakesARegionReadLeanAndCorrectingTheMapFixesIt) {
  ModuleEmulator module(1, 3);
  const double throttle = 30 * 16 * 88.68 / 1008.0;              // site 30
  module.SetTruth(TruthBump(3072.0, 300.0, throttle, 3.0, 0.10));  // needs 10 % more fuel there
  ASSERT_TRUE(module.StartScenario("hold rpm=3072 sites=30 dwell=1000"));
  module.Advance(3.0);
  const Afrs before = MeasureAfr(module);
  EXPECT_NEAR(before.front, 13.1 * 1.1, 0.03);

  ScaleFuelRow(module, 12, 1.1);
  EXPECT_NEAR(MeasureAfr(module).front, 13.1, 0.03);

  ASSERT_TRUE(module.StartScenario("hold rpm=3072 sites=5 dwell=1000"));
  module.Advance(3.0);
  EXPECT_LT(MeasureAfr(module).front, 12.5) << "away from the bump the corrected row is now rich";
}

TEST(EgoClosedLoop, CorrectionsFromAveragedReadingsBringALeanRowBackToTarget) {
  EmulatorOptions options;
  options.egoNoiseAfr = 0.05;
  ModuleEmulator module(options);
  ScaleFuelRow(module, 8, 0.88);
  const int sites[] = {8, 16, 24, 32, 40, 48, 56};
  std::string hold = "hold rpm=2048 dwell=1 sites=";
  for (int site : sites) hold += std::to_string(site) + (site == 56 ? "" : ",");
  ASSERT_TRUE(module.StartScenario(hold));
  module.Advance(0.5);
  for (int site : sites) {
    module.Advance(0.3);     // settle on the site, then average three packets as the PC does
    int sum = 0;
    for (int i = 0; i < 3; ++i) {
      module.Advance(0.05);
      sum += MonitorLayout::GetRaw(module.MonitorBlock(), Live::FrontEgo);
    }
    const double fraction = EgoSensorCurve::AfrForRaw(sum / 3) / 13.1 - 1.0;
    const auto address = static_cast<std::uint16_t>(StockTune::kFuelAddress + 0x80 * 8 + 2 * site);
    const int value = module.PeekWord(address);
    const auto corrected = static_cast<std::uint16_t>(value + std::lround(fraction * value));
    ASSERT_EQ(module.Write(address, std::vector<std::uint8_t>{static_cast<std::uint8_t>(corrected >> 8),
                                                                static_cast<std::uint8_t>(corrected & 0xFF)}),
              ModuleEmulator::Result::Ok);
    module.Advance(0.5);     // rest of the dwell
  }
  for (int site : sites) {
    const double corrected = module.PeekWord(static_cast<std::uint16_t>(StockTune::kFuelAddress + 0x80 * 8 + 2 * site));
    EXPECT_NEAR(corrected / StockTune::FuelPoint(8, site), 1.0, 0.03) << "site " << site;
  }
}

std::vector<std::vector<std::uint8_t>> Ride(std::uint64_t seed) {
  EmulatorOptions options;
  options.seed = seed;
  options.egoNoiseAfr = 0.1;
  options.speedNoiseRpm = 10.0;
  ModuleEmulator module(options);
  EXPECT_TRUE(module.StartScenario("ride duration=30"));
  std::vector<std::vector<std::uint8_t>> blocks;
  for (int i = 0; i < 200; ++i) {
    module.Advance(0.05);
    blocks.push_back(module.MonitorBlock());
  }
  return blocks;
}

TEST(EgoClosedLoop, SameSeedRidesTheSameRideWithTheSameNoise) {
  EXPECT_EQ(Ride(11), Ride(11));
  EXPECT_NE(Ride(11), Ride(12));
}

TEST(EgoClosedLoop, NoiseScattersReadingsAroundTheTruth) {
  EmulatorOptions options;
  options.egoNoiseAfr = 0.1;
  ModuleEmulator module(options);
  ASSERT_TRUE(module.StartScenario("hold rpm=2560 sites=16 dwell=1000"));
  module.Advance(3.0);
  std::vector<double> readings;
  for (int i = 0; i < 400; ++i) {
    module.Advance(0.05);
    readings.push_back(EgoSensorCurve::AfrForRaw(MonitorLayout::GetRaw(module.MonitorBlock(), Live::FrontEgo)));
  }
  double mean = 0, square = 0;
  for (double r : readings) mean += r;
  mean /= static_cast<double>(readings.size());
  for (double r : readings) square += (r - mean) * (r - mean);
  const double sigma = std::sqrt(square / static_cast<double>(readings.size()));
  EXPECT_NEAR(mean, 13.1, 0.03);
  EXPECT_NEAR(sigma, 0.1, 0.03);
}

TEST(EgoSensorTableFile, ShippedTableMatchesTheEmulatedSensor) {
  const auto path = std::filesystem::path(CORVANE_SOURCE_DATA_DIR) / "EgoSensorTable.txt";
  std::ifstream file(path);
  ASSERT_TRUE(file) << path;
  std::stringstream whole;
  whole << file.rdbuf();
  EXPECT_EQ(whole.str(), EgoSensorCurve::TableText());

  std::istringstream lines(whole.str());
  std::string line;
  double lastVolts = -1;
  int count = 0;
  while (std::getline(lines, line)) {
    const std::size_t comma = line.find(',');
    ASSERT_NE(comma, std::string::npos);
    const double afr = std::stod(line.substr(0, comma));
    const double volts = std::stod(line.substr(comma + 1));
    EXPECT_GT(volts, lastVolts) << "increasing voltage order";
    EXPECT_NEAR(EgoSensorCurve::AfrForVolts(volts), afr, 1e-9);
    EXPECT_LT(line.size(), 79u);
    lastVolts = volts;
    ++count;
  }
  EXPECT_EQ(count, 21);
}

TEST(EgoSensorCurveMath, RawCountsRoundTripWithinOneHundredthOfAnAfr) {
  for (double afr = 10.0; afr <= 20.0; afr += 0.37)
    EXPECT_NEAR(EgoSensorCurve::AfrForRaw(EgoSensorCurve::RawForAfr(afr)), afr, 0.005 + 1e-9);
  EXPECT_EQ(EgoSensorCurve::RawForAfr(5.0), 0);
  EXPECT_EQ(EgoSensorCurve::RawForAfr(25.0), 1023);
}

}  // namespace
}  // namespace corvane::sim
