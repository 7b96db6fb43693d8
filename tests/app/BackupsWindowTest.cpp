// Backups and the read-back after WRITE in the window program: the commands, the settings that
// keep them, the "Backups..." list, and WRITE against the simulated module.
#include <QtTest>

#include <QStatusBar>
#include <QTimer>
#include <QTreeWidget>

#include "app/CBackupsDlg.h"
#include "app/CommandTable.h"
#include "documents/CCorvaneMapsDoc.h"
#include "link/CModuleBackup.h"
#include "link/ModuleBackups.h"
#include "link/WriteVerification.h"
#include "maps/CModuleMap.h"
#include "sim/ModuleEmulator.h"
#include "sim/SimTransport.h"
#include "support/AppHarness.h"

using namespace corvane;
using namespace corvane::test;

namespace {

// A saved document, linked by a READ, ready for WRITE.
CChildFrmMaps* LinkedSavedDocument(AppHarness& h) {
    CChildFrmMaps* maps = h.Maps();
    if (!maps->Document().Save(h.Path("tune.crv").toStdString())) return nullptr;
    h.Frame().RunCommand(cmd::kRead);
    maps->Document().SetModifiedFlag(false);
    h.prompter.shown.clear();
    h.prompter.progressTexts.clear();
    return maps;
}

bool Contains(const std::vector<std::string>& texts, const std::string& text) {
    return std::find(texts.begin(), texts.end(), text) != texts.end();
}

}  // namespace

class BackupsWindowTest : public QObject {
    Q_OBJECT
private slots:
    void commandsAreOnByDefaultAndTheirSettingsAreKept();
    void writeBacksUpTheModuleThenVerifies();
    void aMismatchNamesTheMapAndOffersToWriteAgain();
    void backupsListOpensOneAsANewDocument();
};

void BackupsWindowTest::commandsAreOnByDefaultAndTheirSettingsAreKept() {
    MemorySettingsStore kept;
    {
        AppHarness h;
        h.Start();
        QVERIFY(h.Frame().Action(cmd::kBackUpBeforeWrite)->isChecked());
        QVERIFY(h.Frame().Action(cmd::kVerifyAfterWrite)->isChecked());
        QCOMPARE(h.Frame().Action(cmd::kBackups)->text(), QString("Backups..."));
        h.Frame().RunCommand(cmd::kBackUpBeforeWrite);
        h.Frame().RunCommand(cmd::kVerifyAfterWrite);
        QVERIFY(!h.Frame().Action(cmd::kBackUpBeforeWrite)->isChecked());
        QVERIFY(!h.app->VerifyAfterWrite());
        QCOMPARE(h.settings.GetInt("Settings", "BackUpBeforeWrite").value_or(-1), 0);
        kept = h.settings;
    }
    AppHarness again;
    again.settings = kept;
    again.Start();
    QVERIFY(!again.Frame().Action(cmd::kBackUpBeforeWrite)->isChecked());
    QVERIFY(!again.app->BackUpBeforeWrite());
    QVERIFY(!again.Frame().Action(cmd::kVerifyAfterWrite)->isChecked());
}

void BackupsWindowTest::writeBacksUpTheModuleThenVerifies() {
    AppHarness h;
    h.Start();
    QVERIFY(LinkedSavedDocument(h));
    h.Frame().RunCommand(cmd::kWrite);
    const auto list = h.app->Backups().List();
    QCOMPARE(list.size(), std::size_t{1});
    QCOMPARE(list[0].reason, BackupReason::kBeforeWrite);
    // In the application data folder, each long step under its own progress box.
    QVERIFY(QString::fromStdString(list[0].path).startsWith(h.dir.filePath("userdata/backups")));
    const std::vector<std::string> steps{CModuleBackup::kReadingText, "Writing module maps and settings...",
                                         WriteVerification::kProgressText};
    QCOMPARE(h.prompter.progressTexts, steps);
    QVERIFY(!h.prompter.progressOpen);
    QCOMPARE(h.prompter.shown.size(), std::size_t{1});  // only the WRITE question
    // Where the tuner looks after it: what guarded the WRITE, in the status bar.
    const QString status = h.Frame().statusBar()->currentMessage();
    QVERIFY2(status.startsWith("WRITE done; module backed up to ") && status.contains("; verified ") &&
                 status.endsWith(": all read back as written."),
             qPrintable(status));
    // "Verified" is not read as covering the maps WRITE leaves to the module.
    QVERIFY2(status.contains("; not sent by WRITE: Head Temperature Sensor Calibration (0xC000-0xC7FF), "), qPrintable(status));
}

