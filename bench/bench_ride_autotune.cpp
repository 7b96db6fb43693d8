// Ride AutoTune's figures on the simulated engine: street rides of 10 minutes on the realistic
// engine (exhaust-oxygen sensors with 100 ms transport delay, 80 ms response and 0.15 AFR
// noise, a cold start, transient fuel and wall film) whose true fuel need differs from the
// stock tune by a smooth table of -15 % ... +15 % (front and rear each their own). Prints:
//  - the share of the mean fuel error removed over the cells one ride made ready, and after a
//    second ride that starts from the first one's result; front and rear;
//  - the worst move against the needed direction and the cells without samples that moved;
//  - the same rides analysed from their monitor logs;
//  - the time to analyse a one-hour log;
//  - all of it again with the sensor delay compensation and the transient filter turned off.
// Run the Release build for the timing: build/release/bench/bench_ride_autotune [--quick] [seeds]
// (--quick: the settings as they are, no hour-long log).
#include <algorithm>
#include <chrono>
#include <ctime>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include <unistd.h>

#include "monitor/RideLoopHarness.h"

namespace {

using namespace corvane;
using test::Figures;
using test::TuneTable;

// The truth: within -15 % ... +15 %, most cells near either end (smooth slopes between); the
// rear cylinder needs the front's need times its own smooth -5 % ... +5 %.
constexpr double kPlateau = 3.0;
constexpr double kRearAmplitude = 0.05;

struct Variant {
  const char* name;
  bool delayCompensation;
  bool transientFilter;
};

struct Row {
  Figures one, two, oneLog, twoLog;
  int readyOne = 0, readyTwo = 0;
};

std::string Temp(const std::string& name) {
  return (std::filesystem::temp_directory_path() / ("corvane-ride-" + std::to_string(::getpid()) + "-" + name)).string();
}

Row RunVariant(const Variant& v, std::uint64_t seed, const std::shared_ptr<const sim::FuelTruth>& truth,
               const CEgoSensorTable& ego) {
  RideAutoTuneSettings settings;
  settings.delayCompensation = v.delayCompensation;
  settings.transientFilter = v.transientFilter;
  const TuneTable stock = test::StockTable();

  test::RideRun first;
  first.scenario = "ride duration=600 seed=" + std::to_string(seed) + " style=street";
  first.seed = seed;
  first.truth = truth;
  CRideAutoTune live1(settings, 13.1), log1(settings, 13.1);
  const std::string log1Path = Temp("1.csv");
  test::Ride(first, stock, {&live1}, ego, log1Path);
  (void)test::AnalyseLog(log1Path, stock, log1, ego);
  const TuneTable after1 = test::Apply(stock, live1);
  const TuneTable after1Log = test::Apply(stock, log1);

  test::RideRun second = first;
  second.scenario = "ride duration=600 seed=" + std::to_string(seed + 1000) + " style=street";
  second.seed = seed + 1000;
  CRideAutoTune live2(settings, 13.1), log2(settings, 13.1);
  const std::string log2Path = Temp("2.csv");
  test::Ride(second, after1, {&live2}, ego, log2Path);
  (void)test::AnalyseLog(log2Path, after1, log2, ego);
  const TuneTable after2 = test::Apply(after1, live2);
  // Offline: the second log is analysed against the table the first log gave.
  test::RideRun secondFromLog = second;
  CRideAutoTune log2b(settings, 13.1);
  const std::string log2bPath = Temp("2b.csv");
  test::Ride(secondFromLog, after1Log, {}, ego, log2bPath);
  (void)test::AnalyseLog(log2bPath, after1Log, log2b, ego);
  const TuneTable after2Log = test::Apply(after1Log, log2b);
  std::filesystem::remove(log1Path);
  std::filesystem::remove(log2Path);
  std::filesystem::remove(log2bPath);

  Row row;
  auto readyIn = [](const CRideAutoTune& t) { return [&t](int r, int s) { return t.Ready(r, s); }; };
  row.readyOne = live1.ReadyCells();
  row.one = test::Measure(stock, after1, *truth, live1, readyIn(live1));
  row.two = test::Measure(stock, after2, *truth, live1, readyIn(live1));
  row.oneLog = test::Measure(stock, after1Log, *truth, log1, readyIn(log1));
  row.twoLog = test::Measure(stock, after2Log, *truth, log1, readyIn(log1));
  // Cells without samples in both rides must not move over the two rides.
  const auto noSamples = test::Measure(after1, after2, *truth, live2, [](int, int) { return false; });
  row.two.movedWithoutSamples = noSamples.movedWithoutSamples + row.one.movedWithoutSamples;
  const auto noSamplesLog = test::Measure(after1Log, after2Log, *truth, log2b, [](int, int) { return false; });
  row.twoLog.movedWithoutSamples = noSamplesLog.movedWithoutSamples + row.oneLog.movedWithoutSamples;
  row.readyTwo = live2.ReadyCells();
  return row;
}

void Print(const char* label, const Figures& f) {
  std::printf("  %-22s cells %4d  front %5.2f -> %5.2f %% (%5.1f %% removed, bias %+5.2f)  rear %5.2f -> %5.2f %% "
              "(%5.1f %% removed, bias %+5.2f)  worst wrong way %4.2f %%  moved without samples %d\n",
              label, f.cells, f.frontBefore, f.frontAfter, f.frontRemoved, f.frontBias, f.rearBefore, f.rearAfter,
              f.rearRemoved, f.rearBias, f.worstWrongWay, f.movedWithoutSamples);
}

// Mean errors over all seeds' cells together, per variant and figure.
struct Pool {
  double cells = 0, frontBefore = 0, frontAfter = 0, rearBefore = 0, rearAfter = 0, worstWrongWay = 0;
  int movedWithoutSamples = 0;
  void Add(const Figures& f) {
    cells += f.cells;
    frontBefore += f.cells * f.frontBefore;
    frontAfter += f.cells * f.frontAfter;
    rearBefore += f.cells * f.rearBefore;
    rearAfter += f.cells * f.rearAfter;
    worstWrongWay = std::max(worstWrongWay, f.worstWrongWay);
    movedWithoutSamples += f.movedWithoutSamples;
  }
  void Print(const char* label) const {
    std::printf("  %-22s front %5.2f -> %4.2f %% (%5.1f %% removed)  rear %5.2f -> %4.2f %% (%5.1f %% removed)  "
                "worst wrong way %4.2f %%  moved without samples %d\n",
                label, frontBefore / cells, frontAfter / cells, 100.0 * (1.0 - frontAfter / frontBefore), rearBefore / cells,
                rearAfter / cells, 100.0 * (1.0 - rearAfter / rearBefore), worstWrongWay, movedWithoutSamples);
  }
};

// Wall-clock seconds of analysing a one-hour log from its file; the processor's seconds in *cpu
// (the machine may be shared: the processor time says what the analysis itself costs).
double AnalyseHour(const CEgoSensorTable& ego, const std::shared_ptr<const sim::FuelTruth>& truth, std::uint64_t& packets,
                   int& ready, double* cpu) {
  test::RideRun hour;
  hour.scenario = "ride duration=3600 seed=77 style=street";
  hour.truth = truth;
  const std::string path = Temp("hour.csv");
  test::Ride(hour, test::StockTable(), {}, ego, path);
  CRideAutoTune tune(RideAutoTuneSettings{}, 13.1);
  const auto start = std::chrono::steady_clock::now();
  const std::clock_t cpuStart = std::clock();
  (void)test::AnalyseLog(path, test::StockTable(), tune, ego);
  (void)tune.ReadyCells();
  (void)tune.ProposalAt(0, 0);   // the fit
  *cpu = static_cast<double>(std::clock() - cpuStart) / CLOCKS_PER_SEC;
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  packets = tune.GetCounts().packets;
  ready = tune.ReadyCells();
  std::filesystem::remove(path);
  return seconds;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::uint64_t> seeds;
  bool quick = false;
  for (int i = 1; i < argc; ++i) {
    if (std::string(argv[i]) == "--quick") quick = true;
    else seeds.push_back(std::strtoull(argv[i], nullptr, 10));
  }
  if (seeds.empty()) seeds = {1, 2, 3, 4, 5, 6};
  const CEgoSensorTable ego = test::SourceEgoTable();
  const Variant variants[] = {
      {"as set (both on)", true, true},
      {"no delay compensation", false, true},
      {"no transient filter", true, false},
      {"neither", false, false},
  };
  std::printf("Ride AutoTune on the simulated engine: street rides of 600 s, truth within +/-15 %%, sensor noise 0.15 AFR,\n"
              "delay 100 ms + 80 ms response, transients and warm-up on; mean |fuel error| over the cells ride 1 made ready.\n");
  Pool pools[4][4];
  for (const std::uint64_t seed : seeds) {
    const auto truth = std::make_shared<const sim::FuelTruth>(sim::FuelTruth::Smooth(0.15, seed, kPlateau, kRearAmplitude));
    std::printf("\nseed %llu\n", static_cast<unsigned long long>(seed));
    for (const Variant& v : variants) {
      if (quick && &v != &variants[0]) break;
      const Row row = RunVariant(v, seed, truth, ego);
      std::printf(" %s: ride 1 made %d cells ready, ride 2 %d\n", v.name, row.readyOne, row.readyTwo);
      Print("one ride, live", row.one);
      Print("one ride, from log", row.oneLog);
      Print("two rides, live", row.two);
      Print("two rides, from logs", row.twoLog);
      const auto at = static_cast<std::size_t>(&v - variants);
      pools[at][0].Add(row.one);
      pools[at][1].Add(row.oneLog);
      pools[at][2].Add(row.two);
      pools[at][3].Add(row.twoLog);
    }
  }
  std::printf("\nall seeds together (mean |fuel error| over every seed's cells that ride 1 made ready):\n");
  for (const Variant& v : variants) {
    const auto at = static_cast<std::size_t>(&v - variants);
    if (pools[at][0].cells == 0) continue;
    std::printf(" %s\n", v.name);
    pools[at][0].Print("one ride, live");
    pools[at][1].Print("one ride, from log");
    pools[at][2].Print("two rides, live");
    pools[at][3].Print("two rides, from logs");
  }
  if (quick) return 0;
  std::uint64_t packets = 0;
  int ready = 0;
  double cpu = 0.0;
  const double seconds =
      AnalyseHour(ego, std::make_shared<const sim::FuelTruth>(sim::FuelTruth::Smooth(0.15, 9)), packets, ready, &cpu);
  std::printf("\none-hour log: %llu packets analysed in %.2f s (%.2f s of processor time; %d cells ready)\n",
              static_cast<unsigned long long>(packets), seconds, cpu, ready);
  return 0;
}
