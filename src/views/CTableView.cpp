#include "views/CTableView.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QFontMetrics>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QRegion>
#include <QScrollBar>
#include <QToolTip>

#include <algorithm>

#include "documents/CCorvaneMapsDoc.h"
#include "maps/CModuleMap.h"
#include "maps/CTableLivePosition.h"
#include "maps/EditHistory.h"
#include "model/NumberText.h"
#include "model/Prompter.h"
#include "monitor/ModuleMapTarget.h"

namespace corvane {

namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }

constexpr const char* kPasteTitle = "Paste";

// The characters a typed number may hold.
bool IsNumberCharacter(QChar c) { return c.isDigit() || c == '.' || c == '-' || c == '+' || c == 'e' || c == 'E'; }

}  // namespace

CTableView::CTableView(CCorvaneMapsDoc& document, SettingsStore& settings, QWidget* parent)
    : QAbstractScrollArea(parent), m_document(document), m_settings(settings), m_colors(MapViewColors::Read(settings)) {
    for (int i = 0; i < document.GetMapCount(); ++i) m_maps.push_back(document.GetMap(i));
    m_autoTune = std::make_unique<CAutoTuneCollector>(document.App());
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    viewport()->setMouseTracking(false);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_clock.start();
    m_liveFrame.setSingleShot(true);
    m_liveFrame.setInterval(kLiveFrameMs);
    connect(&m_liveFrame, &QTimer::timeout, this, &CTableView::PaintLiveFrame);
    UpdateFonts();
    const auto families = Families();
    if (!families.empty()) ShowFamily(families.front().Name());
}

CTableView::~CTableView() = default;

QSize CTableView::sizeHint() const { return {1000, 700}; }
QSize CTableView::minimumSizeHint() const { return {320, 240}; }

std::vector<TableFamily> CTableView::Families() const { return TableFamilies::Present(m_maps); }

double CTableView::Now() const { return static_cast<double>(m_clock.nsecsElapsed()) * 1e-9; }

void CTableView::UpdateFonts() {
    // The system's font for everything, larger and bold for the title: the table follows the
    // desktop's choice of size.
    m_titleFont = font();
    m_titleFont.setBold(true);
    m_titleFont.setPointSizeF(font().pointSizeF() > 0 ? font().pointSizeF() * 1.3 : 12.0);
    m_smallFont = font();
    if (font().pointSizeF() > 0) m_smallFont.setPointSizeF(font().pointSizeF() * 0.8);
    if (m_editor) Remeasure();
}

void CTableView::Remeasure() {
    TableScene scene = Scene();
    const CTableOverlay overlay = ShownOverlay();
    scene.overlay = &overlay;
    m_metrics = TableViewPainter::Measure(scene);
    m_metricsWithMarks = !overlay.IsEmpty();
}

void CTableView::changeEvent(QEvent* event) {
    QAbstractScrollArea::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        UpdateFonts();
        UpdateScrollBars();
        viewport()->update();
    }
}

// ---------------------------------------------------------------------------------------------
// Families

bool CTableView::ShowFamily(const std::string& name) {
    const TableFamilyDef* def = TableFamilies::Find(name);
    if (def == nullptr) return false;
    auto family = TableFamilies::Resolve(m_maps, *def);
    if (!family) return false;
    const int previousRow = m_editor ? m_editor->Active().row : -1;
    const bool same = m_family && m_family->Name() == name;
    if (!same) {
        const TableCell keep = m_editor ? m_editor->Active() : TableCell{};
        const bool follow = m_editor && m_editor->FollowMode();
        m_family = std::move(family);
        Rebuild();
        m_editor->Select(keep);
        m_editor->SetFollowMode(follow);
    }
    AfterMove(same ? previousRow : -1);
    viewport()->update();
    return true;
}

bool CTableView::ShowMapPoint(int mapIndex, int point) {
    const auto place = TableFamilies::PlaceOf(m_maps, mapIndex);
    if (!place) return false;
    ShowFamily(place->family.Name());
    const int previousRow = m_editor->Active().row;
    m_editor->Select({place->row, point});
    AfterMove(previousRow);
    viewport()->update();
    return true;
}

