#include "app/ScreenshotRun.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QPageLayout>
#include <QPainter>
#include <QPdfWriter>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QThread>
#include <QMdiArea>
#include <QTemporaryDir>
#include <QTextStream>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <functional>

#include "app/CAboutDlg.h"
#include "app/CBackupsDlg.h"
#include "app/CChildFrmMaps.h"
#include "app/CHelpWindow.h"
#include "app/CCorvaneApp.h"
#include "app/CMainFrame.h"
#include "app/CommandTable.h"
#include "app/QtSettingsStore.h"
#include "app/TunePrinter.h"
#include "documents/CCorvaneMapsDoc.h"
#include "documents/CTuneComparison.h"
#include "link/MapsDocumentLink.h"
#include "link/ModuleBackups.h"
#include "model/BasicSettingEdit.h"
#include "model/Prompter.h"
#include "views/CAFRCalculatorDlg.h"
#include "views/CBasicSettingEditDlg.h"
#include "views/CCorvaneBasicSettingsView.h"
#include "views/CCorvaneWarrantyView.h"
#include "views/CHotKeyHelpDlg.h"
#include "views/CLogViewerDlg.h"
#include "views/CMapsView.h"
#include "views/CPPageTuningMapSelector.h"
#include "app/CChildFrame.h"
#include "maps/CModuleMap.h"
#include "app/RideAutoTuneController.h"
#include "sim/FuelTruth.h"
#include "sim/ModuleEmulator.h"
#include "sim/RideLog.h"
#include "sim/RowLean.h"
#include "views/CRideAutoTuneSettingsDlg.h"
#include "views/CTableView.h"
#include "app/SimModuleAccess.h"
#include "sim/peer/ModulePeer.h"
#include "views/CCorvaneMonitorView.h"
#include "views/CMonitorModeLessDlg.h"
#include "views/CTableView.h"
#include "views/CTuneDifferencesView.h"

namespace corvane {

namespace {

constexpr const char* kShownMap = "Stoichiometric2048Map";

bool Save(QWidget& widget, const QDir& dir, const char* name) {
    QCoreApplication::processEvents();
    const QString path = dir.filePath(name);
    if (!widget.grab().save(path, "PNG")) {
        std::fprintf(stderr, "corvane: cannot write %s\n", qPrintable(path));
        return false;
    }
    std::printf("%s\n", qPrintable(path));
    return true;
}

// The basic settings view as READ left it, the value entry of the rev limit (scroll mode), a
// family-B warranty record with some run time, and the About box of the linked module.
bool SaveSettingsAndWarranty(CCorvaneApp& app, CChildFrmMaps& maps, const QDir& dir) {
    CMainFrame& frame = app.Frame();
    maps.ShowView(CChildFrmMaps::ViewKind::kBasicSettings);
    bool ok = maps.BasicSettingsView() && Save(*maps.BasicSettingsView(), dir, "basic-settings.png");

    CBasicSettingEditDlg edit(BasicSettingEdit(*maps.Document().GetSetting(kRevLimit)), app.GetPrompter(), &frame);
    edit.show();
    ok = Save(edit, dir, "setting-edit.png") && ok;
    edit.hide();

    AppState familyB;
    familyB.productCode = 2;
    CCorvaneMapsDoc record(familyB);
    MapsDocumentLink recordLink(record);
    WarrantyValues& warranty = *record.GetWarrantyValues();
    warranty.vin->SetText("1HD1KB4197Y623456");
    warranty.revLimitHits->SetModuleValue(17);
    for (auto& log : warranty.logs) {
        // A ride's worth of hours around 2500 rpm, a little at idle, none at the top.
        const int band = log->GetBand();
        const double hours = band < 5 ? 0.4 : band > 45 ? 0.0 : 9.0 * std::exp(-(band - 20) * (band - 20) / 90.0);
        log->SetModuleValue(static_cast<int>(hours * 3600) + 7 * band);
    }
    CCorvaneWarrantyView warrantyView(recordLink, app.Link());
    warrantyView.resize(820, 700);
    warrantyView.show();
    ok = Save(warrantyView, dir, "warranty.png") && ok;
    warrantyView.hide();

    CAboutDlg about(app.State(), app.ModuleTypeDescription(), &frame);
    about.show();
    ok = Save(about, dir, "about.png") && ok;
    about.hide();
    maps.ShowView(CChildFrmMaps::ViewKind::kMaps);
    return ok;
}

// The "Backups..." list with one backup of each reason, in a folder of the run's own.
bool SaveBackupsList(CChildFrmMaps& maps, QWidget& parent, const QDir& dir) {
    QTemporaryDir folder;
    auto when = std::chrono::system_clock::now() - std::chrono::hours(50);
    ModuleBackups backups(folder.path().toStdString(), [&] { return when; });
    const auto bytes = maps.Document().SaveToBytes();
    const std::string name = maps.Document().GetBaseMapName();
    bool ok = true;
    for (BackupReason reason : {BackupReason::kBeforeUpgrade, BackupReason::kBeforeRead, BackupReason::kBeforeWrite}) {
        ok = backups.Store(bytes, name, reason).ok && ok;
        when += std::chrono::minutes(1437);
    }
    CBackupsDlg dialog(backups, &parent);
    dialog.show();
    ok = Save(dialog, dir, "backups.png") && ok;
    dialog.hide();
    return ok;
}

// The log viewer on a log of the live run: shared axes, then one axis each with the cursor
// in the middle.
bool SaveLogViewer(const QString& log, const QDir& dir) {
    CLogViewerDlg viewer(nullptr);
    viewer.resize(1100, 650);
    viewer.show();
    if (log.isEmpty() || !viewer.OpenLog(log)) {
        std::fprintf(stderr, "corvane: the run's log cannot be shown: %s\n", qPrintable(viewer.LastError()));
        return false;
    }
    viewer.Range().SetCursor(0.5 * (viewer.Range().LogFirst() + viewer.Range().LogLast()));
    viewer.Redraw();
    bool ok = Save(viewer, dir, "log-viewer.png");
    viewer.SetSeparateAxes(true);
    ok = Save(viewer, dir, "log-viewer-separate.png") && ok;
    return ok;
}

// Pumps events for a while: the stream and AutoTune run on them. The short sleep keeps this
// loop from spinning a core while the I/O thread, not the event queue, has the work.
void Pump(int milliseconds, const std::function<bool()>& done = {}) {
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < milliseconds && !(done && done())) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(5);
    }
}

