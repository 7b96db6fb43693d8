#pragma once

#include <QAbstractScrollArea>
#include <QElapsedTimer>
#include <QFont>
#include <QTimer>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "maps/CTableEditor.h"
#include "maps/CTableOverlay.h"
#include "maps/TableFamilies.h"
#include "monitor/CAutoTuneCollector.h"
#include "monitor/MonitorEventSink.h"
#include "views/MapViewColors.h"
#include "views/TableViewPainter.h"

class QMenu;

namespace corvane {

class CCorvaneMapsDoc;
class CTableLivePosition;
class ModuleMapTarget;
class SettingsStore;

// What the table view's keys, menu and the main frame's Edit menu ask of it.
enum class TableCommand {
    Copy, Paste, Undo, Redo, SelectAll, SelectRows, SelectColumns,
    InterpolateAcross, InterpolateDown, InterpolateFromEdges, Smooth,
    EnterValue, EnterPercent, EnterOffset,  // start typing a value, a percentage, an offset
    TakeComparedValues, ShowCurve, ToggleFollow,
};

// A speed-indexed family of a maps document as one table: engine speed down, the maps' x axis
// across, each cell a point of a row's map in its display unit, coloured on a heat scale. The
// table and the curve are two views of the same points: every edit goes through the view's
// CTableEditor, which edits the maps with their own base edits (clamps, undo copies, the push
// to a linked module). Painting is TableViewPainter's, which can paint the same table onto any
// QPainter (PaintTable).
//
// Keys: Left/Right, Page Up/Page Down, Home/End (Ctrl: first/last row) move the active cell,
// with Shift they stretch the selection, as Shift+Up/Down do; Up/Down step the selection by
// one module step (Ctrl: ten); digits start typing a value and Enter sets the selection to it,
// '*' types a percentage to multiply by, '+' an offset to add; H, V and B interpolate across,
// down and from the edges, S smooths; Ctrl+C/Ctrl+V copy and paste tab-separated text; Ctrl+Z
// and Ctrl+Y undo and redo; Insert toggles follow mode; T shows the curve of the active cell;
// Ctrl+M switches AutoTune.
//
// Per-cell marks of other sources (a change in percent and a colour per cell) come in as a
// CTableOverlay through SetOverlay; AutoTune's pending corrections are shown the same way.
class CTableView : public QAbstractScrollArea {
    Q_OBJECT
public:
    CTableView(CCorvaneMapsDoc& document, SettingsStore& settings, QWidget* parent = nullptr);
    ~CTableView() override;

    [[nodiscard]] CCorvaneMapsDoc& Document() const { return m_document; }
    // The families the document holds.
    [[nodiscard]] std::vector<TableFamily> Families() const;
    // Shows the family of that name; false (nothing changes) when the document has none.
    bool ShowFamily(const std::string& name);
    // Shows the family the map at mapIndex is a row of, with that row and point active; false
    // when the map is no row of a family.
    bool ShowMapPoint(int mapIndex, int point);
    [[nodiscard]] const TableFamily* Family() const { return m_family ? &*m_family : nullptr; }
    [[nodiscard]] CTableEditor* Editor() const { return m_editor.get(); }
    // The document map of the active cell's row, and the active cell's point: where the curve
    // view continues (-1 without a family).
    [[nodiscard]] int ActiveMapIndex() const;
    [[nodiscard]] int ActivePoint() const;

    // Keys as the keyboard gives them (tests and the main frame use the same path). True when
    // the view used the key.
    bool HandleKey(int key, Qt::KeyboardModifiers modifiers, const QString& text = {});
    void RunCommand(TableCommand command);
    // Selects the rectangle from anchor to active as the mouse would (the active cell's row is
    // then the one AutoTune works on).
    void Select(TableCell anchor, TableCell active);
    // Scrolls so that a cell is in view (the selection stays).
    void EnsureVisible(TableCell cell);
    // The line under the table: what is typed, or the active cell and the last edit's outcome.
    [[nodiscard]] QString StatusText() const;

    // --- Live -------------------------------------------------------------------------------------
    // The live channel that runs along the x axis of the family's maps (-1 without a family).
    [[nodiscard]] int XAxisChannel() const;
    // Engine speed and x axis value of a monitor packet: the live cells and their trail, drawn
    // at most every kLiveFrameMs.
    void SetLivePosition(double rpm, double x);
    static constexpr int kLiveFrameMs = 30;
    void ClearLivePosition();
    [[nodiscard]] const CTableLivePosition* LivePosition() const { return m_live.get(); }

    // --- Comparing ----------------------------------------------------------------------------------
    // The tune of the same product whose differing cells are marked (tooltips show both values);
    // null: none. Not owned: whoever set it clears it before the tune goes.
    void SetComparedTune(const CCorvaneMapsDoc* tune);
    [[nodiscard]] const CCorvaneMapsDoc* ComparedTune() const { return m_compared; }
    // The selection takes the compared tune's values, as one edit. False when nothing changed.
    bool TakeComparedValues();
    // The tooltip of a cell: its value, and the compared one where that differs.
    [[nodiscard]] QString CellToolTip(TableCell cell) const;

