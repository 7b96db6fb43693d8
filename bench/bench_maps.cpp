// Building a family A document's maps and running whole-curve operations over all of them.
#include <benchmark/benchmark.h>

#include "maps/CMapCatalogue.h"
#include "model/AppState.h"
#include "model/CModuleMemoryMapMirror.h"
#include "model/DocumentContext.h"
#include "support/FakeComms.h"

namespace {

using namespace corvane;

struct Document {
    Document() {
        context.image = &image;
        context.link = &comms;
        context.app = &app;
    }
    CModuleMemoryMapMirror image;
    test::FakeComms comms;
    AppState app;
    DocumentContext context;
};

void BM_BuildFamilyA(benchmark::State& state) {
    Document doc;
    for (auto _ : state) {
        auto maps = CMapCatalogue::BuildFamily(1, &doc.context);
        benchmark::DoNotOptimize(maps.data());
    }
}
BENCHMARK(BM_BuildFamilyA)->Unit(benchmark::kMillisecond);

void BM_OffsetAndFitLineAllMaps(benchmark::State& state) {
    Document doc;
    doc.comms.linked = state.range(0) != 0;
    auto maps = CMapCatalogue::BuildFamily(1, &doc.context);
    int direction = 1;
    for (auto _ : state) {
        for (auto& map : maps) {
            if (map->IsComposite()) continue;
            map->OffsetMapByModuleUnits(direction);
            map->FitLine(0, map->GetNumberOfPoints() - 1);
        }
        direction = -direction;
        doc.comms.writes.clear();
    }
    state.SetItemsProcessed(state.iterations() * 194 * 2);
}
BENCHMARK(BM_OffsetAndFitLineAllMaps)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