// The fuel table while the stream runs: a block selected around where the engine is held, the
// live cells with their trail and the corrections AutoTune collects for that row.
bool SaveLiveTable(CChildFrmMaps& maps, int index, const QDir& dir) {
    if (!maps.ShowTableAt(index, 30)) return false;
    CTableView& table = *maps.TableView();
    const int row = table.Editor()->Active().row;
    // The columns of the sites the engine is held at (16 ... 44) in view, as many as fit.
    table.EnsureVisible({row, 34});
    table.Select({row + 1, 26}, {row, 22});
    Pump(8000, [&] { return table.AutoTune().Records().size() >= 4; });
    const bool ok = Save(table, dir, "fuel-table.png");
    maps.ShowView(CChildFrmMaps::ViewKind::kMaps, index);
    return ok;
}

// Ride AutoTune from a logged ride of an engine that needs more fuel than the stock tune in its
// middle rows: the fuel table with each cell's proposed change (ready cells coloured, cells
// still gathering grey), and the settings dialog.
bool SaveRideAutoTune(CCorvaneApp& app, CChildFrmMaps& maps, const QDir& dir, const QString& scratch) {
    sim::FuelTruth truth;
    for (int r = 0; r < 32; ++r)
        for (int c = 0; c < 64; ++c) truth.SetCell(r, c, 1.0 + 0.12 * std::sin(r / 5.0 + c / 9.0));
    sim::EmulatorOptions engine;
    engine.realism = {.on = true, .warmUp = false};
    engine.egoNoiseAfr = 0.15;
    engine.fuelTruth = std::make_shared<const sim::FuelTruth>(truth);
    sim::ModuleEmulator module(engine);
    const QString log = QDir(scratch).filePath("ride.csv");
    if (!module.StartScenario("ride duration=900 seed=4 style=street") ||
        !sim::WriteRideLog(module, log.toStdString(), sim::LinePacketRate(), {}))
        return false;
    if (!app.RideAutoTune().AnalyzeLog(log) || !maps.ShowTable("fuel")) return false;
    app.RideAutoTune().Refresh();
    CTableView& table = *maps.TableView();
    table.EnsureVisible({14, 0});
    table.EnsureVisible({8, 0});
    bool ok = Save(table, dir, "ride-autotune.png");
    CRideAutoTuneSettingsDlg settings(app.RideAutoTune().Session().Settings(), &app.Frame());
    settings.show();
    ok = Save(settings, dir, "ride-autotune-settings.png") && ok;
    settings.hide();
    app.RideAutoTune().Discard();
    app.RideAutoTune().Refresh();
    maps.ShowView(CChildFrmMaps::ViewKind::kMaps);
    return ok;
}

// The ignition table as READ left it, a few rows selected.
bool SaveIgnitionTable(CChildFrmMaps& maps, const QDir& dir) {
    if (!maps.ShowTable("ignition")) return false;
    maps.TableView()->Select({14, 63}, {12, 0});
    const bool ok = Save(*maps.TableView(), dir, "ignition-table.png");
    maps.ShowView(CChildFrmMaps::ViewKind::kMaps);
    return ok;
}

