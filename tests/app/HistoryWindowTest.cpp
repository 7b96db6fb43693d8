// Undo Last Edit, Redo and the History list in the window program, on the simulated module.
#include <QtTest>

#include <QListWidget>

#include "app/CommandTable.h"
#include "documents/CCorvaneMapsDoc.h"
#include "maps/CModuleMap.h"
#include "sim/ModuleEmulator.h"
#include "support/ModuleAppHarness.h"
#include "views/CHistoryDock.h"
#include "views/CMapsView.h"

using namespace corvane;
using namespace corvane::test;

namespace {

int ModuleValueAt(ModuleAppHarness<>& h, const CModuleMapPoint& point) {
    return h.Module([&](sim::ModuleEmulator& e) {
        int v = 0;
        for (int b = 0; b < point.GetByteWidth(); ++b) v = v * 256 + e.Peek(static_cast<std::uint16_t>(point.GetAddress() + b));
        return v;
    });
}

}  // namespace

class HistoryWindowTest : public QObject {
    Q_OBJECT
private slots:
    void undoAndRedoReachTheLinkedModuleAndTheModifiedMark();
    void theHistoryListReturnsToAnyRow();
};

void HistoryWindowTest::undoAndRedoReachTheLinkedModuleAndTheModifiedMark() {
    ModuleAppHarness<> h;
    h.Start();
    h.Link();
    CChildFrmMaps* frame = h.Maps();
    QVERIFY(frame);
    CMapsView* view = frame->MapsView();
    CModuleMap* map = view->ShownMap();
    QVERIFY(!h.Frame().Action(cmd::kEditUndoLastEdit)->isEnabled());
    view->Editor().SetActivePoint(3);
    const int before = map->GetPointModuleValue(3);
    view->ApplyKey(Key::Up);
    view->ApplyKey(Key::Up);
    const int edited = map->GetPointModuleValue(3);
    QVERIFY(edited != before);
    QCOMPARE(ModuleValueAt(h, *map->GetMapPoint(3)), edited);
    QVERIFY(h.Frame().Action(cmd::kEditUndoLastEdit)->isEnabled());

    h.Frame().RunCommand(cmd::kEditUndoLastEdit);
    h.Frame().RunCommand(cmd::kEditUndoLastEdit);
    QCOMPARE(map->GetPointModuleValue(3), before);
    QCOMPARE(ModuleValueAt(h, *map->GetMapPoint(3)), before);
    QVERIFY(map->IsPointInSync(3));
    // Back at the new document's values: nothing to save.
    QVERIFY(!frame->Document().IsModified());
    QVERIFY(!h.Frame().Action(cmd::kEditUndoLastEdit)->isEnabled());
    QVERIFY(h.Frame().Action(cmd::kEditRedo)->isEnabled());

    h.Frame().RunCommand(cmd::kEditRedo);
    QCOMPARE(ModuleValueAt(h, *map->GetMapPoint(3)), map->GetPointModuleValue(3));
    QVERIFY(frame->Document().IsModified());
    // Ctrl+Alt+Z reaches the command from the maps view.
    QTest::keyClick(view, Qt::Key_Z, Qt::ControlModifier | Qt::AltModifier);
    QCOMPARE(map->GetPointModuleValue(3), before);
}

void HistoryWindowTest::theHistoryListReturnsToAnyRow() {
    ModuleAppHarness<> h;
    h.Start();
    CChildFrmMaps* frame = h.Maps();
    CMapsView* view = frame->MapsView();
    CModuleMap* map = view->ShownMap();
    view->Editor().SetActivePoint(1);
    const int first = map->GetPointModuleValue(1);
    for (int i = 0; i < 3; ++i) view->ApplyKey(Key::Up);
    h.Frame().Action(cmd::kViewHistory)->trigger();
    auto* dock = h.Frame().findChild<CHistoryDock*>();
    QVERIFY(dock && !dock->isHidden());
    QListWidget* list = dock->List();
    QCOMPARE(list->count(), 4);
    QCOMPARE(list->item(0)->text(), QString(CCorvaneMapsDoc::kNewTuneBaseline));
    QVERIFY(list->item(1)->text().contains("point 2 up"));
    QCOMPARE(list->currentRow(), 3);

    list->setCurrentRow(1);
    QTRY_COMPARE(frame->Document().History().Position(), std::size_t{1});
    QCOMPARE(list->currentRow(), 1);
    QCOMPARE(list->count(), 4);  // the undone steps stay, to be redone
    // The undone steps are greyed, from the first of them on; the applied ones are not.
    const QColor undone = dock->palette().brush(QPalette::Disabled, QPalette::Text).color();
    QVERIFY(list->item(1)->foreground().color() != undone);
    QCOMPARE(list->item(2)->foreground().color(), undone);
    QCOMPARE(list->item(3)->foreground().color(), undone);
    list->setCurrentRow(0);
    QTRY_COMPARE(map->GetPointModuleValue(1), first);
    // A new edit drops what could have been redone.
    view->ApplyKey(Key::Up, {true, false});
    QTRY_COMPARE(list->count(), 2);
    QVERIFY(list->item(1)->text().contains("point 2 up x5"));
    QVERIFY(!h.Frame().Action(cmd::kEditRedo)->isEnabled());
}

QTEST_MAIN(HistoryWindowTest)
#include "HistoryWindowTest.moc"
