// The About box: program, version, build date and the linked module's firmware version.
#include <QtTest>

#include <QLabel>

#include "app/CAboutDlg.h"
#include "app/CommandTable.h"
#include "support/AppHarness.h"

using namespace corvane;
using namespace corvane::test;

class AboutBoxTest : public QObject {
    Q_OBJECT
private slots:
    void firmwareVersionInUpperCaseHex();
    void shownFromTheHelpMenu();
};

void AboutBoxTest::firmwareVersionInUpperCaseHex() {
    AppState state;
    QCOMPARE(CAboutDlg::FirmwareText(state), QString("Firmware Version: N/A"));
    state.moduleLinked = true;
    state.moduleFirmwareVersion = 42;
    QCOMPARE(CAboutDlg::FirmwareText(state), QString("Firmware Version: 0x2A"));
    state.moduleFirmwareVersion = 0xAB;
    QCOMPARE(CAboutDlg::FirmwareText(state), QString("Firmware Version: 0xAB"));
    // A version byte that could not be read is no version.
    state.moduleFirmwareVersion = 0;
    QCOMPARE(CAboutDlg::FirmwareText(state), QString("Firmware Version: N/A"));
    // A version left behind by an operation that did not link is not claimed.
    state.moduleLinked = false;
    state.moduleFirmwareVersion = 42;
    QCOMPARE(CAboutDlg::FirmwareText(state), QString("Firmware Version: N/A"));
}

void AboutBoxTest::shownFromTheHelpMenu() {
    AppHarness h;
    h.Start();
    h.Frame().RunCommand(cmd::kToggleLink);
    QVERIFY(h.app->State().moduleLinked);
    QString shown, title;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<CAboutDlg*>(QApplication::activeModalWidget());
        QVERIFY(dialog);
        title = dialog->windowTitle();
        shown = dialog->findChild<QLabel*>("AboutText")->text();
        dialog->accept();
    });
    h.Frame().RunCommand(cmd::kAppAbout);
    QCOMPARE(title, QString("About corvane"));
    QVERIFY2(shown.contains("Firmware Version: 0x52"), qPrintable(shown));
    QVERIFY(shown.contains("Version " + CAboutDlg::ProgramVersion()));
    QVERIFY(QDate::fromString(CAboutDlg::BuildDate(), Qt::ISODate).isValid());
    QVERIFY(shown.contains(CAboutDlg::BuildDate()));
    QVERIFY(shown.contains(h.app->ModuleTypeDescription()));
}

QTEST_MAIN(AboutBoxTest)
#include "AboutBoxTest.moc"