// The group window with two own gauges, and the maps view with the live pointer and the
// AutoTune corrections it collected on a row the simulated engine finds lean.
bool SaveLiveViews(CCorvaneApp& app, CChildFrmMaps& maps, int index, const QDir& dir) {
    CChildFrame* monitor = app.MonitorFrame();
    if (!monitor || !monitor->View()) return false;
    CModuleMap* fuel = maps.Document().GetMap(index);
    const bool simulated = app.Simulated().WithPeer([&](sim::ModulePeer& peer) {
        peer.WithEmulator([&](sim::ModuleEmulator& module) {
            sim::MakeRowLean(module, fuel->GetStartAddress(), fuel->GetNumberOfPoints(), 8.0);
            return module.StartScenario("hold rpm=" + std::to_string(fuel->GetRowKey()) + " sites=16..44/4 dwell=0.8");
        });
    });
    if (!simulated) return false;
    CCorvaneMonitorView& view = *monitor->View();
    view.ShowOwnWindow(4);   // engine speed
    view.ShowOwnWindow(19);  // throttle position
    app.State().autoTuneActive = true;
    // The run is logged, for the log viewer's picture.
    app.Frame().RunCommand(cmd::kMonitorLogging);
    app.Frame().RunCommand(cmd::kToggleMonitoring);
    CMapsView* live = maps.MapsView();
    Pump(15000, [&] { return live->AutoTune().Records().size() >= 4; });

    // The group and its gauges as one picture: the gauges float above the main window.
    const QPixmap group = view.grab();
    const auto windows = view.OwnWindows();
    QPixmap picture(group.width() + 20 + CMonitorModeLessDlg::kWidth + 10, std::max(group.height(), static_cast<int>(windows.size()) * 120));
    picture.fill(QColor(160, 160, 160));
    {
        QPainter painter(&picture);
        painter.drawPixmap(0, 0, group);
        int y = 10;
        QFont font("Arial");
        font.setPixelSize(12);
        painter.setFont(font);
        for (CMonitorModeLessDlg* w : windows) {
            painter.setPen(Qt::white);
            painter.drawText(group.width() + 20, y + 12, w->windowTitle().trimmed());
            painter.drawPixmap(group.width() + 20, y + 18, w->grab());
            y += 120;
        }
    }
    bool ok = picture.save(dir.filePath("monitor.png"), "PNG");
    if (ok) std::printf("%s\n", qPrintable(dir.filePath("monitor.png")));
    ok = Save(*live, dir, "maps-view-live.png") && ok;
    ok = SaveLiveTable(maps, index, dir) && ok;
    app.Frame().RunCommand(cmd::kToggleMonitoring);
    app.State().autoTuneActive = false;
    const QString log = QString::fromStdString(app.GetComms().MonitorLogFile());
    app.Frame().RunCommand(cmd::kMonitorLogging);
    ok = SaveLogViewer(log, dir) && ok;
    QFile::remove(log);  // the run's log was never the user's
    return ok;
}

// The document compared with a richer copy of itself (the middle of the shown fuel row raised):
// the main window with the "Differences" bar and the maps view with both curves.
bool SaveComparison(CCorvaneApp& app, CChildFrmMaps& maps, int index, const QDir& dir, const QString& scratch) {
    AppState otherApp;
    otherApp.productCode = maps.Document().GetProductCode();
    auto copy = CCorvaneMapsDoc::Load(maps.Document().SaveToBytes(), otherApp);
    if (!copy.document) return false;
    CModuleMap& row = *copy.document->GetMap(index);
    // A smooth bump of up to 80 module units (about 1.6 ms), well clear of the markers.
    for (int i = 20; i <= 40; ++i)
        row.StepPointByModuleUnits(i, static_cast<int>(std::lround(80.0 * std::sin(3.14159265358979 * (i - 20) / 20.0))));
    const std::string path = QDir(scratch).filePath("richer.crv").toStdString();
    if (!copy.document->Save(path)) return false;
    auto opened = CTuneComparison::Open(maps.Document(), path);
    if (!opened.comparison) return false;
    maps.SetComparison(std::move(opened.comparison));
    app.Frame().Differences().ChoosePoint(index, 30);
    bool ok = Save(app.Frame(), dir, "compare-main-window.png");
    if (CMapsView* view = maps.MapsView()) ok = Save(*view, dir, "maps-view-compare.png") && ok;
    app.Frame().RunCommand(cmd::kStopComparing);
    return ok;
}

