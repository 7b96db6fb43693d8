#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "../documents/TempDir.h"
#include "CliRun.h"
#include "documents/CCorvaneMapsDoc.h"
#include "maps/CModuleMap.h"
#include "model/AppState.h"
#include "monitor/RideAutoTunePlan.h"
#include "sim/FuelTruth.h"
#include "sim/ModuleEmulator.h"
#include "sim/RideLog.h"

namespace corvane {
namespace {

using test::Cli;
using test::TempDir;

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// A ride on a warm, realistic engine that needs 10 % more fuel than the stock tune everywhere,
// logged; and the stock tune READ from the same simulated module, which the ride ran on.
struct LoggedRide {
  TempDir dir;
  std::string log = dir.File("ride.csv");
  std::string tune = dir.File("stock.crv");

  explicit LoggedRide(const std::string& scenario = "ride duration=150 seed=5 style=track") {
    sim::FuelTruth truth;
    for (int r = 0; r < 32; ++r)
      for (int c = 0; c < 64; ++c) truth.SetCell(r, c, 1.10);
    sim::EmulatorOptions options;
    options.realism = {.on = true, .warmUp = false};
    options.egoNoiseAfr = 0.15;
    options.fuelTruth = std::make_shared<const sim::FuelTruth>(truth);
    sim::ModuleEmulator module(options);
    EXPECT_TRUE(module.StartScenario(scenario));
    std::string error;
    EXPECT_TRUE(sim::WriteRideLog(module, log, sim::LinePacketRate(), {}, &error)) << error;
    EXPECT_EQ(Cli("read", {"--port", "sim", "--yes", tune}).code, cli::kExitOk);
  }
};

TEST(CliAutotuneLog, ALoggedRideCorrectsTheReadyCellsAndReportsEveryCell) {
  LoggedRide ride;
  const std::string out = ride.dir.File("tuned.crv");
  const std::string report = ride.dir.File("report.csv");
  const auto r = Cli("autotune-log", {ride.log, "--tune", ride.tune, "-o", out, "--report", report, "--data-dir",
                                      CORVANE_TEST_DATA_DIR});
  ASSERT_EQ(r.code, cli::kExitOk) << r.err;
  EXPECT_NE(r.out.find("cells ready of"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("rear trim points changed"), std::string::npos) << r.out;

  AppState app;
  const auto before = CCorvaneMapsDoc::Open(ride.tune, app);
  const auto after = CCorvaneMapsDoc::Open(out, app);
  ASSERT_TRUE(before.document && after.document);
  int cells = 0, moved = 0;
  double sum = 0.0;
  for (const auto& line : Lines(r.out)) {
    int rpm = 0, site = 0;
    if (std::sscanf(line.c_str(), "cell %d rpm site %d", &rpm, &site) != 2) continue;
    ++cells;
    const int map = before.document->FindMap(RideAutoTunePlan::FuelMapClass(rpm / 256));
    const int b = before.document->GetMap(map)->GetPointModuleValue(site);
    const int a = after.document->GetMap(map)->GetPointModuleValue(site);
    if (a != b) ++moved;
    sum += static_cast<double>(a) / b - 1.0;
  }
  ASSERT_GT(cells, 10) << r.out;
  EXPECT_EQ(moved, cells) << "every ready cell moved";
  EXPECT_NEAR(sum / cells, 0.10, 0.02) << "towards the 10 % the engine lacks\n" << r.out;

  std::ifstream in(report);
  std::stringstream text;
  text << in.rdbuf();
  const auto rows = Lines(text.str());
  ASSERT_EQ(rows.size(), 1u + 32u * 64u) << "a heading and every cell";
  EXPECT_EQ(rows[0].rfind("Row (rpm),Site,Throttle (deg),Fuel Before,Fuel After", 0), 0u);
}

TEST(CliAutotuneLog, ADamagedLogIsRefusedWholeNamingItsLineAndNothingIsWritten) {
  LoggedRide ride;
  std::ifstream in(ride.log, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  auto lines = Lines(text.str());
  ASSERT_GT(lines.size(), 5000u);
  const std::string out = ride.dir.File("tuned.crv");
  const std::string report = ride.dir.File("report.csv");
  struct Damage {
    std::string name;
    std::function<void(std::vector<std::string>&)> apply;
    std::string expected;
  };
  const std::vector<Damage> damages{
      {"cut row", [](auto& l) { l[4000] = l[4000].substr(0, l[4000].size() / 2); }, "line 4001: "},
      {"bad number", [](auto& l) { l[3000].replace(l[3000].find(',') + 1, 2, "x1"); }, "line 3001: "},
      {"short block", [](auto& l) { l[2000].resize(l[2000].size() - 5); l[2000] += "\r"; }, "line 2001: "},
  };
  for (const Damage& d : damages) {
    auto damaged = lines;
    d.apply(damaged);
    const std::string path = ride.dir.File(d.name + ".csv");
    std::ofstream(path, std::ios::binary) << [&] {
      std::string s;
      for (const auto& l : damaged) s += l + "\n";
      return s;
    }();
    const auto r = Cli("autotune-log", {ride.log, path, "--tune", ride.tune, "-o", out, "--report", report, "--data-dir",
                                        CORVANE_TEST_DATA_DIR});
    EXPECT_EQ(r.code, cli::kExitRefused) << d.name;
    EXPECT_NE(r.err.find(path + ": " + d.expected), std::string::npos) << d.name << ": " << r.err;
    EXPECT_NE(r.err.find("refused whole"), std::string::npos) << r.err;
    EXPECT_FALSE(std::filesystem::exists(out)) << d.name;
    EXPECT_FALSE(std::filesystem::exists(report)) << d.name;
  }
}

TEST(CliAutotuneLog, NoReadyCellChangesNothingAndOptionsAreChecked) {
  LoggedRide idle("idle duration=20");
  const std::string out = idle.dir.File("tuned.crv");
  auto r = Cli("autotune-log", {idle.log, "--tune", idle.tune, "-o", out, "--data-dir", CORVANE_TEST_DATA_DIR});
  EXPECT_EQ(r.code, cli::kExitFailed) << r.out << r.err;
  EXPECT_NE(r.err.find("no cell is ready"), std::string::npos) << r.err;
  EXPECT_NE(r.out.find("closed throttle"), std::string::npos) << "the total says why: " << r.out;
  EXPECT_FALSE(std::filesystem::exists(out));
  EXPECT_EQ(Cli("autotune-log", {idle.log, "-o", out}).code, cli::kExitUsage) << "--tune is required";
  EXPECT_EQ(Cli("autotune-log", {idle.log, "--tune", idle.tune}).code, cli::kExitUsage) << "-o is required";
  EXPECT_EQ(Cli("autotune-log", {"--tune", idle.tune, "-o", out}).code, cli::kExitUsage) << "no log";
  EXPECT_EQ(Cli("autotune-log", {idle.log, "--tune", idle.tune, "-o", out, "--authority", "80"}).code, cli::kExitUsage);
  EXPECT_EQ(Cli("autotune-log", {idle.log, "--tune", idle.tune, "-o", out, "--target", "0"}).code, cli::kExitUsage);
  r = Cli("autotune-log", {idle.log, "--tune", idle.dir.File("missing.crv"), "-o", out});
  EXPECT_EQ(r.code, cli::kExitRefused);
}

}  // namespace
}  // namespace corvane
