// Start of the window program with a family-A map file, up to the first shown and painted
// main window (offscreen). The process start and Qt's own start-up come on top; they are the
// same for any program of this size.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QTemporaryDir>

#include <memory>

#include "app/CChildFrmMaps.h"
#include "app/CCorvaneApp.h"
#include "app/CMainFrame.h"
#include "documents/CCorvaneMapsDoc.h"
#include "model/Prompter.h"
#include "model/SettingsStore.h"

namespace {

using namespace corvane;

void BM_StartWithFamilyAFile(benchmark::State& state) {
    QTemporaryDir dir;
    const QString file = dir.filePath("tune.crv");
    {
        AppState app;
        CCorvaneMapsDoc doc(app);
        if (!doc.Save(file.toStdString())) state.SkipWithError("cannot write the map file");
    }
    for (auto _ : state) {
        MemorySettingsStore settings;
        SilentPrompter prompter;
        auto app = std::make_unique<CCorvaneApp>(settings, prompter);
        AppOptions options;
        options.file = file;
        options.port = "sim";
        app->InitInstance(options);
        app->Frame().repaint();
        QCoreApplication::processEvents();
        benchmark::DoNotOptimize(app->Frame().ActiveMapsFrame());
        state.PauseTiming();
        app->CloseAllDocumentsWithoutAsking();
        app.reset();
        QCoreApplication::processEvents();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_StartWithFamilyAFile)->Unit(benchmark::kMillisecond)->MinTime(2.0);

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
