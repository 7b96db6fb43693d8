// CTableView: what is drawn over the cells besides their values: the live cells and their
// trail, the cells that differ from a compared tune, and per-cell marks (AutoTune's pending
// corrections and those of other sources).
#include <QScrollBar>

#include "documents/CCorvaneMapsDoc.h"
#include "maps/CModuleMap.h"
#include "maps/CTableLivePosition.h"
#include "monitor/AutoTuneTableOverlay.h"
#include "model/NumberText.h"
#include "monitor/ModuleMapTarget.h"
#include "views/CTableView.h"

namespace corvane {

namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }

}  // namespace

// ---------------------------------------------------------------------------------------------
// Live position

QRect CTableView::LiveRect() const {
    if (!m_live || !m_live->HasPosition()) return {};
    const TableGeometry g = Geometry();
    QRect r;
    for (const auto& corner : m_live->Corners()) r |= g.CellRect(corner.cell);
    const auto place = m_live->Position();
    QPointF p = g.PlacePoint(place.row, place.column);
    r |= QRect(p.toPoint() - QPoint(6, 6), QSize(13, 13));
    for (const auto& t : m_live->Trail(Now())) {
        p = g.PlacePoint(t.place.row, t.place.column);
        r |= QRect(p.toPoint() - QPoint(4, 4), QSize(9, 9));
    }
    return r;
}

void CTableView::SetLivePosition(double rpm, double x) {
    if (!m_live) return;
    // Packets come 138 times a second; the live cells are drawn at most kLiveFrameMs apart, from
    // where they were at the last drawing to where they are then.
    if (!m_liveFrame.isActive()) {
        m_livePainted = LiveRect();
        m_liveFrame.start();
    }
    m_live->Update(rpm, x, Now());
}

void CTableView::PaintLiveFrame() { viewport()->update(m_livePainted | LiveRect()); }

void CTableView::ClearLivePosition() {
    m_liveFrame.stop();
    if (!m_live || !m_live->HasPosition()) return;
    m_live->Clear();
    viewport()->update();
}

// ---------------------------------------------------------------------------------------------
// Comparing

std::vector<const CModuleMap*> CTableView::ComparedRows() const {
    std::vector<const CModuleMap*> rows;
    if (m_compared == nullptr || !m_family) return rows;
    for (int row = 0; row < static_cast<int>(m_family->rowMaps.size()); ++row) {
        const int index = m_compared->FindMap(TableFamilies::RowClassName(m_family->classPrefix, row));
        const CModuleMap* map = index >= 0 ? m_compared->GetMap(index) : nullptr;
        if (map == nullptr) return {};
        rows.push_back(map);
    }
    return rows;
}

void CTableView::SetComparedTune(const CCorvaneMapsDoc* tune) {
    if (tune == m_compared) return;
    m_compared = tune;
    m_comparedRows = ComparedRows();
    viewport()->update();
}

bool CTableView::TakeComparedValues() {
    if (!m_editor || m_comparedRows.empty()) return false;
    const Look before = CurrentLook();
    const TableEditResult result = m_editor->TakeFrom(m_comparedRows);
    Finish(result, {});
    RepaintChanges(before);
    return result.changed;
}

QString CTableView::CellToolTip(TableCell cell) const {
    if (!m_editor || !m_editor->IsValid(cell)) return {};
    const CModuleMap& map = m_editor->RowMap(cell.row);
    const QString unit = Q(map.GetYUnit());
    QString tip = QString("%1 rpm, %2 %3: %4 %5")
                      .arg(m_editor->RowSpeed(cell.row))
                      .arg(Q(m_editor->FormatX(m_editor->ColumnX(cell.column))), Q(map.GetXUnit()),
                           Q(m_editor->FormatValue(m_editor->Value(cell))), unit);
    if (!m_editor->InSync(cell)) tip += "\nNot in sync with the module";
    for (int c : m_document.OutOfLimitPoints(map))
        if (c == cell.column)
            tip += "\nThe file held this value outside its limits: shown clamped until it is edited or the "
                   "clamped values are accepted (Edit menu)";
    if (!m_comparedRows.empty() && TableViewPainter::Differs(*m_editor, m_comparedRows, cell)) {
        const CModuleMap& other = *m_comparedRows[static_cast<std::size_t>(cell.row)];
        tip += QString("\nThis tune: %1 %2\nCompared tune: %3 %2")
                   .arg(Q(m_editor->FormatValue(m_editor->Value(cell))), unit,
                        Q(m_editor->FormatValue(other.GetPointDisplayValue(cell.column))));
    }
    if (const auto mark = ShownOverlay().At(cell)) tip += QString("\nPending correction: %1%").arg(Q(FormatFixed(mark->percent, 1)));
    return tip;
}

// ---------------------------------------------------------------------------------------------
// Marks and AutoTune

void CTableView::SetOverlay(const CTableOverlay& overlay) {
    const Look before = CurrentLook();
    m_overlay = overlay;
    RepaintChanges(before);
}

CTableOverlay CTableView::ShownOverlay() const {
    if (!m_editor) return {};
    CTableOverlay shown = AutoTuneTableOverlay(*m_autoTune, m_editor->Rows());
    for (const auto& mark : m_overlay.Marks()) shown.Set(mark.cell, mark.percent, mark.colour);
    return shown;
}

void CTableView::RebindAutoTune() {
    if (!m_editor) return;
    const int dropped = static_cast<int>(m_autoTune->Records().size());
    const int row = m_editor->Active().row;
    CModuleMap& map = m_editor->RowMap(row);
    m_autoTuneShown = std::make_unique<ModuleMapTarget>(map);
    m_autoTunePartner.reset();
    if (IsFuelMapClass(map.GetClassName())) {
        const int partner = m_document.FindMap(FuelRowPartnerClass(map.GetClassName()));
        if (CModuleMap* rear = partner >= 0 ? m_document.GetMap(partner) : nullptr)
            m_autoTunePartner = std::make_unique<ModuleMapTarget>(*rear);
    }
    // Corrections belong to the row they were measured on: another row drops them.
    m_autoTune->ShowMap(m_autoTuneShown.get(), m_autoTunePartner.get());
    m_autoTuneRow = row;
    if (dropped > 0) emit autoTuneDiscarded(dropped);
    emit autoTunePendingChanged(static_cast<int>(m_autoTune->Records().size()));
}

void CTableView::OnMonitorMessage(MonitorMessage message, int wParam, int lParam) {
    if (!m_editor) return;
    const Look before = CurrentLook();
    // The collector works on the row shown active now.
    AfterMove(m_autoTuneRow);
    // A correction is measured at the engine speed AutoTune was told to hold: one that arrives
    // for another row (queued before the active row moved) must not land on this one.
    if (message != MonitorMessage::MonitorBarCurrentTps &&
        m_document.App().targetEngineSpeed != m_editor->RowSpeed(m_editor->Active().row))
        return;
    // The marks show where corrections go; the selection stays the tuner's.
    (void)m_autoTune->Handle(message, wParam, lParam, false);
    RepaintChanges(before);
    emit autoTunePendingChanged(static_cast<int>(m_autoTune->Records().size()));
}

bool CTableView::ToggleAutoTune() {
    if (!m_editor) return false;
    const Look before = CurrentLook();
    const bool applied = m_autoTune->ToggleAutoTune(m_autoTuneHooks);
    if (applied) {
        m_message = "AutoTune corrections applied.";
        emit documentEdited();
    }
    emit autoTuneToggled();
    RepaintChanges(before);
    emit autoTunePendingChanged(static_cast<int>(m_autoTune->Records().size()));
    return applied;
}

}  // namespace corvane
