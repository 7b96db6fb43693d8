// What follows the window in front, and only it: the selector and AutoTune's engine speed
// follow the map of the active maps window, the Edit commands act on the view in front, and
// the bars keep their state while the monitor or no maps window is in front.
#include <QtTest>

#include <QApplication>
#include <QClipboard>
#include <QDockWidget>
#include <QMdiArea>
#include <QToolBar>
#include <QTreeWidget>

#include "app/CChildFrame.h"
#include "app/CommandTable.h"
#include "documents/CCorvaneMapsDoc.h"
#include "maps/CModuleMap.h"
#include "maps/CTableEditor.h"
#include "support/AppHarness.h"
#include "views/CMapsView.h"
#include "views/CPPageTuningMapSelector.h"
#include "views/CTableView.h"
#include "views/CTuneDifferencesView.h"

using namespace corvane;
using namespace corvane::test;

class ActiveWindowTest : public QObject {
    Q_OBJECT
private slots:
    void aMapShownBehindTheActiveWindowMovesNothing();
    void editCopyWithTheTableInFrontCopiesAndChangesNothing();
    void withTheMonitorInFrontTheDifferencesStayAndUndoWaits();
    void theModifiedMarkIsTheDocumentInFrontsAndTheToolbarFollowsItsCommand();
    void backToTheMapsViewTheSelectorAndAutoTuneFollowItsMapAgain();
};

void ActiveWindowTest::aMapShownBehindTheActiveWindowMovesNothing() {
    AppHarness h;
    h.Start();
    CChildFrmMaps* front = h.Maps();
    CChildFrmMaps* back = h.app->FileNew();
    QVERIFY(front && back && front != back);
    // Two maps of rows at different engine speeds.
    const CCorvaneMapsDoc& doc = front->Document();
    int a = -1, b = -1;
    for (int i = 0; i < doc.GetBasicMapCount() && b < 0; ++i) {
        const int key = doc.GetMap(i)->GetRowKey();
        if (key <= 0) continue;
        if (a < 0) a = i;
        else if (key != doc.GetMap(a)->GetRowKey()) b = i;
    }
    QVERIFY(a >= 0 && b >= 0);
    h.Frame().MdiArea()->setActiveSubWindow(front);
    front->ShowView(CChildFrmMaps::ViewKind::kMaps, a);
    QCoreApplication::processEvents();
    const int speed = doc.GetMap(a)->GetRowKey();
    QCOMPARE(h.app->State().targetEngineSpeed, speed);
    QCOMPARE(h.Frame().Selector().CurrentNumber(), a);

    // The window behind changes its map (as a READ into it or a script would), without focus.
    back->MapsView()->ShowMap(b);
    QCoreApplication::processEvents();
    QCOMPARE(back->MapsView()->MapIndex(), b);
    QCOMPARE(h.Frame().MdiArea()->activeSubWindow(), front);
    QCOMPARE(h.app->State().targetEngineSpeed, speed);
    QCOMPARE(h.Frame().Selector().CurrentNumber(), a);

    // Once that window is in front, its map counts.
    h.Frame().MdiArea()->setActiveSubWindow(back);
    QCoreApplication::processEvents();
    QCOMPARE(h.app->State().targetEngineSpeed, doc.GetMap(b)->GetRowKey());
    QCOMPARE(h.Frame().Selector().CurrentNumber(), b);
}

void ActiveWindowTest::editCopyWithTheTableInFrontCopiesAndChangesNothing() {
    AppHarness h;
    h.Start();
    CChildFrmMaps* maps = h.Maps();
    h.Frame().Selector().SelectNumber(maps->Document().SelectorNumberOfTable("ignition"));
    CTableView* table = h.Frame().ActiveTableView();
    QVERIFY(table);
    table->Select({2, 3}, {3, 5});
    const std::string expected = table->Editor()->CopyText();
    QVERIFY(!expected.empty());
    const int before = table->Editor()->RowMap(2).GetPointModuleValue(3);
    QApplication::clipboard()->setText("99\t99\t99\n99\t99\t99");
    h.Frame().RunCommand(cmd::kEditCopy);
    QCOMPARE(QApplication::clipboard()->text().toStdString(), expected);
    QCOMPARE(table->Editor()->RowMap(2).GetPointModuleValue(3), before);
    QVERIFY(!maps->Document().IsModified());
}

