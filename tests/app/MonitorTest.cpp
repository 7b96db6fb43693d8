// The live monitor in the windows: packets from the simulated module through the real comms
// library into the group window and the gauges, the own windows' rules, the live map pointer
// and AutoTune on a lean row.
#include <QtTest>

#include <QLabel>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QProgressBar>
#include <QStatusBar>

#include "app/CChildFrame.h"
#include "app/CMonitorDataReplayDlg.h"
#include "app/CommandTable.h"
#include "documents/CCorvaneMapsDoc.h"
#include "link/CLinkController.h"
#include "maps/CModuleMap.h"
#include "model/NumberText.h"
#include "monitor/CCorvaneMonitorDoc.h"
#include "monitor/CMonitorModel.h"
#include "sim/ModuleEmulator.h"
#include "sim/RowLean.h"
#include "sim/SimTransport.h"
#include "support/AppHarness.h"
#include "views/CCorvaneMonitorView.h"
#include "views/CMapsView.h"
#include "views/CMonitorGauge.h"
#include "views/CMonitorGaugeValue.h"
#include "views/CMonitorModeLessDlg.h"
#include "views/CMonitorValueSetupDlg.h"

using namespace corvane;
using namespace corvane::test;

namespace {

constexpr int kEngineSpeed = 4;

// A monitor block with the engine speed at rpm (16 rpm a count), everything else 0.
std::vector<std::uint8_t> BlockWithSpeed(int rpm) {
    std::vector<std::uint8_t> block(72, 0);
    const int raw = rpm / 16;
    block[6] = static_cast<std::uint8_t>(raw >> 8);
    block[7] = static_cast<std::uint8_t>(raw);
    return block;
}

QColor Pixel(QWidget& widget, QPoint at) { return widget.grab().toImage().pixelColor(at); }

// A monitor view of its own, with a client area whose right edge is at 1000.
struct BareMonitor {
    QTemporaryDir dir;
    AppState app;
    RecordingPrompter prompter;
    CCorvaneMonitorDoc doc;
    std::unique_ptr<CCorvaneMonitorView> view;
    BareMonitor() {
        MonitorFolders folders{std::filesystem::path(dir.path().toStdString()), CORVANE_DATA_DIR, 1};
        view = std::make_unique<CCorvaneMonitorView>(doc, app, nullptr, prompter, folders,
                                                     [] { return QRect(0, 0, 1000, 700); });
        view->FirstShow();
    }
};

}  // namespace

class MonitorTest : public QObject {
    Q_OBJECT
private slots:
    void packetsFromTheModuleReachTheLabels();
    void ownWindowsLineUpAlongTheTop();
    void valueBoxColourAtTheStopsAndNeedleOverTheTop();
    void hiddenGaugesComeBackAndResetClosesThem();
    void autoTuneOnALeanRowThroughTheWindows();
    void replayShowsWhatTheLiveRunShowedPacketByPacket();
    void correctionsAreDiscardedAloudAndTrimsTakeThemAtOnce();
    void aSteadyEngineSpeedKeepsItsColourUntilTheBandsMeanSomethingElse();
};