void BackupsWindowTest::aMismatchNamesTheMapAndOffersToWriteAgain() {
    AppHarness h;
    h.Start();
    CChildFrmMaps* maps = LinkedSavedDocument(h);
    QVERIFY(maps && h.simulated);
    h.Frame().RunCommand(cmd::kBackUpBeforeWrite);  // not needed here
    CModuleMap* crank = maps->Document().GetMap(maps->Document().FindMap("CrankMap"));
    const auto cell = static_cast<std::uint16_t>(crank->GetStartAddress() + 5 * crank->GetBytesPerPoint());
    h.simulated.load()->Peer().WithEmulator([cell](sim::ModuleEmulator& e) { e.ArmFlakyWrite(cell, -1); });

    // Yes to WRITE, Yes to "WRITE again?" once (the cell is bad for good), then No.
    h.prompter.answers = {Prompter::Answer::Yes, Prompter::Answer::Yes, Prompter::Answer::No};
    h.Frame().RunCommand(cmd::kWrite);
    QCOMPARE(h.prompter.shown.size(), std::size_t{3});
    const auto& question = h.prompter.shown.back();
    QCOMPARE(question.title, std::string(WriteVerification::kTitle));
    QCOMPARE(question.buttons, Prompter::Buttons::YesNo);
    QVERIFY(question.text.find("Map: " + crank->GetTitle() + " (CrankMap), point 5") != std::string::npos);
    QVERIFY(question.text.find("WRITE again?") != std::string::npos);
    QVERIFY(!crank->IsPointInSync(5));
    QVERIFY(crank->IsPointInSync(4));
    QVERIFY(h.app->Backups().List().empty());
    // The status bar never says done or verified for a module that does not hold the tune.
    const QString status = h.Frame().statusBar()->currentMessage();
    QVERIFY2(status.startsWith("WRITE FAILED") && status.contains("; NOT verified: 1 byte differs in ") &&
                 !status.contains("; verified"),
             qPrintable(status));
}

void BackupsWindowTest::backupsListOpensOneAsANewDocument() {
    AppHarness h;
    h.Start();
    QVERIFY(LinkedSavedDocument(h));
    h.Frame().RunCommand(cmd::kWrite);
    QCOMPARE(h.app->Backups().List().size(), std::size_t{1});
    {
        CBackupsDlg dialog(h.app->Backups(), &h.Frame());
        QCOMPARE(dialog.List()->topLevelItemCount(), 1);
        QCOMPARE(dialog.List()->topLevelItem(0)->text(1), QString("before WRITE"));
    }

    const int before = h.Frame().MapsFrames().size();
    QTimer::singleShot(0, [] {
        if (auto* dialog = qobject_cast<CBackupsDlg*>(QApplication::activeModalWidget())) dialog->OpenRow(0);
    });
    h.prompter.shown.clear();
    h.Frame().RunCommand(cmd::kBackups);
    QVERIFY(h.prompter.shown.empty());
    QCOMPARE(h.Frame().MapsFrames().size(), before + 1);
    CChildFrmMaps* opened = h.Frame().ActiveMapsFrame();
    QVERIFY(opened);
    QVERIFY(opened->DocumentTitle().startsWith("Backup "));
    // A save asks where: the backup file itself is never the document's file.
    QVERIFY(opened->Document().GetPathName().empty());
    QVERIFY(opened->Document().IsModified());
}

QTEST_MAIN(BackupsWindowTest)
#include "BackupsWindowTest.moc"