void CTableView::Rebuild() {
    std::vector<CModuleMap*> rows;
    for (int index : m_family->rowMaps) rows.push_back(m_maps[static_cast<std::size_t>(index)]);
    m_editor = std::make_unique<CTableEditor>(rows);
    m_editor->SetHistory(&m_document.History(), m_family->Title());
    std::vector<int> speeds;
    for (int r = 0; r < m_editor->RowCount(); ++r) speeds.push_back(m_editor->RowSpeed(r));
    std::vector<double> xs;
    for (int c = 0; c < m_editor->ColumnCount(); ++c) xs.push_back(m_editor->ColumnX(c));
    m_live = std::make_unique<CTableLivePosition>(std::move(speeds), std::move(xs));
    m_editor->SetLiveCellSource([this]() -> std::optional<TableCell> {
        if (!m_live || !m_live->HasPosition()) return std::nullopt;
        return m_live->NearestCell();
    });
    m_comparedRows = ComparedRows();
    m_entry = Entry::None;
    m_message.clear();
    m_autoTuneRow = -1;
    Remeasure();
    horizontalScrollBar()->setValue(0);
    verticalScrollBar()->setValue(0);
    UpdateScrollBars();
}

int CTableView::ActiveMapIndex() const {
    if (!m_family || !m_editor) return -1;
    return m_family->rowMaps[static_cast<std::size_t>(m_editor->Active().row)];
}

int CTableView::ActivePoint() const { return m_editor ? m_editor->Active().column : -1; }

int CTableView::XAxisChannel() const { return m_editor ? m_editor->RowMap(0).GetXAxisMonitorChannel() : -1; }

// ---------------------------------------------------------------------------------------------
// Scene and geometry

TableScene CTableView::Scene() const {
    TableScene scene;
    scene.table = m_editor.get();
    if (!m_editor) return scene;
    const CModuleMap& first = m_editor->RowMap(0);
    scene.title = Q(m_family->Title()) + " (" + Q(first.GetYUnit()) + ")";
    scene.cornerText = "rpm \\ " + Q(first.GetXUnit());
    scene.font = font();
    scene.smallFont = m_smallFont;
    scene.titleFont = m_titleFont;
    scene.notInSync = MapViewColors::ToQColor(m_colors.notInSyncMarker);
    scene.compare = MapViewColors::ToQColor(m_colors.compareLine);
    scene.outOfLimits = QColor(0xFF, 0x30, 0x30);
    scene.outOfLimitCells = OutOfLimitCells();
    std::tie(scene.scaleLow, scene.scaleHigh) = TableViewPainter::ScaleRange(*m_editor);
    scene.live = m_live.get();
    scene.now = Now();
    scene.comparedRows = m_comparedRows.empty() ? nullptr : &m_comparedRows;
    scene.status = StatusText();
    return scene;
}

std::vector<char> CTableView::OutOfLimitCells() const {
    std::vector<char> cells;
    if (!m_editor) return cells;
    const int columns = m_editor->ColumnCount();
    for (int r = 0; r < m_editor->RowCount(); ++r)
        for (int c : m_document.OutOfLimitPoints(m_editor->RowMap(r))) {
            if (c < 0 || c >= columns) continue;
            if (cells.empty()) cells.assign(static_cast<std::size_t>(m_editor->RowCount() * columns), 0);
            cells[static_cast<std::size_t>(r * columns + c)] = 1;
        }
    return cells;
}

TableGeometry CTableView::Geometry() const {
    if (!m_editor) return {};
    return TableGeometry::Compute(viewport()->rect(), m_editor->RowCount(), m_editor->ColumnCount(), m_metrics,
                                  horizontalScrollBar()->value(), verticalScrollBar()->value(), true);
}

