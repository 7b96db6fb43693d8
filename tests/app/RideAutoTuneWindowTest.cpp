// Ride AutoTune in the windows, on the simulated module over the real comms library: a ride's
// corrections shown per cell on the fuel table, applied as one step while the cable is out and
// sent when it is back, undone as one step; the log viewer's analysis; the settings dialog.
#include <QtTest>

#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QStatusBar>

#include <cmath>

#include "app/CChildFrmMaps.h"
#include "app/CommandTable.h"
#include "app/RideAutoTuneController.h"
#include "documents/CCorvaneMapsDoc.h"
#include "maps/CModuleMap.h"
#include "monitor/RideAutoTunePlan.h"
#include "sim/FuelTruth.h"
#include "sim/ModuleEmulator.h"
#include "sim/RideLog.h"
#include "sim/SimTransport.h"
#include "support/AppHarness.h"
#include "views/CRideAutoTuneSettingsDlg.h"
#include "views/CTableView.h"

using namespace corvane;
using namespace corvane::test;

namespace {

constexpr int kRow = 9;   // 2304 rpm

// A warm realistic engine that needs 10 % more fuel than the stock tune everywhere.
sim::EmulatorOptions LeanEngine() {
    sim::FuelTruth truth;
    for (int r = 0; r < 32; ++r)
        for (int c = 0; c < 64; ++c) truth.SetCell(r, c, 1.10);
    sim::EmulatorOptions options;
    options.realism = {.on = true, .warmUp = false};
    options.egoNoiseAfr = 0.05;
    options.monitorRateHz = sim::LinePacketRate();
    options.fuelTruth = std::make_shared<const sim::FuelTruth>(truth);
    return options;
}

std::uint16_t FuelAddress(int row, int site) { return static_cast<std::uint16_t>(0x8000 + 0x80 * row + 2 * site); }

}  // namespace

class RideAutoTuneWindowTest : public QObject {
    Q_OBJECT
private slots:
    void aRideIsMarkedAppliedWithTheCableOutSentWhenBackAndUndone();
    void theLogViewersAnalysisTakesTheLogOrRefusesItWhole();
    void settingsKeepToTheirLimits();
};

void RideAutoTuneWindowTest::aRideIsMarkedAppliedWithTheCableOutSentWhenBackAndUndone() {
    AppHarness h;
    h.engine = LeanEngine();
    h.Start();
    h.Frame().RunCommand(cmd::kRead);
    QVERIFY(h.app->State().moduleLinked);
    sim::SimTransport* module = h.simulated.load();
    QVERIFY(module);
    module->Peer().WithEmulator([](sim::ModuleEmulator& m) {
        // Long holds: the module's transient fuel after each opening lasts almost two seconds.
        return m.StartScenario("hold rpm=2304 sites=10,8 dwell=5 repeat=1000");
    });
    CChildFrmMaps* maps = h.Maps();
    CCorvaneMapsDoc& doc = maps->Document();
    CModuleMap& fuel = *doc.GetMap(doc.FindMap(RideAutoTunePlan::FuelMapClass(kRow)));
    maps->ShowView(CChildFrmMaps::ViewKind::kTable, doc.FindMap(RideAutoTunePlan::FuelMapClass(kRow)));
    CTableView* table = maps->TableOnShow();
    QVERIFY(table);

    h.Frame().RunCommand(cmd::kToggleMonitoring);
    h.Frame().RunCommand(cmd::kRideAutoTune);
    RideAutoTuneController& ride = h.app->RideAutoTune();
    QVERIFY(ride.Session().Collecting());
    QVERIFY(h.Frame().Action(cmd::kRideAutoTune)->isChecked());
    QVERIFY2(WaitFor([&] { return ride.Session().Tune() && ride.Session().Tune()->Ready(kRow, 8) &&
                                  ride.Session().Tune()->Ready(kRow, 10); }, 40000),
             qPrintable(ride.StatusText()));
    ride.Refresh();
    // The fuel table shows each ready cell's change, coloured as richer.
    const auto mark = table->ShownOverlay().At(TableCell{kRow, 10});
    QVERIFY(mark);
    QVERIFY2(std::abs(mark->percent - 10.0) < 1.5, qPrintable(QString::number(mark->percent)));
    QCOMPARE(mark->colour, CTableOverlay::kRicherColour);
    QVERIFY2(h.Frame().statusBar()->findChild<QLabel*>("RideAutoTuneStatus")->text().contains("cells ready"),
             qPrintable(ride.StatusText()));

    // Ride stops; the cable is pulled; apply: the document takes all of it as one step, the
    // module nothing, and the points wait, not in sync.
    h.Frame().RunCommand(cmd::kRideAutoTune);
    QVERIFY(!ride.Session().Collecting());
    const int before = fuel.GetPointModuleValue(10);
    const std::size_t steps = doc.History().StepCount();
    module->Peer().PullCable();
    h.Frame().RunCommand(cmd::kRideAutoTuneApply);
    const int after = fuel.GetPointModuleValue(10);
    QVERIFY2(std::abs(after / static_cast<double>(before) - 1.10) < 0.02, qPrintable(QString("%1 -> %2").arg(before).arg(after)));
    QCOMPARE(doc.History().StepCount(), steps + 1);
    QVERIFY(QString::fromStdString(doc.History().Description(steps)).startsWith("Ride AutoTune: "));
    QVERIFY(!fuel.IsPointInSync(10));
    const auto inModule = [&](int site) {
        return module->Peer().WithEmulator([&](sim::ModuleEmulator& m) { return static_cast<int>(m.PeekWord(FuelAddress(kRow, site))); });
    };
    QCOMPARE(inModule(10), before);
    QVERIFY2(h.Frame().statusBar()->currentMessage().contains("not in the module"), qPrintable(h.Frame().statusBar()->currentMessage()));

    // Plugged in again: the next apply sends what the module missed, and changes nothing else.
    module->Peer().PlugCable();
    QVERIFY(WaitFor([&] {
        h.Frame().RunCommand(cmd::kRideAutoTuneApply);
        return fuel.IsPointInSync(10);
    }, 20000));
    QCOMPARE(inModule(10), after);
    QCOMPARE(doc.History().StepCount(), steps + 1);

    // One undo takes the whole apply back, in the document and in the module.
    QVERIFY(doc.History().Undo());
    QCOMPARE(fuel.GetPointModuleValue(10), before);
    QVERIFY(WaitFor([&] { return inModule(10) == before; }, 5000));
    h.Frame().RunCommand(cmd::kRideAutoTuneDiscard);
    QVERIFY(!ride.Session().Tune());
    QVERIFY2(!table->ShownOverlay().At(TableCell{kRow, 10}), "discarded: the marks go");
}

