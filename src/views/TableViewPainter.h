#pragma once

#include <QColor>
#include <QFont>
#include <QHash>
#include <QRect>
#include <QStaticText>
#include <QString>

#include <optional>
#include <vector>

#include "maps/CTableEditor.h"

class QFontMetrics;
class QPainter;

namespace corvane {

class CModuleMap;
class CTableLivePosition;
class CTableOverlay;

// Where everything of a table lies in a rectangle: the title band with the legend, the column
// headers, the row headers, the cells (scrolled by scrollX/scrollY inside their area) and the
// status line. Cells stretch to fill the area up to twice their natural size; beyond that the
// area scrolls.
struct TableGeometry {
    QRect area;
    int titleHeight = 0;
    int headerHeight = 0;
    int rowHeaderWidth = 0;
    int statusHeight = 0;
    int cellWidth = 1;
    int cellHeight = 1;
    int rows = 0;
    int columns = 0;
    int scrollX = 0;
    int scrollY = 0;

    // The natural size of the parts, from the fonts and the widest texts.
    struct Metrics {
        int minCellWidth = 40;
        int minCellHeight = 18;
        int titleHeight = 30;
        int headerHeight = 20;
        int rowHeaderWidth = 50;
        int statusHeight = 20;
    };
    [[nodiscard]] static TableGeometry Compute(const QRect& area, int rows, int columns, const Metrics& metrics,
                                               int scrollX, int scrollY, bool withStatus);

    [[nodiscard]] QRect TitleRect() const;
    [[nodiscard]] QRect CornerRect() const;
    [[nodiscard]] QRect ColumnHeaderBand() const;
    [[nodiscard]] QRect RowHeaderBand() const;
    [[nodiscard]] QRect CellArea() const;
    [[nodiscard]] QRect StatusRect() const;
    [[nodiscard]] QRect CellRect(TableCell cell) const;
    [[nodiscard]] QRect ColumnHeaderRect(int column) const;
    [[nodiscard]] QRect RowHeaderRect(int row) const;
    // The rectangle covering a range of cells.
    [[nodiscard]] QRect RangeRect(const TableRect& range) const;
    // A place in cell units (row 2.5: halfway between the centres of rows 2 and 3) in pixels.
    [[nodiscard]] QPointF PlacePoint(double row, double column) const;
    // The row / column under a pixel, clamped to the table (for drags that leave it).
    [[nodiscard]] int RowAt(int y) const;
    [[nodiscard]] int ColumnAt(int x) const;
    // The cell under a pixel of the cell area; nothing elsewhere.
    [[nodiscard]] std::optional<TableCell> CellAt(QPoint p) const;
    [[nodiscard]] QSize ContentSize() const { return {columns * cellWidth, rows * cellHeight}; }
    // The scroll offsets that bring a cell fully into view (the current ones if it is).
    [[nodiscard]] QPoint ScrollToShow(TableCell cell) const;
};

// Everything drawn besides the cells' own values, in one place: the painter reads only this
// and the table.
struct TableScene {
    const CTableEditor* table = nullptr;
    QString title;        // "Fuelflow vs TPS (ms)"
    QString cornerText;   // "rpm \\ deg"
    QFont font;           // cells and headers
    QFont smallFont;      // overlay marks and legend labels
    QFont titleFont;
    QColor notInSync;     // the curve's not-in-sync marker colour
    QColor compare;       // the compared tune's colour
    QColor outOfLimits;   // cells a loaded file held outside their limits
    // Per cell (row by row), non-zero where the value lay outside its limits when loaded and
    // is not yet resolved; empty when none does.
    std::vector<char> outOfLimitCells;
    bool showSelection = true;
    double scaleLow = 0.0;   // the heat scale's range (display units)
    double scaleHigh = 1.0;
    const CTableLivePosition* live = nullptr;
    double now = 0.0;  // seconds, for the trail's fading
    const CTableOverlay* overlay = nullptr;
    // Rows of the compared tune (same family), or empty.
    const std::vector<const CModuleMap*>* comparedRows = nullptr;
    QString status;  // the bottom line; not drawn when the geometry has none
};

// Paints a table onto any QPainter: the view, an image for tests and screenshots, a printer.
// Texts of cells are laid out once and kept (a table shows a few hundred distinct values).
class TableViewPainter {
public:
    // The natural sizes for a scene's fonts and texts.
    [[nodiscard]] static TableGeometry::Metrics Measure(const TableScene& scene);
    // Paints the parts of the table that meet `dirty` (an empty rect: all of it).
    void Paint(QPainter& painter, const TableScene& scene, const TableGeometry& geometry, const QRect& dirty = {});
    // The range of values the heat scale spans for a table: its lowest to its highest value, or
    // the cells' limits when all are equal.
    [[nodiscard]] static std::pair<double, double> ScaleRange(const CTableEditor& table);
    // Whether the scene marks a cell as held outside its limits by the file loaded.
    [[nodiscard]] static bool OutOfLimits(const TableScene& scene, TableCell cell);
    // Whether a cell differs from the same cell of the compared rows (base, trim or value).
    [[nodiscard]] static bool Differs(const CTableEditor& table, const std::vector<const CModuleMap*>& compared,
                                      TableCell cell);

private:
    void PaintCells(QPainter& painter, const TableScene& scene, const TableGeometry& g, const QRect& dirty);
    void PaintSelection(QPainter& painter, const TableScene& scene, const TableGeometry& g) const;
    void PaintCornerMarks(QPainter& painter, const TableScene& scene, const TableGeometry& g, const QRect& dirty) const;
    void PaintLive(QPainter& painter, const TableScene& scene, const TableGeometry& g) const;
    void PaintHeaders(QPainter& painter, const TableScene& scene, const TableGeometry& g, const QRect& dirty);
    void PaintTitle(QPainter& painter, const TableScene& scene, const TableGeometry& g) const;
    void PaintStatus(QPainter& painter, const TableScene& scene, const TableGeometry& g) const;
    // The laid-out text of a cell's value.
    const QStaticText& ValueText(const CTableEditor& table, double value, const QFont& font);

    // The laid-out text of a header.
    const QStaticText& HeaderText(const QString& text, const QFont& font);

    QHash<quint64, QStaticText> m_texts;
    QHash<QString, QStaticText> m_headers;
    QFont m_headersFont;
    QFont m_textsFont;
    const CTableEditor* m_textsTable = nullptr;
    int m_textsDecimals = -1;
};

}  // namespace corvane