void CTableView::UpdateScrollBars() {
    if (!m_editor) return;
    const TableGeometry g = Geometry();
    const QRect cells = g.CellArea();
    const QSize content = g.ContentSize();
    horizontalScrollBar()->setRange(0, std::max(0, content.width() - cells.width()));
    horizontalScrollBar()->setPageStep(std::max(1, cells.width()));
    horizontalScrollBar()->setSingleStep(g.cellWidth);
    verticalScrollBar()->setRange(0, std::max(0, content.height() - cells.height()));
    verticalScrollBar()->setPageStep(std::max(1, cells.height()));
    verticalScrollBar()->setSingleStep(g.cellHeight);
}

void CTableView::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    UpdateScrollBars();
}

void CTableView::scrollContentsBy(int, int) { viewport()->update(); }

void CTableView::Select(TableCell anchor, TableCell active) {
    if (!m_editor) return;
    const Look before = CurrentLook();
    const int previousRow = m_editor->Active().row;
    m_editor->Select(anchor);
    m_editor->Select(active, true);
    EnsureActiveVisible();
    AfterMove(previousRow);
    RepaintChanges(before);
}

void CTableView::EnsureActiveVisible() {
    if (m_editor) EnsureVisible(m_editor->Active());
}

void CTableView::EnsureVisible(TableCell cell) {
    if (!m_editor || !m_editor->IsValid(cell)) return;
    const QPoint scroll = Geometry().ScrollToShow(cell);
    horizontalScrollBar()->setValue(scroll.x());
    verticalScrollBar()->setValue(scroll.y());
}

void CTableView::paintEvent(QPaintEvent* event) {
    QPainter painter(viewport());
    if (!m_editor) {
        painter.fillRect(event->rect(), palette().window());
        return;
    }
    TableScene scene = Scene();
    const CTableOverlay overlay = ShownOverlay();
    scene.overlay = &overlay;
    m_painter.Paint(painter, scene, Geometry(), event->rect());
}

QSize CTableView::PrintSize() const {
    if (!m_editor) return {1, 1};
    TableGeometry natural = TableGeometry::Compute(QRect(QPoint(0, 0), QSize(1, 1)), m_editor->RowCount(),
                                                   m_editor->ColumnCount(), m_metrics, 0, 0, false);
    return {natural.rowHeaderWidth + natural.ContentSize().width(),
            natural.titleHeight + natural.headerHeight + natural.ContentSize().height()};
}

void CTableView::PaintTable(QPainter& painter, const QRect& target) {
    if (!m_editor) return;
    TableScene scene = Scene();
    const CTableOverlay overlay = ShownOverlay();
    scene.overlay = &overlay;
    scene.live = nullptr;
    scene.showSelection = false;
    painter.save();
    painter.setFont(scene.font);
    // The table's natural size, scaled down as a whole when the target is smaller; nothing is
    // painted beyond it (a page keeps its white).
    const QSize size = PrintSize();
    const double scale = std::min({1.0, static_cast<double>(target.width()) / size.width(),
                                   static_cast<double>(target.height()) / size.height()});
    painter.translate(target.topLeft());
    painter.scale(scale, scale);
    const QRect area(QPoint(0, 0), QSize(std::min(size.width(), static_cast<int>(target.width() / scale)),
                                         std::min(size.height(), static_cast<int>(target.height() / scale))));
    m_painter.Paint(painter, scene,
                    TableGeometry::Compute(area, m_editor->RowCount(), m_editor->ColumnCount(), m_metrics, 0, 0, false));
    painter.restore();
}

// ---------------------------------------------------------------------------------------------
// Repainting only what changed

