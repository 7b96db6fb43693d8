#include "cli/sim/RideLogRun.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>

#include "documents/CCorvaneMapsDoc.h"
#include "maps/CModuleMap.h"
#include "model/AppState.h"
#include "model/ProgramDataFolder.h"
#include "monitor/CEgoSensorTable.h"
#include "platform/SystemFolders.h"
#include "platform/Utf8Path.h"
#include "protocol/MonitorBlock.h"
#include "sim/ModuleEmulator.h"
#include "sim/RideLog.h"
#include "sim/Scenario.h"

namespace corvane {

namespace {

constexpr int kUsage = 64;
constexpr int kRefused = 2;
constexpr int kFailed = 1;

// The maps of a map file in the module's memory, as a WRITE and the map pushes would put them.
bool PutTune(sim::ModuleEmulator& module, const std::string& path, std::uint32_t productCode) {
  AppState app;
  app.productCode = productCode;
  auto loaded = CCorvaneMapsDoc::Open(path, app);
  if (!loaded.document) {
    std::cerr << "corvane-sim: --tune " << path << ": " << loaded.Message() << "\n";
    return false;
  }
  const CCorvaneMapsDoc& doc = *loaded.document;
  for (int i = 0; i < doc.GetMapCount(); ++i) {
    const CModuleMap* map = doc.GetMap(i);
    if (map == nullptr || map->IsComposite()) continue;
    const std::uint16_t start = map->GetStartAddress();
    const int size = map->GetMapSizeBytes();
    if (size <= 0 || start + size > static_cast<int>(sim::kMemoryEnd)) continue;
    module.Poke(start, std::span(doc.Image().Data() + start, static_cast<std::size_t>(size)));
  }
  return true;
}

EgoAfrLookup LoadEgoTable(const std::filesystem::path& folder) {
  std::ifstream in(folder / CEgoSensorTable::kFileName, std::ios::binary);
  if (!in) return {};
  std::stringstream text;
  text << in.rdbuf();
  auto table = std::make_shared<CEgoSensorTable>();
  const auto& front = protocol::kMonitorChannels[protocol::kFrontEgoChannel];
  table->Parse(text.str(), (front.displayMaximum - front.displayMinimum) / front.rawMaximum);
  if (table->IsEmpty()) return {};
  return [table](std::int64_t raw) { return table->LookupEgoAfr(raw); };
}

}  // namespace

int RunRideLog(const std::map<std::string, std::string>& options, const sim::SimEngineOptionText& engine,
               const char* programPath) {
  auto get = [&](const std::string& name) -> const std::string* {
    const auto it = options.find(name);
    return it == options.end() ? nullptr : &it->second;
  };
  auto number = [&](const std::string& name, double fallback, double& out) {
    const std::string* text = get(name);
    if (!text) {
      out = fallback;
      return true;
    }
    char* end = nullptr;
    out = std::strtod(text->c_str(), &end);
    if (text->empty() || *end != '\0') {
      std::cerr << "corvane-sim: " << name << " needs a number\n";
      return false;
    }
    return true;
  };
  const std::string* out = get("--log-ride");
  const std::string* scenario = get("--scenario");
  if (!scenario) {
    std::cerr << "corvane-sim: --log-ride needs --scenario, e.g. \"ride duration=600 seed=1 style=street\"\n";
    return kUsage;
  }
  double productCode = 1, seed = 1, rate = 0;
  if (!number("--product-code", 1, productCode) || !number("--seed", 1, seed) ||
      !number("--rate", sim::LinePacketRate(), rate))
    return kUsage;
  if (!(rate > 0.0 && rate <= 1000.0)) {
    std::cerr << "corvane-sim: --rate must lie in 0 ... 1000 packets a second\n";
    return kUsage;
  }
  sim::EmulatorOptions module;
  module.productCode = static_cast<std::uint32_t>(productCode);
  module.seed = static_cast<std::uint64_t>(seed);
  module.monitorRateHz = rate;
  std::string error;
  if (!sim::ApplySimEngineOptions(engine, true, module, &error)) {
    std::cerr << "corvane-sim: " << error << "\n";
    return kUsage;
  }
  sim::ModuleEmulator emulator(module);
  if (const std::string* tune = get("--tune"); tune && !PutTune(emulator, *tune, module.productCode)) return kRefused;
  if (!emulator.StartScenario(*scenario, &error)) {
    std::cerr << "corvane-sim: scenario: " << error << "\n";
    return kUsage;
  }
  std::filesystem::path dataFolder;
  if (const std::string* dir = get("--data-dir")) {
    dataFolder = PathFromUtf8(*dir);
  } else {
    std::error_code ec;
    std::filesystem::path folder = ProgramFolder();
    if (folder.empty()) folder = std::filesystem::absolute(PathFromUtf8(programPath), ec).parent_path();
    dataFolder = FindProgramDataFolder(folder, CEgoSensorTable::kFileName);
  }
  const EgoAfrLookup egoAfr = LoadEgoTable(dataFolder);
  if (!egoAfr)
    std::cerr << "corvane-sim: no " << CEgoSensorTable::kFileName << " in " << Utf8FromPath(dataFolder)
              << ": the log holds the exhaust-oxygen sensors in volts only\n";

  const double seconds = emulator.ScenarioSecondsLeft();
  if (!(seconds <= 86400.0)) {
    std::cerr << "corvane-sim: the scenario must end within a day: give it a duration\n";
    return kUsage;
  }
  const auto started = std::chrono::steady_clock::now();
  std::uint64_t packets = 0;
  if (!sim::WriteRideLog(emulator, *out, rate, egoAfr, &error, &packets)) {
    std::cerr << "corvane-sim: " << error << "\n";
    return kFailed;
  }
  const double took = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  char line[256];
  std::snprintf(line, sizeof line, "corvane-sim: %llu packets, %.0f s of riding at %.1f packets/s, in %.1f s: %s\n",
                static_cast<unsigned long long>(packets), seconds, rate, took, out->c_str());
  std::cout << line;
  return 0;
}

}  // namespace corvane
