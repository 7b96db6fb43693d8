#include "views/TableViewPainter.h"

#include <QFontMetrics>
#include <QLinearGradient>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "maps/CModuleMap.h"
#include "maps/CTableLivePosition.h"
#include "maps/CTableOverlay.h"
#include "model/NumberText.h"
#include "views/HeatScale.h"
#include "views/MapViewColors.h"

namespace corvane {

namespace {

constexpr int kCellPadX = 5;
constexpr int kCellPadY = 3;
constexpr int kLegendWidth = 160;
constexpr int kLegendBarHeight = 10;
constexpr int kCornerMark = 6;  // side of the corner triangles
const QColor kGridColour(0x30, 0x30, 0x30);
const QColor kHeaderFill(0xEC, 0xEC, 0xEC);
const QColor kHeaderSelectedFill(0xC8, 0xD8, 0xF0);
const QColor kHeaderText(0x20, 0x20, 0x20);
const QColor kLiveColour(0xFF, 0x20, 0xFF);

QString Q(const std::string& s) { return QString::fromStdString(s); }

// The corner triangle a cell carries for a mark, top right or bottom left, with a dark
// hypotenuse: exact pixels, drawn once per colour and corner and then copied (a table paints a
// thousand of them).
void CornerTriangle(QPainter& painter, const QRect& cell, bool topRight, const QColor& colour) {
    static QHash<QPair<QRgb, bool>, QImage> marks;
    const auto key = qMakePair(colour.rgba(), topRight);
    auto it = marks.find(key);
    if (it == marks.end()) {
        constexpr int side = kCornerMark + 1;
        QImage image(side, side, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        for (int k = 0; k < side; ++k) {
            const int length = side - k;  // the row k pixels in from the corner's edge
            const int y = topRight ? k : side - 1 - k;
            const int x = topRight ? side - length : 0;
            for (int i = 0; i < length; ++i) image.setPixelColor(x + i, y, colour);
            image.setPixelColor(topRight ? x : x + length - 1, y, QColor(0x20, 0x20, 0x20));
        }
        it = marks.insert(key, image);
    }
    const QImage& image = *it;
    painter.drawImage(topRight ? QPoint(cell.right() + 1 - image.width(), cell.top())
                               : QPoint(cell.left(), cell.bottom() + 1 - image.height()),
                      image);
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Geometry

TableGeometry TableGeometry::Compute(const QRect& area, int rows, int columns, const Metrics& m, int scrollX,
                                     int scrollY, bool withStatus) {
    TableGeometry g;
    g.area = area;
    g.rows = std::max(rows, 0);
    g.columns = std::max(columns, 0);
    g.titleHeight = m.titleHeight;
    g.headerHeight = m.headerHeight;
    g.rowHeaderWidth = m.rowHeaderWidth;
    g.statusHeight = withStatus ? m.statusHeight : 0;
    const QRect cells = g.CellArea();
    // Cells grow to fill the area, to twice their natural size at most (beyond that a few large
    // cells read worse than many), and never shrink below it: then the area scrolls.
    auto fit = [](int available, int count, int natural) {
        if (count <= 0) return natural;
        return std::clamp(available / count, natural, 2 * natural);
    };
    g.cellWidth = fit(cells.width(), g.columns, m.minCellWidth);
    g.cellHeight = fit(cells.height(), g.rows, m.minCellHeight);
    g.scrollX = std::clamp(scrollX, 0, std::max(0, g.columns * g.cellWidth - cells.width()));
    g.scrollY = std::clamp(scrollY, 0, std::max(0, g.rows * g.cellHeight - cells.height()));
    return g;
}

QRect TableGeometry::TitleRect() const { return {area.left(), area.top(), area.width(), titleHeight}; }

QRect TableGeometry::CornerRect() const { return {area.left(), area.top() + titleHeight, rowHeaderWidth, headerHeight}; }

QRect TableGeometry::ColumnHeaderBand() const {
    return {area.left() + rowHeaderWidth, area.top() + titleHeight, area.width() - rowHeaderWidth, headerHeight};
}

QRect TableGeometry::RowHeaderBand() const {
    const QRect cells = CellArea();
    return {area.left(), cells.top(), rowHeaderWidth, cells.height()};
}

QRect TableGeometry::CellArea() const {
    return {area.left() + rowHeaderWidth, area.top() + titleHeight + headerHeight, std::max(0, area.width() - rowHeaderWidth),
            std::max(0, area.height() - titleHeight - headerHeight - statusHeight)};
}

QRect TableGeometry::StatusRect() const { return {area.left(), area.bottom() + 1 - statusHeight, area.width(), statusHeight}; }

QRect TableGeometry::CellRect(TableCell cell) const {
    const QRect cells = CellArea();
    return {cells.left() - scrollX + cell.column * cellWidth, cells.top() - scrollY + cell.row * cellHeight, cellWidth,
            cellHeight};
}

QRect TableGeometry::ColumnHeaderRect(int column) const {
    const QRect band = ColumnHeaderBand();
    return {band.left() - scrollX + column * cellWidth, band.top(), cellWidth, band.height()};
}

QRect TableGeometry::RowHeaderRect(int row) const {
    const QRect band = RowHeaderBand();
    return {band.left(), band.top() - scrollY + row * cellHeight, band.width(), cellHeight};
}

QRect TableGeometry::RangeRect(const TableRect& range) const {
    if (range.IsEmpty()) return {};
    return CellRect({range.top, range.left}).united(CellRect({range.bottom, range.right}));
}

QPointF TableGeometry::PlacePoint(double row, double column) const {
    const QRect cells = CellArea();
    return {cells.left() - scrollX + (column + 0.5) * cellWidth, cells.top() - scrollY + (row + 0.5) * cellHeight};
}

int TableGeometry::RowAt(int y) const {
    const int offset = y - CellArea().top() + scrollY;
    return std::clamp(offset < 0 ? -1 : offset / cellHeight, 0, std::max(rows - 1, 0));
}

int TableGeometry::ColumnAt(int x) const {
    const int offset = x - CellArea().left() + scrollX;
    return std::clamp(offset < 0 ? -1 : offset / cellWidth, 0, std::max(columns - 1, 0));
}

std::optional<TableCell> TableGeometry::CellAt(QPoint p) const {
    const QRect cells = CellArea();
    if (!cells.contains(p)) return std::nullopt;
    const int row = (p.y() - cells.top() + scrollY) / cellHeight;
    const int column = (p.x() - cells.left() + scrollX) / cellWidth;
    if (row < 0 || row >= rows || column < 0 || column >= columns) return std::nullopt;
    return TableCell{row, column};
}

QPoint TableGeometry::ScrollToShow(TableCell cell) const {
    const QRect cells = CellArea();
    int x = scrollX, y = scrollY;
    const int left = cell.column * cellWidth, top = cell.row * cellHeight;
    if (left < x) x = left;
    if (left + cellWidth > x + cells.width()) x = left + cellWidth - cells.width();
    if (top < y) y = top;
    if (top + cellHeight > y + cells.height()) y = top + cellHeight - cells.height();
    return {std::max(0, x), std::max(0, y)};
}

// ---------------------------------------------------------------------------------------------
// Measuring

TableGeometry::Metrics TableViewPainter::Measure(const TableScene& scene) {
    TableGeometry::Metrics m;
    if (scene.table == nullptr) return m;
    const CTableEditor& t = *scene.table;
    const QFontMetrics fm(scene.font);
    // The widest value any cell may show: the limits and a negative of the same digits.
    int widest = 0;
    for (double v : {t.LimitLow(), t.LimitHigh(), -std::fabs(t.LimitHigh())})
        widest = std::max(widest, fm.horizontalAdvance(Q(t.FormatValue(v))));
    for (int c = 0; c < t.ColumnCount(); ++c) widest = std::max(widest, fm.horizontalAdvance(Q(t.FormatX(t.ColumnX(c)))));
    m.minCellWidth = widest + 2 * kCellPadX;
    m.minCellHeight = fm.height() + 2 * kCellPadY;
    m.headerHeight = m.minCellHeight;
    // Marks take a line of their own under the value.
    if (scene.overlay != nullptr && !scene.overlay->IsEmpty()) {
        const QFontMetrics small(scene.smallFont);
        m.minCellHeight += small.height();
        m.minCellWidth = std::max(m.minCellWidth, small.horizontalAdvance(QStringLiteral("+00.0%")) + 4);
    }
    int rowHeader = fm.horizontalAdvance(scene.cornerText);
    for (int r = 0; r < t.RowCount(); ++r) rowHeader = std::max(rowHeader, fm.horizontalAdvance(QString::number(t.RowSpeed(r))));
    m.rowHeaderWidth = rowHeader + 2 * kCellPadX + 2;
    m.titleHeight = std::max(QFontMetrics(scene.titleFont).height(), QFontMetrics(scene.smallFont).height() * 2 + kLegendBarHeight) + 8;
    m.statusHeight = fm.height() + 2 * kCellPadY;
    return m;
}

std::pair<double, double> TableViewPainter::ScaleRange(const CTableEditor& table) {
    double low = 0.0, high = 0.0;
    bool any = false;
    for (int r = 0; r < table.RowCount(); ++r)
        for (int c = 0; c < table.ColumnCount(); ++c) {
            const double v = table.Value({r, c});
            low = any ? std::min(low, v) : v;
            high = any ? std::max(high, v) : v;
            any = true;
        }
    if (!any || !(high > low)) return {table.LimitLow(), table.LimitHigh()};
    return {low, high};
}

bool TableViewPainter::Differs(const CTableEditor& table, const std::vector<const CModuleMap*>& compared, TableCell cell) {
    if (cell.row < 0 || cell.row >= static_cast<int>(compared.size())) return false;
    const CModuleMap* other = compared[static_cast<std::size_t>(cell.row)];
    if (other == nullptr || cell.column >= other->GetNumberOfPoints()) return false;
    const CModuleMap& own = table.RowMap(cell.row);
    return own.GetPointModuleValue(cell.column) != other->GetPointModuleValue(cell.column) ||
           own.GetPointBaseValue(cell.column) != other->GetPointBaseValue(cell.column) ||
           own.GetPointTrimValue(cell.column) != other->GetPointTrimValue(cell.column);
}

const QStaticText& TableViewPainter::HeaderText(const QString& text, const QFont& font) {
    if (font != m_headersFont) {
        m_headers.clear();
        m_headersFont = font;
    }
    auto it = m_headers.find(text);
    if (it == m_headers.end()) {
        if (m_headers.size() > 1024) m_headers.clear();
        QStaticText st(text);
        st.setTextFormat(Qt::PlainText);
        st.prepare(QTransform(), font);
        it = m_headers.insert(text, st);
    }
    return *it;
}

const QStaticText& TableViewPainter::ValueText(const CTableEditor& table, double value, const QFont& font) {
    if (font != m_textsFont || &table != m_textsTable || table.ValueDecimals() != m_textsDecimals) {
        m_texts.clear();
        m_textsFont = font;
        m_textsTable = &table;
        m_textsDecimals = table.ValueDecimals();
    }
    // Keyed by the value itself: its text is laid out once, not formatted again every paint.
    quint64 key = 0;
    std::memcpy(&key, &value, sizeof key);
    auto it = m_texts.find(key);
    if (it == m_texts.end()) {
        // Bounded: a table shows a few hundred distinct values; a stream of new ones starts over.
        if (m_texts.size() > 8192) m_texts.clear();
        QStaticText st(Q(table.FormatValue(value)));
        st.setTextFormat(Qt::PlainText);
        st.prepare(QTransform(), font);
        it = m_texts.insert(key, st);
    }
    return *it;
}

// ---------------------------------------------------------------------------------------------
// Painting

void TableViewPainter::Paint(QPainter& painter, const TableScene& scene, const TableGeometry& g, const QRect& dirtyIn) {
    const QRect dirty = dirtyIn.isEmpty() ? g.area : dirtyIn.intersected(g.area);
    if (scene.table == nullptr || dirty.isEmpty()) return;
    painter.save();
    painter.setClipRect(dirty);
    // The parts paint their own backgrounds; the cells' background is their grid. Only what
    // lies beyond the table's last row and column is filled here.
    const QRect content = g.RangeRect({0, 0, g.rows - 1, g.columns - 1});
    for (const QRect& r : QRegion(dirty) - QRegion(content.intersected(g.CellArea()))) painter.fillRect(r, kHeaderFill);
    const QRect cells = g.CellArea();
    if (dirty.intersects(cells)) {
        painter.save();
        painter.setClipRect(cells.intersected(dirty));
        PaintCells(painter, scene, g, dirty);
        if (scene.showSelection) PaintSelection(painter, scene, g);
        // The corner marks go over the selection's frames, which would hide them otherwise.
        PaintCornerMarks(painter, scene, g, dirty);
        PaintLive(painter, scene, g);
        painter.restore();
    }
    PaintHeaders(painter, scene, g, dirty);
    if (dirty.intersects(g.TitleRect())) PaintTitle(painter, scene, g);
    if (g.statusHeight > 0 && dirty.intersects(g.StatusRect())) PaintStatus(painter, scene, g);
    painter.restore();
}

void TableViewPainter::PaintCells(QPainter& painter, const TableScene& scene, const TableGeometry& g, const QRect& dirty) {
    const CTableEditor& t = *scene.table;
    const QRect area = g.CellArea().intersected(dirty);
    const int firstRow = g.RowAt(area.top()), lastRow = g.RowAt(area.bottom());
    const int firstColumn = g.ColumnAt(area.left()), lastColumn = g.ColumnAt(area.right());
    // Grid lines are the one-pixel gaps at each cell's right and bottom edge.
    for (int r = firstRow; r <= lastRow; ++r) {
        const QRect row = g.RangeRect({r, firstColumn, r, lastColumn});
        painter.fillRect(QRect(row.left(), row.bottom(), row.width(), 1), kGridColour);
    }
    for (int c = firstColumn; c <= lastColumn; ++c) {
        const QRect column = g.RangeRect({firstRow, c, lastRow, c});
        painter.fillRect(QRect(column.right(), column.top(), 1, column.height()), kGridColour);
    }
    painter.setFont(scene.font);
    const QFontMetrics small(scene.smallFont);
    for (int r = firstRow; r <= lastRow; ++r) {
        for (int c = firstColumn; c <= lastColumn; ++c) {
            const TableCell cell{r, c};
            const QRect rect = g.CellRect(cell);
            const QRect inner = rect.adjusted(0, 0, -1, -1);  // the grid line is the 1-pixel gap
            const double value = t.Value(cell);
            const HeatScale::Swatch& swatch = HeatScale::SwatchAt(HeatScale::Fraction(value, scene.scaleLow, scene.scaleHigh));
            const QColor& fill = swatch.fill;
            painter.fillRect(inner, fill);
            const auto mark = scene.overlay != nullptr ? scene.overlay->At(cell) : std::nullopt;
            // A marked cell keeps its value above the mark's line; others centre it.
            const QRect valueRect = mark ? inner.adjusted(0, 0, 0, -small.height()) : inner;
            const QStaticText& text = ValueText(t, value, scene.font);
            const QSizeF size = text.size();
            painter.setPen(swatch.text);
            painter.drawStaticText(QPointF(valueRect.left() + (valueRect.width() - size.width()) / 2,
                                           valueRect.top() + (valueRect.height() - size.height()) / 2),
                                   text);
            if (mark) {
                // A chip along the cell's bottom: the change in percent on the mark's colour.
                // Never a negative zero: what rounds to nothing shows "+0.0%".
                const std::string label = FormatSigned(mark->percent, 1) + "%";
                const QRect chip(inner.left(), inner.bottom() + 1 - small.height(), inner.width(), small.height());
                const QColor colour = MapViewColors::ToQColor(mark->colour);
                painter.fillRect(chip, colour);
                painter.setFont(scene.smallFont);
                painter.setPen(HeatScale::TextOn(colour));
                painter.drawText(chip, Qt::AlignCenter, QString::fromStdString(label));
                painter.setFont(scene.font);
            }
        }
    }
}

bool TableViewPainter::OutOfLimits(const TableScene& scene, TableCell cell) {
    if (scene.outOfLimitCells.empty() || scene.table == nullptr) return false;
    const auto at = static_cast<std::size_t>(cell.row * scene.table->ColumnCount() + cell.column);
    return at < scene.outOfLimitCells.size() && scene.outOfLimitCells[at] != 0;
}

void TableViewPainter::PaintCornerMarks(QPainter& painter, const TableScene& scene, const TableGeometry& g,
                                        const QRect& dirty) const {
    const CTableEditor& t = *scene.table;
    const QRect area = g.CellArea().intersected(dirty);
    for (int r = g.RowAt(area.top()); r <= g.RowAt(area.bottom()); ++r)
        for (int c = g.ColumnAt(area.left()); c <= g.ColumnAt(area.right()); ++c) {
            const TableCell cell{r, c};
            const QRect inner = g.CellRect(cell).adjusted(0, 0, -1, -1);
            if (!t.InSync(cell)) CornerTriangle(painter, inner, true, scene.notInSync);
            if (scene.comparedRows != nullptr && Differs(t, *scene.comparedRows, cell))
                CornerTriangle(painter, inner, false, scene.compare);
            if (OutOfLimits(scene, cell)) {
                painter.setPen(QPen(scene.outOfLimits, 2));
                painter.setBrush(Qt::NoBrush);
                painter.drawRect(inner.adjusted(1, 1, -1, -1));
            }
        }
}

void TableViewPainter::PaintSelection(QPainter& painter, const TableScene& scene, const TableGeometry& g) const {
    const CTableEditor& t = *scene.table;
    const TableRect sel = t.Selection();
    if (sel.IsEmpty()) return;
    const QRect r = g.RangeRect(sel);
    if (sel.Rows() * sel.Columns() > 1) {
        painter.fillRect(r, QColor(255, 255, 255, 70));
        painter.setPen(QPen(Qt::black, 2));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(r.adjusted(1, 1, -1, -1));
        painter.setPen(QPen(Qt::white, 1));
        painter.drawRect(r.adjusted(2, 2, -3, -3));
    }
    // The active cell: a black and white frame, visible on every colour of the scale.
    const QRect a = g.CellRect(t.Active()).adjusted(0, 0, -1, -1);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(Qt::black, 3));
    painter.drawRect(a.adjusted(1, 1, -1, -1));
    painter.setPen(QPen(Qt::white, 1));
    painter.drawRect(a.adjusted(3, 3, -3, -3));
}

void TableViewPainter::PaintLive(QPainter& painter, const TableScene& scene, const TableGeometry& g) const {
    if (scene.live == nullptr || !scene.live->HasPosition()) return;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setBrush(Qt::NoBrush);
    // The trail: dots that fade as they age, joined by a thin line.
    const auto trail = scene.live->Trail(scene.now);
    const double span = scene.live->TrailSeconds() > 0 ? scene.live->TrailSeconds() : 1.0;
    QPointF previous;
    for (std::size_t i = 0; i < trail.size(); ++i) {
        const QPointF p = g.PlacePoint(trail[i].place.row, trail[i].place.column);
        const int alpha = static_cast<int>(200 * std::clamp(1.0 - trail[i].age / span, 0.0, 1.0));
        QColor colour = kLiveColour;
        colour.setAlpha(alpha);
        if (i > 0) {
            painter.setPen(QPen(colour, 1.5));
            painter.drawLine(previous, p);
        }
        painter.setPen(Qt::NoPen);
        painter.setBrush(colour);
        painter.drawEllipse(p, 2.0, 2.0);
        painter.setBrush(Qt::NoBrush);
        previous = p;
    }
    painter.setRenderHint(QPainter::Antialiasing, false);
    // The four cells the module blends, outlined as strongly as each weighs.
    for (const auto& corner : scene.live->Corners()) {
        if (corner.weight <= 0.0) continue;
        QColor colour = kLiveColour;
        colour.setAlpha(static_cast<int>(60 + 195 * corner.weight));
        const int width = 1 + static_cast<int>(std::lround(3 * corner.weight));
        painter.setPen(QPen(colour, width, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
        const QRect r = g.CellRect(corner.cell).adjusted(0, 0, -1, -1);
        painter.drawRect(r.adjusted(width / 2, width / 2, -(width - 1) / 2 - 1, -(width - 1) / 2 - 1));
    }
    // The operating point itself.
    painter.setRenderHint(QPainter::Antialiasing, true);
    const auto place = scene.live->Position();
    const QPointF p = g.PlacePoint(place.row, place.column);
    painter.setPen(QPen(Qt::black, 1));
    painter.setBrush(kLiveColour);
    painter.drawEllipse(p, 4.0, 4.0);
    painter.restore();
}

void TableViewPainter::PaintHeaders(QPainter& painter, const TableScene& scene, const TableGeometry& g, const QRect& dirty) {
    const CTableEditor& t = *scene.table;
    const TableRect sel = t.Selection();
    painter.setFont(scene.font);
    auto header = [&](const QRect& r, const QString& text, bool selected, Qt::Alignment align) {
        if (!r.intersects(dirty)) return;
        painter.fillRect(r, selected ? kHeaderSelectedFill : kHeaderFill);
        painter.fillRect(QRect(r.right(), r.top(), 1, r.height()), QColor(0xC0, 0xC0, 0xC0));
        painter.fillRect(QRect(r.left(), r.bottom(), r.width(), 1), QColor(0xC0, 0xC0, 0xC0));
        painter.setPen(kHeaderText);
        const QStaticText& st = HeaderText(text, scene.font);
        const QRect inner = r.adjusted(kCellPadX, 0, -kCellPadX, 0);
        const double w = st.size().width();
        const double x = align & Qt::AlignRight ? inner.right() + 1 - w
                         : align & Qt::AlignHCenter ? inner.left() + (inner.width() - w) / 2
                                                    : inner.left();
        painter.drawStaticText(QPointF(x, inner.top() + (inner.height() - st.size().height()) / 2), st);
    };
    const QRect columnBand = g.ColumnHeaderBand().intersected(dirty);
    if (!columnBand.isEmpty()) {
        painter.save();
        painter.setClipRect(columnBand);
        for (int c = g.ColumnAt(columnBand.left()); c <= g.ColumnAt(columnBand.right()); ++c)
            header(g.ColumnHeaderRect(c), Q(t.FormatX(t.ColumnX(c))), scene.showSelection && c >= sel.left && c <= sel.right,
                   Qt::AlignHCenter);
        painter.restore();
    }
    const QRect rowBand = g.RowHeaderBand().intersected(dirty);
    if (!rowBand.isEmpty()) {
        painter.save();
        painter.setClipRect(rowBand);
        for (int r = g.RowAt(rowBand.top()); r <= g.RowAt(rowBand.bottom()); ++r)
            header(g.RowHeaderRect(r), QString::number(t.RowSpeed(r)), scene.showSelection && r >= sel.top && r <= sel.bottom,
                   Qt::AlignRight);
        painter.restore();
    }
    header(g.CornerRect(), scene.cornerText, false, Qt::AlignLeft);
}

void TableViewPainter::PaintTitle(QPainter& painter, const TableScene& scene, const TableGeometry& g) const {
    const QRect band = g.TitleRect();
    painter.fillRect(band, Qt::white);
    painter.fillRect(QRect(band.left(), band.bottom(), band.width(), 1), QColor(0xC0, 0xC0, 0xC0));
    const QFontMetrics small(scene.smallFont);
    // The legend on the right: the scale from the lowest to the highest value, and the marks.
    const int legendLeft = band.right() - kLegendWidth - 12;
    const QRect bar(legendLeft, band.top() + 4 + small.height(), kLegendWidth, kLegendBarHeight);
    QLinearGradient gradient(bar.topLeft(), bar.topRight());
    for (int k = 0; k <= 8; ++k) gradient.setColorAt(k / 8.0, HeatScale::At(k / 8.0));
    painter.fillRect(bar, gradient);
    painter.setPen(QColor(0x60, 0x60, 0x60));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(bar.adjusted(0, 0, -1, -1));
    painter.setFont(scene.smallFont);
    painter.setPen(kHeaderText);
    const QString low = Q(scene.table->FormatValue(scene.scaleLow));
    const QString high = Q(scene.table->FormatValue(scene.scaleHigh));
    painter.drawText(QRect(bar.left(), band.top() + 2, kLegendWidth, small.height()), Qt::AlignLeft, low);
    painter.drawText(QRect(bar.left(), band.top() + 2, kLegendWidth, small.height()), Qt::AlignRight, high);
    painter.drawText(QRect(bar.left(), bar.bottom() + 2, kLegendWidth, small.height()), Qt::AlignHCenter,
                     Q(scene.table->RowMap(0).GetYUnit()));
    // Mark keys left of the scale.
    int keyRight = legendLeft - 14;
    auto key = [&](bool topRight, const QColor& colour, const QString& text) {
        const int w = small.horizontalAdvance(text);
        const QRect cell(keyRight - w - 16, band.top() + (band.height() - 14) / 2, 14, 14);
        painter.fillRect(cell, QColor(0xB0, 0xB0, 0xB0));
        CornerTriangle(painter, cell.adjusted(0, 0, -1, -1), topRight, colour);
        painter.setPen(kHeaderText);
        painter.drawText(QRect(cell.right() + 4, cell.top() - 2, w + 2, 18), Qt::AlignLeft | Qt::AlignVCenter, text);
        keyRight = cell.left() - 14;
    };
    key(true, scene.notInSync, QStringLiteral("not in sync"));
    if (std::find(scene.outOfLimitCells.begin(), scene.outOfLimitCells.end(), 1) != scene.outOfLimitCells.end()) {
        const QString text = QStringLiteral("outside its limits");
        const int w = small.horizontalAdvance(text);
        const QRect cell(keyRight - w - 16, band.top() + (band.height() - 14) / 2, 14, 14);
        painter.fillRect(cell, QColor(0xB0, 0xB0, 0xB0));
        painter.setPen(QPen(scene.outOfLimits, 2));
        painter.drawRect(cell.adjusted(1, 1, -2, -2));
        painter.setPen(kHeaderText);
        painter.drawText(QRect(cell.right() + 4, cell.top() - 2, w + 2, 18), Qt::AlignLeft | Qt::AlignVCenter, text);
        keyRight = cell.left() - 14;
    }
    if (scene.comparedRows != nullptr && !scene.comparedRows->empty()) key(false, scene.compare, QStringLiteral("differs"));
    painter.setFont(scene.titleFont);
    painter.setPen(Qt::black);
    painter.drawText(QRect(band.left() + 8, band.top(), std::max(0, keyRight - band.left() - 8), band.height()),
                     Qt::AlignLeft | Qt::AlignVCenter, scene.title);
}

void TableViewPainter::PaintStatus(QPainter& painter, const TableScene& scene, const TableGeometry& g) const {
    const QRect r = g.StatusRect();
    painter.fillRect(r, Qt::white);
    painter.fillRect(QRect(r.left(), r.top(), r.width(), 1), QColor(0xC0, 0xC0, 0xC0));
    painter.setFont(scene.font);
    painter.setPen(Qt::black);
    painter.drawText(r.adjusted(8, 0, -8, 0), Qt::AlignLeft | Qt::AlignVCenter, scene.status);
}

}  // namespace corvane