CTableView::Look CTableView::CurrentLook() const {
    Look look;
    look.family = m_family ? m_family->def : nullptr;
    if (!m_editor) return look;
    look.range = TableViewPainter::ScaleRange(*m_editor);
    look.selection = m_editor->Selection();
    look.active = m_editor->Active();
    const int n = m_editor->RowCount() * m_editor->ColumnCount();
    look.values.reserve(static_cast<std::size_t>(n));
    look.marks.reserve(static_cast<std::size_t>(n));
    for (int r = 0; r < m_editor->RowCount(); ++r)
        for (int c = 0; c < m_editor->ColumnCount(); ++c) {
            look.values.push_back(m_editor->ModuleValue({r, c}));
            const bool differs = !m_comparedRows.empty() && TableViewPainter::Differs(*m_editor, m_comparedRows, {r, c});
            look.marks.push_back(static_cast<char>((m_editor->InSync({r, c}) ? 1 : 0) | (differs ? 2 : 0)));
        }
    // A cell resolved by an edit loses its mark: that must repaint it too.
    const std::vector<char> outOfLimits = OutOfLimitCells();
    for (std::size_t k = 0; k < outOfLimits.size() && k < look.marks.size(); ++k)
        if (outOfLimits[k] != 0) look.marks[k] = static_cast<char>(look.marks[k] | 4);
    look.status = StatusText();
    look.scroll = {horizontalScrollBar()->value(), verticalScrollBar()->value()};
    look.overlay = ShownOverlay();
    return look;
}

void CTableView::RepaintChanges(const Look& before) {
    const Look after = CurrentLook();
    if (after.overlay.IsEmpty() == m_metricsWithMarks) {
        // Marks came or went: cells make room for their line, or give it back.
        Remeasure();
        UpdateScrollBars();
        viewport()->update();
        return;
    }
    if (before.family != after.family || before.range != after.range || before.scroll != after.scroll ||
        before.values.size() != after.values.size()) {
        viewport()->update();
        return;
    }
    const TableGeometry g = Geometry();
    QRegion dirty;
    const int columns = m_editor->ColumnCount();
    for (std::size_t i = 0; i < after.values.size(); ++i)
        if (before.values[i] != after.values[i] || before.marks[i] != after.marks[i])
            dirty += g.CellRect({static_cast<int>(i) / columns, static_cast<int>(i) % columns});
    if (before.selection != after.selection || before.active != after.active) {
        dirty += g.RangeRect(before.selection).adjusted(-2, -2, 2, 2);
        dirty += g.RangeRect(after.selection).adjusted(-2, -2, 2, 2);
        dirty += g.CellRect(before.active);
        dirty += g.CellRect(after.active);
        dirty += g.ColumnHeaderBand();
        dirty += g.RowHeaderBand();
    }
    if (!(before.overlay == after.overlay)) {
        for (const auto& m : before.overlay.Marks()) dirty += g.CellRect(m.cell);
        for (const auto& m : after.overlay.Marks()) dirty += g.CellRect(m.cell);
    }
    if (before.status != after.status) dirty += g.StatusRect();
    if (!dirty.isEmpty()) viewport()->update(dirty);
}

// ---------------------------------------------------------------------------------------------
// Status line

QString CTableView::StatusText() const {
    if (!m_editor) return {};
    switch (m_entry) {
        case Entry::Value: return "Set the selection to: " + m_entryText + "_   (Enter sets, Esc cancels)";
        case Entry::Percent: return "Multiply the selection by %: " + m_entryText + "_   (Enter multiplies, Esc cancels)";
        case Entry::Offset: return "Add to the selection: " + m_entryText + "_   (Enter adds, Esc cancels)";
        case Entry::None: break;
    }
    const TableCell a = m_editor->Active();
    const CModuleMap& map = m_editor->RowMap(a.row);
    QString text = QString("%1 rpm, %2 %3: %4 %5")
                       .arg(m_editor->RowSpeed(a.row))
                       .arg(Q(m_editor->FormatX(m_editor->ColumnX(a.column))), Q(map.GetXUnit()),
                            Q(m_editor->FormatValue(m_editor->Value(a))), Q(map.GetYUnit()));
    const TableRect sel = m_editor->Selection();
    if (sel.Rows() * sel.Columns() > 1) text += QString("   %1 x %2 cells selected").arg(sel.Rows()).arg(sel.Columns());
    if (m_editor->FollowMode()) text += "   Follow";
    if (!m_message.isEmpty()) text += "   " + m_message;
    return text;
}

