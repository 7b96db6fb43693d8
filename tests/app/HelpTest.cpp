// Help ▸ Help Topics and context help: the guide in its window with its screenshots, opened at
// the section about the window under the pointer (Shift+F1) or clicked after "?"; a guide that
// is missing is reported, not shown empty.
#include <QtTest>

#include <QFile>
#include <QListWidget>
#include <QRegularExpression>
#include <QStatusBar>
#include <QTextBrowser>
#include <QPushButton>
#include <QTextBlock>
#include <QTreeWidget>

#include "app/CHelpWindow.h"
#include "app/CMainFrame.h"
#include "app/CommandTable.h"
#include "maps/CModuleMap.h"
#include "support/AppHarness.h"
#include "views/CCorvaneBasicSettingsView.h"
#include "views/CMapsView.h"
#include "views/CPPageTuningMapSelector.h"

using namespace corvane;
using namespace corvane::test;

namespace {

const QString kGuide = QStringLiteral(CORVANE_DOCS_DIR "/guide.md");

// A data folder holding what the program finds beside itself: the EGO table and the guide.
struct DataWithGuide {
    QTemporaryDir dir;
    DataWithGuide() {
        QDir(dir.path()).mkpath("guide");
        QFile::copy(QStringLiteral(CORVANE_DATA_DIR "/EgoSensorTable.txt"), dir.filePath("EgoSensorTable.txt"));
        QFile::copy(kGuide, dir.filePath("guide/guide.md"));
    }
};

// The guide's section headings, read from the Markdown itself.
QStringList HeadingsOfGuide() {
    QFile file(kGuide);
    if (!file.open(QIODevice::ReadOnly)) return {};
    QStringList headings;
    for (const QString& line : QString::fromUtf8(file.readAll()).split('\n'))
        if (line.startsWith("## ")) headings << line.mid(3).trimmed();
    return headings;
}

}  // namespace

class HelpTest : public QObject {
    Q_OBJECT
private slots:
    void theGuideShowsWithItsSectionsAndScreenshots();
    void everyWindowsSectionIsInTheGuide();
    void helpTopicsAndShiftF1OpenTheGuideAtTheWindowsSection();
    void theQuestionMarkButtonWaitsForAClickAndEscGivesUp();
    void aMissingGuideIsReported();
};

void HelpTest::theGuideShowsWithItsSectionsAndScreenshots() {
    CHelpWindow help;
    QVERIFY(help.Open(kGuide));
    QCOMPARE(help.Sections(), HeadingsOfGuide());
    QVERIFY(help.Sections().size() >= 15);
    help.resize(1000, 760);
    help.show();
    QVERIFY(QTest::qWaitForWindowExposed(&help));
    QVERIFY(help.ShowSection("AutoTune"));
    QCOMPARE(help.CurrentSection(), QString("AutoTune"));
    QVERIFY(!help.ShowSection("No such section"));
    // Every screenshot the guide names is found beside it and loads.
    QTextDocument* doc = help.Browser()->document();
    int images = 0;
    for (QTextBlock b = doc->begin(); b.isValid(); b = b.next())
        for (auto it = b.begin(); !it.atEnd(); ++it)
            if (it.fragment().charFormat().isImageFormat()) {
                const QString name = it.fragment().charFormat().toImageFormat().name();
                QVERIFY2(QFile::exists(QStringLiteral(CORVANE_DOCS_DIR "/") + name), qPrintable(name));
                ++images;
            }
    QVERIFY(images >= 10);
    // A click on a section in the contents shows it.
    auto* contents = help.findChild<QListWidget*>("HelpContents");
    contents->setCurrentItem(contents->findItems("Printing and PDF", Qt::MatchExactly).first());
    QCOMPARE(help.CurrentSection(), QString("Printing and PDF"));
}

void HelpTest::everyWindowsSectionIsInTheGuide() {
    const QStringList headings = HeadingsOfGuide();
    for (const QString& section : CHelpWindow::ContextSections())
        QVERIFY2(headings.contains(section), qPrintable(section));
    QCOMPARE(CHelpWindow::SectionFor(nullptr), QString(CHelpWindow::kFirstSection));
}

