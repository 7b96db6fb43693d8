// The map selector follows and drives the views; READ and WRITE run from the window commands
// against the simulated module.
#include <QtTest>

#include <QDockWidget>
#include <QScrollArea>
#include <QScrollBar>
#include <QStatusBar>
#include <QTreeWidget>

#include "app/CChildFrame.h"
#include "app/CLinkStatusDlg.h"
#include "app/CMainFrame.h"
#include "app/CommandTable.h"
#include "documents/CCorvaneMapsDoc.h"
#include "link/CLinkController.h"
#include "maps/CModuleMap.h"
#include "sim/SimTransport.h"
#include "support/AppHarness.h"
#include "views/CMapsView.h"
#include "views/MapGraphLayout.h"
#include "views/MapViewColors.h"
#include "views/CPPageTuningMapSelector.h"

using namespace corvane;
using namespace corvane::test;

class SelectorAndTransferTest : public QObject {
    Q_OBJECT
private slots:
    void groupHeaderChangesNothing();
    void aSmallWindowScrollsOverAGraphOfAMinimumSize();
    void theTreeIsWalkedWithTheKeysAndEnterHandsThemToTheView();
    void theSelectorGetsItsWidthBackWhenTheWindowGrowsAgain();
    void selectingWithoutAMapsDocumentSays();
    void treeFollowsTheViewAndKindsPickTheView();
    void readThenWriteThroughTheWindowCommands();
    void writeOfANeverSavedDocumentTouchesNothing();
};

void SelectorAndTransferTest::groupHeaderChangesNothing() {
    AppHarness h;
    h.Start();
    CMapsView* view = h.Maps()->CurrentMapsView();
    const int shown = view->MapIndex();
    QSignalSpy asked(&h.Frame().Selector(), &CPPageTuningMapSelector::entrySelected);
    h.Frame().Selector().SelectGroup("EFI Maps");
    QCOMPARE(asked.count(), 0);
    QCOMPARE(view->MapIndex(), shown);
    QVERIFY(h.prompter.shown.empty());
}

void SelectorAndTransferTest::selectingWithoutAMapsDocumentSays() {
    AppHarness h;
    h.Start();
    CChildFrmMaps* maps = h.Maps();
    const int shown = maps->CurrentMapsView()->MapIndex();
    h.Frame().MdiArea()->setActiveSubWindow(h.app->MonitorFrame());
    QCoreApplication::processEvents();
    QVERIFY(h.Frame().ActiveMapsFrame() == nullptr);
    const int other = maps->Document().FindMap("Stoichiometric2048Map");
    h.Frame().Selector().SelectNumber(other);
    QCOMPARE(h.prompter.Texts(),
             std::vector<std::string>{"Please select a document to view, then reselect the desired map."});
    QCOMPARE(maps->CurrentMapsView()->MapIndex(), shown);
}

void SelectorAndTransferTest::treeFollowsTheViewAndKindsPickTheView() {
    AppHarness h;
    h.Start();
    CChildFrmMaps* maps = h.Maps();
    CPPageTuningMapSelector& selector = h.Frame().Selector();
    const int fuel = maps->Document().FindMap("Stoichiometric2048Map");
    selector.SelectNumber(fuel);
    QCOMPARE(maps->CurrentMapsView()->MapIndex(), fuel);
    QCOMPARE(selector.CurrentNumber(), fuel);
    // The row key of the shown map is the engine speed AutoTune works at.
    QCOMPARE(h.app->State().targetEngineSpeed, maps->Document().GetMap(fuel)->GetRowKey());

    // Shift+Down in the view: the tree follows without asking for anything.
    QSignalSpy asked(&selector, &CPPageTuningMapSelector::entrySelected);
    maps->CurrentMapsView()->ApplyKey(Key::Down, KeyModifiers{false, true});
    QCOMPARE(maps->CurrentMapsView()->MapIndex(), fuel + 1);
    QCOMPARE(selector.CurrentNumber(), fuel + 1);
    QCOMPARE(asked.count(), 0);

    // Kind 1 shows the map in the advanced user maps view of the same window.
    selector.SetItemKind(fuel, CPPageTuningMapSelector::kKindAdvancedMap);
    selector.SelectNumber(fuel);
    QCOMPARE(maps->CurrentViewKind(), CChildFrmMaps::ViewKind::kAdvancedUserMaps);
    QCOMPARE(maps->CurrentMapsView()->Kind(), EditorView::AdvancedUser);
    QCOMPARE(maps->CurrentMapsView()->MapIndex(), fuel);

    // "Basic Settings" (kind 3) shows the settings view in the same window.
    selector.SelectNumber(maps->Document().GetMapCount());
    QCOMPARE(maps->CurrentViewKind(), CChildFrmMaps::ViewKind::kBasicSettings);
    QVERIFY(maps->CurrentMapsView() == nullptr);
}