// ---------------------------------------------------------------------------------------------
// Keys and commands

void CTableView::keyPressEvent(QKeyEvent* event) {
    if (!HandleKey(event->key(), event->modifiers(), event->text())) QAbstractScrollArea::keyPressEvent(event);
}

bool CTableView::HandleKey(int key, Qt::KeyboardModifiers modifiers, const QString& text) {
    if (!m_editor || (modifiers & Qt::AltModifier)) return false;
    const bool ctrl = modifiers & Qt::ControlModifier;
    const bool shift = modifiers & Qt::ShiftModifier;
    const Look before = CurrentLook();
    const int previousRow = m_editor->Active().row;

    if (m_entry != Entry::None) {
        bool used = true;
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            m_editor->FollowLive();
            ApplyEntry();
        } else if (key == Qt::Key_Escape) {
            m_entry = Entry::None;
        } else if (key == Qt::Key_Backspace) {
            if (m_entryText.isEmpty())
                m_entry = Entry::None;
            else
                m_entryText.chop(1);
        } else if (!ctrl && text.size() == 1 && IsNumberCharacter(text[0])) {
            m_entryText += text;
        } else {
            used = false;
            m_entry = Entry::None;  // any other key ends the typing, then acts as itself
        }
        if (used) {
            AfterMove(previousRow);
            RepaintChanges(before);
            return true;
        }
    }

    // In follow mode every key first goes to where the engine runs.
    m_editor->FollowLive();
    m_message.clear();
    bool handled = true;
    switch (key) {
        case Qt::Key_Left: m_editor->Move(0, -1, shift); break;
        case Qt::Key_Right: m_editor->Move(0, 1, shift); break;
        case Qt::Key_PageUp: m_editor->Move(-1, 0, shift); break;
        case Qt::Key_PageDown: m_editor->Move(1, 0, shift); break;
        case Qt::Key_Home:
            m_editor->Select(ctrl ? TableCell{0, m_editor->Active().column} : TableCell{m_editor->Active().row, 0}, shift);
            break;
        case Qt::Key_End:
            m_editor->Select(ctrl ? TableCell{m_editor->RowCount() - 1, m_editor->Active().column}
                                  : TableCell{m_editor->Active().row, m_editor->ColumnCount() - 1},
                             shift);
            break;
        case Qt::Key_Up:
        case Qt::Key_Down: {
            const int sign = key == Qt::Key_Up ? 1 : -1;
            if (shift)
                m_editor->Move(-sign, 0, true);
            else
                Finish(m_editor->Step(sign * (ctrl ? 10 : 1)), {});
            break;
        }
        case Qt::Key_Insert: RunCommand(TableCommand::ToggleFollow); break;
        case Qt::Key_Escape: m_editor->Select(m_editor->Active()); break;
        case Qt::Key_Space:
            if (shift)
                RunCommand(TableCommand::SelectRows);
            else if (ctrl)
                RunCommand(TableCommand::SelectColumns);
            else
                handled = false;
            break;
        case Qt::Key_A: ctrl ? RunCommand(TableCommand::SelectAll) : void(handled = false); break;
        case Qt::Key_C: ctrl ? RunCommand(TableCommand::Copy) : void(handled = false); break;
        case Qt::Key_V:
            if (ctrl)
                RunCommand(TableCommand::Paste);
            else
                RunCommand(TableCommand::InterpolateDown);
            break;
        case Qt::Key_Z: ctrl ? RunCommand(shift ? TableCommand::Redo : TableCommand::Undo) : void(handled = false); break;
        case Qt::Key_Y: ctrl ? RunCommand(TableCommand::Redo) : void(handled = false); break;
        case Qt::Key_H: !ctrl ? RunCommand(TableCommand::InterpolateAcross) : void(handled = false); break;
        case Qt::Key_B: !ctrl ? RunCommand(TableCommand::InterpolateFromEdges) : void(handled = false); break;
        case Qt::Key_S: !ctrl ? RunCommand(TableCommand::Smooth) : void(handled = false); break;
        case Qt::Key_T: !ctrl ? RunCommand(TableCommand::ShowCurve) : void(handled = false); break;
        case Qt::Key_M: ctrl ? void(ToggleAutoTune()) : void(handled = false); break;
        default:
            handled = false;
            if (!ctrl && text.size() == 1) {
                const QChar c = text[0];
                if (c.isDigit() || c == '.' || c == '-') {
                    StartEntry(Entry::Value, text);
                    handled = true;
                } else if (c == '*') {
                    StartEntry(Entry::Percent);
                    handled = true;
                } else if (c == '+') {
                    StartEntry(Entry::Offset);
                    handled = true;
                }
            }
            break;
    }
    if (handled) {
        EnsureActiveVisible();
        AfterMove(previousRow);
        RepaintChanges(before);
    }
    return handled;
}

