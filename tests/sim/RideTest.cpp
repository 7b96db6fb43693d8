#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>

#include "comms/MonitorLog.h"
#include "sim/EngineModel.h"
#include "sim/ModuleEmulator.h"
#include "sim/MonitorLayout.h"
#include "sim/RideLog.h"
#include "sim/RiderScenario.h"
#include "sim/Scenario.h"

namespace corvane::sim {
namespace {

struct RideFigures {
  std::set<std::pair<int, int>> cells;   // fuel table cells the engine passed through
  double maxRpm = 0.0;
  double maxThrottle = 0.0;
  double idleSeconds = 0.0;
  double closedAtSpeedSeconds = 0.0;      // overrun
  double fastestThrottle = 0.0;           // deg/s
};

RideFigures RideOn(const std::string& scenario) {
  EmulatorOptions options;
  options.realism.on = true;
  ModuleEmulator module(options);
  EXPECT_TRUE(module.StartScenario(scenario));
  RideFigures f;
  double lastThrottle = 0.0;
  const double dt = 1.0 / LinePacketRate();
  RunRide(module, LinePacketRate(), [&](double, std::span<const std::uint8_t> block) {
    const double rpm = MonitorLayout::Get(block, Live::EngineSpeed);
    const double throttle = MonitorLayout::Get(block, Live::StandardThrottlePosition);
    f.cells.insert({static_cast<int>(std::lround(rpm / 256.0)), static_cast<int>(std::lround(throttle * 1008.0 / 88.68 / 16.0))});
    f.maxRpm = std::max(f.maxRpm, rpm);
    f.maxThrottle = std::max(f.maxThrottle, throttle);
    if (rpm > 500.0 && rpm < 1100.0 && throttle < 0.5) f.idleSeconds += dt;
    if (rpm > 2000.0 && throttle < 0.5) f.closedAtSpeedSeconds += dt;
    f.fastestThrottle = std::max(f.fastestThrottle, std::abs(throttle - lastThrottle) / dt);
    lastThrottle = throttle;
  });
  return f;
}

TEST(RiderRides, ATenMinuteStreetRideCoversTheTableAsARiderDoes) {
  const RideFigures f = RideOn("ride duration=600 seed=1 style=street");
  EXPECT_GE(f.cells.size(), 300u) << "several hundred cells";
  EXPECT_GT(f.maxRpm, 4000.0);
  EXPECT_LT(f.maxRpm, RiderScenario::kRevLimitRpm + 100.0);
  EXPECT_GT(f.maxThrottle, 80.0) << "now and then a full-throttle pull";
  EXPECT_GT(f.idleSeconds, 10.0) << "stops at lights";
  EXPECT_GT(f.closedAtSpeedSeconds, 5.0) << "closed-throttle overrun";
  EXPECT_LT(f.fastestThrottle, 700.0) << "a hand on a twist grip, not a step";
}

TEST(RiderRides, ATrackRideNeverStopsAndRunsHighAndHard) {
  const RideFigures f = RideOn("ride duration=300 seed=2 style=track");
  EXPECT_LT(f.idleSeconds, 1.0);
  EXPECT_GT(f.maxRpm, 5500.0);
  EXPECT_GT(f.maxThrottle, 85.0);
  EXPECT_GT(f.closedAtSpeedSeconds, 10.0) << "hard braking on a closed throttle";
}

TEST(RiderRides, TheSameSeedRidesTheSameRideAndStylesAreChecked) {
  auto a = Scenario::Parse("ride duration=120 seed=9 style=street", 1);
  auto b = Scenario::Parse("ride duration=120 seed=9 style=street", 5);
  auto c = Scenario::Parse("ride duration=120 seed=10 style=street", 1);
  ASSERT_TRUE(a && b && c);
  bool differs = false;
  for (double t = 0; t < 120; t += 0.37) {
    EXPECT_DOUBLE_EQ(a->TargetAt(t).rpm, b->TargetAt(t).rpm);
    EXPECT_DOUBLE_EQ(a->TargetAt(t).throttleDeg, b->TargetAt(t).throttleDeg);
    differs = differs || a->TargetAt(t).throttleDeg != c->TargetAt(t).throttleDeg;
  }
  EXPECT_TRUE(differs);
  EXPECT_DOUBLE_EQ(a->TargetAt(121.0).rpm, 0.0) << "idles once finished";
  for (const char* bad : {"ride style=dirt", "ride style=", "ride duration=0 style=track", "ride duration=100000 style=street"}) {
    std::string error;
    EXPECT_FALSE(Scenario::Parse(bad, 1, &error)) << bad;
    EXPECT_FALSE(error.empty());
  }
}

std::string ReadAll(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

TEST(RideLogs, ALogRideIsTheLiveStreamAtTheLineRateAndTheSameSeedWritesTheSameLog) {
  const auto dir = std::filesystem::temp_directory_path() / ("corvane-ridelog-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()));
  std::filesystem::create_directories(dir);
  auto write = [&](const std::string& name, std::uint64_t seed) {
    EmulatorOptions options;
    options.realism.on = true;
    options.egoNoiseAfr = 0.15;
    options.seed = seed;
    ModuleEmulator module(options);
    EXPECT_TRUE(module.StartScenario("ride duration=30 seed=3 style=street"));
    std::string error;
    std::uint64_t packets = 0;
    EXPECT_TRUE(WriteRideLog(module, (dir / name).string(), LinePacketRate(), {}, &error, &packets)) << error;
    return packets;
  };
  EXPECT_NEAR(LinePacketRate(), 138.8, 0.05) << "72 bytes and the frame's 11 at 115200 baud";
  EXPECT_EQ(write("a.csv", 1), static_cast<std::uint64_t>(std::floor(30.0 * LinePacketRate())));
  write("b.csv", 1);
  write("c.csv", 2);
  EXPECT_EQ(ReadAll(dir / "a.csv"), ReadAll(dir / "b.csv"));
  EXPECT_NE(ReadAll(dir / "a.csv"), ReadAll(dir / "c.csv")) << "another seed, other sensor noise";
  EXPECT_FALSE(std::filesystem::exists(dir / "a.csv.partial"));
  std::string error;
  const auto table = comms::MonitorLog::ReadTable((dir / "a.csv").string(), &error);
  ASSERT_TRUE(table) << error;
  EXPECT_NEAR(table->seconds[1] - table->seconds[0], 1.0 / LinePacketRate(), 0.0011);
  // A scenario that never ends is no ride to log; the file is not touched.
  ModuleEmulator idle;
  EXPECT_FALSE(WriteRideLog(idle, (dir / "a.csv").string(), LinePacketRate(), {}, &error));
  EXPECT_NE(error.find("end"), std::string::npos) << error;
  EXPECT_EQ(ReadAll(dir / "a.csv"), ReadAll(dir / "b.csv"));
  std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace corvane::sim