void ActiveWindowTest::withTheMonitorInFrontTheDifferencesStayAndUndoWaits() {
    AppHarness h;
    h.Start();
    CChildFrmMaps* maps = h.Maps();
    {
        AppState app;
        app.productCode = 1;
        CCorvaneMapsDoc other(app);
        other.GetMap(3)->StepPointByModuleUnits(2, 12);
        QVERIFY(other.Save(h.Path("other.crv").toStdString()));
    }
    h.prompter.openFile = h.Path("other.crv").toStdString();
    h.Frame().RunCommand(cmd::kCompareWith);
    QVERIFY(maps->Comparison());
    maps->MapsView()->Editor().SetActivePoint(1);
    maps->MapsView()->ApplyKey(Key::Up);
    const int rows = h.Frame().Differences().Tree()->topLevelItemCount();
    QVERIFY(rows > 0);
    QVERIFY(h.Frame().Action(cmd::kEditUndoLastEdit)->isEnabled());

    CChildFrame* monitor = h.app->EnsureMonitorDocument();
    QVERIFY(monitor);
    h.Frame().MdiArea()->setActiveSubWindow(monitor);
    QCoreApplication::processEvents();
    QVERIFY(!h.Frame().ActiveMapsFrame());
    // The bar keeps the maps document's list, as the selector does.
    QVERIFY(!h.Frame().DifferencesBar()->isHidden());
    QCOMPARE(h.Frame().Differences().Comparison(), maps->Comparison());
    QCOMPARE(h.Frame().Differences().Tree()->topLevelItemCount(), rows);
    // No maps window in front: nothing for Undo Last Edit to take back.
    QVERIFY(!h.Frame().Action(cmd::kEditUndoLastEdit)->isEnabled());
    // A READ asked for with the monitor in front reads into no document; the list stays.
    h.Frame().RunCommand(cmd::kRead);
    QVERIFY(!h.Frame().DifferencesBar()->isHidden());
    QCOMPARE(h.Frame().Differences().Comparison(), maps->Comparison());
    QCOMPARE(h.Frame().Differences().Tree()->topLevelItemCount(), rows);

    h.Frame().MdiArea()->setActiveSubWindow(maps);
    QCoreApplication::processEvents();
    QVERIFY(h.Frame().Action(cmd::kEditUndoLastEdit)->isEnabled());
}

void ActiveWindowTest::theModifiedMarkIsTheDocumentInFrontsAndTheToolbarFollowsItsCommand() {
    AppHarness h;
    h.Start();
    CChildFrmMaps* edited = h.Maps();
    edited->MapsView()->Editor().SetActivePoint(2);
    edited->MapsView()->ApplyKey(Key::Up);
    QVERIFY(edited->Document().IsModified());
    QVERIFY(h.Frame().isWindowModified());
    CChildFrmMaps* clean = h.app->FileNew();
    h.Frame().MdiArea()->setActiveSubWindow(clean);
    QCoreApplication::processEvents();
    QVERIFY(!h.Frame().isWindowModified());
    h.Frame().MdiArea()->setActiveSubWindow(edited);
    QCoreApplication::processEvents();
    QVERIFY(h.Frame().isWindowModified());

    auto* bar = h.Frame().findChild<QToolBar*>("MainToolBar");
    QVERIFY(bar && !bar->isHidden());
    h.Frame().Action(cmd::kViewToolbar)->trigger();
    QVERIFY(bar->isHidden());
    QVERIFY(!h.Frame().Action(cmd::kViewToolbar)->isChecked());
    h.Frame().Action(cmd::kViewToolbar)->trigger();
    QVERIFY(!bar->isHidden());
}

void ActiveWindowTest::backToTheMapsViewTheSelectorAndAutoTuneFollowItsMapAgain() {
    AppHarness h;
    h.Start();
    CChildFrmMaps* maps = h.Maps();
    const CCorvaneMapsDoc& doc = maps->Document();
    int shown = -1;
    for (int i = 0; i < doc.GetBasicMapCount() && shown < 0; ++i)
        if (doc.GetMap(i)->GetRowKey() > 0 && doc.GetMap(i)->GetRowKey() != h.app->State().targetEngineSpeed) shown = i;
    QVERIFY(shown >= 0);
    maps->ShowView(CChildFrmMaps::ViewKind::kMaps, shown);
    // The table of another family in front moves the selector and the speed away ...
    h.Frame().Selector().SelectNumber(doc.SelectorNumberOfTable("ignition"));
    QVERIFY(h.Frame().ActiveTableView());
    h.Frame().ActiveTableView()->Select({0, 0}, {0, 0});
    QVERIFY(h.Frame().Selector().CurrentNumber() != shown);
    // ... and the maps view, shown again as it was, brings them back to its map.
    maps->ShowView(CChildFrmMaps::ViewKind::kMaps);
    QCOMPARE(maps->CurrentMapsView()->MapIndex(), shown);
    QCOMPARE(h.Frame().Selector().CurrentNumber(), shown);
    QCOMPARE(h.app->State().targetEngineSpeed, doc.GetMap(shown)->GetRowKey());
}

QTEST_MAIN(ActiveWindowTest)
#include "ActiveWindowTest.moc"