void RideAutoTuneWindowTest::theLogViewersAnalysisTakesTheLogOrRefusesItWhole() {
    AppHarness h;
    h.Start();
    h.Frame().RunCommand(cmd::kRead);   // the stock tune the log below was ridden on
    const QString log = h.Path("ride.csv");
    {
        sim::ModuleEmulator module(LeanEngine());
        QVERIFY(module.StartScenario("hold rpm=2304,3072 sites=8,20 dwell=5"));
        std::string error;
        QVERIFY2(sim::WriteRideLog(module, log.toStdString(), sim::LinePacketRate(), {}, &error), error.c_str());
    }
    RideAutoTuneController& ride = h.app->RideAutoTune();
    QVERIFY(ride.AnalyzeLog(log));
    QVERIFY(ride.Session().Tune());
    QVERIFY(ride.Session().Tune()->Ready(kRow, 8));
    QVERIFY2(ride.StatusText().contains("from ride.csv"), qPrintable(ride.StatusText()));
    QVERIFY(h.prompter.shown.back().text.find("cells ready") != std::string::npos);

    // A damaged copy: refused whole, naming the line; what was gathered stays.
    QFile in(log);
    QVERIFY(in.open(QIODevice::ReadOnly));
    QByteArray bytes = in.readAll();
    const int line = 100;
    int at = 0;
    for (int i = 0; i < line - 1; ++i) at = bytes.indexOf('\n', at) + 1;
    bytes.insert(at + 3, "x");
    const QString damaged = h.Path("damaged.csv");
    QFile out(damaged);
    QVERIFY(out.open(QIODevice::WriteOnly));
    out.write(bytes);
    out.close();
    const int ready = ride.Session().Tune()->ReadyCells();
    QVERIFY(!ride.AnalyzeLog(damaged));
    QVERIFY2(h.prompter.shown.back().text.find("line 100:") != std::string::npos, h.prompter.shown.back().text.c_str());
    QCOMPARE(ride.Session().Tune()->ReadyCells(), ready);
}

void RideAutoTuneWindowTest::settingsKeepToTheirLimits() {
    RideAutoTuneSettings settings;
    settings.sensorDelaySeconds = 0.12;
    CRideAutoTuneSettingsDlg dialog(settings);
    QCOMPARE(dialog.DelayBox()->value(), 120.0);
    dialog.AuthorityBox()->setValue(500.0);
    dialog.HeadTempBox()->setValue(250.0);
    dialog.DelayCompensationBox()->setChecked(false);
    const RideAutoTuneSettings chosen = dialog.Settings();
    QCOMPARE(chosen.authorityPercent, 50.0);
    QCOMPARE(chosen.minHeadTempF, 250.0);
    QVERIFY(!chosen.delayCompensation);
    QCOMPARE(chosen.sensorDelaySeconds, 0.12);
}

QTEST_MAIN(RideAutoTuneWindowTest)
#include "RideAutoTuneWindowTest.moc"
