// Plotting a monitor log: 100,000 rows of 4 channels, redrawn after a zoom or a pan (the goal
// is under 50 ms). BM_LogViewer* measure the log viewer itself; BM_Library* compare the two
// plotting libraries Debian packages for Qt 6 on the same data and the same window size, with
// no code of ours in between (Qt Charts only when its development package is installed).
// BM_ReadTable reads such a log from its CSV.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>

#include <cmath>
#include <fstream>
#include <sstream>

#include <qcustomplot.h>
#ifdef CORVANE_BENCH_QTCHARTS
#include <QtCharts/QChart>
#include <QtCharts/QChartView>
#include <QtCharts/QLineSeries>
#include <QtCharts/QValueAxis>
#endif

#include "comms/MonitorColumns.h"
#include "comms/MonitorLog.h"
#include "views/CLogViewerDlg.h"

namespace {

using namespace corvane;

constexpr int kRows = 100000;
constexpr int kChannels = 4;
constexpr double kSeconds = 1000.0;  // 100 packets a second
const QSize kPlotSize(1200, 700);

// Engine-like traces: slow swings with some noise, so no line is straight.
double Sample(int channel, int row) {
    const double t = row * kSeconds / kRows;
    return 1000.0 * (channel + 1) + 800.0 * std::sin(t / (7.0 + channel)) + 50.0 * std::sin(t * 13.1 + channel);
}

// The zoom and pan steps a user makes: a tenth of the log, then half, then all, moved along.
QCPRange StepRange(std::int64_t n) {
    const double spans[] = {kSeconds / 10, kSeconds / 2, kSeconds};
    const double span = spans[n % 3];
    const double first = std::fmod(n * 37.0, kSeconds - span + 1e-9);
    return {first, first + span};
}

void RenderWidget(QWidget& widget, QImage& image) {
    QPainter painter(&image);
    widget.render(&painter);
}

void BM_LibraryQCustomPlot(benchmark::State& state) {
    const bool separate = state.range(0) != 0;
    QCustomPlot plot;
    plot.resize(kPlotSize);
    plot.plotLayout()->clear();
    QVector<double> keys(kRows);
    for (int r = 0; r < kRows; ++r) keys[r] = r * kSeconds / kRows;
    std::vector<QCPAxisRect*> rects;
    for (int c = 0; c < kChannels; ++c) {
        if (c == 0 || separate) {
            rects.push_back(new QCPAxisRect(&plot));
            plot.plotLayout()->addElement(static_cast<int>(rects.size()) - 1, 0, rects.back());
        }
        QCPAxisRect* rect = rects.back();
        QVector<double> values(kRows);
        for (int r = 0; r < kRows; ++r) values[r] = Sample(c, r);
        QCPGraph* graph = plot.addGraph(rect->axis(QCPAxis::atBottom), rect->axis(QCPAxis::atLeft));
        graph->setData(keys, values, true);
        graph->setPen(QPen(QColor::fromHsv(c * 90, 255, 200)));
        rect->axis(QCPAxis::atLeft)->setRange(0, 6000);
    }
    QImage image(kPlotSize, QImage::Format_ARGB32_Premultiplied);
    std::int64_t n = 0;
    for (auto _ : state) {
        for (QCPAxisRect* rect : rects) rect->axis(QCPAxis::atBottom)->setRange(StepRange(n));
        ++n;
        plot.replot(QCustomPlot::rpImmediateRefresh);
        RenderWidget(plot, image);
    }
}
BENCHMARK(BM_LibraryQCustomPlot)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

#ifdef CORVANE_BENCH_QTCHARTS
void BM_LibraryQtCharts(benchmark::State& state) {
    const bool separate = state.range(0) != 0;
    // Separate axes in Qt Charts: one chart per channel, stacked as the viewer would stack them.
    std::vector<std::unique_ptr<QChartView>> views;
    std::vector<QValueAxis*> timeAxes;
    const int charts = separate ? kChannels : 1;
    for (int v = 0; v < charts; ++v) {
        auto* chart = new QChart();
        chart->legend()->hide();
        auto* x = new QValueAxis();
        auto* y = new QValueAxis();
        y->setRange(0, 6000);
        chart->addAxis(x, Qt::AlignBottom);
        chart->addAxis(y, Qt::AlignLeft);
        for (int c = 0; c < kChannels; ++c) {
            if (!separate && v != 0) break;
            if (separate && c != v) continue;
            QList<QPointF> points;
            points.reserve(kRows);
            for (int r = 0; r < kRows; ++r) points.append(QPointF(r * kSeconds / kRows, Sample(c, r)));
            auto* series = new QLineSeries();
            series->replace(points);
            chart->addSeries(series);
            series->attachAxis(x);
            series->attachAxis(y);
        }
        auto view = std::make_unique<QChartView>(chart);
        view->resize(kPlotSize.width(), kPlotSize.height() / charts);
        timeAxes.push_back(x);
        views.push_back(std::move(view));
    }
    QImage image(kPlotSize, QImage::Format_ARGB32_Premultiplied);
    std::int64_t n = 0;
    for (auto _ : state) {
        const QCPRange range = StepRange(n++);
        for (QValueAxis* x : timeAxes) x->setRange(range.lower, range.upper);
        for (auto& view : views) RenderWidget(*view, image);
    }
}
BENCHMARK(BM_LibraryQtCharts)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
#endif

// A log file of kRows rows, written by the monitor log itself.
const QString& LogFile() {
    static QTemporaryDir dir;
    static const QString path = dir.filePath("bench.csv");
    static bool written = false;
    if (!written) {
        auto log = comms::MonitorLog::CreateAt(path.toStdString());
        std::vector<std::uint8_t> block(72);
        for (int r = 0; r < kRows; ++r) {
            for (std::size_t i = 0; i < block.size(); ++i) block[i] = static_cast<std::uint8_t>((r / 50 + 3 * i) & 0xFF);
            log->Append(r * kSeconds / kRows, block);
        }
        written = true;
    }
    return path;
}

void BM_ReadTable(benchmark::State& state) {
    const std::string path = LogFile().toStdString();
    for (auto _ : state) {
        auto table = comms::MonitorLog::ReadTable(path);
        benchmark::DoNotOptimize(table);
    }
}
BENCHMARK(BM_ReadTable)->Unit(benchmark::kMillisecond)->Iterations(3);

// The viewer with 4 channels of the 100,000-row log: zoom and pan through its own input.
void BM_LogViewerRedraw(benchmark::State& state) {
    const bool separate = state.range(0) != 0;
    CLogViewerDlg viewer(nullptr);
    viewer.resize(kPlotSize);
    if (!viewer.OpenLog(LogFile())) {
        state.SkipWithError("log not opened");
        return;
    }
    viewer.SetChannels({0, 1, 2, 3});
    viewer.SetSeparateAxes(separate);
    viewer.show();
    QImage image(viewer.PlotWidget()->size(), QImage::Format_ARGB32_Premultiplied);
    std::int64_t n = 0;
    for (auto _ : state) {
        const QCPRange range = StepRange(n++);
        viewer.Range().Show(range.lower, range.upper);
        viewer.Redraw();
        RenderWidget(*viewer.PlotWidget(), image);
    }
}
BENCHMARK(BM_LogViewerRedraw)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

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
