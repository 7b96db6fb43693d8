// The menus, accelerators and toolbars carry the system's texts, from the one command table.
#include <QtTest>

#include <QToolBar>
#include <QToolButton>

#include <QMdiSubWindow>
#include <QMenuBar>
#include <QSet>
#include <QDockWidget>
#include <QToolBar>

#include "app/CChildFrame.h"
#include "app/CommandTable.h"
#include "link/CLinkController.h"
#include "support/AppHarness.h"

using namespace corvane;
using namespace corvane::test;

namespace {

// menu path -> item texts in order ("-" a separator), as the user sees the maps menu.
const std::vector<std::pair<QString, QStringList>> kExpectedMenus = {
    {"&File", {"&New\tCtrl+N", "&Open...\tCtrl+O", "&Close", "&Save\tCtrl+S", "Save &As...", "-",
               "Co&mpare With...", "Stop Comparin&g", "-",
               "&READ Module Maps and Settings\tCtrl+R", "&WRITE Module Maps and Settings\tCtrl+W",
               "Backups...", "-", "&Print...\tCtrl+P", "Print Pre&view", "&Export PDF...", "P&rint Setup...", "-",
               "Recent File", "-", "E&xit"}},
    {"&Edit", {"&Undo\tCtrl+Z", "Undo &Last Edit\tCtrl+Alt+Z", "&Redo\tCtrl+Alt+Y", "-", "Cu&t\tCtrl+X",
               "&Copy\tCtrl+C", "&Paste\tCtrl+V", "-", "&Accept Clamped Values"}},
    {"&View", {"&Toolbar", "&Status Bar", "&Differences", "T&able / Curve\tT", "&History"}},
    {"&Gauges", {"Toggle Monitor Gauges", "Monitor Gauge Styles", "-", "Reset Guage Data Files"}},
    {"&Gauges|Monitor Gauge Styles", {"RPM/TPS AutoTune Tracking"}},
    {"&Tools", {"Monitor Replay", "Monitor Logging", "Log Viewer", "Ride AutoTune", "-", "Edit Manufacturer ID",
                "AFR Calculator"}},
    {"&Tools|Ride AutoTune",
     {"&Ride AutoTune", "&Apply Ready Cells", "Apply &Selected Cells", "&Discard", "-", "Se&ttings..."}},
    {"&Configure", {"Select Com Port", "Firmware", "-", "Back Up Before WRITE", "Verify After WRITE"}},
    {"&Configure|Firmware", {"Upgrade"}},
    {"&Window", {"&Cascade", "&Tile", "&Arrange Icons"}},
    {"&Help", {"&Help Topics", "-", "&About corvane..."}},
};

QMenu* FindMenu(QMenuBar* bar, const QString& path) {
    const QStringList parts = path.split('|');
    QList<QAction*> actions = bar->actions();
    QMenu* menu = nullptr;
    for (const QString& part : parts) {
        menu = nullptr;
        for (QAction* a : actions)
            if (a->menu() && a->text() == part) menu = a->menu();
        if (!menu) return nullptr;
        actions = menu->actions();
    }
    return menu;
}

QStringList Texts(QMenu* menu) {
    QStringList texts;
    for (QAction* a : menu->actions()) {
        if (a->property("windowEntry").toBool()) continue;
        texts << (a->isSeparator() ? QString("-") : a->menu() ? a->menu()->title() : a->text());
    }
    // Separators that only anchor the recent file list are invisible.
    texts.removeAll(QString());
    return texts;
}

QStringList Shortcuts(QAction* a) {
    QStringList keys;
    for (const QKeySequence& k : a->shortcuts()) keys << k.toString(QKeySequence::PortableText);
    return keys;
}

}  // namespace

class MenusTest : public QObject {
    Q_OBJECT
private slots:
    void mapsMenuCarriesTheExactTexts();
    void portMenuListsTwelveComPortsAndTheSimulatedModule();
    void acceleratorsReachTheirCommands();
    void toolbarsAndTheSelectorBar();
    void basicMenuWhenNoDocumentIsOpen();
    void everyToolbarButtonSaysWhatItDoes();
};

void MenusTest::mapsMenuCarriesTheExactTexts() {
    AppHarness h;
    h.Start();
    QMenuBar* bar = h.Frame().menuBar();
    for (const auto& [path, items] : kExpectedMenus) {
        QMenu* menu = FindMenu(bar, path);
        QVERIFY2(menu, qPrintable(path));
        QStringList texts = Texts(menu);
        texts.removeAll("-");
        QStringList expected = items;
        expected.removeAll("-");
        QCOMPARE(texts, expected);
    }
    QStringList titles;
    for (QAction* a : bar->actions()) titles << a->text();
    QCOMPARE(titles, (QStringList{"&File", "&Edit", "&View", "&Gauges", "&Tools", "&Configure", "&Window", "&Help"}));
}

void MenusTest::portMenuListsTwelveComPortsAndTheSimulatedModule() {
    AppHarness h;
    h.Start({}, false);
    QMenu* ports = FindMenu(h.Frame().menuBar(), "&Configure|Select Com Port");
    QVERIFY(ports);
    QStringList texts = Texts(ports);
    for (int n = 1; n <= 12; ++n) QCOMPARE(texts[n - 1], QString("Com %1").arg(n));
    QVERIFY(texts.contains("Simulated Module"));
    QVERIFY(h.Frame().Action(cmd::ComPortCommand(1))->isChecked());

    // Com 5 keeps index 4; the simulated module is kept by name; one check mark at a time.
    h.Frame().Action(cmd::ComPortCommand(5))->trigger();
    QCOMPARE(h.settings.GetInt("Settings", "Port"), std::optional<int>(4));
    QCOMPARE(h.app->Link().CurrentPort(), std::string("Com 5"));
    QVERIFY(!h.Frame().Action(cmd::ComPortCommand(1))->isChecked());
    h.Frame().Action(cmd::kSimulatedPort)->trigger();
    QCOMPARE(h.settings.GetText("Settings", "Port"), std::optional<std::string>("sim"));
    QVERIFY(!h.Frame().Action(cmd::ComPortCommand(5))->isChecked());
    QVERIFY(h.Frame().StatusText().contains("Simulated Module"));
}

