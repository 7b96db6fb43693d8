// The table view in the application: opened from the selector, from a maps view and back, its
// edits written to a linked module and taken back by the Edit menu, the live cells and AutoTune
// from the simulated engine.
#include <QtTest>

#include <functional>

#include "app/CommandTable.h"
#include "documents/CCorvaneMapsDoc.h"
#include "maps/CModuleMap.h"
#include "maps/CTableLivePosition.h"
#include "sim/ModuleEmulator.h"
#include "sim/RowLean.h"
#include "sim/peer/ModulePeer.h"
#include "support/AppHarness.h"
#include "views/CMapsView.h"
#include "views/CPPageTuningMapSelector.h"
#include "views/CTableView.h"

using namespace corvane;
using namespace corvane::test;

namespace {

std::uint8_t ModuleByte(AppHarness& h, std::uint16_t address) {
    return h.simulated.load()->Peer().WithEmulator([&](sim::ModuleEmulator& m) { return m.Memory()[address]; });
}

}  // namespace

class TableViewAppTest : public QObject {
    Q_OBJECT
private slots:
    void tablesEntryAndTheTKeyGoBetweenTableAndCurve();
    void editsReachALinkedModuleAndEditUndoTakesThemBack();
    void liveCellsAndAutoTuneFromTheSimulatedEngine();
    void familiesBAndCEditTheirTimingTableOnTheModule();
};

void TableViewAppTest::tablesEntryAndTheTKeyGoBetweenTableAndCurve() {
    AppHarness h;
    h.Start();
    CChildFrmMaps* maps = h.Maps();
    const CCorvaneMapsDoc& doc = maps->Document();
    CPPageTuningMapSelector& selector = h.Frame().Selector();
    selector.SelectNumber(doc.SelectorNumberOfTable("ignition"));
    CTableView* table = h.Frame().ActiveTableView();
    QVERIFY(table);
    QCOMPARE(QString::fromStdString(table->Family()->Name()), QString("ignition"));
    QVERIFY(!h.Frame().ActiveMapsView());

    // T on a cell shows its row's curve with that point active; T there comes back.
    table->Select({9, 17}, {9, 17});
    QTest::keyClick(table, Qt::Key_T);
    CMapsView* curve = h.Frame().ActiveMapsView();
    QVERIFY(curve);
    QCOMPARE(curve->ShownMap()->GetClassName(), std::string("IGNVSTHROTTLE2560Map"));
    QCOMPARE(curve->Editor().ActivePoint(), 17);
    QCOMPARE(selector.CurrentNumber(), curve->MapIndex());
    curve->SetActivePoint(40);
    QTest::keyClick(curve, Qt::Key_T);
    QCOMPARE(h.Frame().ActiveTableView(), table);
    QCOMPARE(table->Editor()->Active(), (TableCell{9, 40}));
    QCOMPARE(selector.CurrentNumber(), doc.SelectorNumberOfTable("ignition"));
    QCOMPARE(h.app->State().targetEngineSpeed, 2304);

    // The View menu's command does the same; on a map that is no row it says so.
    h.Frame().RunCommand(cmd::kViewTable);
    QVERIFY(h.Frame().ActiveMapsView());
    maps->ShowView(CChildFrmMaps::ViewKind::kMaps, doc.FindMap("CrankMap"));
    h.Frame().RunCommand(cmd::kViewTable);
    QVERIFY(h.Frame().ActiveMapsView());
    QVERIFY(!h.Frame().ActiveTableView());
}