void SelectorAndTransferTest::aSmallWindowScrollsOverAGraphOfAMinimumSize() {
    AppHarness h;
    h.Start();
    CChildFrmMaps* maps = h.Maps();
    maps->showNormal();
    CMapsView* view = maps->CurrentMapsView();
    auto* page = qobject_cast<QScrollArea*>(view->parentWidget()->parentWidget());
    QVERIFY(page);
    // Room enough: the graph fills the window, nothing scrolls.
    maps->resize(1100, 800);
    QTRY_COMPARE(view->size(), page->viewport()->size());
    QVERIFY(view->width() > MapGraphLayout::kMinimumClientWidth);
    // A small window keeps the graph at its minimum and scrolls over it.
    maps->resize(420, 300);
    QTRY_VERIFY(page->horizontalScrollBar()->maximum() > 0);
    QVERIFY(page->verticalScrollBar()->maximum() > 0);
    QCOMPARE(view->size(), QSize(MapGraphLayout::kMinimumClientWidth, MapGraphLayout::kMinimumClientHeight));
    QVERIFY(view->Layout().markerSide >= 5);
    // The keys stay the view's: Down steps the point, it does not scroll.
    view->setFocus();
    const int before = view->ShownMap()->GetPointModuleValue(view->Editor().ActivePoint());
    const int scrolled = page->verticalScrollBar()->value();
    QTest::keyClick(view, Qt::Key_Up);
    QCOMPARE(view->ShownMap()->GetPointModuleValue(view->Editor().ActivePoint()), before + 1);
    QCOMPARE(page->verticalScrollBar()->value(), scrolled);
}

void SelectorAndTransferTest::theTreeIsWalkedWithTheKeysAndEnterHandsThemToTheView() {
    AppHarness h;
    h.Start();
    h.Frame().show();
    h.Frame().activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&h.Frame()));
    CChildFrmMaps* maps = h.Maps();
    const int first = maps->Document().FindMap("Stoichiometric2048Map");
    QTreeWidget* tree = h.Frame().Selector().Tree();
    tree->setFocus();
    h.Frame().Selector().SelectNumber(first);
    QTRY_VERIFY(tree->hasFocus());
    QCOMPARE(maps->CurrentMapsView()->MapIndex(), first);
    // Down walks the tree: each map is shown, none is edited, and the keys stay in the tree.
    QTest::keyClick(tree, Qt::Key_Down);
    QTest::keyClick(tree, Qt::Key_Down);
    QCOMPARE(maps->CurrentMapsView()->MapIndex(), first + 2);
    QVERIFY(tree->hasFocus());
    QVERIFY(!maps->Document().IsModified());
    // Enter hands them to the view: Up now steps the active point.
    QTest::keyClick(tree, Qt::Key_Return);
    QTRY_VERIFY(maps->CurrentMapsView()->hasFocus());
    CMapsView* view = maps->CurrentMapsView();
    const int before = view->ShownMap()->GetPointModuleValue(view->Editor().ActivePoint());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Up);
    QCOMPARE(view->ShownMap()->GetPointModuleValue(view->Editor().ActivePoint()), before + 1);
}

void SelectorAndTransferTest::theSelectorGetsItsWidthBackWhenTheWindowGrowsAgain() {
    AppHarness h;
    h.Start();
    CMainFrame& frame = h.Frame();
    frame.showNormal();
    frame.resize(1200, 800);
    QDockWidget* bar = frame.SelectorBar();
    QTRY_VERIFY(bar->width() > 200);
    const int wanted = frame.SelectorWidth();
    QVERIFY(std::abs(bar->width() - wanted) <= 2);
    // Shrunk, the window squeezes the bar ...
    frame.resize(300, 500);
    QTRY_VERIFY(bar->width() < wanted - 50);
    // ... and grown again, gives it back instead of leaving the names cut off.
    frame.resize(1200, 800);
    QTRY_VERIFY(std::abs(bar->width() - wanted) <= 2);
}

