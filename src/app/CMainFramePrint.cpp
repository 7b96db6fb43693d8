// CMainFrame: File ▸ Print, Print Preview, Print Setup and Export PDF. What is printed and how
// it is laid out is TunePrinter's; this is the printer, its dialogs and the PDF file.
#include <QFileInfo>
#include <QPageLayout>
#include <QPageSetupDialog>
#include <QPageSize>
#include <QPdfWriter>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QStatusBar>

#include "app/CCorvaneApp.h"
#include "app/CChildFrmMaps.h"
#include "app/CMainFrame.h"
#include "app/TunePrinter.h"
#include "model/Prompter.h"
#include "model/SettingsStore.h"

namespace corvane {

namespace {

constexpr const char* kPrintSection = "Print";
constexpr const char* kPaperEntry = "Paper";          // a QPageSize id, A4 unless set
constexpr const char* kLandscapeEntry = "Landscape";  // 1: landscape
constexpr const char* kPdfFilter = "PDF Files (*.pdf)|*.pdf||";
constexpr const char* kNothingToPrint =
    "There is nothing to print in the window in front: show a map, the basic settings, the "
    "warranty record or a table first.";
constexpr int kPdfResolution = 300;

QPageLayout KeptLayout(const SettingsStore& settings) {
    const int paper = settings.GetInt(kPrintSection, kPaperEntry).value_or(QPageSize::A4);
    const bool landscape = settings.GetInt(kPrintSection, kLandscapeEntry).value_or(0) != 0;
    QPageSize size(static_cast<QPageSize::PageSizeId>(paper));
    if (!size.isValid()) size = QPageSize(QPageSize::A4);
    return QPageLayout(size, landscape ? QPageLayout::Landscape : QPageLayout::Portrait, QMarginsF(15, 15, 15, 15),
                       QPageLayout::Millimeter);
}

}  // namespace

QPrinter& CMainFrame::Printer() {
    if (!m_printer) {
        m_printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
        m_printer->setPageLayout(KeptLayout(m_app.Settings()));
    }
    return *m_printer;
}

void CMainFrame::SavePrinterPage() {
    const QPageLayout layout = Printer().pageLayout();
    m_app.Settings().SetInt(kPrintSection, kPaperEntry, static_cast<int>(layout.pageSize().id()));
    m_app.Settings().SetInt(kPrintSection, kLandscapeEntry, layout.orientation() == QPageLayout::Landscape ? 1 : 0);
}

bool CMainFrame::CanPrint() const {
    CChildFrmMaps* frame = ActiveMapsFrame();
    return frame && TunePrinter(*frame, m_app.State().moduleFirmwareVersion, m_app.Settings()).WhatIsPrinted() !=
                        TunePrinter::Subject::kNothing;
}

void CMainFrame::OnPrint() {
    CChildFrmMaps* frame = ActiveMapsFrame();
    if (!frame || !CanPrint()) {
        m_app.GetPrompter().Message(kNothingToPrint);
        return;
    }
    TunePrinter printer(*frame, m_app.State().moduleFirmwareVersion, m_app.Settings());
    QPrinter& device = Printer();
    device.setDocName(printer.Title());
    QPrintDialog dialog(&device, this);
    dialog.setWindowTitle("Print " + printer.Title());
    if (dialog.exec() != QDialog::Accepted) return;
    SavePrinterPage();
    const int pages = printer.Print(device);
    statusBar()->showMessage(QString("%1 page%2 sent to the printer.").arg(pages).arg(pages == 1 ? "" : "s"), 10000);
}

void CMainFrame::OnPrintPreview() {
    CChildFrmMaps* frame = ActiveMapsFrame();
    if (!frame || !CanPrint()) {
        m_app.GetPrompter().Message(kNothingToPrint);
        return;
    }
    TunePrinter printer(*frame, m_app.State().moduleFirmwareVersion, m_app.Settings());
    QPrintPreviewDialog preview(&Printer(), this);
    preview.setWindowTitle("Print Preview - " + printer.Title());
    connect(&preview, &QPrintPreviewDialog::paintRequested, this, [&printer](QPrinter* device) { printer.Print(*device); });
    preview.resize(900, 1000);
    preview.exec();
    SavePrinterPage();
}

void CMainFrame::OnPrintSetup() {
    QPageSetupDialog dialog(&Printer(), this);
    if (dialog.exec() == QDialog::Accepted) SavePrinterPage();
}

void CMainFrame::OnExportPdf() {
    CChildFrmMaps* frame = ActiveMapsFrame();
    if (!frame || !CanPrint()) {
        m_app.GetPrompter().Message(kNothingToPrint);
        return;
    }
    const auto path = m_app.GetPrompter().PickSaveFile(kPdfFilter, "pdf");
    if (!path) return;
    TunePrinter printer(*frame, m_app.State().moduleFirmwareVersion, m_app.Settings());
    int pages = 0;
    {
        QPdfWriter pdf(QString::fromStdString(*path));
        pdf.setResolution(kPdfResolution);
        pdf.setTitle(printer.Title());
        pdf.setCreator("Corvane");
        // The paper chosen in Print Setup, A4 portrait before any choice.
        pdf.setPageLayout(m_printer ? m_printer->pageLayout() : KeptLayout(m_app.Settings()));
        pages = printer.Print(pdf);
    }
    const QFileInfo written(QString::fromStdString(*path));
    if (pages == 0 || !written.exists() || written.size() == 0) {
        m_app.GetPrompter().Message("The PDF could not be written:\n" + *path, {}, Prompter::Icon::Error);
        return;
    }
    statusBar()->showMessage(QString("%1 page%2 written to %3").arg(pages).arg(pages == 1 ? "" : "s").arg(written.fileName()),
                             15000);
}

}  // namespace corvane