void MonitorTest::packetsFromTheModuleReachTheLabels() {
    AppHarness h;
    h.Start();
    CCorvaneMonitorView* view = h.app->MonitorFrame()->View();
    QVERIFY(view);
    QVERIFY(h.prompter.shown.empty());  // the EGO table was found
    h.Frame().RunCommand(cmd::kToggleMonitoring);
    QVERIFY(h.app->State().moduleLinked);
    QVERIFY(h.app->GetComms().IsMonitoring());
    const QString before = view->Label(kEngineSpeed)->text();
    QVERIFY(WaitFor([&] { return view->Label(kEngineSpeed)->text() != before; }, 5000));
    // The labels show what the model decoded, and the exhaust-oxygen items show AFR.
    for (const auto& control : view->Model().GroupControls())
        QCOMPARE(view->Label(control.itemIndex)->text(), QString::fromStdString(control.labelText));
    QVERIFY(view->Label(30)->text().endsWith("AFR"));
    QVERIFY(view->Label(30)->text() != "0.00 AFR");
    // The maps view in front shows where the engine runs on its x axis.
    CMapsView* maps = h.Frame().ActiveMapsView();
    QVERIFY(WaitFor([&] { return maps->MapPointerPosition().has_value(); }, 3000));
    const double x = *maps->MapPointerPosition();
    const CModuleMap* map = maps->ShownMap();
    QVERIFY(map->GetMapPointerLowerX() <= x && x <= map->GetMapPointerUpperX());
    // The gauge setup of a value without a gauge of its own shows its current value, and
    // follows the stream while it is open.
    CMonitorValueSetupDlg setup(view->Model().Items(), kEngineSpeed, h.prompter);
    setup.show();
    QVERIFY(!setup.CurrentValueBox()->text().isEmpty());
    const QString shownFirst = setup.CurrentValueBox()->text();
    QVERIFY(WaitFor([&] { return setup.CurrentValueBox()->text() != shownFirst; }, 5000));
    const auto rpm = ParseNumber(setup.CurrentValueBox()->text().toStdString());
    QVERIFY(rpm && *rpm > 500.0 && *rpm < 9000.0);
    setup.reject();
    // Stopping the stream takes the pointer away.
    h.Frame().RunCommand(cmd::kToggleMonitoring);
    QVERIFY(!maps->MapPointerPosition().has_value());
}

void MonitorTest::ownWindowsLineUpAlongTheTop() {
    BareMonitor m;
    for (int item : {0, 1, 2, 3, 5, 6}) m.view->ShowOwnWindow(item);
    const auto windows = m.view->OwnWindows();
    QCOMPARE(static_cast<int>(windows.size()), 6);
    // The n-th window stands n widths left of the right edge; when that is off screen, one.
    QCOMPARE(m.view->OwnWindow(3)->x(), 1000 - 4 * CMonitorModeLessDlg::kWidth);  // n = 4: 200
    QCOMPARE(m.view->OwnWindow(5)->x(), 0);                                         // n = 5
    QCOMPARE(m.view->OwnWindow(6)->x(), 1000 - CMonitorModeLessDlg::kWidth);       // n = 6: 800
    QCOMPARE(m.view->OwnWindow(0)->y(), 0);
    // Windows are remembered in the user's file when the view goes.
    m.view.reset();
    QVERIFY(QFile::exists(m.dir.filePath("MonitoredItems-1.dat")));
}

void MonitorTest::valueBoxColourAtTheStopsAndNeedleOverTheTop() {
    BareMonitor m;
    m.view->ShowOwnWindow(kEngineSpeed);
    CMonitoredItem& item = m.view->Model().Items()[kEngineSpeed];
    item.gaugeMinimum = 0;
    item.gaugeMaximum = 8000;
    item.yellowStop = 3200;
    item.redStart = 6400;
    CMonitorModeLessDlg* window = m.view->OwnWindow(kEngineSpeed);
    auto colourAt = [&](int rpm) {
        m.view->OnMonitorBlock(BlockWithSpeed(rpm));
        return Pixel(window->ValueBox(), QPoint(2, 2));
    };
    QCOMPARE(colourAt(3184), QColor(255, 204, 51));  // below the yellow stop: amber
    QCOMPARE(colourAt(3200), QColor(102, 255, 51));  // at the yellow stop: green
    QCOMPARE(colourAt(6384), QColor(102, 255, 51));
    QCOMPARE(colourAt(6400), QColor(238, 0, 0));     // at the red start: red
    QVERIFY(window->ValueBox().Text().startsWith("6400.00"));

    // Four packets above the gauge's top: the needle stops at 0.985 of the bar.
    for (int i = 0; i < 4; ++i) m.view->OnMonitorBlock(BlockWithSpeed(9600));
    CMonitorGauge& gauge = window->Gauge();
    const int expected = static_cast<int>(gauge.width() * 0.985);
    QCOMPARE(gauge.Columns().needleColumn, expected);
    QCOMPARE(Pixel(gauge, QPoint(expected + 1, gauge.height() / 2)), QColor(0, 0, 0));
    QVERIFY(Pixel(gauge, QPoint(expected - 1, gauge.height() / 2)) != QColor(0, 0, 0));
}