void SelectorAndTransferTest::readThenWriteThroughTheWindowCommands() {
    AppHarness h;
    h.Start();
    CChildFrmMaps* maps = h.Maps();
    const QString path = h.Path("module.crv");
    QVERIFY(maps->Document().Save(path.toStdString()));  // WRITE needs a document with a file
    maps->Document().SetModifiedFlag(false);

    // Markers are painted in the not-in-sync colour until READ brings their points in step.
    CMapsView* shown = maps->CurrentMapsView();
    shown->resize(1000, 700);
    const int probe = 5;
    auto markerColour = [&] {
        const QImage image = shown->grab().toImage();
        const QPoint at = shown->PointPixel(probe) * image.devicePixelRatio();
        return image.pixelColor(at);
    };
    QCOMPARE(markerColour(), MapViewColors::ToQColor(shown->Colors().notInSyncMarker));
    h.Frame().RunCommand(cmd::kRead);
    QVERIFY(h.app->State().moduleLinked);
    QCOMPARE(markerColour(), MapViewColors::ToQColor(shown->Colors().inSyncMarker));
    QCOMPARE(h.prompter.progressText, std::string("Reading Module Maps and Settings..."));
    QVERIFY(!h.prompter.progressOpen);
    QVERIFY(!h.prompter.progress.empty());
    QCOMPARE(h.prompter.progress.back(), h.prompter.progressMax);
    for (int m = 0; m < maps->Document().GetMapCount(); ++m) {
        CModuleMap* map = maps->Document().GetMap(m);
        for (int j = 0; j < map->GetNumberOfPoints(); ++j) QVERIFY(map->IsPointInSync(j));
    }
    QVERIFY(h.Frame().StatusText().contains("Linked"));
    QVERIFY(h.Frame().isWindowModified());  // READ took the module's base map name

    // An edit while linked goes to the module at once and stays in sync.
    CMapsView* view = maps->CurrentMapsView();
    view->Editor().SetActivePoint(3);
    view->ApplyKey(Key::Up, {});
    QVERIFY(view->Editor().Map()->IsPointInSync(3));

    h.prompter.progress.clear();
    h.prompter.progressTexts.clear();
    h.Frame().RunCommand(cmd::kWrite);
    // The backup read, the WRITE, and the read-back that verifies it, each with its progress.
    QCOMPARE(h.prompter.progressTexts.size(), std::size_t{3});
    QCOMPARE(h.prompter.progressTexts[1], std::string("Writing module maps and settings..."));
    QCOMPARE(h.prompter.progress.back(), h.prompter.progressMax);
    const auto texts = h.prompter.Texts();
    QVERIFY(std::any_of(texts.begin(), texts.end(),
                        [](const std::string& t) { return t.rfind("About to WRITE maps and settings", 0) == 0; }));
    QCOMPARE(texts.back().find("ABORTED"), std::string::npos);

    // Unlinking hides nothing that is not there and says so in the status bar.
    h.Frame().RunCommand(cmd::kToggleLink);
    QVERIFY(!h.app->State().moduleLinked);
    QVERIFY(h.Frame().StatusText().contains("Unlinked"));
    QVERIFY(!h.Frame().DataLinkBox().isVisible());

    // A link that finds no module says so, never that it linked; the link after it does.
    QVERIFY(h.simulated);
    h.simulated.load()->Peer().PullCable();
    h.Frame().RunCommand(cmd::kToggleLink);
    QVERIFY(!h.app->State().moduleLinked);
    QVERIFY2(h.Frame().statusBar()->currentMessage().startsWith("No module answered on "),
             qPrintable(h.Frame().statusBar()->currentMessage()));
    h.simulated.load()->Peer().PlugCable();
    h.Frame().RunCommand(cmd::kToggleLink);
    QVERIFY(h.app->State().moduleLinked);
    QVERIFY2(h.Frame().statusBar()->currentMessage().startsWith("Linked to the module on "),
             qPrintable(h.Frame().statusBar()->currentMessage()));
}

void SelectorAndTransferTest::writeOfANeverSavedDocumentTouchesNothing() {
    AppHarness h;
    h.Start();
    h.Frame().RunCommand(cmd::kWrite);
    const auto texts = h.prompter.Texts();
    QCOMPARE(texts.back(), std::string("Document File Not Selected\n\n1. Open a Map File OR Select a Map Document.\n"
                                       "2. Re-select the DOWNLOAD command."));
    QVERIFY(h.prompter.progress.empty());
}

QTEST_MAIN(SelectorAndTransferTest)
#include "SelectorAndTransferTest.moc"
