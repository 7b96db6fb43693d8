// The table view's painting on the offscreen platform: a whole 32 x 64 table, the visible part of
// a window, a key edit through to the repaint it asks for, and the live cells at the stream's
// packet rate.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>
#include <QKeyEvent>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QPainter>
#include <QTimer>

#include <cmath>
#include <ctime>

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

// The same edit without a window: the table editor's step of 44 cells as one step of the
// document's history (which takes a snapshot of every value before and after).
void BM_TableStepEditAlone(benchmark::State& state) {
    Scene scene;
    CTableEditor& table = *scene.view.Editor();
    int sign = 1;
    for (auto _ : state) {
        benchmark::DoNotOptimize(table.Step(sign).changed);
        sign = -sign;
    }
}
BENCHMARK(BM_TableStepEditAlone)->Unit(benchmark::kMicrosecond);

// One monitor packet's live position on a shown table, without the drawing: where the four
// cells and the trail are now.
void BM_TableLivePacket(benchmark::State& state) {
    Scene scene;
    scene.view.show();
    QCoreApplication::processEvents();
    double t = 0.0;
    for (auto _ : state) {
        t += 1.0 / kPacketsPerSecond;
        scene.view.SetLivePosition(3000 + 400 * std::sin(t), 40 + 15 * std::sin(1.7 * t));
    }
}
BENCHMARK(BM_TableLivePacket)->Unit(benchmark::kMicrosecond);

// One second of the stream as the program sees it: 138 packets, each through the live position,
// the event loop running in between and painting what the view asks for. The counter is the
// share of one core that takes (the process's CPU time, Qt's painting threads included, over
// the wall time).
void BM_TableLiveSecond(benchmark::State& state) {
    Scene scene;
    scene.view.show();
    QCoreApplication::processEvents();
    double cpu = 0.0, wall = 0.0;
    int packets = 0;
    for (auto _ : state) {
        QElapsedTimer elapsed;
        QTimer stream;
        stream.setTimerType(Qt::PreciseTimer);
        stream.setInterval(static_cast<int>(1000.0 / kPacketsPerSecond));
        QObject::connect(&stream, &QTimer::timeout, [&] {
            const double t = elapsed.elapsed() / 1000.0;
            scene.view.SetLivePosition(3000 + 400 * std::sin(t), 40 + 15 * std::sin(1.7 * t));
            ++packets;
        });
        const std::clock_t start = std::clock();
        elapsed.start();
        stream.start();
        QEventLoop loop;
        QTimer::singleShot(1000, &loop, &QEventLoop::quit);
        loop.exec();
        cpu += static_cast<double>(std::clock() - start) / CLOCKS_PER_SEC;
        wall += elapsed.elapsed() / 1000.0;
    }
    state.counters["core_%"] = wall > 0 ? 100.0 * cpu / wall : 0.0;
    state.counters["packets/s"] = wall > 0 ? packets / wall : 0.0;
}
BENCHMARK(BM_TableLiveSecond)->Iterations(3)->Unit(benchmark::kMillisecond);

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
