// Map document load and save: a family-A document (194 maps of 64 points and the composite).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <filesystem>
#include <string>

#include "documents/AtomicFile.h"
#include "documents/CCorvaneMapsDoc.h"
#include "documents/TuneDifferences.h"
#include "maps/CModuleMap.h"

using namespace corvane;

namespace {

AppState FamilyA() {
    AppState app;
    app.productCode = 1;
    return app;
}

void BM_NewDocumentFamilyA(benchmark::State& state) {
    AppState app = FamilyA();
    for (auto _ : state) {
        CCorvaneMapsDoc doc(app);
        benchmark::DoNotOptimize(doc.GetMapCount());
    }
}
BENCHMARK(BM_NewDocumentFamilyA)->Unit(benchmark::kMillisecond);

// Loading includes building the fresh document the file is read into.
void BM_LoadFamilyA(benchmark::State& state) {
    AppState app = FamilyA();
    CCorvaneMapsDoc source(app);
    const auto bytes = source.SaveToBytes();
    for (auto _ : state) {
        auto loaded = CCorvaneMapsDoc::Load(bytes, app);
        benchmark::DoNotOptimize(loaded.document.get());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes.size()));
}
BENCHMARK(BM_LoadFamilyA)->Unit(benchmark::kMillisecond);

void BM_SaveToBytesFamilyA(benchmark::State& state) {
    AppState app = FamilyA();
    CCorvaneMapsDoc doc(app);
    std::size_t size = 0;
    for (auto _ : state) {
        const auto bytes = doc.SaveToBytes();
        size = bytes.size();
        benchmark::DoNotOptimize(bytes.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * size));
}
BENCHMARK(BM_SaveToBytesFamilyA)->Unit(benchmark::kMicrosecond);

// The whole File Save: serialise, write a temporary file, fsync, rename.
void BM_SaveFileFamilyA(benchmark::State& state) {
    AppState app = FamilyA();
    CCorvaneMapsDoc doc(app);
    const std::string path = (std::filesystem::temp_directory_path() / "corvane-bench-save.crv").string();
    for (auto _ : state) {
        if (!doc.Save(path)) state.SkipWithError("save failed");
    }
    std::filesystem::remove(path);
}
BENCHMARK(BM_SaveFileFamilyA)->Unit(benchmark::kMillisecond);

void BM_OpenFileFamilyA(benchmark::State& state) {
    AppState app = FamilyA();
    CCorvaneMapsDoc doc(app);
    const std::string path = (std::filesystem::temp_directory_path() / "corvane-bench-open.crv").string();
    if (!doc.Save(path)) state.SkipWithError("save failed");
    for (auto _ : state) {
        auto opened = CCorvaneMapsDoc::Open(path, app);
        benchmark::DoNotOptimize(opened.document.get());
    }
    std::filesystem::remove(path);
}
BENCHMARK(BM_OpenFileFamilyA)->Unit(benchmark::kMillisecond);

// The comparison behind corvane-cli diff and the windows' "Differences" list, which reads it
// again after every edit: two family-A documents with the first `range(0)` maps all differing.
void BM_CompareTunesFamilyA(benchmark::State& state) {
    AppState app = FamilyA();
    CCorvaneMapsDoc a(app);
    CCorvaneMapsDoc b(app);
    for (int m = 0; m < std::min<int>(static_cast<int>(state.range(0)), b.GetBasicMapCount()); ++m)
        b.GetMap(m)->UpdateMapPointBlockBaseValuesByDelta(0, b.GetMap(m)->GetNumberOfPoints() - 1, 3);
    std::size_t found = 0;
    for (auto _ : state) {
        const TuneDifferences d = CompareTunes(a, b);
        found = d.points.size();
        benchmark::DoNotOptimize(d.points.data());
    }
    state.counters["differences"] = static_cast<double>(found);
}
BENCHMARK(BM_CompareTunesFamilyA)->Arg(0)->Arg(1)->Arg(194)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