    // --- Marks ----------------------------------------------------------------------------------------
    // Marks of another source; an empty overlay clears them. Where a cell carries both, these win
    // over AutoTune's.
    void SetOverlay(const CTableOverlay& overlay);
    // What is drawn over the cells: the marks given and AutoTune's pending corrections.
    [[nodiscard]] CTableOverlay ShownOverlay() const;

    // --- AutoTune -------------------------------------------------------------------------------------
    // As the maps view: corrections for the active row are collected and shown per cell until
    // Ctrl+M applies them; another active row drops them (autoTuneDiscarded).
    void OnMonitorMessage(MonitorMessage message, int wParam, int lParam);
    void SetAutoTuneHooks(CAutoTuneCollector::ApplyHooks hooks) { m_autoTuneHooks = std::move(hooks); }
    bool ToggleAutoTune();
    [[nodiscard]] const CAutoTuneCollector& AutoTune() const { return *m_autoTune; }

    // The document changed under the view (READ, a load, another view's edit): repaint.
    void OnDocumentUpdated();
    void ReloadColors();

    // The whole table fitted into `target` (no scrolling, no status line): for printing.
    void PaintTable(QPainter& painter, const QRect& target);
    // The size PaintTable paints the whole table at before it is scaled to its target.
    [[nodiscard]] QSize PrintSize() const;
    // The geometry the view paints with now (hit tests and tests).
    [[nodiscard]] TableGeometry Geometry() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

signals:
    // An edit changed the document.
    void documentEdited();
    // The active cell moved to another row: the map of that row (AutoTune's engine speed).
    void activeRowChanged(int mapIndex);
    // T, or the context menu: show the curve of this map with this point active.
    void curveRequested(int mapIndex, int point);
    void autoTuneToggled();
    void autoTuneDiscarded(int count);
    // The corrections collected and not yet applied may have changed in number.
    void autoTunePendingChanged(int count);

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    bool viewportEvent(QEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    enum class Entry { None, Value, Percent, Offset };
    enum class Drag { None, Cells, Rows, Columns };
    // What is on screen, to repaint only what an action changed.
    struct Look {
        const void* family = nullptr;
        std::pair<double, double> range;
        TableRect selection;
        TableCell active;
        std::vector<int> values;
        std::vector<char> marks;  // in sync, differing, outside its limits
        QString status;
        QPoint scroll;
        CTableOverlay overlay;
    };

    void Rebuild();
    void UpdateFonts();
    // The natural cell sizes for the fonts, the table and whether marks are shown.
    void Remeasure();
    [[nodiscard]] TableScene Scene() const;
    // Per cell, row by row: whether the document's file held it outside its limits and the
    // tuner has not resolved it (empty when no cell is).
    [[nodiscard]] std::vector<char> OutOfLimitCells() const;
    [[nodiscard]] Look CurrentLook() const;
    void RepaintChanges(const Look& before);
    void UpdateScrollBars();
    void EnsureActiveVisible();
    // After anything that may have moved the active cell: rows, AutoTune, signals.
    void AfterMove(int previousRow);
    // An edit's outcome: status line, signals.
    void Finish(const TableEditResult& result, const QString& done);
    void ApplyEntry();
    void StartEntry(Entry entry, const QString& text = {});
    void RebindAutoTune();
    // Where the live cells, the operating point and the trail are drawn now.
    [[nodiscard]] QRect LiveRect() const;
    void PaintLiveFrame();
    void Tell(const std::string& message, const char* title) const;
    [[nodiscard]] std::vector<const CModuleMap*> ComparedRows() const;
    [[nodiscard]] double Now() const;
    void BuildMenu(QMenu& menu);

    CCorvaneMapsDoc& m_document;
    SettingsStore& m_settings;
    std::vector<CModuleMap*> m_maps;
    std::optional<TableFamily> m_family;
    std::unique_ptr<CTableEditor> m_editor;
    std::unique_ptr<CTableLivePosition> m_live;
    QElapsedTimer m_clock;
    QTimer m_liveFrame;     // the next drawing of the live cells is due
    QRect m_livePainted;    // where they were drawn last
    mutable TableViewPainter m_painter;
    MapViewColors m_colors;
    QFont m_titleFont;
    QFont m_smallFont;
    TableGeometry::Metrics m_metrics;
    bool m_metricsWithMarks = false;

    Entry m_entry = Entry::None;
    QString m_entryText;
    QString m_message;  // the last edit's outcome, until the next action
    Drag m_drag = Drag::None;
    int m_dragStart = 0;

    const CCorvaneMapsDoc* m_compared = nullptr;
    std::vector<const CModuleMap*> m_comparedRows;
    CTableOverlay m_overlay;
    std::unique_ptr<CAutoTuneCollector> m_autoTune;
    std::unique_ptr<ModuleMapTarget> m_autoTuneShown;
    std::unique_ptr<ModuleMapTarget> m_autoTunePartner;
    CAutoTuneCollector::ApplyHooks m_autoTuneHooks;
    int m_autoTuneRow = -1;
};

}  // namespace corvane
