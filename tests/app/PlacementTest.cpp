// Where the windows are: the main window and the maps windows come back where the tuner left
// them, exactly, and a maps window the tuner moved stays there while others take the front.
#include <QtTest>

#include <QMdiArea>
#include <QMdiSubWindow>

#include "app/WindowPlacement.h"
#include "support/AppHarness.h"

using namespace corvane;
using namespace corvane::test;

namespace {

QRect KeptRect(const SettingsStore& settings, const std::string& section) {
    const int left = settings.GetInt(section, "Left").value_or(-1), top = settings.GetInt(section, "Top").value_or(-1);
    const int right = settings.GetInt(section, "Right").value_or(-1), bottom = settings.GetInt(section, "Bottom").value_or(-1);
    return QRect(left, top, right - left, bottom - top);
}

}  // namespace

class PlacementTest : public QObject {
    Q_OBJECT
private slots:
    void theMainWindowComesBackExactlyRunAfterRun();
    void aMaximisedWindowKeepsItsNormalPlace();
    void theMapsWindowsPlaceIsKeptAndAMovedWindowStaysWhereItWasPut();
};

void PlacementTest::theMainWindowComesBackExactlyRunAfterRun() {
    MemorySettingsStore kept;
    const QRect placed(40, 50, 900, 700);
    {
        AppHarness h;
        h.Start();
        h.Frame().showNormal();
        h.Frame().setGeometry(placed);
        QTRY_COMPARE(h.Frame().geometry(), placed);
        h.Frame().SaveState();
        QCOMPARE(KeptRect(h.settings, "WindowPlacement"), placed);
        kept = h.settings;
    }
    // Three runs, each saving what it was given: not a pixel lost on the way.
    for (int run = 0; run < 3; ++run) {
        AppHarness h;
        h.settings = kept;
        h.Start();
        QTRY_COMPARE(h.Frame().normalGeometry(), placed);
        h.Frame().SaveState();
        QCOMPARE(KeptRect(h.settings, "WindowPlacement"), placed);
        kept = h.settings;
    }
}

void PlacementTest::aMaximisedWindowKeepsItsNormalPlace() {
    AppHarness h;
    h.Start();
    const QRect normal(30, 20, 520, 410);
    h.Frame().showNormal();
    h.Frame().setGeometry(normal);
    QTRY_COMPARE(h.Frame().geometry(), normal);
    h.Frame().showMaximized();
    QTRY_VERIFY(h.Frame().isMaximized());
    QTRY_VERIFY_WITH_TIMEOUT(h.Frame().geometry() != normal, 2000);
    h.Frame().SaveState();
    QCOMPARE(h.settings.GetInt("WindowPlacement", "ShowCmd").value_or(-1), kShowMaximized);
    // Un-maximised on the next run, it goes back to where it was, not to the screen's size.
    QCOMPARE(KeptRect(h.settings, "WindowPlacement"), normal);
}

void PlacementTest::theMapsWindowsPlaceIsKeptAndAMovedWindowStaysWhereItWasPut() {
    MemorySettingsStore kept;
    const QRect placed(20, 10, 430, 330);
    {
        AppHarness h;
        h.Start();
        CChildFrmMaps* first = h.Maps();
        QVERIFY(first);
        first->setGeometry(placed);
        h.Frame().SaveState();
        QCOMPARE(KeptRect(h.settings, "LastActiveDocPosition"), placed);

        // A second document, then the first in front again: the first stays where it was put.
        CChildFrmMaps* second = h.app->FileNew();
        QVERIFY(second && second != first);
        const QRect moved(60, 40, 410, 320);
        first->setGeometry(moved);
        h.Frame().MdiArea()->setActiveSubWindow(second);
        QCoreApplication::processEvents();
        h.Frame().MdiArea()->setActiveSubWindow(first);
        QCoreApplication::processEvents();
        QCOMPARE(h.Frame().MdiArea()->activeSubWindow(), first);
        QCOMPARE(first->geometry(), moved);
        first->setGeometry(placed);
        h.Frame().SaveState();
        kept = h.settings;
    }
    AppHarness again;
    again.settings = kept;
    again.Start();
    QVERIFY(again.Maps());
    QTRY_COMPARE(again.Maps()->geometry(), placed);
}

QTEST_MAIN(PlacementTest)
#include "PlacementTest.moc"
