// The maps view's painting on the offscreen platform: a whole paint of a 64-point map, and an
// Up key through to the finished partial repaint it asks for.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>
#include <QKeyEvent>
#include <QTemporaryDir>

#include <cstdlib>

#include "views/CCorvaneAdvUserMapsView.h"
#include "views/CCorvaneMapsView.h"
#include "views/CCorvaneMonitorView.h"
#include "views/CTuneDifferencesView.h"
#include "documents/CTuneComparison.h"
#include "monitor/CCorvaneMonitorDoc.h"
#include "model/Prompter.h"
#include "maps/CModuleMap.h"
#include "views/support/ViewsFixture.h"

namespace {

using namespace corvane;

constexpr const char* kMap = "Stoichiometric2048Map";

// A view with everything on: shaped curve, info box, PPF mark, live position.
template <typename View>
struct Scene {
    test::ViewsFixture fixture;
    View view{*fixture.doc, fixture.settings};
    Scene() {
        const int index = fixture.IndexOf(kMap);
        fixture.Shape(index);
        view.resize(1000, 700);
        view.ShowMap(index);
        view.Editor().SetActivePoint(20);
        view.ApplyKey(Key::P);
        view.Editor().SetActivePoint(32);
        view.ApplyKey(Key::Space);
        const CModuleMap& map = *view.ShownMap();
        view.SetMapPointerPosition((map.GetPointX(40) + map.GetPointX(41)) / 2);
    }
};

template <typename View>
void BM_PaintWholeView(benchmark::State& state) {
    Scene<View> scene;
    QImage image(scene.view.size(), QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        scene.view.render(&image);
        benchmark::DoNotOptimize(image.bits());
    }
}
BENCHMARK_TEMPLATE(BM_PaintWholeView, CCorvaneMapsView)->Unit(benchmark::kMicrosecond);
BENCHMARK_TEMPLATE(BM_PaintWholeView, CCorvaneAdvUserMapsView)->Unit(benchmark::kMicrosecond);

// Up (and Down, so the point stays in range) sent as a key event to a shown view, then the
// event loop runs the repaint the view requested: the backing store paints the dirty strip.
void BM_UpKeyToRepaint(benchmark::State& state) {
    Scene<CCorvaneMapsView> scene;
    scene.view.show();
    QCoreApplication::processEvents();
    bool up = true;
    for (auto _ : state) {
        QKeyEvent press(QEvent::KeyPress, up ? Qt::Key_Up : Qt::Key_Down, Qt::NoModifier);
        QApplication::sendEvent(&scene.view, &press);
        QCoreApplication::processEvents();
        up = !up;
    }
}
BENCHMARK(BM_UpKeyToRepaint)->Unit(benchmark::kMicrosecond);

// The same key followed by a paint of the whole view: the upper bound.
void BM_UpKeyToWholePaint(benchmark::State& state) {
    Scene<CCorvaneMapsView> scene;
    QImage image(scene.view.size(), QImage::Format_ARGB32_Premultiplied);
    bool up = true;
    for (auto _ : state) {
        scene.view.ApplyKey(up ? Key::Up : Key::Down);
        scene.view.render(&image);
        benchmark::DoNotOptimize(image.bits());
        up = !up;
    }
}
BENCHMARK(BM_UpKeyToWholePaint)->Unit(benchmark::kMicrosecond);

// One monitor packet through the window path: the model (decode, items, AutoTune tracking,
// gauge states), the group labels whose text changed, four own gauge windows and the live
// pointer of a shown maps view. state.range(0) = 1 also runs the event loop after every packet,
// so every requested repaint is painted at once: the upper bound, as the screen coalesces
// repaints to its own rate.
void BM_MonitorPacketThroughTheWindows(benchmark::State& state) {
    QTemporaryDir dir;
    test::ViewsFixture fixture;
    fixture.app.autoTuneTracking = true;
    CCorvaneMonitorDoc doc;
    MonitorFolders folders{std::filesystem::path(dir.path().toStdString()), CORVANE_DATA_DIR, 1};
    SilentPrompter prompter;
    CCorvaneMonitorView monitor(doc, fixture.app, nullptr, prompter, folders, [] { return QRect(0, 0, 1600, 900); });
    monitor.FirstShow();
    monitor.show();
    for (int item : {4, 19, 30, 31}) monitor.ShowOwnWindow(item);
    CCorvaneMapsView maps(*fixture.doc, fixture.settings);
    maps.resize(1000, 700);
    maps.ShowMap(fixture.IndexOf(kMap));
    maps.show();
    QCoreApplication::processEvents();
    const bool paint = state.range(0) != 0;
    std::vector<std::uint8_t> block(72, 0);
    std::uint32_t seed = 12345;
    std::int64_t labels = 0;
    for (auto _ : state) {
        // Every byte moves a little, as a running engine's values do.
        for (auto& b : block) {
            seed = seed * 1103515245u + 12345u;
            b = static_cast<std::uint8_t>(b + ((seed >> 16) % 5) - 2);
        }
        monitor.OnMonitorBlock(block);
        maps.SetMapPointerPosition(doc.GetValueDisplay(19));
        if (paint) QCoreApplication::processEvents();
        labels += monitor.TakeLabelChanges();
    }
    state.counters["labels/packet"] = benchmark::Counter(static_cast<double>(labels) / state.iterations());
}
BENCHMARK(BM_MonitorPacketThroughTheWindows)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

// An edit as the "Differences" bar follows it: one Up key on the shown map, then the list read
// again and refilled, with one map differing (64 rows) or every basic map (about 12,000 rows).
void BM_DifferencesListAfterAnEdit(benchmark::State& state) {
    test::ViewsFixture fixture;
    AppState otherApp;
    otherApp.productCode = 1;
    CCorvaneMapsDoc other(otherApp);
    const int maps = state.range(0) == 0 ? 1 : other.GetBasicMapCount();
    for (int m = 0; m < maps; ++m)
        other.GetMap(m)->UpdateMapPointBlockBaseValuesByDelta(0, other.GetMap(m)->GetNumberOfPoints() - 1, 3);
    QTemporaryDir dir;
    const std::string path = dir.filePath("other.crv").toStdString();
    if (!other.Save(path)) {
        state.SkipWithError("cannot save the compared tune");
        return;
    }
    auto opened = CTuneComparison::Open(*fixture.doc, path);
    CCorvaneMapsView view(*fixture.doc, fixture.settings);
    view.resize(1000, 700);
    view.ShowMap(fixture.IndexOf(kMap));
    CTuneDifferencesView list;
    list.resize(460, 700);
    list.Show(opened.comparison.get());
    int step = 1;
    for (auto _ : state) {
        view.ApplyKey(step > 0 ? Key::Up : Key::Down);
        step = -step;
        list.Show(opened.comparison.get());
        benchmark::DoNotOptimize(list.Differences().points.size());
    }
    state.counters["rows"] = static_cast<double>(list.Differences().Count());
}
BENCHMARK(BM_DifferencesListAfterAnEdit)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