void MonitorTest::hiddenGaugesComeBackAndResetClosesThem() {
    BareMonitor m;
    m.view->ShowOwnWindow(kEngineSpeed);
    m.view->ShowOwnWindow(19);
    m.view->OnMonitorBlock(BlockWithSpeed(1000));
    QVERIFY(m.view->OwnWindow(kEngineSpeed)->isVisible());
    m.view->ToggleGauges();
    QVERIFY(!m.view->OwnWindow(kEngineSpeed)->isVisible());
    m.view->OnMonitorBlock(BlockWithSpeed(1000));  // packets bring them back
    QVERIFY(m.view->OwnWindow(kEngineSpeed)->isVisible());

    QVERIFY(m.view->SaveItems());
    QVERIFY(QFile::exists(m.dir.filePath("MonitoredItems-1.dat")));
    QPointer<CMonitorModeLessDlg> gauge(m.view->OwnWindow(19));
    m.view->ResetGauges();
    QVERIFY(gauge.isNull());
    QVERIFY(m.view->OwnWindows().empty());
    QVERIFY(!QFile::exists(m.dir.filePath("MonitoredItems-1.dat")));
    QCOMPARE(static_cast<int>(m.view->Model().GroupControls().size()), 45);
    QVERIFY(m.view->Button(kEngineSpeed));
}

