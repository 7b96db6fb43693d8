// Opening, reloading, saving and closing map documents through the window commands.
#include <QtTest>

#include <QDir>
#include <QFile>

#include "app/CommandTable.h"
#include "documents/CCorvaneMapsDoc.h"
#include "link/CModuleBackup.h"
#include "link/ModuleBackups.h"
#include "maps/CModuleMap.h"
#include "support/AppHarness.h"

using namespace corvane;
using namespace corvane::test;

namespace {

// An edit as a user makes it: the first point of the first map one step up.
void Edit(CChildFrmMaps& frame) {
    frame.Document().GetMap(0)->StepPointByModuleUnits(0, 1);
    frame.Document().SetModifiedFlag();
}

}  // namespace

class DocumentsTest : public QObject {
    Q_OBJECT
private slots:
    void reloadPromptIgnoresCaseAndNoKeepsTheDocument();
    void closingAModifiedDocumentAsks();
    void quittingAsksForEachModifiedDocument();
    void saveOfANewDocumentAsksForAName();
    void fileOpenGivesEveryPointItsMargins();
    void aCloseWhoseSaveDidNotHappenKeepsTheWindow();
    void aReloadWhoseBackupFailedKeepsTheEditsWhenTheUserSaysSo();
};

void DocumentsTest::reloadPromptIgnoresCaseAndNoKeepsTheDocument() {
    AppHarness h;
    h.Start();
    const QString path = h.Path("Tune.crv");
    QVERIFY(h.Maps()->Document().Save(path.toStdString()));
    CChildFrmMaps* first = h.app->OpenDocumentFile(path);
    QVERIFY(first);
    const int saved = first->Document().GetMap(0)->GetPointModuleValue(0);
    Edit(*first);
    const int before = first->Document().GetMap(0)->GetPointModuleValue(0);

    QString otherCase = path;
    otherCase.replace("Tune.crv", "TUNE.CRV");
    h.prompter.answers = {Prompter::Answer::No};
    QVERIFY(h.app->OpenDocumentFile(otherCase) == nullptr);
    // The open copy holds edits: the question says they will be lost.
    QCOMPARE(h.prompter.shown.back().text, (otherCase + "\nalready open.  Do you wish to RELOAD it?").toStdString() +
                                               CCorvaneApp::kReloadLosesEdits);
    QCOMPARE(h.prompter.shown.back().title, std::string("Document Exists"));
    QCOMPARE(first->Document().GetMap(0)->GetPointModuleValue(0), before);
    QVERIFY(h.Frame().MapsFrames().contains(first));

    // Yes: the file is read again and replaces the open copy, without a save question.
    h.prompter.answers = {Prompter::Answer::Yes};
    const auto shownBefore = h.prompter.shown.size();
    QPointer<CChildFrmMaps> old(first);
    CChildFrmMaps* reloaded = h.app->OpenDocumentFile(path);
    QVERIFY(reloaded);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(old.isNull());
    QCOMPARE(h.prompter.shown.size(), shownBefore + 1);
    QVERIFY(before != saved);
    QCOMPARE(reloaded->Document().GetMap(0)->GetPointModuleValue(0), saved);
    // The discarded edits are in the backups list, as a whole map file.
    const auto backups = h.app->Backup().Files().List();
    QCOMPARE(backups.size(), std::size_t{1});
    QVERIFY(backups.front().reason == BackupReason::kBeforeReload);
    AppState state;
    auto copy = CCorvaneMapsDoc::Open(backups.front().path, state);
    QVERIFY(copy.document);
    QCOMPARE(copy.document->GetMap(0)->GetPointModuleValue(0), before);

    // Without edits the question is the plain one, and no backup is made.
    h.prompter.answers = {Prompter::Answer::Yes};
    QVERIFY(h.app->OpenDocumentFile(path));
    QCOMPARE(h.prompter.shown.back().text, (path + "\nalready open.  Do you wish to RELOAD it?").toStdString());
    QCOMPARE(h.app->Backup().Files().List().size(), std::size_t{1});
}

void DocumentsTest::closingAModifiedDocumentAsks() {
    AppHarness h;
    h.Start();
    QPointer<CChildFrmMaps> frame(h.Maps());
    Edit(*frame);

    h.prompter.answers = {Prompter::Answer::Cancel};
    h.Frame().RunCommand(cmd::kFileClose);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!frame.isNull());
    QCOMPARE(h.prompter.shown.back().text, std::string("Save changes to Corvane1?"));
    QCOMPARE(h.prompter.shown.back().buttons, Prompter::Buttons::SaveDiscardCancel);

    h.prompter.answers = {Prompter::Answer::No};  // Discard
    h.Frame().RunCommand(cmd::kFileClose);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(frame.isNull());

    // An unmodified document closes without a question.
    CChildFrmMaps* clean = h.app->FileNew();
    const auto asked = h.prompter.shown.size();
    QPointer<CChildFrmMaps> cleanPtr(clean);
    h.Frame().MdiArea()->setActiveSubWindow(clean);
    h.Frame().RunCommand(cmd::kFileClose);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(cleanPtr.isNull());
    QCOMPARE(h.prompter.shown.size(), asked);
}