void CTableView::StartEntry(Entry entry, const QString& text) {
    m_entry = entry;
    m_entryText = text;
    m_message.clear();
}

void CTableView::ApplyEntry() {
    const Entry entry = m_entry;
    m_entry = Entry::None;
    const auto value = ParseNumber(m_entryText.toStdString());
    if (!value) {
        m_message = QString("\"%1\" is not a number; nothing changed.").arg(m_entryText);
        return;
    }
    switch (entry) {
        case Entry::Value: Finish(m_editor->SetValue(*value), {}); break;
        case Entry::Percent: Finish(m_editor->MultiplyByPercent(*value), {}); break;
        case Entry::Offset: Finish(m_editor->AddOffset(*value), {}); break;
        case Entry::None: break;
    }
}

void CTableView::RunCommand(TableCommand command) {
    if (!m_editor) return;
    const Look before = CurrentLook();
    const int previousRow = m_editor->Active().row;
    m_message.clear();
    switch (command) {
        case TableCommand::Copy:
            QApplication::clipboard()->setText(Q(m_editor->CopyText()));
            m_message = "Copied.";
            break;
        case TableCommand::Paste: {
            const TableEditResult result = m_editor->PasteText(QApplication::clipboard()->text().toStdString());
            if (!result.message.empty()) Tell(result.message, kPasteTitle);
            Finish(result, {});
            break;
        }
        case TableCommand::Undo:
        case TableCommand::Redo: {
            // The document's history: the last edit of any view, put back through the maps' push.
            EditHistory& history = m_document.History();
            const bool undo = command == TableCommand::Undo;
            const std::size_t index = undo ? history.Position() - 1 : history.Position();
            const bool can = undo ? history.CanUndo() : history.CanRedo();
            const QString what = can ? Q(history.Description(index)) : QString();
            if (can && (undo ? history.Undo() : history.Redo())) {
                m_message = (undo ? "Undone: " : "Redone: ") + what + ".";
                emit documentEdited();
            } else {
                m_message = undo ? "Nothing to undo." : "Nothing to redo.";
            }
            break;
        }
        case TableCommand::SelectAll: m_editor->SelectAll(); break;
        case TableCommand::SelectRows: {
            const TableRect sel = m_editor->Selection();
            const int row = m_editor->Active().row;
            m_editor->SelectRows(row == sel.top ? sel.bottom : sel.top, row);
            break;
        }
        case TableCommand::SelectColumns: {
            const TableRect sel = m_editor->Selection();
            const int column = m_editor->Active().column;
            m_editor->SelectColumns(column == sel.left ? sel.right : sel.left, column);
            break;
        }
        case TableCommand::InterpolateAcross: Finish(m_editor->InterpolateHorizontally(), {}); break;
        case TableCommand::InterpolateDown: Finish(m_editor->InterpolateVertically(), {}); break;
        case TableCommand::InterpolateFromEdges: Finish(m_editor->InterpolateBilinearly(), {}); break;
        case TableCommand::Smooth: Finish(m_editor->Smooth(), {}); break;
        case TableCommand::EnterValue: StartEntry(Entry::Value); break;
        case TableCommand::EnterPercent: StartEntry(Entry::Percent); break;
        case TableCommand::EnterOffset: StartEntry(Entry::Offset); break;
        case TableCommand::TakeComparedValues: TakeComparedValues(); break;
        case TableCommand::ShowCurve: emit curveRequested(ActiveMapIndex(), ActivePoint()); return;
        case TableCommand::ToggleFollow: m_editor->SetFollowMode(!m_editor->FollowMode()); break;
    }
    AfterMove(previousRow);
    RepaintChanges(before);
}

