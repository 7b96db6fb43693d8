// File ▸ Print's pages as Export PDF writes them: the view in front decides what is printed
// (the shown map, the basic settings, the warranty record, a table), a cancelled file choice
// writes nothing, and a window with nothing to print says so.
#include <QtTest>

#include <QFile>

#include "app/CChildFrame.h"
#include "app/CMainFrame.h"
#include "app/CommandTable.h"
#include "app/TunePrinter.h"
#include "documents/CCorvaneMapsDoc.h"
#include "support/AppHarness.h"
#include "views/CMapsView.h"

using namespace corvane;
using namespace corvane::test;

namespace {

// The pages of a PDF file, counted from its page objects.
int PdfPages(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return -1;
    const QByteArray bytes = file.readAll();
    if (!bytes.startsWith("%PDF-")) return -1;
    int pages = 0;
    for (qsizetype at = bytes.indexOf("/Type /Page"); at >= 0; at = bytes.indexOf("/Type /Page", at + 1))
        if (bytes.mid(at + 11, 1) != "s") ++pages;
    return pages;
}

QString Export(AppHarness& h, const QString& name) {
    const QString path = h.Path(name);
    h.prompter.saveFile = path.toStdString();
    h.Frame().RunCommand(cmd::kExportPdf);
    return path;
}

}  // namespace

class PrintTest : public QObject {
    Q_OBJECT
private slots:
    void theShownMapIsExportedAsOnePage();
    void settingsWarrantyAndTablePrintWhatTheirViewsShow();
    void aCancelledOrImpossibleFileWritesNothing();
    void aWindowWithNothingToPrintSaysSo();
};

void PrintTest::theShownMapIsExportedAsOnePage() {
    AppHarness h;
    h.Start();
    CChildFrmMaps* maps = h.Maps();
    const int index = maps->Document().FindMap("Stoichiometric2048Map");
    maps->ShowView(CChildFrmMaps::ViewKind::kMaps, index);
    QVERIFY(h.Frame().Action(cmd::kFilePrint)->isEnabled());
    QVERIFY(h.Frame().Action(cmd::kExportPdf)->isEnabled());
    TunePrinter printer(*maps, 0, h.settings);
    QCOMPARE(printer.WhatIsPrinted(), TunePrinter::Subject::kMap);
    QCOMPARE(printer.Title().toStdString(), maps->Document().MapTitle(index));
    const QString pdf = Export(h, "map.pdf");
    QCOMPARE(PdfPages(pdf), 1);
    QVERIFY(QFileInfo(pdf).size() > 20000);  // the graph and 64 rows, not an empty page
    QVERIFY(h.prompter.shown.empty());
    // Printing changes nothing in the document.
    QVERIFY(!maps->Document().IsModified());
    QCOMPARE(maps->CurrentMapsView()->MapIndex(), index);
}

void PrintTest::settingsWarrantyAndTablePrintWhatTheirViewsShow() {
    AppHarness h;
    AppOptions options;
    options.productCode = 2;  // family B keeps a warranty record
    h.Start(options);
    CChildFrmMaps* maps = h.Maps();
    maps->ShowView(CChildFrmMaps::ViewKind::kBasicSettings);
    QCOMPARE(TunePrinter(*maps, 0, h.settings).WhatIsPrinted(), TunePrinter::Subject::kSettings);
    QCOMPARE(PdfPages(Export(h, "settings.pdf")), 1);
    maps->ShowView(CChildFrmMaps::ViewKind::kWarranty);
    QCOMPARE(TunePrinter(*maps, 0, h.settings).WhatIsPrinted(), TunePrinter::Subject::kWarranty);
    QCOMPARE(PdfPages(Export(h, "warranty.pdf")), 1);
    QVERIFY(maps->ShowTable("timing"));  // the family-B timing rows
    QCOMPARE(TunePrinter(*maps, 0, h.settings).WhatIsPrinted(), TunePrinter::Subject::kTable);
    QVERIFY(TunePrinter(*maps, 0, h.settings).Title().endsWith(" table"));
    QCOMPARE(PdfPages(Export(h, "table.pdf")), 1);
    QVERIFY(h.prompter.shown.empty());
}

void PrintTest::aCancelledOrImpossibleFileWritesNothing() {
    AppHarness h;
    h.Start();
    h.prompter.saveFile.reset();  // Cancel at the file dialog
    h.Frame().RunCommand(cmd::kExportPdf);
    QVERIFY(h.prompter.shown.empty());
    QVERIFY(QDir(h.Path("")).entryList({"*.pdf"}).isEmpty());
    // A folder that does not exist: told, no crash.
    const QString nowhere = h.Path("no/such/folder/map.pdf");
    h.prompter.saveFile = nowhere.toStdString();
    h.Frame().RunCommand(cmd::kExportPdf);
    QVERIFY(!QFile::exists(nowhere));
    QCOMPARE(h.prompter.shown.size(), std::size_t(1));
    QVERIFY(h.prompter.shown[0].text.find("could not be written") != std::string::npos);
}

void PrintTest::aWindowWithNothingToPrintSaysSo() {
    AppHarness h;
    h.Start();
    // The monitor window in front: no maps document to print from.
    h.Frame().MdiArea()->setActiveSubWindow(h.app->MonitorFrame());
    h.Frame().RunCommand(cmd::kFileNew);
    h.Frame().MdiArea()->setActiveSubWindow(h.app->MonitorFrame());
    QTRY_VERIFY(!h.Frame().Action(cmd::kFilePrint)->isEnabled());
    h.Frame().RunCommand(cmd::kExportPdf);
    QCOMPARE(h.prompter.shown.size(), std::size_t(1));
    QVERIFY(h.prompter.shown[0].text.find("nothing to print") != std::string::npos);
}

QTEST_MAIN(PrintTest)
#include "PrintTest.moc"