void MonitorTest::autoTuneOnALeanRowThroughTheWindows() {
    AppHarness h;
    h.Start();
    CChildFrmMaps* maps = h.Maps();
    const int fuelIndex = maps->Document().FindMap("Stoichiometric2048Map");
    h.Frame().RunCommand(cmd::kRead);
    QVERIFY(h.app->State().moduleLinked);
    QVERIFY(h.simulated.load());
    maps->ShowView(CChildFrmMaps::ViewKind::kMaps, fuelIndex);
    CMapsView* view = maps->MapsView();
    CModuleMap* fuel = view->ShownMap();
    const std::string hold = "hold rpm=" + std::to_string(fuel->GetRowKey()) + " sites=16..40/8 dwell=0.6";
    h.simulated.load()->Peer().WithEmulator([&](sim::ModuleEmulator& module) {
        sim::MakeRowLean(module, fuel->GetStartAddress(), fuel->GetNumberOfPoints(), 8.0);
        return module.StartScenario(hold);
    });
    // The document holds the stock row; the module runs 8 % lean of it.
    h.Frame().RunCommand(cmd::kRead);

    auto collect = [&](int sites) {
        h.Frame().RunCommand(cmd::kAutoTuneOff);  // on (the button's command while off)
        QVERIFY(h.app->State().autoTuneActive);
        if (!h.app->GetComms().IsMonitoring()) h.Frame().RunCommand(cmd::kToggleMonitoring);
        h.simulated.load()->Peer().WithEmulator([&](sim::ModuleEmulator& module) { return module.StartScenario(hold); });
        auto fuelRecords = [&] {
            int n = 0;
            for (const auto& r : view->AutoTune().Records()) n += r.kind == 1;
            return n;
        };
        WaitFor([&] { return fuelRecords() >= sites; }, 20000);
    };
    collect(4);

    // The AutoTune button pauses collecting: the corrections stay pending, nothing is applied,
    // and the status bar says so beside the stream's packet rate.
    auto recordsNow = [&] {
        std::vector<std::pair<int, int>> r;
        for (const auto& item : view->AutoTune().Records()) r.emplace_back(item.kind * 1000 + item.site, item.delta);
        return r;
    };
    const auto pending = recordsNow();
    std::vector<int> row;
    for (int i = 0; i < fuel->GetNumberOfPoints(); ++i) row.push_back(fuel->GetPointModuleValue(i));
    h.Frame().RunCommand(cmd::kAutoTuneOn);  // the button's command while on
    QVERIFY(!h.app->State().autoTuneActive);
    QTest::qWait(1200);  // the stream goes on meanwhile
    QCOMPARE(recordsNow(), pending);
    for (int i = 0; i < fuel->GetNumberOfPoints(); ++i) QCOMPARE(fuel->GetPointModuleValue(i), row[static_cast<std::size_t>(i)]);
    QVERIFY2(h.Frame().StatusText().contains(QString("AutoTune paused: %1 pending").arg(pending.size())),
             qPrintable(h.Frame().StatusText()));
    QVERIFY2(h.Frame().StatusText().contains(" packets/s, "), qPrintable(h.Frame().StatusText()));
    h.Frame().RunCommand(cmd::kAutoTuneOff);  // resumes
    QVERIFY(h.app->State().autoTuneActive);
    QVERIFY(h.Frame().StatusText().contains(QString("AutoTune: collecting, %1 pending").arg(pending.size())));

    std::map<int, double> first;
    std::map<int, int> expected;
    for (const auto& r : view->AutoTune().Records())
        if (r.kind == 1) {
            first[r.site] = view->AutoTune().CorrectionPercent(r);
            expected[r.site] = fuel->GetPointModuleValue(r.site) + r.delta;
        }
    QVERIFY2(first.size() >= 3, "AutoTune collected too few corrections");
    for (const auto& [site, percent] : first) QVERIFY2(percent > 6.0 && percent < 11.0, qPrintable(QString::number(percent)));

    // Ctrl+M applies what the marks showed, to the module as well (linked, pushed).
    QTest::keyClick(view, Qt::Key_M, Qt::ControlModifier);
    QVERIFY(!h.app->State().autoTuneActive);
    QVERIFY(view->AutoTune().Records().empty());
    for (const auto& [site, value] : expected) QCOMPARE(fuel->GetPointModuleValue(site), value);

    // A second pass over the same sites finds most of the error gone.
    collect(static_cast<int>(first.size()));
    double before = 0, after = 0;
    int matched = 0;
    for (const auto& r : view->AutoTune().Records())
        if (r.kind == 1 && first.count(r.site)) {
            before += std::abs(first[r.site]);
            after += std::abs(view->AutoTune().CorrectionPercent(r));
            ++matched;
        }
    QVERIFY(matched >= 2);
    QVERIFY2(after <= 0.2 * before, qPrintable(QString("before %1 after %2").arg(before).arg(after)));
    h.Frame().RunCommand(cmd::kToggleMonitoring);
}