void TableViewAppTest::editsReachALinkedModuleAndEditUndoTakesThemBack() {
    AppHarness h;
    h.Start();
    CChildFrmMaps* maps = h.Maps();
    h.Frame().RunCommand(cmd::kRead);
    QVERIFY(h.app->State().moduleLinked);
    maps->Document().SetModifiedFlag(false);  // as after a save
    maps->RefreshTitle();
    QVERIFY(!maps->isWindowModified());
    QVERIFY(maps->ShowTable("ignition"));
    CTableView* table = maps->TableView();
    CModuleMap& row = table->Editor()->RowMap(12);
    const std::uint16_t address = row.GetStartAddress();
    const std::uint8_t before = ModuleByte(h, address + 5);
    table->Select({12, 4}, {13, 6});
    QTest::keyClicks(table, "30");
    QTest::keyClick(table, Qt::Key_Return);
    QCOMPARE(row.GetPointModuleValue(5), 30);
    QCOMPARE(ModuleByte(h, address + 5), std::uint8_t(30));
    QVERIFY(table->Editor()->InSync({12, 5}));
    QVERIFY(maps->Document().IsModified());
    QVERIFY(maps->isWindowModified());

    // The curve shows the edit; the Edit menu's Undo takes it back, on the module too.
    h.Frame().RunCommand(cmd::kEditUndo);
    QCOMPARE(row.GetPointModuleValue(5), int(before));
    QCOMPARE(ModuleByte(h, address + 5), before);
    for (const auto& shown : h.prompter.shown) QVERIFY2(shown.title != "Undo", shown.text.c_str());

    // Right after a READ there is nothing to undo: a READ is where the history starts.
    table->RunCommand(TableCommand::Redo);
    QCOMPARE(row.GetPointModuleValue(5), 30);
    h.Frame().RunCommand(cmd::kRead);
    const int read = row.GetPointModuleValue(5);
    QCOMPARE(read, 30);  // the module held the redone value
    QTest::keyClick(table, Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(row.GetPointModuleValue(5), read);
    QCOMPARE(ModuleByte(h, address + 5), std::uint8_t(read));
    QVERIFY(table->StatusText().contains("Nothing to undo."));
}

void TableViewAppTest::liveCellsAndAutoTuneFromTheSimulatedEngine() {
    AppHarness h;
    h.Start();
    CChildFrmMaps* maps = h.Maps();
    h.Frame().RunCommand(cmd::kRead);
    const int fuelIndex = maps->Document().FindMap("Stoichiometric2048Map");
    CModuleMap& fuel = *maps->Document().GetMap(fuelIndex);
    h.simulated.load()->Peer().WithEmulator([&](sim::ModuleEmulator& module) {
        sim::MakeRowLean(module, fuel.GetStartAddress(), fuel.GetNumberOfPoints(), 8.0);
        return module.StartScenario("hold rpm=" + std::to_string(fuel.GetRowKey()) + " sites=16..40/8 dwell=0.6");
    });
    h.Frame().RunCommand(cmd::kRead);
    QVERIFY(maps->ShowTableAt(fuelIndex, 20));
    CTableView* table = maps->TableView();
    QCOMPARE(h.app->State().targetEngineSpeed, fuel.GetRowKey());
    h.Frame().RunCommand(cmd::kAutoTuneOff);  // on
    h.Frame().RunCommand(cmd::kToggleMonitoring);
    QVERIFY(WaitFor([&] { return table->LivePosition()->HasPosition(); }, 5000));
    QVERIFY(WaitFor([&] { return table->AutoTune().Records().size() >= 3; }, 20000));
    // The engine is held at the row's speed: the live cells lie on it.
    QCOMPARE(table->LivePosition()->NearestCell().row, table->Editor()->Active().row);
    std::map<int, int> expected;
    for (const auto& r : table->AutoTune().Records())
        if (r.kind == 1) {
            QVERIFY(table->ShownOverlay().At({table->Editor()->Active().row, r.site}).has_value());
            expected[r.site] = fuel.GetPointModuleValue(r.site) + r.delta;
        }
    QVERIFY(!expected.empty());
    // Ctrl+M applies them, as on the curve.
    QTest::keyClick(table, Qt::Key_M, Qt::ControlModifier);
    QVERIFY(!h.app->State().autoTuneActive);
    for (const auto& [site, value] : expected) QCOMPARE(fuel.GetPointModuleValue(site), value);
    h.Frame().RunCommand(cmd::kToggleMonitoring);
    QVERIFY(!h.app->GetComms().IsMonitoring());
    QVERIFY(!table->LivePosition()->HasPosition());
}

void TableViewAppTest::familiesBAndCEditTheirTimingTableOnTheModule() {
    for (std::uint32_t code : {2u, 4u}) {
        AppHarness h;
        AppOptions options;
        options.productCode = code;
        h.Start(options);
        CChildFrmMaps* maps = h.Maps();
        h.Frame().RunCommand(cmd::kRead);
        QVERIFY(h.app->State().moduleLinked);
        const CCorvaneMapsDoc& doc = maps->Document();
        h.Frame().Selector().SelectNumber(doc.SelectorNumberOfTable("timing"));
        CTableView* table = h.Frame().ActiveTableView();
        QVERIFY(table);
        QCOMPARE(QString::fromStdString(table->Family()->Title()), QString(code == 2 ? "Timing" : "Timing vs MAP"));
        CModuleMap& row = table->Editor()->RowMap(20);
        table->Select({20, 8}, {21, 12});
        QTest::keyClicks(table, "+3");
        QTest::keyClick(table, Qt::Key_Return);
        for (int c = 8; c <= 12; ++c) {
            QCOMPARE(int(ModuleByte(h, row.GetStartAddress() + c)), row.GetPointModuleValue(c));
            QVERIFY(table->Editor()->InSync({20, c}));
        }
        QVERIFY(table->StatusText().contains("changed"));
    }
}

QTEST_MAIN(TableViewAppTest)
#include "TableViewAppTest.moc"
