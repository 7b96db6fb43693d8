// corvane-cli autotune-log: Ride AutoTune from monitor logs. Reads every log through the
// monitor log reader (a damaged log is refused whole, naming its line), gathers the
// corrections of the whole fuel table, front and rear cylinder, applies the ready cells to a
// map file and saves the result; prints a line per ready cell and a total, and with --report
// writes every cell's figures as CSV.
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "cli/commands/CliDocSupport.h"
#include "cli/commands/MonitorCliSupport.h"
#include "comms/MonitorLog.h"
#include "documents/AtomicFile.h"
#include "maps/CModuleMap.h"
#include "monitor/CRideAutoTune.h"
#include "monitor/RideAutoTunePlan.h"
#include "protocol/MonitorBlock.h"

namespace corvane::cli {
namespace {

std::string Format(const char* format, auto... values) {
  char text[320];
  std::snprintf(text, sizeof text, format, values...);
  return text;
}

RideAutoTuneSettings SettingsFrom(const Args& args) {
  RideAutoTuneSettings s;
  struct Option {
    const char* name;
    double* value;
    double scale;
    double low;
    double high;
  };
  const Option options[] = {
      {"authority", &s.authorityPercent, 1.0, 0.5, 50.0},
      {"min-weight", &s.minWeight, 1.0, 0.5, 100000.0},
      {"delay", &s.sensorDelaySeconds, 0.001, 0.0, 1.0},
      {"min-head-temp", &s.minHeadTempF, 1.0, -40.0, 450.0},
      {"max-throttle-rate", &s.maxThrottleRate, 1.0, 1.0, 1000.0},
      {"max-rpm-rate", &s.maxRpmRate, 1.0, 50.0, 20000.0},
      {"min-throttle", &s.minThrottleDeg, 1.0, 0.0, 80.0},
  };
  for (const Option& o : options) {
    const auto v = args.GetDouble(o.name);
    if (!v) continue;
    const double value = *v * o.scale;
    if (!(value >= o.low && value <= o.high))
      throw UsageError{std::string("--") + o.name + " must lie in " + ShortNumber(o.low / o.scale) + " ... " +
                       ShortNumber(o.high / o.scale)};
    *o.value = value;
  }
  s.delayCompensation = !args.Has("no-delay-compensation");
  s.transientFilter = !args.Has("no-transient-filter");
  return s;
}

// Every cell: where it lies, the points before and after, what it gathered.
bool WriteReport(const std::string& path, const CCorvaneMapsDoc& before, const CCorvaneMapsDoc& after,
                 const CRideAutoTune& tune, std::string& error) {
  std::ostringstream csv;
  csv << "Row (rpm),Site,Throttle (deg),Fuel Before,Fuel After,Rear Trim Before,Rear Trim After,Count,Weight,"
         "Front Error (%),Rear Error (%),Spread (%),Ready\r\n";
  for (int row = 0; row < CRideAutoTune::kRows; ++row) {
    const int fuel = before.FindMap(RideAutoTunePlan::FuelMapClass(row));
    const int rear = before.FindMap(RideAutoTunePlan::RearTrimMapClass(row));
    for (int site = 0; site < CRideAutoTune::kSites; ++site) {
      const CRideAutoTune::Proposal p = tune.ProposalAt(row, site);
      auto value = [&](const CCorvaneMapsDoc& doc, int map) {
        return map >= 0 ? std::to_string(doc.GetMap(map)->GetPointModuleValue(site)) : std::string();
      };
      csv << row * 256 << "," << site << "," << Format("%.2f", site * 16 * 88.68 / 1008.0) << "," << value(before, fuel)
          << "," << value(after, fuel) << "," << value(before, rear) << "," << value(after, rear) << "," << p.count << ","
          << Format("%.3f", p.weight) << "," << (p.weight > 0 ? Format("%.3f", p.frontErrorPercent) : "") << ","
          << (p.weight > 0 ? Format("%.3f", p.rearErrorPercent) : "") << ","
          << (p.weight > 0 ? Format("%.3f", p.spreadPercent) : "") << "," << (p.ready ? 1 : 0) << "\r\n";
    }
  }
  return AtomicFile::WriteText(path, csv.str(), &error);
}

int RunAutotuneLog(const Args& args, std::ostream& out, std::ostream& err) {
  const auto& logs = args.Positional();
  if (logs.empty()) throw UsageError{"give at least one monitor log"};
  const auto tunePath = args.Get("tune");
  if (!tunePath) throw UsageError{"--tune IN.crv is required"};
  const auto output = args.Get("o");
  if (!output) throw UsageError{"-o OUT.crv is required"};
  const double target = args.GetDouble("target").value_or(kDefaultTargetAfr);
  if (!(target > 0.0) || !std::isfinite(target)) throw UsageError{"--target must be a positive AFR"};
  const RideAutoTuneSettings settings = SettingsFrom(args);

  AppState app;
  app.productCode = DocumentProductCode(args);
  auto doc = OpenMapFile(*tunePath, app, err);
  if (!doc) return kExitRefused;
  if (doc->FindMap(RideAutoTunePlan::FuelMapClass(0)) < 0) {
    err << "corvane-cli autotune-log: this product has no fuel table to tune\n";
    return kExitRefused;
  }
  const auto before = OpenMapFile(*tunePath, app, err);
  if (!before) return kExitRefused;

  CEgoSensorTable egoTable;
  {
    std::ifstream in(DataFolder(args) / CEgoSensorTable::kFileName, std::ios::binary);
    std::stringstream text;
    if (in) text << in.rdbuf();
    const auto& front = protocol::kMonitorChannels[protocol::kFrontEgoChannel];
    egoTable.Parse(text.str(), (front.displayMaximum - front.displayMinimum) / front.rawMaximum);
  }
  if (egoTable.IsEmpty()) {
    err << "corvane-cli autotune-log: no EGO sensor table (give --data-dir with " << CEgoSensorTable::kFileName << ")\n";
    return kExitRefused;
  }

  CRideAutoTune tune(settings, target);
  {
    // The logs were ridden on this tune: each reading is weighed against its fuel.
    std::vector<double> fuel, trim;
    RideAutoTunePlan::ReadTable(*doc, fuel, trim);
    tune.SetTable(std::move(fuel), std::move(trim));
  }
  for (const std::string& log : logs) {
    tune.NewStream();
    std::string error;
    const auto scanned = comms::MonitorLog::ScanFile(
        log,
        [&](const comms::MonitorLog::ScannedRow& row, std::string& why) {
          return tune.AddBlock(row.seconds, row.block, egoTable, why);
        },
        &error);
    if (!scanned) {
      err << "corvane-cli autotune-log: " << log << ": " << error << "\n"
          << "  The log is refused whole; nothing was changed or saved.\n";
      return kExitRefused;
    }
  }

  const RideAutoTunePlan plan = RideAutoTunePlan::Make(*doc, tune);
  for (int row = 0; row < CRideAutoTune::kRows; ++row)
    for (int site = 0; site < CRideAutoTune::kSites; ++site) {
      const CRideAutoTune::Proposal p = tune.ProposalAt(row, site);
      if (!p.ready) continue;
      out << Format("cell %4d rpm site %2d (%5.2f deg): %6u packets, weight %8.2f, front %+6.2f %% (spread %.2f %%), "
                    "rear %+6.2f %%: fuel %+6.2f %%, rear trim %+6.2f %%\n",
                    row * 256, site, site * 16 * 88.68 / 1008.0, p.count, p.weight, p.frontErrorPercent,
                    p.spreadPercent, p.rearErrorPercent, p.fuelPercent, p.rearPercent);
    }
  const auto& c = tune.GetCounts();
  out << Format("%llu packets in %zu log%s, %llu used; not used: %llu cold, %llu closed throttle, %llu sensor out of "
                "range, %llu transient fuel, %llu throttle moving, %llu speed changing, %llu too early\n",
                static_cast<unsigned long long>(c.packets), logs.size(), logs.size() == 1 ? "" : "s",
                static_cast<unsigned long long>(c.used), static_cast<unsigned long long>(c.cold),
                static_cast<unsigned long long>(c.closedThrottle), static_cast<unsigned long long>(c.sensorRange),
                static_cast<unsigned long long>(c.transient), static_cast<unsigned long long>(c.throttleMoving),
                static_cast<unsigned long long>(c.speedChanging), static_cast<unsigned long long>(c.noHistory));
  out << Format("%d cells ready of %d with samples (minimum weight %g, authority %g %%, target AFR %g)\n",
                tune.ReadyCells(), tune.CellsWithSamples(), settings.minWeight, settings.authorityPercent, target);
  if (tune.ReadyCells() == 0) {
    err << "corvane-cli autotune-log: no cell is ready; nothing was changed or saved\n";
    return kExitFailed;
  }
  const RideAutoTunePlan::Applied applied = plan.Apply(*doc);
  out << Format("%d fuel points and %d rear trim points changed in %d maps\n", plan.FuelPoints(), plan.RearPoints(),
                applied.maps);
  doc->SetModifiedFlag(true);
  std::string error;
  if (!doc->Save(*output, &error)) {
    err << "corvane-cli autotune-log: cannot save " << *output << ": " << error << "\n";
    return kExitFailed;
  }
  if (const auto report = args.Get("report"); report && !WriteReport(*report, *before, *doc, tune, error)) {
    err << "corvane-cli autotune-log: cannot write the report " << *report << ": " << error << "\n";
    return kExitFailed;
  }
  return kExitOk;
}

const bool kRegistered = Register({
    "autotune-log",
    "autotune-log LOG.csv [LOG.csv ...] --tune IN.crv -o OUT.crv [--target AFR] [--authority PCT]\n"
    "         [--min-weight W] [--report REPORT.csv] [--delay MS] [--min-head-temp F]\n"
    "         [--max-throttle-rate DEG_S] [--max-rpm-rate RPM_S] [--min-throttle DEG]\n"
    "         [--no-delay-compensation] [--no-transient-filter] [--data-dir DIR] [--product-code N]",
    "Ride AutoTune from monitor logs (the CSV of Monitor Logging, corvane-cli monitor --csv or\n"
    "corvane-sim --log-ride): every packet of a warm engine with the throttle open, both sensors\n"
    "inside the EGO sensor table's range, no transient fuel and throttle and speed steady is paired\n"
    "with the speed and throttle of one sensor delay earlier (--delay, default 180 ms) and its\n"
    "measured AFR / target AFR (default 13.1) goes to the four fuel table cells around that point\n"
    "with bilinear weights. A cell whose weight sum reaches --min-weight (default 8) is ready: its\n"
    "fuel point moves by its mean error, the rear trim point by the rear cylinder's error relative\n"
    "to the front's, each at most --authority % (default 15). Cells without samples never move.\n"
    "Prints a line per ready cell and a total, writes the tuned file to OUT.crv and, with --report,\n"
    "every cell (row, site, fuel and rear trim before and after, count, weight, mean errors) as\n"
    "CSV. The logs must have been ridden on IN.crv: each reading is weighed against its fuel.\n"
    "A damaged log is refused whole, naming its line (exit 2); no ready cell exits 3. The EGO\n"
    "sensor table is read from --data-dir (default: beside the program, else ./data).",
    {"no-delay-compensation", "no-transient-filter"},
    RunAutotuneLog,
});

}  // namespace
}  // namespace corvane::cli
