// Monitor costs per packet (decode, item refresh, tracking) and the AutoTune closed loop
// against the module emulator, with its figures as counters.
#include <benchmark/benchmark.h>

#include <vector>

#include "model/AppState.h"
#include "monitor/AutoTuneLoopHarness.h"
#include "monitor/CCorvaneMonitorDoc.h"
#include "monitor/CMonitorModel.h"
#include "monitor/MonitorEventSink.h"

namespace {

using namespace corvane;

class NullSink : public MonitorEventSink {
public:
    void Post(MonitorMessage, int, int) override {}
};

std::vector<std::vector<std::uint8_t>> RideBlocks() {
    sim::EmulatorOptions options;
    options.egoNoiseAfr = 0.05;
    options.speedNoiseRpm = 10.0;
    sim::ModuleEmulator module(options);
    module.StartScenario("ride duration=60 seed=3");
    std::vector<std::vector<std::uint8_t>> blocks;
    for (int i = 0; i < 1024; ++i) {
        module.Advance(0.05);
        blocks.push_back(module.MonitorBlock());
    }
    return blocks;
}

void BM_DecodeMonitorBlock(benchmark::State& state) {
    const auto blocks = RideBlocks();
    CCorvaneMonitorDoc doc;
    std::size_t i = 0;
    for (auto _ : state) {
        doc.DecodeMonitorBlock(blocks[i++ & 1023]);
        benchmark::DoNotOptimize(doc.GetValueRaw(4));
    }
}
BENCHMARK(BM_DecodeMonitorBlock);

// Decode, the 45 items' raw values and texts, tracking, EGO readings and the AutoTune step:
// everything a packet costs short of drawing.
void BM_PacketWithAutoTuneTracking(benchmark::State& state) {
    const auto blocks = RideBlocks();
    AppState app;
    app.autoTuneActive = true;
    app.targetEngineSpeed = 2048;
    CCorvaneMonitorDoc doc;
    NullSink sink;
    CMonitorModel model(doc, app, &sink);
    model.FirstShowFrom(std::nullopt, std::nullopt,
                        test::ReadText(test::SourceDataFolder() / CEgoSensorTable::kFileName), nullptr);
    std::size_t i = 0;
    for (auto _ : state) {
        model.OnMonitorBlock(blocks[i++ & 1023]);
        benchmark::DoNotOptimize(model.Items()[30].egoRawSum);
    }
}
BENCHMARK(BM_PacketWithAutoTuneTracking);

// Decode and AutoTune tracking, the work that must keep up with the stream; the item texts
// and gauges are display work a view may batch.
void BM_DecodeAndTracking(benchmark::State& state) {
    const auto blocks = RideBlocks();
    AppState app;
    app.autoTuneActive = true;
    app.targetEngineSpeed = 2048;
    CCorvaneMonitorDoc doc;
    NullSink sink;
    CMonitorModel model(doc, app, &sink);
    model.FirstShowFrom(std::nullopt, std::nullopt,
                        test::ReadText(test::SourceDataFolder() / CEgoSensorTable::kFileName), nullptr);
    auto& items = model.Items();
    std::size_t i = 0;
    for (auto _ : state) {
        doc.DecodeMonitorBlock(blocks[i++ & 1023]);
        for (int k = 0; k < kMonitoredValueCount; ++k) items[static_cast<std::size_t>(k)].rawValue = doc.GetValueRaw(k);
        model.Tracker().OnPacket();
        benchmark::DoNotOptimize(items[30].egoRawSum);
    }
}
BENCHMARK(BM_DecodeAndTracking);

// Tracking alone (no decode, no texts).
void BM_TrackingOnly(benchmark::State& state) {
    AppState app;
    app.autoTuneActive = true;
    app.targetEngineSpeed = 2048;
    CCorvaneMonitorDoc doc;
    NullSink sink;
    CMonitorModel model(doc, app, &sink);
    model.FirstShowFrom(std::nullopt, std::nullopt,
                        test::ReadText(test::SourceDataFolder() / CEgoSensorTable::kFileName), nullptr);
    auto& items = model.Items();
    int n = 0;
    for (auto _ : state) {
        items[4].rawValue = 128 + (n & 3);
        items[19].rawValue = 16 * ((n >> 4) & 63);
        items[30].rawValue = items[31].rawValue = 300 + (n & 15);
        model.Tracker().OnPacket();
        ++n;
    }
}
BENCHMARK(BM_TrackingOnly);

// One AutoTune pass over a row that is 10 % lean on points 16..40.
void BM_AutoTuneClosedLoop(benchmark::State& state) {
    test::AutoTuneLoopFigures figures;
    for (auto _ : state) figures = test::RunAutoTuneLoop({});
    state.counters["afr_error_before"] = figures.meanErrorBefore;
    state.counters["afr_error_after"] = figures.meanErrorAfter;
    state.counters["error_drop_pct"] =
        figures.meanErrorBefore > 0 ? 100.0 * (1.0 - figures.meanErrorAfter / figures.meanErrorBefore) : 0.0;
    state.counters["sites_visited"] = static_cast<double>(figures.correctedSites.size());
    state.counters["points_changed"] = static_cast<double>(figures.changedPoints.size());
    state.counters["packets"] = figures.packets;
    state.counters["simulated_s"] = figures.simulatedSeconds;
}
BENCHMARK(BM_AutoTuneClosedLoop)->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace

BENCHMARK_MAIN();