void MonitorTest::replayShowsWhatTheLiveRunShowedPacketByPacket() {
    AppHarness h;
    h.Start();
    CCorvaneMonitorView* view = h.app->MonitorFrame()->View();
    std::vector<QStringList> live, replayed;
    std::vector<QStringList>* into = &live;
    connect(view, &CCorvaneMonitorView::packetShown, view, [&] {
        QStringList texts;
        for (const auto& control : view->Model().GroupControls()) texts << view->Label(control.itemIndex)->text();
        into->push_back(texts);
    });
    h.Frame().RunCommand(cmd::kMonitorLogging);
    QVERIFY(h.app->GetComms().MonitorLogging());
    h.Frame().RunCommand(cmd::kToggleMonitoring);
    QVERIFY(WaitFor([&] { return live.size() >= 25; }, 8000));
    // The status bar says where the log goes.
    const QString log = QString::fromStdString(h.app->GetComms().MonitorLogFile());
    QVERIFY2(log.startsWith(h.Path("userdata/logs")), qPrintable(log));
    QVERIFY(h.Frame().StatusText().contains(log));
    {
        // The log carries the AFR the gauges show beside the sensor volts.
        QFile f(log);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray heading = f.readLine();
        QVERIFY2(heading.contains("Front Cylinder (AFR)") && heading.contains("Front Cylinder (V)"), heading.constData());
    }
    h.Frame().RunCommand(cmd::kToggleMonitoring);
    QCoreApplication::processEvents();
    h.Frame().RunCommand(cmd::kMonitorLogging);

    // The replay unlinks, greys its command and plays the log through the same windows.
    h.Frame().RunCommand(cmd::kMonitorReplay);
    QVERIFY(!h.app->State().moduleLinked);
    QVERIFY(!h.Frame().Action(cmd::kMonitorReplay)->isEnabled());
    CMonitorDataReplayDlg* replay = h.Frame().ReplayWindow();
    QVERIFY(replay);
    // No counts before a log is chosen and played.
    auto* position = replay->findChild<QProgressBar*>("ReplayPosition");
    QVERIFY(position);
    QCOMPARE(position->text(), QString("No log chosen"));
    into = &replayed;
    replay->SetLogFile(log);
    QCOMPARE(position->text(), QString("Not played yet"));
    replay->SetSpeed(1000);
    QVERIFY(replay->Play());
    QVERIFY(WaitFor([&] { return h.Frame().Action(cmd::kMonitorReplay)->isEnabled(); }, 10000));
    QCOMPARE(replayed.size(), live.size());
    QCOMPARE(position->text(), QString("%1 of %1 packets").arg(live.size()));
    for (std::size_t i = 0; i < live.size(); ++i) QCOMPARE(replayed[i], live[i]);

    // A log that is not whole is refused, and nothing of it is played.
    const QString broken = h.Path("broken.csv");
    {
        QFile f(broken);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("Time (s),Raw Block (hex)\r\n0.0,0102\r\n0.1,01G2\r\n");
    }
    replayed.clear();
    replay->SetLogFile(broken);
    QVERIFY(!replay->Play());
    QVERIFY(h.prompter.shown.back().text.find("1 damaged row, the first on line 3") != std::string::npos);
    QCoreApplication::processEvents();
    QVERIFY(replayed.empty());
}

void MonitorTest::correctionsAreDiscardedAloudAndTrimsTakeThemAtOnce() {
    AppHarness h;
    h.Start();
    CChildFrmMaps* maps = h.Maps();
    h.Frame().RunCommand(cmd::kRead);  // the module's tune, with its trim margins
    const int fuelIndex = maps->Document().FindMap("Stoichiometric2048Map");
    maps->ShowView(CChildFrmMaps::ViewKind::kMaps, fuelIndex);
    CMapsView* view = maps->MapsView();
    view->OnMonitorMessage(MonitorMessage::AutoTuneUpdate, 12, 800);  // +8 % at site 12
    QCOMPARE(static_cast<int>(view->AutoTune().Records().size()), 1);
    QCOMPARE(view->Editor().ActivePoint(), 12);
    view->ApplyKey(Key::Down, KeyModifiers{false, true});  // another map
    QVERIFY(view->AutoTune().Records().empty());
    QVERIFY(h.Frame().statusBar()->currentMessage().contains("1 AutoTune correction was discarded"));

    // The advanced user maps view keeps nothing: the trim moves at once.
    maps->ShowView(CChildFrmMaps::ViewKind::kAdvancedUserMaps, fuelIndex);
    CMapsView* trims = maps->AdvancedView();
    CModuleMap* fuel = trims->ShownMap();
    const int trim = fuel->GetPointTrimValue(12);
    const int expected = trim + static_cast<int>(std::lround(0.08 * fuel->GetPointModuleValue(12)));
    trims->OnMonitorMessage(MonitorMessage::AutoTuneUpdate, 12, 800);
    trims->OnMonitorMessage(MonitorMessage::AutoTuneReverseTrimUpdate, 12, 500);  // not this view's
    QVERIFY(trims->AutoTune().Records().empty());
    QVERIFY2(fuel->GetPointTrimValue(12) > trim, qPrintable(QString("%1 -> %2").arg(trim).arg(fuel->GetPointTrimValue(12))));
    QVERIFY(fuel->GetPointTrimValue(12) <= expected);  // within the trim's margin
    QVERIFY(fuel->IsPointInSync(12));                  // pushed to the linked module
}

