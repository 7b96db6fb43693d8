#include "app/TunePrinter.h"

#include <QDateTime>
#include <QFontMetricsF>
#include <QPageLayout>
#include <QPagedPaintDevice>
#include <QPainter>

#include <algorithm>
#include <cmath>

#include "app/CChildFrmMaps.h"
#include "documents/CCorvaneMapsDoc.h"
#include "documents/TunePrintout.h"
#include "maps/TableFamilies.h"
#include "views/CCorvaneAdvUserMapsView.h"
#include "views/CCorvaneMapsView.h"
#include "views/CTableView.h"
#include "views/MapViewColors.h"

namespace corvane {

namespace {

// Pages are laid out 1000 units wide, whatever the paper and the device's resolution.
constexpr double kPageWidth = 1000.0;
constexpr double kHeaderHeight = 34.0;
constexpr double kTitleSize = 26.0;
constexpr double kBodySize = 14.0;
constexpr double kCellPadding = 8.0;
constexpr double kGap = 18.0;
// The graph is drawn by a maps view of this size, scaled onto the page.
constexpr int kGraphWidth = 1000;
constexpr int kGraphHeight = 600;

QFont Font(double size, bool bold = false) {
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(std::max(1, static_cast<int>(std::lround(size))));
    font.setBold(bold);
    return font;
}

// The map view's colours on white paper: the curve and in-sync markers as the tuner set them,
// the rest dark enough to print.
MapViewColors PaperColours(const MapViewColors& screen) {
    MapViewColors paper = screen;
    paper.graphBackground = 0xFFFFFF;
    paper.gridLine = 0xC8C8C8;
    paper.notInSyncMarker = 0x808080;
    paper.partnerLine = 0xC06040;
    return paper;
}

}  // namespace

// A page being filled from the top; a new one is begun when what comes next does not fit.
struct TunePrinter::Page {
    QPagedPaintDevice& device;
    QPainter& painter;
    QString header;
    double height = 0.0;  // of the page in layout units
    double y = 0.0;
    int pages = 1;

