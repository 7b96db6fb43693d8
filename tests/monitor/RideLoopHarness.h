#pragma once
// Rides the simulated engine and measures what Ride AutoTune does with it: the ride runs on
// the module emulator with a known true fuel need, its packets go to Ride AutoTune as the live
// mode takes them (and, when asked, into a monitor log that is analysed again from the file),
// the ready cells are applied to a maps document, and the fuel error of the table before and
// after is measured against the truth. Shared by the monitor tests and the figures bench.

#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "comms/MonitorColumns.h"
#include "comms/MonitorLog.h"
#include "documents/CCorvaneMapsDoc.h"
#include "maps/CModuleMap.h"
#include "model/AppState.h"
#include "monitor/CEgoSensorTable.h"
#include "monitor/CRideAutoTune.h"
#include "monitor/RideAutoTunePlan.h"
#include "protocol/MonitorBlock.h"
#include "sim/EngineModel.h"
#include "sim/FuelTruth.h"
#include "sim/ModuleEmulator.h"
#include "sim/RideLog.h"
#include "sim/StockTune.h"

namespace corvane::test {

constexpr int kRows = CRideAutoTune::kRows;
constexpr int kSites = CRideAutoTune::kSites;

// The fuel and rear-trim points of a family-A tune, module units.
struct TuneTable {
  std::array<std::array<int, kSites>, kRows> fuel{};
  std::array<std::array<int, kSites>, kRows> trim{};
};

inline TuneTable StockTable() {
  TuneTable t;
  for (int r = 0; r < kRows; ++r)
    for (int s = 0; s < kSites; ++s) {
      t.fuel[r][s] = sim::StockTune::FuelPoint(r, s);
      t.trim[r][s] = sim::StockTune::RearTrimPoint(r, s);
    }
  return t;
}

inline void PutTable(sim::ModuleEmulator& module, const TuneTable& t) {
  for (int r = 0; r < kRows; ++r)
    for (int s = 0; s < kSites; ++s) {
      module.PokeWord(static_cast<std::uint16_t>(sim::StockTune::kFuelAddress + 0x80 * r + 2 * s),
                      static_cast<std::uint16_t>(t.fuel[r][s]));
      const std::uint8_t trim = static_cast<std::uint8_t>(t.trim[r][s]);
      module.Poke(static_cast<std::uint16_t>(sim::StockTune::kRearTrimAddress + 0x40 * r + s), std::span(&trim, 1));
    }
}

// The table as Ride AutoTune takes it.
inline void SetTable(CRideAutoTune& tune, const TuneTable& t) {
  std::vector<double> fuel, trim;
  for (int r = 0; r < kRows; ++r)
    for (int s = 0; s < kSites; ++s) {
      fuel.push_back(t.fuel[r][s]);
      trim.push_back(-50.0 + t.trim[r][s] * sim::StockTune::kTrimPercentPerCount);
    }
  tune.SetTable(std::move(fuel), std::move(trim));
}

inline CEgoSensorTable SourceEgoTable() {
  std::ifstream in(std::filesystem::path(CORVANE_SOURCE_DATA_DIR) / CEgoSensorTable::kFileName, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  CEgoSensorTable table;
  const auto& front = protocol::kMonitorChannels[protocol::kFrontEgoChannel];
  table.Parse(text.str(), (front.displayMaximum - front.displayMinimum) / front.rawMaximum);
  return table;
}

struct RideRun {
  std::string scenario = "ride duration=600 seed=1 style=street";
  std::uint64_t seed = 1;   // the engine's noise
  std::shared_ptr<const sim::FuelTruth> truth;
  sim::EngineRealism realism{.on = true};
  double egoNoiseAfr = 0.15;
  double speedNoiseRpm = 10.0;
  double packetRate = sim::LinePacketRate();
};

// Rides `run` on a module holding `table`; every packet goes to each of `tunes` as the live
// mode hands it over, and to the monitor log at `logPath` when one is given. The packets.
inline std::uint64_t Ride(const RideRun& run, const TuneTable& table, const std::vector<CRideAutoTune*>& tunes,
                          const CEgoSensorTable& ego, const std::string& logPath = {}) {
  sim::EmulatorOptions options;
  options.seed = run.seed;
  options.realism = run.realism;
  options.egoNoiseAfr = run.egoNoiseAfr;
  options.speedNoiseRpm = run.speedNoiseRpm;
  options.fuelTruth = run.truth;
  options.monitorRateHz = run.packetRate;
  sim::ModuleEmulator module(options);
  PutTable(module, table);
  if (!module.StartScenario(run.scenario)) return 0;
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> log(nullptr, &std::fclose);
  const comms::MonitorColumns columns([&ego](std::int64_t raw) { return ego.LookupEgoAfr(raw); });
  if (!logPath.empty()) {
    log.reset(std::fopen(logPath.c_str(), "wb"));
    if (log) std::fputs((comms::MonitorLog::HeadingRow(columns) + "\r\n").c_str(), log.get());
  }
  for (CRideAutoTune* tune : tunes) {
    tune->NewStream();
    SetTable(*tune, table);
  }
  return sim::RunRide(module, run.packetRate, [&](double seconds, std::span<const std::uint8_t> block) {
    std::string why;
    for (CRideAutoTune* tune : tunes) (void)tune->AddBlock(seconds, block, ego, why);
    if (log) std::fputs((comms::MonitorLog::Row(columns, seconds, block) + "\r\n").c_str(), log.get());
  });
}

// The same packets from the log file, through the monitor log reader, against the table the
// ride was ridden on.
inline bool AnalyseLog(const std::string& path, const TuneTable& table, CRideAutoTune& tune, const CEgoSensorTable& ego,
                       std::string* error = nullptr) {
  tune.NewStream();
  SetTable(tune, table);
  return comms::MonitorLog::ScanFile(
             path,
             [&](const comms::MonitorLog::ScannedRow& row, std::string& why) {
               return tune.AddBlock(row.seconds, row.block, ego, why);
             },
             error)
      .has_value();
}

// The table with the ready cells of `tune` applied, through a maps document as the program
// applies them.
inline TuneTable Apply(const TuneTable& table, const CRideAutoTune& tune, RideAutoTunePlan* planOut = nullptr) {
  AppState app;
  app.productCode = 1;
  CCorvaneMapsDoc doc(app);
  for (int r = 0; r < kRows; ++r) {
    CModuleMap& fuel = *doc.GetMap(doc.FindMap(RideAutoTunePlan::FuelMapClass(r)));
    CModuleMap& trim = *doc.GetMap(doc.FindMap(RideAutoTunePlan::RearTrimMapClass(r)));
    for (int s = 0; s < kSites; ++s) {
      // The bytes as they lie in module memory (high byte first), first byte lowest.
      const int bytes = (table.fuel[r][s] >> 8) | (table.fuel[r][s] & 0xFF) << 8;
      fuel.LoadPointFromModule(s, bytes);
      fuel.LoadPointBaseFromModule(s, bytes);
      trim.LoadPointFromModule(s, table.trim[r][s]);
      trim.LoadPointBaseFromModule(s, table.trim[r][s]);
    }
  }
  const RideAutoTunePlan plan = RideAutoTunePlan::Make(doc, tune);
  (void)plan.Apply(doc);
  if (planOut) *planOut = plan;
  TuneTable after;
  for (int r = 0; r < kRows; ++r) {
    const CModuleMap& fuel = *doc.GetMap(doc.FindMap(RideAutoTunePlan::FuelMapClass(r)));
    const CModuleMap& trim = *doc.GetMap(doc.FindMap(RideAutoTunePlan::RearTrimMapClass(r)));
    for (int s = 0; s < kSites; ++s) {
      after.fuel[r][s] = fuel.GetPointModuleValue(s);
      after.trim[r][s] = trim.GetPointModuleValue(s);
    }
  }
  return after;
}

// The fuel a warm engine gets relative to what it needs at a cell, minus one: the module's
// engine-temperature correction at a hot head is part of what it gets.
struct CellError {
  double front;
  double rear;
};

inline double WarmFactor() {
  std::vector<std::uint8_t> memory(sim::kMemoryEnd);
  sim::StockTune::Write(sim::Family::A, sim::EmulatorOptions{}, memory);
  return sim::EngineModel::TemperatureFactor(memory, 330.0);
}

inline CellError ErrorAt(const TuneTable& t, const sim::FuelTruth& truth, int r, int s, double warm) {
  const double trimPercent = -50.0 + t.trim[r][s] * sim::StockTune::kTrimPercentPerCount;
  const double stockTrimPercent = -50.0 + sim::StockTune::RearTrimPoint(r, s) * sim::StockTune::kTrimPercentPerCount;
  const double stock = sim::StockTune::FuelPoint(r, s);
  const double frontNeed = stock * truth.Cell(r, s, false);
  const double rearNeed = stock * truth.Cell(r, s, true) * (1.0 + stockTrimPercent / 100.0);
  const double front = t.fuel[r][s] * warm;
  const double rear = front * (1.0 + trimPercent / 100.0);
  return {front / frontNeed - 1.0, rear / rearNeed - 1.0};
}

struct Figures {
  int cells = 0;                      // cells measured
  double frontBefore = 0.0, frontAfter = 0.0;   // mean |error|, %
  double rearBefore = 0.0, rearAfter = 0.0;
  double frontRemoved = 0.0, rearRemoved = 0.0;  // % of the mean error removed
  double frontBias = 0.0, rearBias = 0.0;        // mean signed error after, %
  double worstWrongWay = 0.0;         // %: the largest move against the needed direction
  int movedWithoutSamples = 0;        // cells without samples whose points changed
};

// Over the cells `measured` accepts; cells of `tune` without samples must not have moved.
inline Figures Measure(const TuneTable& before, const TuneTable& after, const sim::FuelTruth& truth,
                       const CRideAutoTune& tune, const std::function<bool(int, int)>& measured) {
  Figures f;
  const double warm = WarmFactor();
  for (int r = 0; r < kRows; ++r)
    for (int s = 0; s < kSites; ++s) {
      const bool moved = before.fuel[r][s] != after.fuel[r][s] || before.trim[r][s] != after.trim[r][s];
      if (moved && tune.At(r, s).weight <= 0.0) ++f.movedWithoutSamples;
      if (!measured(r, s)) continue;
      const CellError b = ErrorAt(before, truth, r, s, warm);
      const CellError a = ErrorAt(after, truth, r, s, warm);
      ++f.cells;
      f.frontBefore += std::abs(b.front);
      f.frontAfter += std::abs(a.front);
      f.rearBefore += std::abs(b.rear);
      f.rearAfter += std::abs(a.rear);
      f.frontBias += a.front;
      f.rearBias += a.rear;
      // Wrong way: the fuel moved while the cell was already too rich (or lean) in that direction.
      for (const auto& [from, to] : {std::pair{b.front, a.front}, std::pair{b.rear, a.rear}}) {
        const double move = (1.0 + to) / (1.0 + from) - 1.0;
        if (move * from > 0.0) f.worstWrongWay = std::max(f.worstWrongWay, std::abs(move) * 100.0);
      }
    }
  if (f.cells > 0) {
    f.frontBefore *= 100.0 / f.cells;
    f.frontAfter *= 100.0 / f.cells;
    f.rearBefore *= 100.0 / f.cells;
    f.rearAfter *= 100.0 / f.cells;
    f.frontBias *= 100.0 / f.cells;
    f.rearBias *= 100.0 / f.cells;
    f.frontRemoved = f.frontBefore > 0.0 ? 100.0 * (1.0 - f.frontAfter / f.frontBefore) : 0.0;
    f.rearRemoved = f.rearBefore > 0.0 ? 100.0 * (1.0 - f.rearAfter / f.rearBefore) : 0.0;
  }
  return f;
}

}  // namespace corvane::test