void HelpTest::helpTopicsAndShiftF1OpenTheGuideAtTheWindowsSection() {
    DataWithGuide data;
    AppHarness h;
    AppOptions options;
    options.programFolder = data.dir.path();
    h.Start(options);
    QVERIFY(h.Frame().Action(cmd::kHelpTopics)->isEnabled());
    QVERIFY(h.Frame().Action(cmd::kContextHelp)->isEnabled());
    h.Frame().RunCommand(cmd::kHelpTopics);
    CHelpWindow* help = h.Frame().HelpWindow();
    QVERIFY(help && help->isVisible());
    QCOMPARE(help->GuidePath(), QFileInfo(data.dir.filePath("guide/guide.md")).absoluteFilePath());

    // The section of the window asked about: the maps view, its trims, the settings, the tree.
    CChildFrmMaps* maps = h.Maps();
    h.Frame().ContextHelpFor(maps->CurrentMapsView());
    QCOMPARE(help->CurrentSection(), QString("The maps view"));
    maps->ShowView(CChildFrmMaps::ViewKind::kAdvancedUserMaps, 3);
    h.Frame().ContextHelpFor(maps->CurrentMapsView());
    QCOMPARE(help->CurrentSection(), QString("The advanced user maps view"));
    maps->ShowView(CChildFrmMaps::ViewKind::kBasicSettings);
    h.Frame().ContextHelpFor(maps->BasicSettingsView()->SettingButton(kRevLimit));
    QCOMPARE(help->CurrentSection(), QString("Basic settings"));
    h.Frame().ContextHelpFor(h.Frame().Selector().Tree()->viewport());
    QCOMPARE(help->CurrentSection(), QString("The main window"));
    h.Frame().ContextHelpFor(h.Frame().statusBar());
    QCOMPARE(help->CurrentSection(), QString("The main window"));
    // One window, brought forward each time.
    QCOMPARE(h.Frame().findChildren<CHelpWindow*>().size(), 1);
    QVERIFY(h.prompter.shown.empty());
}

void HelpTest::theQuestionMarkButtonWaitsForAClickAndEscGivesUp() {
    DataWithGuide data;
    AppHarness h;
    AppOptions options;
    options.programFolder = data.dir.path();
    h.Start(options);
    h.Frame().show();
    QVERIFY(QTest::qWaitForWindowExposed(&h.Frame()));
    CMapsView* view = h.Maps()->CurrentMapsView();
    const int before = view->ShownMap()->GetPointModuleValue(0);

    h.Frame().StartHelpPick();
    QVERIFY(h.Frame().PickingHelp());
    // The click chooses the window and does nothing else there.
    QTest::mouseClick(view, Qt::LeftButton, {}, view->PointPixel(0));
    QVERIFY(!h.Frame().PickingHelp());
    QVERIFY(h.Frame().HelpWindow());
    QCOMPARE(h.Frame().HelpWindow()->CurrentSection(), QString("The maps view"));
    QCOMPARE(view->ShownMap()->GetPointModuleValue(0), before);
    QVERIFY(QApplication::overrideCursor() == nullptr);

    // Esc gives up: no help, the next click is an ordinary one.
    h.Frame().HelpWindow()->hide();
    h.Frame().StartHelpPick();
    QVERIFY(QApplication::overrideCursor() != nullptr);
    QTest::keyClick(view, Qt::Key_Escape);
    QVERIFY(!h.Frame().PickingHelp());
    QVERIFY(QApplication::overrideCursor() == nullptr);
    QVERIFY(!h.Frame().HelpWindow()->isVisible());
}

void HelpTest::aMissingGuideIsReported() {
    QTemporaryDir empty;
    QFile::copy(QStringLiteral(CORVANE_DATA_DIR "/EgoSensorTable.txt"), empty.filePath("EgoSensorTable.txt"));
    AppHarness h;
    AppOptions options;
    options.programFolder = empty.path();
    h.Start(options);
    h.Frame().RunCommand(cmd::kHelpTopics);
    QVERIFY(!h.Frame().HelpWindow());
    QCOMPARE(h.prompter.shown.size(), std::size_t(1));
    QVERIFY(h.prompter.shown[0].text.find("The user guide cannot be found") != std::string::npos);
}

QTEST_MAIN(HelpTest)
#include "HelpTest.moc"
