// The table view's painting on the offscreen platform: a whole 32 x 64 table, the visible part of
// a window, a key edit through to the repaint it asks for, and the live cells at the stream's
// packet rate.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>
#include <QKeyEvent>
#include <QPainter>

#include <chrono>
#include <cmath>

#include "maps/CModuleMap.h"
#include "views/CTableView.h"
#include "views/support/ViewsFixture.h"

namespace {

using namespace corvane;

constexpr double kPacketsPerSecond = 138.0;  // the monitor stream at 115200 baud

// The fuel table with every row shaped, half the cells in sync, a block selected.
struct Scene {
    test::ViewsFixture fixture;
    CTableView view{*fixture.doc, fixture.settings};
    Scene() {
        for (int row = 0; row < 32; ++row) fixture.Shape(fixture.IndexOf("Stoichiometric" + std::to_string(256 * (row + 1)) + "Map"));
        view.resize(1000, 700);
        view.ShowFamily("fuel");
        view.Select({8, 10}, {11, 20});
    }
};

// Every cell of the table painted (headers, title, legend, marks), as printing does.
void BM_TablePaintAllCells(benchmark::State& state) {
    Scene scene;
    QImage image(2800, 1000, QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        QPainter painter(&image);
        scene.view.PaintTable(painter, image.rect());
        painter.end();
        benchmark::DoNotOptimize(image.bits());
    }
    state.counters["cells"] = 32 * 64;
}
BENCHMARK(BM_TablePaintAllCells)->Unit(benchmark::kMicrosecond);

// The window's whole paint at 1000 x 700 (the cells that fit and the scroll bars).
void BM_TablePaintWindow(benchmark::State& state) {
    Scene scene;
    QImage image(scene.view.size(), QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        scene.view.render(&image);
        benchmark::DoNotOptimize(image.bits());
    }
}
BENCHMARK(BM_TablePaintWindow)->Unit(benchmark::kMicrosecond);

// Up (then Down, so the values stay) on a shown table: the edit of the 44 selected cells as one
// step of the document's history, then the event loop paints what the view asked to repaint.
void BM_TableKeyEditToRepaint(benchmark::State& state) {
    Scene scene;
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
BENCHMARK(BM_TableKeyEditToRepaint)->Unit(benchmark::kMicrosecond);

// One monitor packet's live position on a shown table: the four cells and the trail move, the
// view asks for the strip they cover. state.range(0) = 1 also runs the event loop after every
// packet, painting every request at once: the upper bound (the screen coalesces repaints to its
// own rate). The counter is the share of one core that 138 packets a second take.
void BM_TableLivePacket(benchmark::State& state) {
    Scene scene;
    scene.view.show();
    QCoreApplication::processEvents();
    const bool paint = state.range(0) != 0;
    double t = 0.0;
    const auto start = std::chrono::steady_clock::now();
    for (auto _ : state) {
        // An engine sweeping slowly around 3000 rpm and half throttle.
        t += 1.0 / kPacketsPerSecond;
        scene.view.SetLivePosition(3000 + 400 * std::sin(t), 40 + 15 * std::sin(1.7 * t));
        if (paint) QCoreApplication::processEvents();
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (state.iterations() > 0)
        state.counters["core_%_at_138/s"] = 100.0 * kPacketsPerSecond * seconds / static_cast<double>(state.iterations());
}
BENCHMARK(BM_TableLivePacket)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

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