// What File ▸ Export PDF writes for the map and for the basic settings, and the print preview
// of the map, whose picture shows the page as the printer gets it.
bool SavePrintouts(CCorvaneApp& app, CChildFrmMaps& maps, int index, const QDir& dir) {
    const QPageLayout a4(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(15, 15, 15, 15), QPageLayout::Millimeter);
    auto pdf = [&](const char* name) {
        const QString path = dir.filePath(name);
        int pages = 0;
        {
            QPdfWriter writer(path);
            writer.setResolution(150);
            writer.setPageLayout(a4);
            pages = TunePrinter(maps, app.State().moduleFirmwareVersion, app.Settings()).Print(writer);
        }
        if (pages > 0) std::printf("%s\n", qPrintable(path));
        return pages > 0;
    };
    maps.ShowView(CChildFrmMaps::ViewKind::kMaps, index);
    bool ok = pdf("print-map.pdf");
    maps.ShowView(CChildFrmMaps::ViewKind::kBasicSettings);
    ok = pdf("print-settings.pdf") && ok;
    maps.ShowView(CChildFrmMaps::ViewKind::kMaps, index);

    QPrinter printer(QPrinter::ScreenResolution);
    printer.setPageLayout(a4);
    QPrintPreviewDialog preview(&printer, &app.Frame());
    TunePrinter tune(maps, app.State().moduleFirmwareVersion, app.Settings());
    QObject::connect(&preview, &QPrintPreviewDialog::paintRequested, [&tune](QPrinter* device) { tune.Print(*device); });
    preview.resize(760, 980);
    preview.show();
    ok = Save(preview, dir, "print-preview.png") && ok;
    preview.hide();
    return ok;
}

}  // namespace

int RunScreenshots(const QString& dirPath, const std::optional<std::string>& port) {
    QDir dir(dirPath);
    if (!dir.mkpath(".")) {
        std::fprintf(stderr, "corvane: cannot create %s\n", qPrintable(dirPath));
        return 1;
    }
    QTemporaryDir settingsDir;
    QtSettingsStore settings(settingsDir.filePath("corvane.ini"));
    SilentPrompter prompter(Prompter::Answer::Ok);  // nothing may wait for a click here
    CCorvaneApp app(settings, prompter);
    AppOptions options;
    options.reopenLastFile = false;
    options.port = port.value_or("sim");
    options.productCode = 1;
    if (!app.InitInstance(options)) return 1;

    CMainFrame& frame = app.Frame();
    frame.showNormal();
    frame.resize(1280, 860);
    QCoreApplication::processEvents();
    frame.RunCommand(cmd::kRead);
    CChildFrmMaps* maps = frame.ActiveMapsFrame();
    if (!maps) return 1;
    const int index = maps->Document().FindMap(kShownMap);
    frame.Selector().SelectNumber(index);
    maps->showMaximized();
    QCoreApplication::processEvents();

    bool ok = Save(frame, dir, "main-window.png");
    if (CMapsView* view = maps->MapsView()) ok = Save(*view, dir, "maps-view.png") && ok;
    maps->ShowView(CChildFrmMaps::ViewKind::kAdvancedUserMaps, index);
    if (CMapsView* view = maps->AdvancedView()) ok = Save(*view, dir, "adv-maps-view.png") && ok;
    maps->ShowView(CChildFrmMaps::ViewKind::kMaps, index);

    ok = SaveLiveViews(app, *maps, index, dir) && ok;

    CAFRCalculatorDlg calculator(app.State(), &frame);
    calculator.show();
    ok = Save(calculator, dir, "afr-calculator.png") && ok;
    calculator.hide();
    CHotKeyHelpDlg help(&frame);
    help.show();
    ok = Save(help, dir, "hotkey-help.png") && ok;
    help.hide();
    ok = SaveIgnitionTable(*maps, dir) && ok;
    ok = SaveRideAutoTune(app, *maps, dir, settingsDir.path()) && ok;
    ok = SaveComparison(app, *maps, index, dir, settingsDir.path()) && ok;
    ok = SaveSettingsAndWarranty(app, *maps, dir) && ok;
    ok = SaveBackupsList(*maps, frame, dir) && ok;
    ok = SavePrintouts(app, *maps, index, dir) && ok;

    // The user guide in its window, at the section about the maps view.
    CHelpWindow guide;
    if (guide.Open(app.GuideFile())) {
        guide.resize(1000, 760);
        guide.show();
        // The guide lays out its text only once shown; the section's place is known after that.
        QCoreApplication::processEvents();
        guide.ShowSection("The maps view");
        ok = Save(guide, dir, "help-window.png") && ok;
        guide.hide();
    } else {
        std::fprintf(stderr, "corvane: the user guide is missing: %s\n", qPrintable(app.GuideFile()));
        ok = false;
    }

    // Nothing to keep: the run's document was never the user's.
    app.CloseAllDocumentsWithoutAsking();
    return ok ? 0 : 1;
}

}  // namespace corvane