void CTableView::Finish(const TableEditResult& result, const QString& done) {
    if (!result.message.empty()) {
        m_message = Q(result.message);
    } else if (result.changed) {
        m_message = done.isEmpty() ? QString("%1 cell%2 changed.").arg(result.cellsChanged).arg(result.cellsChanged == 1 ? "" : "s")
                                   : done;
        if (result.cellsClamped > 0)
            m_message += QString(" %1 held at %2.").arg(result.cellsClamped).arg(result.cellsClamped == 1 ? "its limit" : "their limits");
    } else if (result.cellsClamped > 0) {
        m_message = "Nothing changed: the cells are at their limits.";
    } else {
        m_message = "Nothing changed.";
    }
    if (result.changed) emit documentEdited();
}

void CTableView::Tell(const std::string& message, const char* title) const {
    if (Prompter* prompter = m_document.Context().prompter)
        prompter->Message(message, title, Prompter::Icon::Error, Prompter::Buttons::Ok);
}

void CTableView::AfterMove(int previousRow) {
    if (!m_editor) return;
    const int row = m_editor->Active().row;
    if (row == m_autoTuneRow && row == previousRow) return;
    RebindAutoTune();
    if (row != previousRow) emit activeRowChanged(ActiveMapIndex());
}

// ---------------------------------------------------------------------------------------------
// Mouse

void CTableView::mousePressEvent(QMouseEvent* event) {
    if (!m_editor || event->button() != Qt::LeftButton) {
        QAbstractScrollArea::mousePressEvent(event);
        return;
    }
    setFocus(Qt::MouseFocusReason);
    const Look before = CurrentLook();
    const int previousRow = m_editor->Active().row;
    m_entry = Entry::None;
    const TableGeometry g = Geometry();
    const QPoint p = event->position().toPoint();
    const bool shift = event->modifiers() & Qt::ShiftModifier;
    if (const auto cell = g.CellAt(p)) {
        m_editor->Select(*cell, shift);
        m_drag = Drag::Cells;
    } else if (g.ColumnHeaderBand().contains(p)) {
        m_dragStart = shift ? m_editor->Selection().left : g.ColumnAt(p.x());
        m_editor->SelectColumns(m_dragStart, g.ColumnAt(p.x()));
        m_drag = Drag::Columns;
    } else if (g.RowHeaderBand().contains(p)) {
        m_dragStart = shift ? m_editor->Selection().top : g.RowAt(p.y());
        m_editor->SelectRows(m_dragStart, g.RowAt(p.y()));
        m_drag = Drag::Rows;
    } else if (g.CornerRect().contains(p)) {
        m_editor->SelectAll();
    }
    AfterMove(previousRow);
    RepaintChanges(before);
}

void CTableView::mouseMoveEvent(QMouseEvent* event) {
    if (!m_editor || m_drag == Drag::None) return;
    const Look before = CurrentLook();
    const int previousRow = m_editor->Active().row;
    const TableGeometry g = Geometry();
    const QPoint p = event->position().toPoint();
    switch (m_drag) {
        case Drag::Cells: m_editor->Select({g.RowAt(p.y()), g.ColumnAt(p.x())}, true); break;
        case Drag::Rows: m_editor->SelectRows(m_dragStart, g.RowAt(p.y())); break;
        case Drag::Columns: m_editor->SelectColumns(m_dragStart, g.ColumnAt(p.x())); break;
        case Drag::None: break;
    }
    // A drag beyond the edge scrolls the table along.
    if (!g.CellArea().contains(p)) EnsureActiveVisible();
    AfterMove(previousRow);
    RepaintChanges(before);
}

