// Start-up, settings kept between runs, recent files and the command line.
#include <QtTest>

#include "app/CChildFrame.h"
#include "app/CommandTable.h"
#include "documents/CCorvaneMapsDoc.h"
#include "link/CLinkController.h"
#include "support/AppHarness.h"
#include "views/CMapsView.h"
#include "views/CPPageTuningMapSelector.h"

using namespace corvane;
using namespace corvane::test;

class AppStartupTest : public QObject {
    Q_OBJECT
private slots:
    void emptySettingsGiveDefaults();
    void targetAfrAndPlacementAreWrittenBackOnClose();
    void lastFileIsReopenedAndRecentListKeepsFour();
    void commandLineFileAndPortHoldForOneRun();
    void rejectedFileLeavesNoDocumentAndLeavesTheList();
};

void AppStartupTest::emptySettingsGiveDefaults() {
    AppHarness h;
    h.Start({}, false);
    QCOMPARE(h.app->Link().CurrentPort(), std::string("Com 1"));
    QCOMPARE(h.app->State().targetAfr, 13.1);
    QVERIFY(h.Maps() != nullptr);
    QVERIFY(h.app->MonitorFrame() != nullptr);
    QCOMPARE(h.Maps()->DocumentTitle(), QString("Corvane1"));
    QVERIFY(!h.Maps()->Document().IsModified());
    // Start-up runs the tracking command once: it starts checked.
    QVERIFY(h.app->State().autoTuneTracking);
    QVERIFY(h.Frame().Action(cmd::kAutoTuneTracking)->isChecked());
    QVERIFY(h.Frame().Action(cmd::ComPortCommand(1))->isChecked());
    QVERIFY(h.Frame().windowTitle().startsWith("CorvaneIII  | "));
    QVERIFY(h.Frame().windowTitle().contains(" |   - Corvane1"));
}

void AppStartupTest::targetAfrAndPlacementAreWrittenBackOnClose() {
    AppHarness h;
    h.Start();
    h.app->State().targetAfr = 13.25;
    h.Frame().setGeometry(40, 50, 900, 700);
    QVERIFY(h.Frame().close());
    QCOMPARE(h.settings.GetText("AFR", "Target"), std::optional<std::string>("13.25"));
    QCOMPARE(h.settings.GetInt("WindowPlacement", "Right").value() - h.settings.GetInt("WindowPlacement", "Left").value(), 900);
    QVERIFY(h.settings.GetBinary("ToolBarStates", "State").has_value());

    // The next run takes them back.
    AppHarness next;
    next.settings = h.settings;
    next.Start();
    QCOMPARE(next.app->State().targetAfr, 13.25);
    QCOMPARE(next.Frame().geometry().width(), 900);
}

void AppStartupTest::lastFileIsReopenedAndRecentListKeepsFour() {
    AppHarness h;
    h.Start();
    QStringList paths;
    for (int i = 0; i < 5; ++i) {
        paths << h.Path(QString("tune%1.crv").arg(i));
        QVERIFY(h.Maps()->Document().Save(paths.last().toStdString()));
        h.app->AddRecentFile(paths.last());
    }
    QCOMPARE(h.app->RecentFiles().size(), 4);
    QCOMPARE(h.app->RecentFiles().first(), paths.last());
    QVERIFY(!h.app->RecentFiles().contains(paths.first()));

    // The map the tuner looked at last.
    const int shown = h.Maps()->Document().FindMap("Stoichiometric2816Map");
    h.Frame().Selector().SelectNumber(shown);
    QCOMPARE(h.Maps()->CurrentMapsView()->MapIndex(), shown);

    AppHarness next;
    next.settings = h.settings;
    next.Start();
    QVERIFY(next.Maps());
    QCOMPARE(next.Maps()->DocumentTitle(), QString("tune4.crv"));
    // ... is the one the reopened file shows, not its first.
    QCOMPARE(next.Maps()->CurrentMapsView()->MapIndex(), shown);
    QCOMPARE(next.app->State().targetEngineSpeed, 2560);

    // A last file that is gone is dropped without a word, and a new document opens instead.
    QFile::remove(paths.last());
    AppHarness third;
    third.settings = h.settings;
    third.Start();
    QCOMPARE(third.Maps()->DocumentTitle(), QString("Corvane1"));
    QVERIFY(third.prompter.shown.empty());
    QVERIFY(!third.app->RecentFiles().contains(paths.last()));
}

void AppStartupTest::commandLineFileAndPortHoldForOneRun() {
    AppHarness h;
    h.Start();
    const QString file = h.Path("named.crv");
    QVERIFY(h.Maps()->Document().Save(file.toStdString()));
    h.settings.SetInt("Settings", "Port", 4);

    AppHarness next;
    next.settings = h.settings;
    AppOptions options;
    options.file = file;
    options.port = "/dev/ttyUSB7";
    next.Start(options);
    QCOMPARE(next.Maps()->DocumentTitle(), QString("named.crv"));
    QCOMPARE(next.app->Link().CurrentPort(), std::string("/dev/ttyUSB7"));
    QCOMPARE(next.settings.GetInt("Settings", "Port"), std::optional<int>(4));  // not kept
    QVERIFY(next.Frame().StatusText().contains("/dev/ttyUSB7"));
}

void AppStartupTest::rejectedFileLeavesNoDocumentAndLeavesTheList() {
    AppHarness h;
    h.Start();
    const QString corrupt = h.Path("corrupt.crv");
    {
        QFile f(corrupt);
        QVERIFY(f.open(QIODevice::WriteOnly));
        // Version 12, product code 1, then the file ends where the map count should be.
        f.write(QByteArray("\x0c\x00\x00\x00\x01\x00\x00\x00\x05", 9));
    }
    const QString wrong = h.Path("wrong.crv");
    {
        AppState familyB;
        familyB.productCode = 2;
        CCorvaneMapsDoc doc(familyB);
        QVERIFY(doc.Save(wrong.toStdString()));
    }
    const int windows = static_cast<int>(h.Frame().MdiArea()->subWindowList().size());
    h.app->AddRecentFile(corrupt);
    QVERIFY(h.app->OpenDocumentFile(corrupt) == nullptr);
    QVERIFY(h.app->OpenDocumentFile(wrong) == nullptr);
    QCOMPARE(h.prompter.Texts(), (std::vector<std::string>{"Aborting File Load: DataFile corrupt OR incompatible version.",
                                              "This Product CANNOT read this file.  Wrong Product Code."}));
    QCOMPARE(static_cast<int>(h.Frame().MdiArea()->subWindowList().size()), windows);
    QVERIFY(!h.app->RecentFiles().contains(corrupt));
}

QTEST_MAIN(AppStartupTest)
#include "AppStartupTest.moc"