void MenusTest::acceleratorsReachTheirCommands() {
    AppHarness h;
    h.Start();
    const std::map<int, QStringList> expected = {
        {cmd::kEditCopy, {"Ctrl+C", "Ctrl+Ins"}},   {cmd::kEditCut, {"Ctrl+X", "Shift+Del"}},
        {cmd::kEditPaste, {"Ctrl+V", "Shift+Ins"}}, {cmd::kEditUndo, {"Ctrl+Z", "Alt+Backspace"}},
        {cmd::kFileNew, {"Ctrl+N"}},                {cmd::kFileOpen, {"Ctrl+O"}},
        {cmd::kFileSave, {"Ctrl+S"}},               {cmd::kFilePrint, {"Ctrl+P"}},
        {cmd::kRead, {"Ctrl+R"}},                   {cmd::kWrite, {"Ctrl+W"}},
        {cmd::kHotKeyHelp, {"F2"}},                 {cmd::kContextHelp, {"Shift+F1"}},
        {cmd::kNextPane, {"F6"}},                   {cmd::kPrevPane, {"Shift+F6"}},
        {cmd::kEditUndoLastEdit, {"Ctrl+Alt+Z"}},   {cmd::kEditRedo, {"Ctrl+Alt+Y"}},
    };
    for (const auto& [id, keys] : expected) {
        QAction* a = h.Frame().Action(id);
        QVERIFY(a);
        QCOMPARE(Shortcuts(a), keys);
        // Every accelerator works wherever the focus is in the main window.
        QVERIFY(h.Frame().actions().contains(a));
    }
    // No key sequence is claimed twice (an ambiguous shortcut does nothing at all)...
    QStringList frameKeys;
    for (QAction* a : h.Frame().actions()) {
        for (const QString& k : Shortcuts(a)) {
            QVERIFY2(!frameKeys.contains(k), qPrintable(k));
            frameKeys << k;
        }
    }
    // Nor by a document window's system menu (its close keys took Ctrl+W once).
    for (QMdiSubWindow* sub : h.Frame().MdiArea()->subWindowList())
        for (QAction* a : sub->systemMenu()->actions())
            for (const QString& k : Shortcuts(a)) QVERIFY2(!frameKeys.contains(k), qPrintable(k));
    QVERIFY(frameKeys.contains("Ctrl+W"));
}

void MenusTest::toolbarsAndTheSelectorBar() {
    AppHarness h;
    h.Start();
    QStringList bars;
    for (QToolBar* bar : h.Frame().findChildren<QToolBar*>()) bars << bar->windowTitle();
    QCOMPARE(bars, (QStringList{"Main Tool Bar", "Link/UnLink to Module", "Auto Tuning"}));
    QCOMPARE(h.Frame().SelectorBar()->windowTitle(), QString("Measure Tools"));
    QVERIFY(h.Frame().dockWidgetArea(h.Frame().SelectorBar()) != Qt::NoDockWidgetArea);

    // The AutoTune button flips the switch; tracking is a check mark.
    QVERIFY(!h.app->State().autoTuneActive);
    h.Frame().Action(cmd::kAutoTuneOff)->trigger();
    QVERIFY(h.app->State().autoTuneActive);
    h.Frame().Action(cmd::kAutoTuneTracking)->trigger();
    QVERIFY(!h.app->State().autoTuneTracking);
    QVERIFY(!h.Frame().Action(cmd::kAutoTuneTracking)->isChecked());
}

void MenusTest::basicMenuWhenNoDocumentIsOpen() {
    AppHarness h;
    h.Start();
    h.app->CloseAllDocumentsWithoutAsking();
    if (auto* monitor = h.app->MonitorFrame()) monitor->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    h.Frame().ReloadMenu();
    QStringList titles;
    for (QAction* a : h.Frame().menuBar()->actions()) titles << a->text();
    QCOMPARE(titles, (QStringList{"&File", "&View", "&Help"}));
    // New brings the maps menu back.
    h.Frame().RunCommand(cmd::kFileNew);
    titles.clear();
    for (QAction* a : h.Frame().menuBar()->actions()) titles << a->text();
    QCOMPARE(titles.size(), 8);
}

void MenusTest::everyToolbarButtonSaysWhatItDoes() {
    AppHarness h;
    h.Start();
    QVERIFY(h.Frame().testAttribute(Qt::WA_AlwaysShowToolTips));
    int buttons = 0;
    for (QToolBar* bar : h.Frame().findChildren<QToolBar*>()) {
        for (QAction* action : bar->actions()) {
            if (action->isSeparator()) continue;
            ++buttons;
            // More than the button's bare name, and the same prompt in the status bar.
            QVERIFY2(action->toolTip().size() > 12, qPrintable(action->toolTip()));
            QCOMPARE(action->statusTip(), action->toolTip());
            auto* button = qobject_cast<QToolButton*>(bar->widgetForAction(action));
            QVERIFY(button);
            QCOMPARE(button->toolTip(), action->toolTip());
        }
    }
    QVERIFY(buttons >= 12);
}

QTEST_MAIN(MenusTest)
#include "MenusTest.moc"