void CTableView::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        m_drag = Drag::None;
        event->accept();
        return;
    }
    QAbstractScrollArea::mouseReleaseEvent(event);
}

void CTableView::mouseDoubleClickEvent(QMouseEvent* event) {
    if (m_editor && Geometry().CellAt(event->position().toPoint())) {
        RunCommand(TableCommand::ShowCurve);
        return;
    }
    QAbstractScrollArea::mouseDoubleClickEvent(event);
}

bool CTableView::viewportEvent(QEvent* event) {
    if (event->type() == QEvent::ToolTip && m_editor) {
        auto* help = static_cast<QHelpEvent*>(event);
        if (const auto cell = Geometry().CellAt(help->pos()))
            QToolTip::showText(help->globalPos(), CellToolTip(*cell), viewport());
        else
            QToolTip::hideText();
        return true;
    }
    return QAbstractScrollArea::viewportEvent(event);
}

void CTableView::BuildMenu(QMenu& menu) {
    auto add = [&](const QString& text, const QString& key, TableCommand command, bool enabled = true) {
        QAction* action = menu.addAction(key.isEmpty() ? text : text + "\t" + key);
        action->setEnabled(enabled);
        connect(action, &QAction::triggered, this, [this, command] { RunCommand(command); });
        return action;
    };
    add("Set Value...", "0-9", TableCommand::EnterValue);
    add("Multiply by Percent...", "*", TableCommand::EnterPercent);
    add("Add Offset...", "+", TableCommand::EnterOffset);
    menu.addSeparator();
    add("Interpolate Across", "H", TableCommand::InterpolateAcross);
    add("Interpolate Down", "V", TableCommand::InterpolateDown);
    add("Interpolate From Edges", "B", TableCommand::InterpolateFromEdges);
    add("Smooth", "S", TableCommand::Smooth);
    menu.addSeparator();
    add("Undo", "Ctrl+Z", TableCommand::Undo, m_document.History().CanUndo());
    add("Redo", "Ctrl+Y", TableCommand::Redo, m_document.History().CanRedo());
    add("Copy", "Ctrl+C", TableCommand::Copy);
    add("Paste", "Ctrl+V", TableCommand::Paste);
    add("Select All", "Ctrl+A", TableCommand::SelectAll);
    menu.addSeparator();
    add("Take Value", {}, TableCommand::TakeComparedValues, m_compared != nullptr);
    add("Show Curve", "T", TableCommand::ShowCurve);
    QAction* follow = add("Follow Live Position", "Ins", TableCommand::ToggleFollow);
    follow->setCheckable(true);
    follow->setChecked(m_editor->FollowMode());
}

void CTableView::contextMenuEvent(QContextMenuEvent* event) {
    if (!m_editor) return;
    // A right click outside the selection selects the cell under it first, as spreadsheets do.
    // The scroll area hands on the viewport's event in the viewport's coordinates, which are the
    // cells' own; the menu key has no cell under it.
    const auto cell = event->reason() == QContextMenuEvent::Mouse ? Geometry().CellAt(event->pos()) : std::nullopt;
    if (cell && !m_editor->Selection().Contains(*cell)) {
        const Look before = CurrentLook();
        const int previousRow = m_editor->Active().row;
        m_editor->Select(*cell);
        AfterMove(previousRow);
        RepaintChanges(before);
    }
    QMenu menu(this);
    BuildMenu(menu);
    menu.exec(event->globalPos());
}

// ---------------------------------------------------------------------------------------------

void CTableView::OnDocumentUpdated() {
    if (m_editor) m_comparedRows = ComparedRows();
    viewport()->update();
}

void CTableView::ReloadColors() {
    m_colors = MapViewColors::Read(m_settings);
    viewport()->update();
}

}  // namespace corvane