    void Header() {
        painter.setFont(Font(12.0));
        painter.setPen(Qt::darkGray);
        painter.drawText(QRectF(0, 0, kPageWidth, kHeaderHeight), Qt::AlignLeft | Qt::AlignTop, header);
        painter.drawText(QRectF(0, 0, kPageWidth, kHeaderHeight), Qt::AlignRight | Qt::AlignTop,
                         QString("page %1").arg(pages));
        painter.setPen(Qt::black);
        y = kHeaderHeight;
    }
    // Room for `h` more units, on a new page when this one is full.
    void Need(double h) {
        if (y + h <= height || y <= kHeaderHeight) return;
        device.newPage();
        ++pages;
        Header();
    }
    void Title(const QString& text) {
        Need(kTitleSize * 1.6);
        painter.setFont(Font(kTitleSize, true));
        painter.drawText(QRectF(0, y, kPageWidth, kTitleSize * 1.5), Qt::AlignLeft | Qt::AlignVCenter, text);
        y += kTitleSize * 1.6;
    }
    void Line(const QString& text) {
        Need(kBodySize * 1.6);
        painter.setFont(Font(kBodySize));
        painter.drawText(QRectF(0, y, kPageWidth, kBodySize * 1.5), Qt::AlignLeft | Qt::AlignVCenter, text);
        y += kBodySize * 1.6;
    }
    // The table's rows in `blocks` side-by-side blocks, each with the headings, continued on
    // the next page when the page is full.
    void Table(const PrintTable& table, int blocks);
};

void TunePrinter::Page::Table(const PrintTable& table, int blocks) {
    const int columns = static_cast<int>(table.headings.size());
    if (columns == 0) return;
    blocks = std::max(blocks, 1);
    double size = kBodySize;
    std::vector<double> widths;
    // Column widths from their cells and the longest word of the heading (headings wrap);
    // a font a size smaller while the blocks do not fit across the page.
    for (;; size -= 1.0) {
        const QFontMetricsF fm(Font(size));
        const QFontMetricsF bold(Font(size, true));
        widths.assign(static_cast<std::size_t>(columns), 0.0);
        for (int c = 0; c < columns; ++c) {
            double w = 0.0;
            for (const QString& word : QString::fromStdString(table.headings[static_cast<std::size_t>(c)]).split(' '))
                w = std::max(w, bold.horizontalAdvance(word));
            for (const auto& row : table.rows)
                if (c < static_cast<int>(row.size()))
                    w = std::max(w, fm.horizontalAdvance(QString::fromStdString(row[static_cast<std::size_t>(c)])));
            widths[static_cast<std::size_t>(c)] = w + 2 * kCellPadding;
        }
        double total = 0.0;
        for (double w : widths) total += w;
        if (total * blocks + kGap * (blocks - 1) <= kPageWidth || size <= 7.0) break;
    }
    double blockWidth = 0.0;
    for (double w : widths) blockWidth += w;
    const double rowHeight = size * 1.45;
    // As high as the heading that wraps into the most lines needs.
    double headingHeight = rowHeight;
    {
        const QFontMetricsF bold(Font(size, true));
        for (int c = 0; c < columns; ++c) {
            const double w = widths[static_cast<std::size_t>(c)] - 2 * kCellPadding;
            const QRectF need = bold.boundingRect(QRectF(0, 0, w, 1000), Qt::TextWordWrap,
                                                  QString::fromStdString(table.headings[static_cast<std::size_t>(c)]));
            headingHeight = std::max(headingHeight, need.height() + 2);
        }
    }
    const int perBlock = static_cast<int>((table.rows.size() + static_cast<std::size_t>(blocks) - 1) / blocks);
    std::size_t next = 0;
    while (next < table.rows.size() || table.rows.empty()) {
        Need(headingHeight + rowHeight * std::min<double>(perBlock, 4));
        // Rows that fit under the headings on this page, split over the blocks.
        const int fit = std::max(1, static_cast<int>((height - y - headingHeight) / rowHeight));
        const int rowsHere = std::min(fit, perBlock);
        double bottom = y;
        for (int b = 0; b < blocks && next < table.rows.size(); ++b) {
            const double x0 = b * (blockWidth + kGap);
            double x = x0;
            painter.setFont(Font(size, true));
            for (int c = 0; c < columns; ++c) {
                const double w = widths[static_cast<std::size_t>(c)];
                const bool right = c < static_cast<int>(table.numeric.size()) && table.numeric[static_cast<std::size_t>(c)];
                painter.drawText(QRectF(x + kCellPadding, y, w - 2 * kCellPadding, headingHeight),
                                 (right ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignBottom | Qt::TextWordWrap,
                                 QString::fromStdString(table.headings[static_cast<std::size_t>(c)]));
                x += w;
            }
            painter.setPen(QPen(Qt::black, 1.0));
            painter.drawLine(QPointF(x0, y + headingHeight + 1), QPointF(x0 + blockWidth, y + headingHeight + 1));
            painter.setFont(Font(size));
            double ry = y + headingHeight + 3;
            for (int r = 0; r < rowsHere && next < table.rows.size(); ++r, ++next, ry += rowHeight) {
                // Every other row shaded, so a row can be followed across.
                if (r % 2 == 1) painter.fillRect(QRectF(x0, ry, blockWidth, rowHeight), QColor(0xEE, 0xEE, 0xEE));
                x = x0;
                const auto& row = table.rows[next];
                for (int c = 0; c < columns && c < static_cast<int>(row.size()); ++c) {
                    const double w = widths[static_cast<std::size_t>(c)];
                    const bool right = c < static_cast<int>(table.numeric.size()) && table.numeric[static_cast<std::size_t>(c)];
                    painter.drawText(QRectF(x + kCellPadding, ry, w - 2 * kCellPadding, rowHeight),
                                     (right ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter,
                                     QString::fromStdString(row[static_cast<std::size_t>(c)]));
                    x += w;
                }
            }
            bottom = std::max(bottom, ry);
        }
        y = bottom + kGap;
        if (table.rows.empty()) break;
        if (next < table.rows.size()) {
            device.newPage();
            ++pages;
            Header();
        }
    }
}

TunePrinter::TunePrinter(CChildFrmMaps& frame, int moduleFirmwareVersion, SettingsStore& settings)
    : m_frame(frame), m_firmware(moduleFirmwareVersion), m_settings(settings) {}

TunePrinter::Subject TunePrinter::WhatIsPrinted() const {
    switch (m_frame.CurrentViewKind()) {
        case CChildFrmMaps::ViewKind::kMaps:
        case CChildFrmMaps::ViewKind::kAdvancedUserMaps: return m_frame.CurrentMapsView() ? Subject::kMap : Subject::kNothing;
        case CChildFrmMaps::ViewKind::kBasicSettings: return Subject::kSettings;
        case CChildFrmMaps::ViewKind::kWarranty:
            return m_frame.Document().GetWarrantyValues() ? Subject::kWarranty : Subject::kNothing;
        case CChildFrmMaps::ViewKind::kTable: return m_frame.TableOnShow() ? Subject::kTable : Subject::kNothing;
    }
    return Subject::kNothing;
}

QString TunePrinter::Title() const {
    switch (WhatIsPrinted()) {
        case Subject::kMap:
            return QString::fromStdString(m_frame.Document().MapTitle(m_frame.CurrentMapsView()->MapIndex()));
        case Subject::kSettings: return "Basic Settings";
        case Subject::kWarranty: return "Warranty Information";
        case Subject::kTable: {
            const TableFamily* family = m_frame.TableOnShow()->Family();
            return family ? QString::fromStdString(family->Title()) + " table" : QString("Table");
        }
        case Subject::kNothing: break;
    }
    return {};
}

int TunePrinter::Print(QPagedPaintDevice& device) const {
    const Subject subject = WhatIsPrinted();
    if (subject == Subject::kNothing) return 0;
    QPainter painter;
    if (!painter.begin(&device)) return 0;
    // Layout units: 1000 across the printable width of the paper.
    const QRectF paintRect = device.pageLayout().paintRectPixels(device.logicalDpiX());
    const double scale = paintRect.width() / kPageWidth;
    painter.scale(scale, scale);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    const std::string printed = QDateTime::currentDateTime().toString("yyyy-MM-dd HH:mm").toStdString();
    Page page{device, painter,
              QString::fromStdString(TunePrintout::DocumentLine(m_frame.Document(), m_frame.DocumentTitle().toStdString(),
                                                                printed))};
    page.height = paintRect.height() / scale;
    page.Header();
    switch (subject) {
        case Subject::kMap: PrintMap(page); break;
        case Subject::kSettings: PrintSettings(page); break;
        case Subject::kWarranty: PrintWarranty(page); break;
        case Subject::kTable: PrintTableView(page); break;
        case Subject::kNothing: break;
    }
    painter.end();
    return page.pages;
}

void TunePrinter::PrintMap(Page& page) const {
    const CMapsView& shown = *m_frame.CurrentMapsView();
    const int index = shown.MapIndex();
    // The graph as the view in front draws it (base values or trims), on white.
    std::unique_ptr<CMapsView> graph;
    if (shown.Kind() == EditorView::AdvancedUser)
        graph = std::make_unique<CCorvaneAdvUserMapsView>(m_frame.Document(), m_settings);
    else
        graph = std::make_unique<CCorvaneMapsView>(m_frame.Document(), m_settings);
    graph->SetColors(PaperColours(shown.Colors()));
    graph->SetPaperTexts(true);
    graph->resize(kGraphWidth, kGraphHeight);
    graph->ShowMap(index);
    graph->render(&page.painter, QPoint(0, static_cast<int>(std::lround(page.y))));
    page.y += kGraphHeight + kGap;
    const PrintTable points = TunePrintout::MapPoints(m_frame.Document(), index);
    page.Table(points, points.rows.size() > 24 ? 2 : 1);
}

void TunePrinter::PrintSettings(Page& page) const {
    const PrintTable table = TunePrintout::Settings(m_frame.Document(), m_firmware);
    page.Title(QString::fromStdString(table.title));
    page.Table(table, 1);
}

void TunePrinter::PrintWarranty(Page& page) const {
    const WarrantyValues& record = *m_frame.Document().GetWarrantyValues();
    const PrintTable bands = TunePrintout::WarrantyBands(record);
    page.Title(QString::fromStdString(bands.title));
    for (const std::string& line : TunePrintout::WarrantyHeader(record)) page.Line(QString::fromStdString(line));
    page.y += kGap / 2;
    page.Table(bands, 2);
}

void TunePrinter::PrintTableView(Page& page) const {
    CTableView& table = *m_frame.TableOnShow();
    // The whole table on what is left of the page, scaled down as a whole when it must be (a
    // landscape page in Print Setup prints a wide table larger).
    table.PaintTable(page.painter, QRect(0, static_cast<int>(std::lround(page.y)), static_cast<int>(kPageWidth),
                                         static_cast<int>(page.height - page.y)));
    page.y = page.height;
}

}  // namespace corvane