void DocumentsTest::quittingAsksForEachModifiedDocument() {
    AppHarness h;
    h.Start();
    CChildFrmMaps* a = h.Maps();
    CChildFrmMaps* b = h.app->FileNew();
    Edit(*a);
    Edit(*b);
    // Cancel on the second keeps the program running with both documents.
    h.prompter.answers = {Prompter::Answer::No, Prompter::Answer::Cancel};
    QVERIFY(!h.Frame().close());
    QCOMPARE(h.Frame().MapsFrames().size(), 2);

    // Save on both: the untitled documents are saved under the names picked.
    h.prompter.answers = {Prompter::Answer::Yes, Prompter::Answer::Yes};
    h.prompter.saveFile = h.Path("quit.crv").toStdString();
    QVERIFY(h.Frame().close());
    QVERIFY(QFile::exists(h.Path("quit.crv")));
}

void DocumentsTest::saveOfANewDocumentAsksForAName() {
    AppHarness h;
    h.Start();
    Edit(*h.Maps());
    h.prompter.saveFile = std::nullopt;  // the user cancels the file dialog
    h.Frame().RunCommand(cmd::kFileSave);
    QVERIFY(h.Maps()->Document().IsModified());

    h.prompter.saveFile = h.Path("named.crv").toStdString();
    h.Frame().RunCommand(cmd::kFileSave);
    QVERIFY(!h.Maps()->Document().IsModified());
    QCOMPARE(h.Maps()->DocumentTitle(), QString("named.crv"));
    QCOMPARE(h.app->RecentFiles().first(), h.Path("named.crv"));
    QVERIFY(!h.Frame().isWindowModified());

    // A folder that cannot be written to says so and keeps the document modified.
    Edit(*h.Maps());
    h.prompter.saveFile = "/proc/no/such/folder/x.crv";
    h.Frame().RunCommand(cmd::kFileSaveAs);
    QVERIFY(h.Maps()->Document().IsModified());
    QVERIFY(h.prompter.shown.back().text.find("could not be saved") != std::string::npos);
}

void DocumentsTest::fileOpenGivesEveryPointItsMargins() {
    AppHarness h;
    h.Start();
    const QString path = h.Path("margins.crv");
    QVERIFY(h.Maps()->Document().Save(path.toStdString()));
    h.prompter.openFile = path.toStdString();
    h.Frame().RunCommand(cmd::kFileOpen);
    CChildFrmMaps* opened = h.Maps();
    QCOMPARE(opened->DocumentTitle(), QString("margins.crv"));
    for (int m = 0; m < opened->Document().GetBasicMapCount(); ++m) {
        CModuleMap* map = opened->Document().GetMap(m);
        const auto* point = map->GetMapPoint(map->GetNumberOfPoints() - 1);
        QVERIFY(point);
        QCOMPARE(point->GetValue().GetLowerMargin(), map->GetLowerMargin().y);
        QCOMPARE(point->GetValue().GetUpperMargin(), map->GetUpperMargin().y);
    }
}

void DocumentsTest::aCloseWhoseSaveDidNotHappenKeepsTheWindow() {
    AppHarness h;
    h.Start();
    QPointer<CChildFrmMaps> frame(h.Maps());
    Edit(*frame);
    const int edited = frame->Document().GetMap(0)->GetPointModuleValue(0);
    // Save, then Cancel in the file dialog: the window and its edits stay.
    h.prompter.answers = {Prompter::Answer::Yes};
    h.prompter.saveFile = std::nullopt;
    h.Frame().RunCommand(cmd::kFileClose);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!frame.isNull());
    QVERIFY(frame->Document().IsModified());
    // Save to a place that cannot be written: the same.
    h.prompter.answers = {Prompter::Answer::Yes};
    h.prompter.saveFile = "/proc/no/such/folder/x.crv";
    h.Frame().RunCommand(cmd::kFileClose);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!frame.isNull());
    QCOMPARE(frame->Document().GetMap(0)->GetPointModuleValue(0), edited);
    // And quitting the program does not go past it either.
    h.prompter.answers = {Prompter::Answer::Yes};
    h.prompter.saveFile = std::nullopt;
    QVERIFY(!h.Frame().close());
    QVERIFY(!frame.isNull());
}

void DocumentsTest::aReloadWhoseBackupFailedKeepsTheEditsWhenTheUserSaysSo() {
    AppHarness h;
    h.Start();
    const QString path = h.Path("Tune.crv");
    QVERIFY(h.Maps()->Document().Save(path.toStdString()));
    CChildFrmMaps* open = h.app->OpenDocumentFile(path);
    QVERIFY(open);
    Edit(*open);
    const int edited = open->Document().GetMap(0)->GetPointModuleValue(0);
    // The backups folder cannot be made: a file stands where it would be.
    QDir(h.Path("userdata/backups")).removeRecursively();
    QDir().mkpath(h.Path("userdata"));
    QFile blocker(h.Path("userdata/backups"));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    // Yes to RELOAD, No to going on without a backup.
    h.prompter.answers = {Prompter::Answer::Yes, Prompter::Answer::No};
    QPointer<CChildFrmMaps> kept(open);
    QVERIFY(h.app->OpenDocumentFile(path) == nullptr);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!kept.isNull());
    QCOMPARE(kept->Document().GetMap(0)->GetPointModuleValue(0), edited);
    QVERIFY(kept->Document().IsModified());
    QVERIFY(h.prompter.shown.back().text.find("WITHOUT a backup?") != std::string::npos);
}

QTEST_MAIN(DocumentsTest)
#include "DocumentsTest.moc"
