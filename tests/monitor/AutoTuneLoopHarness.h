#pragma once
// Drives AutoTune end to end against the module emulator: a fuel row made lean on part of its
// throttle range, an engine that holds the row's speed and visits throttle sites, the monitor
// model tracking the stream, the maps view's collector gathering corrections and applying them
// to the document's maps, whose pushes go back into the emulated module. Shared by the
// monitor tests and the monitor benchmark.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <fstream>
#include <span>
#include <sstream>
#include <string>
#include <vector>

#include "documents/CCorvaneMapsDoc.h"
#include "maps/CModuleMap.h"
#include "model/AppState.h"
#include "model/LinkSeam.h"
#include "monitor/CAutoTuneCollector.h"
#include "monitor/CCorvaneMonitorDoc.h"
#include "monitor/CEgoSensorTable.h"
#include "monitor/CMonitorModel.h"
#include "monitor/ModuleMapTarget.h"
#include "monitor/MonitorEventSink.h"
#include "sim/ModuleEmulator.h"

namespace corvane::test {

struct AutoTuneLoopOptions {
    int row = 8;                 // fuel row index; row key = 256 x row
    int leanFirst = 16;          // points made lean
    int leanLast = 40;
    double leanFactor = 0.9;     // fuel left on the lean points
    std::vector<int> sites = {8, 12, 16, 20, 24, 28, 32, 36, 40, 44, 48};
    double dwellSeconds = 1.5;
    double egoNoiseAfr = 0.03;
    std::uint64_t seed = 5;
};

struct AutoTuneLoopFigures {
    double meanErrorBefore = 0.0;  // mean |AFR - target| at the visited sites
    double meanErrorAfter = 0.0;
    std::vector<int> correctedSites;  // sites that got a fuel correction
    std::vector<int> changedPoints;   // fuel points whose module value changed
    std::vector<int> before;          // fuel row module values before and after
    std::vector<int> after;
    int packets = 0;
    double simulatedSeconds = 0.0;
};

inline std::filesystem::path SourceDataFolder() {
    return std::filesystem::path(CORVANE_SOURCE_DATA_DIR);
}

inline std::string ReadText(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// Map pushes go straight into the emulated module.
class EmulatorLink : public LinkSeam {
public:
    explicit EmulatorLink(sim::ModuleEmulator& module) : m_module(module) {}
    bool IsLinked() const override { return true; }
    bool WriteBlock(std::uint16_t address, std::span<const std::uint8_t> bytes) override {
        return m_module.Write(address, bytes) == sim::ModuleEmulator::Result::Ok;
    }

private:
    sim::ModuleEmulator& m_module;
};

// The application posts the monitor's messages; they reach the maps view after the packet.
class QueuedSink : public MonitorEventSink {
public:
    void Post(MonitorMessage message, int wParam, int lParam) override { queue.push_back({message, wParam, lParam}); }
    struct Posted {
        MonitorMessage message;
        int wParam;
        int lParam;
    };
    std::deque<Posted> queue;
};

inline void LoadMapFromModule(CModuleMap& map, sim::ModuleEmulator& module) {
    std::vector<std::uint8_t> bytes;
    const int width = map.GetBytesPerPoint();
    module.Read(map.GetStartAddress(), static_cast<std::uint16_t>(map.GetMapSizeBytes()), bytes);
    for (int i = 0; i < map.GetNumberOfPoints(); ++i) {
        const std::size_t at = static_cast<std::size_t>(i * width);
        const int raw = width == 2 ? bytes[at] | bytes[at + 1] << 8 : bytes[at];
        map.LoadPointFromModule(i, raw);
        map.LoadPointBaseFromModule(i, raw);
    }
}

inline double MeasureFrontAfr(sim::ModuleEmulator& module, const CEgoSensorTable& table, int rowKey, int site) {
    module.StartScenario("hold rpm=" + std::to_string(rowKey) + " sites=" + std::to_string(site) + " dwell=1000");
    module.Advance(2.0);
    double sum = 0.0;
    constexpr int kPackets = 20;
    for (int i = 0; i < kPackets; ++i) {
        module.Advance(1.0 / module.MonitorRateHz());
        const auto block = module.MonitorBlock();
        sum += table.LookupEgoAfr(block[49] << 8 | block[50]);
    }
    return sum / kPackets;
}

inline double MeanError(sim::ModuleEmulator& module, const CEgoSensorTable& table, int rowKey,
                        const std::vector<int>& sites, double target) {
    double sum = 0.0;
    for (int site : sites) sum += std::abs(MeasureFrontAfr(module, table, rowKey, site) - target);
    return sites.empty() ? 0.0 : sum / static_cast<double>(sites.size());
}

inline AutoTuneLoopFigures RunAutoTuneLoop(const AutoTuneLoopOptions& options) {
    AutoTuneLoopFigures figures;
    sim::EmulatorOptions emulatorOptions;
    emulatorOptions.egoNoiseAfr = options.egoNoiseAfr;
    emulatorOptions.seed = options.seed;
    sim::ModuleEmulator module(emulatorOptions);
    const int rowKey = 256 * options.row;
    const auto rowAddress = static_cast<std::uint16_t>(0x8000 + 0x80 * options.row);

    // Make part of the row lean.
    for (int p = options.leanFirst; p <= options.leanLast; ++p) {
        const auto address = static_cast<std::uint16_t>(rowAddress + 2 * p);
        const int lean = static_cast<int>(std::lround(module.PeekWord(address) * options.leanFactor));
        const std::vector<std::uint8_t> bytes{static_cast<std::uint8_t>(lean >> 8), static_cast<std::uint8_t>(lean)};
        module.Write(address, bytes);
    }

    AppState app;
    app.productCode = 1;
    app.moduleLinked = true;
    app.targetEngineSpeed = rowKey;
    EmulatorLink link(module);
    CCorvaneMapsDoc maps(app, nullptr, &link);
    const std::string suffix = std::to_string(rowKey + 256) + "Map";
    CModuleMap* fuel = maps.GetMap(maps.FindMap("Stoichiometric" + suffix));
    CModuleMap* rear = maps.GetMap(maps.FindMap("RearTrimVsThrottle" + suffix));
    LoadMapFromModule(*fuel, module);
    LoadMapFromModule(*rear, module);
    for (int i = 0; i < fuel->GetNumberOfPoints(); ++i) figures.before.push_back(fuel->GetPointModuleValue(i));

    CCorvaneMonitorDoc monitorDoc;
    QueuedSink sink;
    CMonitorModel monitor(monitorDoc, app, &sink);
    monitor.FirstShowFrom(std::nullopt, std::nullopt, ReadText(SourceDataFolder() / CEgoSensorTable::kFileName), nullptr);
    const CEgoSensorTable& table = monitor.Tracker().EgoTable();

    figures.meanErrorBefore = MeanError(module, table, rowKey, options.sites, app.targetAfr);

    ModuleMapTarget fuelTarget(*fuel);
    ModuleMapTarget rearTarget(*rear);
    CAutoTuneCollector collector(app);
    collector.ShowMap(&fuelTarget, &rearTarget);
    collector.ToggleAutoTune();  // on

    std::string hold = "hold rpm=" + std::to_string(rowKey) + " dwell=" + std::to_string(options.dwellSeconds) + " sites=";
    for (std::size_t i = 0; i < options.sites.size(); ++i) hold += (i ? "," : "") + std::to_string(options.sites[i]);
    module.StartScenario(hold);
    const double dt = 1.0 / module.MonitorRateHz();
    const double duration = options.dwellSeconds * static_cast<double>(options.sites.size());
    for (double t = 0.0; t < duration; t += dt) {
        module.Advance(dt);
        monitor.OnMonitorBlock(module.MonitorBlock());
        ++figures.packets;
        while (!sink.queue.empty()) {
            const auto posted = sink.queue.front();
            sink.queue.pop_front();
            collector.Handle(posted.message, posted.wParam, posted.lParam);
        }
    }
    figures.simulatedSeconds = duration;
    for (const auto& record : collector.Records())
        if (record.kind == 1) figures.correctedSites.push_back(record.site);
    std::sort(figures.correctedSites.begin(), figures.correctedSites.end());
    collector.ToggleAutoTune();  // off: apply

    for (int i = 0; i < fuel->GetNumberOfPoints(); ++i) {
        figures.after.push_back(fuel->GetPointModuleValue(i));
        if (figures.after.back() != figures.before[static_cast<std::size_t>(i)]) figures.changedPoints.push_back(i);
    }
    figures.meanErrorAfter = MeanError(module, table, rowKey, options.sites, app.targetAfr);
    return figures;
}

}  // namespace corvane::test