// The engine idles at 944 rpm, its idle speed. The engine speed gauge's bands are the window
// of the row AutoTune works at while it tracks, else the idle speed and rev limit of the maps
// document the tuner works in. Bringing a window to the front changes neither, so only what
// the tuner does to them (another row, tracking on or off) may change the colour.
void MonitorTest::aSteadyEngineSpeedKeepsItsColourUntilTheBandsMeanSomethingElse() {
    enum Colour { Amber, Green, Red };
    AppHarness h;
    h.Start();
    CChildFrmMaps* a = h.Maps();
    h.Frame().RunCommand(cmd::kRead);
    CCorvaneMonitorView* monitor = h.app->MonitorFrame()->View();
    monitor->ShowOwnWindow(kEngineSpeed);
    QVERIFY(h.app->State().autoTuneTracking);
    auto colourAfterPackets = [&] {
        for (int i = 0; i < 3; ++i) h.app->OnMonitorBlock(BlockWithSpeed(944));
        return monitor->Model().FindOwnWindow(kEngineSpeed)->gauge.ColourState();
    };
    auto bringToFront = [&](QMdiSubWindow* window) {
        h.Frame().MdiArea()->setActiveSubWindow(window);
        QCoreApplication::processEvents();
    };
    const int row768 = a->Document().FindMap("Stoichiometric1024Map");
    const int row1024 = a->Document().FindMap("Stoichiometric1280Map");

    a->ShowView(CChildFrmMaps::ViewKind::kMaps, row1024);
    QCOMPARE(colourAfterPackets(), Amber);  // below 960 ... 1088
    bringToFront(h.app->MonitorFrame());
    QCOMPARE(colourAfterPackets(), Amber);
    // Tracking off with the monitor in front: the idle speed band of the document worked in,
    // at once, and bringing that document back to the front changes nothing.
    h.Frame().RunCommand(cmd::kAutoTuneTracking);
    QCOMPARE(colourAfterPackets(), Green);  // at the idle speed, below the rev limit
    bringToFront(a);
    QCOMPARE(colourAfterPackets(), Green);
    h.Frame().RunCommand(cmd::kAutoTuneTracking);
    QCOMPARE(colourAfterPackets(), Amber);

    // A table row is the row AutoTune works at as a shown map is, also when its window comes
    // back to the front after another document's.
    QVERIFY(a->ShowTableAt(row768, 10));
    QCOMPARE(colourAfterPackets(), Red);  // above 704 ... 832
    h.Frame().RunCommand(cmd::kFileNew);
    CChildFrmMaps* b = h.Maps();
    QVERIFY(b != a);
    b->ShowView(CChildFrmMaps::ViewKind::kMaps, row1024);
    QCOMPARE(colourAfterPackets(), Amber);
    bringToFront(a);
    QCOMPARE(colourAfterPackets(), Red);
    bringToFront(h.app->MonitorFrame());
    QCOMPARE(colourAfterPackets(), Red);
    // With every maps window closed no row is tracked, and nothing is left to change the bands.
    h.app->CloseAllDocumentsWithoutAsking();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(h.Frame().MapsFrames().isEmpty());
    QCOMPARE(h.app->State().targetEngineSpeed, 0);
    QCOMPARE(colourAfterPackets(), Red);
}

QTEST_MAIN(MonitorTest)
#include "MonitorTest.moc"
