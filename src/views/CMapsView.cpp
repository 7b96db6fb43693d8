#include "views/CMapsView.h"

#include "maps/EditHistory.h"

#include <QFontMetrics>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPolygon>
#include <QRegion>

#include <algorithm>

#include "comms/api/Rounding.h"
#include "documents/CCorvaneMapsDoc.h"
#include "maps/CModuleMap.h"
#include "maps/MapDescription.h"
#include "maps/TableFamilies.h"
#include "model/AppState.h"
#include "model/NumberText.h"
#include "monitor/AutoTuneMapTarget.h"
#include "monitor/ModuleMapTarget.h"
#include "views/CAfrEditDlg.h"
#include "views/MapViewKeys.h"

namespace corvane {

namespace {

// The title is always this green, whatever the settings say.
const QColor kTitleColor(0x00, 0xFF, 0x00);
const QColor kMarkFrameColor(0x00, 0xFF, 0x00);
// A point a damaged file held outside its limits: a cross over the marker until it is
// edited or the clamped values are accepted.
const QColor kOutOfLimitsColor(0xFF, 0x30, 0x30);
const QColor kLiveBandColor(0xFF, 0xFF, 0xFF, 0x30);
const QColor kLiveLineColor(0xFF, 0xFF, 0x00);
const QColor kInfoBoxFill(0xFF, 0xFF, 0xE1);
const QColor kInfoBoxText(0x00, 0x00, 0x00);

constexpr int kTitleLeftOfOrigin = 40;
constexpr int kYAxisTextLeftOfPlot = 70;
constexpr int kXAxisTextBelowPlot = 40;
constexpr int kXAxisTextLeftOfCentre = 20;
constexpr int kLabelGap = 4;         // between the plot and its grid labels
constexpr int kLiveStripMargin = 3;  // the live strip reaches this far past the two points
constexpr int kInfoBoxOffset = 12;   // from the active point to the info box
constexpr int kInfoBoxPadding = 4;
constexpr int kLabelCellHeight = 14;
constexpr int kInfoCellHeight = 15;

std::vector<CModuleMap*> MapsOf(const CCorvaneMapsDoc& doc) {
    std::vector<CModuleMap*> maps;
    maps.reserve(static_cast<std::size_t>(doc.GetMapCount()));
    for (int i = 0; i < doc.GetMapCount(); ++i) maps.push_back(doc.GetMap(i));
    return maps;
}

// "Arial" whose character cell (ascent + descent) is cellHeight pixels, as a font of that
// height is laid out by the layouts these views follow.
QFont ArialCell(int cellHeight, QFont::Weight weight) {
    QFont font(QStringLiteral("Arial"));
    font.setWeight(weight);
    font.setPixelSize(cellHeight);
    const int measured = QFontMetrics(font).height();
    if (measured > cellHeight)
        font.setPixelSize(std::max(1, RoundToInteger(cellHeight * static_cast<double>(cellHeight) / measured)));
    return font;
}

QColor Inverted(const QColor& c) { return QColor(255 - c.red(), 255 - c.green(), 255 - c.blue()); }

// A one-pixel frame inside rect: exact pixels, whatever the pen rules.
void Frame(QPainter& painter, const QRect& r, const QColor& color) {
    painter.fillRect(QRect(r.left(), r.top(), r.width(), 1), color);
    painter.fillRect(QRect(r.left(), r.bottom(), r.width(), 1), color);
    painter.fillRect(QRect(r.left(), r.top(), 1, r.height()), color);
    painter.fillRect(QRect(r.right(), r.top(), 1, r.height()), color);
}

QString AxisText(const std::string& name, const std::string& unit) {
    return QString::fromStdString(AxisTitle(name, unit));
}

// Text drawn rotated a quarter turn, reading upwards, its top edge at x and centred on y.
void DrawUpwardText(QPainter& painter, const QString& text, int x, int centreY) {
    const QFontMetrics fm(painter.font());
    const int w = fm.horizontalAdvance(text);
    painter.save();
    painter.translate(x, centreY);
    painter.rotate(-90.0);
    painter.drawText(QRect(-w / 2, 0, w + 1, fm.height()), Qt::AlignLeft | Qt::AlignTop, text);
    painter.restore();
}

}  // namespace

CMapsView::CMapsView(EditorView kind, CCorvaneMapsDoc& document, SettingsStore& settings, QWidget* parent)
    : QWidget(parent),
      m_kind(kind),
      m_document(document),
      m_settings(settings),
      m_editor(std::make_unique<CMapEditor>(kind, MapsOf(document), &document.Context())),
      m_colors(MapViewColors::Read(settings)),
      m_titleFont(ArialCell(CModuleMap::kTitleFontHeight, QFont::Bold)),
      m_axisFont(ArialCell(CModuleMap::kAxisFontHeight, QFont::Normal)),
      m_labelFont(ArialCell(kLabelCellHeight, QFont::Normal)),
      m_infoFont(ArialCell(kInfoCellHeight, QFont::Normal)) {
    m_autoTune = std::make_unique<CAutoTuneCollector>(document.App());
    setFocusPolicy(Qt::StrongFocus);
    // Every paint fills its whole rectangle first.
    setAttribute(Qt::WA_OpaquePaintEvent);
    // Edits of the idle speed map carry the idle speed setting along, in the core.
    m_editor->SetIdleMapSync(&document.IdleSync());
    m_editor->SetHistory(&document.History());
    m_editor->SetAfrSource([this] { return CAfrEditDlg::Ask(this); });
    m_editor->SetLivePointSource([this]() -> std::optional<int> {
        const CModuleMap* map = ShownMap();
        if (!m_livePointerX || map == nullptr) return std::nullopt;
        return map->GetMapPointerIndex();
    });
    m_editor->ShowMap(0);
    BeginShowingMap();
}

CMapsView::~CMapsView() = default;

EditorView CMapsView::Kind() const { return m_kind; }
CCorvaneMapsDoc& CMapsView::Document() const { return m_document; }
CMapEditor& CMapsView::Editor() { return *m_editor; }
const CMapEditor& CMapsView::Editor() const { return *m_editor; }
int CMapsView::MapIndex() const { return m_editor->MapIndex(); }
CModuleMap* CMapsView::ShownMap() const { return m_editor->Map(); }

QSize CMapsView::sizeHint() const { return {1000, 700}; }
QSize CMapsView::minimumSizeHint() const { return {320, 240}; }

void CMapsView::SetAfrSource(std::function<std::optional<double>()> source) {
    m_editor->SetAfrSource(std::move(source));
}

void CMapsView::SetColors(const MapViewColors& colors) {
    m_colors = colors;
    update();
}

void CMapsView::ReloadColors() { SetColors(MapViewColors::Read(m_settings)); }

MapGraphLayout CMapsView::Layout() const {
    const CModuleMap* map = ShownMap();
    if (map == nullptr) return {};
    return MapGraphLayout::Compute(*map, size());
}

namespace {

// The shown map's plot at another map's scales: the partner is drawn over the same throttle
// axis and the same plot, its y values at its own range.
MapGraphLayout PartnerLayoutOf(const MapGraphLayout& shown, const CModuleMap& partner) {
    MapGraphLayout layout = shown;
    layout.x = {partner.GetDisplayMinimum().x, partner.GetDisplayMaximum().x};
    layout.y = {partner.GetDisplayMinimum().y, partner.GetDisplayMaximum().y};
    // Markers of the second map are 2 pixels larger, as the shown map's are drawn inside them.
    layout.markerSide += 2;
    return layout;
}

}  // namespace

CModuleMap* CMapsView::PartnerMap() const {
    const auto partner = m_editor->FrontRearPartner();
    return partner ? m_document.GetMap(*partner) : nullptr;
}

QPoint CMapsView::PartnerPointPixel(int index) const {
    const CModuleMap* partner = PartnerMap();
    if (partner == nullptr || index < 0 || index >= partner->GetNumberOfPoints()) return {};
    const MapGraphLayout layout = PartnerLayoutOf(Layout(), *partner);
    return {layout.PixelX(partner->GetPointX(index)), layout.PixelY(partner->GetPointDisplayValue(index))};
}

QPoint CMapsView::PointPixel(int index) const {
    const CModuleMap* map = ShownMap();
    if (map == nullptr || index < 0 || index >= map->GetNumberOfPoints()) return {};
    const MapGraphLayout layout = Layout();
    return {layout.PixelX(map->GetPointX(index)), layout.PixelY(map->GetPointDisplayValue(index))};
}

// ---------------------------------------------------------------------------------------------
// Showing maps

void CMapsView::BeginShowingMap() {
    CancelDrag();
    CModuleMap* map = ShownMap();
    if (map == nullptr) return;
    // A composite mirrors the rows it stands for, which other maps may have changed.
    map->SyncFromRows();
    if (!map->IsGridBuilt()) map->BuildAxisGrid();
    // A live position belongs to the x axis of the map it was measured for.
    m_livePointerX.reset();
    RebindAutoTune();
}

// ---------------------------------------------------------------------------------------------
// AutoTune

void CMapsView::RebindAutoTune() {
    if (!m_autoTune) return;
    const int dropped = static_cast<int>(m_autoTune->Records().size());
    CModuleMap* map = ShownMap();
    m_shownTarget = map ? std::make_unique<ModuleMapTarget>(*map) : nullptr;
    m_partnerTarget.reset();
    if (map && IsFuelMapClass(map->GetClassName())) {
        if (const auto partner = m_editor->FrontRearPartner())
            if (CModuleMap* rear = m_document.GetMap(*partner)) m_partnerTarget = std::make_unique<ModuleMapTarget>(*rear);
    }
    // Corrections belong to the map they were measured on: another map drops them.
    m_autoTune->ShowMap(m_shownTarget.get(), m_partnerTarget.get());
    if (dropped > 0) emit autoTuneDiscarded(dropped);
    NotePendingCorrections();
}

void CMapsView::NotePendingCorrections() {
    const int pending = m_autoTune ? static_cast<int>(m_autoTune->Records().size()) : 0;
    if (pending == m_pendingTold) return;
    m_pendingTold = pending;
    emit autoTunePendingChanged(pending);
}

void CMapsView::OnMonitorMessage(MonitorMessage message, int wParam, int lParam) {
    CModuleMap* map = ShownMap();
    if (map == nullptr) return;
    const Look before = CurrentLook();
    int active = -1;
    if (m_kind == EditorView::AdvancedUser) {
        // The trim view takes the fuel correction only, and at once.
        if (message != MonitorMessage::AutoTuneUpdate) return;
        active = m_autoTune->OnAutoTuneUpdateImmediate(wParam, lParam);
    } else {
        active = m_autoTune->Handle(message, wParam, lParam, m_editor->FollowMode());
    }
    if (active >= 0) m_editor->SetActivePoint(active);
    EditOutcome outcome;
    if (m_kind == EditorView::AdvancedUser && active >= 0) {
        outcome.pointsChanged = true;
        outcome.firstChanged = outcome.lastChanged = active;
    }
    Finish(outcome, before);
    // The marks of the collected corrections.
    if (m_kind == EditorView::Maps && message != MonitorMessage::MonitorBarCurrentTps) update();
    NotePendingCorrections();
}

bool CMapsView::ToggleAutoTune() {
    const Look before = CurrentLook();
    bool applied = false;
    {
        // Everything Ctrl+M applies, on however many points of the fuel and rear rows, is one
        // step of the edit history.
        EditHistory::Step step = m_document.History().Begin("AutoTune: corrections applied");
        applied = m_autoTune->ToggleAutoTune(m_autoTuneHooks);
    }
    m_lastAutoTuneText = applied ? QString::fromStdString(m_autoTune->LastAppliedText()) : QString();
    EditOutcome outcome;
    outcome.handled = outcome.autoTuneToggled = true;
    if (applied) {
        CModuleMap* map = ShownMap();
        outcome.pointsChanged = true;
        outcome.firstChanged = 0;
        outcome.lastChanged = map ? map->GetNumberOfPoints() - 1 : 0;
    }
    Finish(outcome, before);
    update();
    NotePendingCorrections();
    return applied;
}

void CMapsView::PaintAutoTuneMarks(QPainter& painter, const Look& look) const {
    if (m_kind != EditorView::Maps || m_autoTune->Records().empty()) return;
    painter.save();
    painter.setFont(m_labelFont);
    const QFontMetrics fm(m_labelFont);
    for (const CFuelingDataItem& record : m_autoTune->Records()) {
        // Marks show on the map they will change: fuel on a fuel row, rear trims on theirs.
        if (m_autoTune->TargetOfRecord(record) != m_shownTarget.get()) continue;
        if (record.site < 0 || record.site >= static_cast<int>(look.markers.size())) continue;
        const QPoint at = look.markers[static_cast<std::size_t>(record.site)].centre;
        const double percent = m_autoTune->CorrectionPercent(record);
        const QColor colour = percent >= 0 ? QColor(255, 160, 0) : QColor(0, 200, 255);
        // A triangle pointing the way the point will move, and the change in percent.
        const int dir = percent >= 0 ? -1 : 1;
        QPolygon arrow;
        arrow << QPoint(at.x() - 5, at.y() + dir * 8) << QPoint(at.x() + 5, at.y() + dir * 8)
              << QPoint(at.x(), at.y() + dir * 14);
        painter.setPen(Qt::NoPen);
        painter.setBrush(colour);
        painter.drawPolygon(arrow);
        const QString label = QString::fromStdString(FormatSigned(percent, 1) + "%");
        const int y = dir < 0 ? at.y() - 16 - fm.descent() : at.y() + 16 + fm.ascent();
        painter.setPen(colour);
        painter.drawText(at.x() - fm.horizontalAdvance(label) / 2, y, label);
    }
    painter.restore();
}

void CMapsView::ShowMap(int index) {
    if (index < 0 || index >= m_document.GetMapCount()) return;
    const bool changed = index != MapIndex() || !m_shownOnce;
    m_editor->ShowMap(index);
    BeginShowingMap();
    update();
    if (changed) {
        m_shownOnce = true;
        emit mapShown(MapIndex());
    }
}

void CMapsView::OnDocumentUpdated() {
    CancelDrag();
    if (CModuleMap* map = ShownMap()) map->SyncFromRows();
    update();
}

void CMapsView::SetActivePoint(int index) {
    CancelDrag();
    const Look before = CurrentLook();
    m_editor->SetActivePoint(index);
    RepaintChanges(before, CurrentLook());
}

// ---------------------------------------------------------------------------------------------
// Comparing with another tune

void CMapsView::SetComparedTune(const CCorvaneMapsDoc* tune) {
    if (tune == m_compared) return;
    m_compared = tune;
    update();
}

bool CMapsView::TakeComparedValue(int index) {
    if (m_compared == nullptr) return false;
    const CModuleMap* source = m_compared->GetMap(MapIndex());
    if (source == nullptr) return false;
    CancelDrag();
    const Look before = CurrentLook();
    const EditOutcome outcome = m_editor->TakePointFrom(index, *source);
    if (!outcome.pointsChanged) return false;
    Finish(outcome, before);
    return true;
}

void CMapsView::PaintComparedCurve(QPainter& painter, const MapGraphLayout& layout) const {
    const CModuleMap* shown = ShownMap();
    const CModuleMap* other = m_compared != nullptr ? m_compared->GetMap(MapIndex()) : nullptr;
    if (shown == nullptr || other == nullptr || other->GetNumberOfPoints() != shown->GetNumberOfPoints()) return;
    const int n = other->GetNumberOfPoints();
    if (n <= 0) return;
    // The same axes as the shown map: both tunes are of one product, so the map is the same.
    QPolygon curve(n);
    for (int i = 0; i < n; ++i)
        curve.setPoint(i, layout.PixelX(other->GetPointX(i)), layout.PixelY(other->GetPointDisplayValue(i)));
    painter.save();
    // Two pixels wide and drawn first, so the document's own curve and markers stay on top.
    painter.setPen(QPen(MapViewColors::ToQColor(m_colors.compareLine), 2));
    painter.drawPolyline(curve);
    painter.restore();
}

void CMapsView::PaintPartner(QPainter& painter, const MapGraphLayout& shownLayout) const {
    const CModuleMap* partner = PartnerMap();
    if (partner == nullptr || partner->GetNumberOfPoints() <= 0) return;
    const MapGraphLayout layout = PartnerLayoutOf(shownLayout, *partner);
    const QColor colour = MapViewColors::ToQColor(m_colors.partnerLine);
    const int n = partner->GetNumberOfPoints();
    QPolygon curve(n);
    for (int i = 0; i < n; ++i)
        curve.setPoint(i, layout.PixelX(partner->GetPointX(i)), layout.PixelY(partner->GetPointDisplayValue(i)));
    painter.save();
    painter.setPen(QPen(colour, 1, Qt::DashLine));
    painter.drawPolyline(curve);
    const QColor inSync = MapViewColors::ToQColor(m_colors.inSyncMarker);
    const QColor notInSync = MapViewColors::ToQColor(m_colors.notInSyncMarker);
    for (int i = 0; i < n; ++i) {
        const QRect r = layout.MarkerRect(curve.point(i));
        painter.fillRect(r, partner->IsPointInSync(i) ? inSync : notInSync);
        // A frame in the partner's colour tells its markers from the shown map's.
        Frame(painter, r, colour);
    }

    painter.setFont(m_labelFont);
    painter.setPen(colour);
    const QFontMetrics fm(m_labelFont);
    const QRect plot = shownLayout.Plot();
    const std::string range = FormatFixed(layout.y.minimum, 1) + " … " + FormatFixed(layout.y.maximum, 1) + " " +
                              partner->GetYUnit();
    // The legend, right-aligned above the plot: which map the dashed curve is, at what scale.
    const QString legend = QString::fromStdString("- - " + partner->GetTitle() + " (" + range + ")");
    const int legendWidth = fm.horizontalAdvance(legend);
    painter.drawText(QRect(plot.right() - legendWidth, plot.top() - fm.height() - 2, legendWidth + 1, fm.height()),
                     Qt::AlignLeft | Qt::AlignTop, legend);
    // Its scale on the right of the plot, one value per horizontal grid line; the trim view has
    // its trim scale there.
    if (m_kind == EditorView::Maps) {
        const CModuleMap& shown = *ShownMap();
        for (double v : shown.GetYGridValues()) {
            const int y = shownLayout.PixelY(v);
            const double at = layout.y.minimum +
                              (shownLayout.origin.y() - y) * (layout.y.maximum - layout.y.minimum) / std::max(layout.plotHeight, 1);
            const QString label = QString::fromStdString(FormatFixed(at, 1));
            painter.drawText(QRect(plot.right() + kLabelGap, y - fm.height() / 2, fm.horizontalAdvance(label) + 1, fm.height()),
                             Qt::AlignLeft | Qt::AlignTop, label);
        }
    }
    painter.restore();
}

// ---------------------------------------------------------------------------------------------
// Live map pointer

QRect CMapsView::LiveStrip() const {
    const CModuleMap* map = ShownMap();
    if (!m_livePointerX || map == nullptr) return {};
    const MapGraphLayout layout = Layout();
    const QRect plot = layout.Plot();
    const int lower = std::clamp(layout.PixelX(map->GetMapPointerLowerX()), plot.left(), plot.right());
    const int upper = std::clamp(layout.PixelX(map->GetMapPointerUpperX()), plot.left(), plot.right());
    return QRect(QPoint(std::min(lower, upper) - kLiveStripMargin, plot.top()),
                 QPoint(std::max(lower, upper) + kLiveStripMargin, plot.bottom()));
}

void CMapsView::SetMapPointerPosition(double x) {
    CModuleMap* map = ShownMap();
    if (map == nullptr) return;
    const QRect before = LiveStrip();
    map->SetMapPointerPosition(x);
    m_livePointerX = x;
    if (!before.isEmpty()) update(before);
    update(LiveStrip());
}

void CMapsView::ClearMapPointer() {
    const QRect before = LiveStrip();
    m_livePointerX.reset();
    if (!before.isEmpty()) update(before);
}

// ---------------------------------------------------------------------------------------------
// What is on screen

std::string CMapsView::Title() const {
    // The idle speed map's title carries its low idle speed; the document words it.
    return m_document.MapTitle(MapIndex());
}

QRect CMapsView::InfoBoxRect(const std::array<std::string, 2>& lines, QPoint anchor) const {
    const QFontMetrics fm(m_infoFont);
    const int w = std::max(fm.horizontalAdvance(QString::fromStdString(lines[0])),
                           fm.horizontalAdvance(QString::fromStdString(lines[1]))) +
                  2 * kInfoBoxPadding;
    const int h = 2 * fm.height() + 2 * kInfoBoxPadding;
    int left = anchor.x() + kInfoBoxOffset;
    int top = anchor.y() - kInfoBoxOffset - h;
    if (left + w > width() - 2) left = anchor.x() - kInfoBoxOffset - w;
    if (top < 2) top = anchor.y() + kInfoBoxOffset;
    left = std::max(left, 2);
    return {left, top, w, h};
}

CMapsView::Look CMapsView::CurrentLook() const {
    Look look;
    look.mapIndex = MapIndex();
    look.size = size();
    CModuleMap* map = ShownMap();
    if (map == nullptr) return look;
    look.title = Title();
    const MapGraphLayout layout = MapGraphLayout::Compute(*map, size());
    const int n = map->GetNumberOfPoints();
    const int active = m_editor->ActivePoint();
    const int state = m_editor->CommandState();
    look.markers.resize(static_cast<std::size_t>(std::max(n, 0)));
    for (int i : Document().OutOfLimitPoints(*map))
        if (i >= 0 && i < n) look.markers[static_cast<std::size_t>(i)].outOfLimits = true;
    for (int i = 0; i < n; ++i) {
        MarkerLook& m = look.markers[static_cast<std::size_t>(i)];
        m.centre = QPoint(layout.PixelX(map->GetPointX(i)), layout.PixelY(map->GetPointDisplayValue(i)));
        if (i == m_drag.index) m.centre.setY(m_drag.startCentreY + m_drag.offset);
        m.inSync = map->IsPointInSync(i);
        m.active = i == active;
        m.marked = (state >= 1 && i == m_editor->FirstMark()) || (state == 2 && i == m_editor->SecondMark());
    }
    if (m_editor->InfoBoxVisible() && active >= 0 && active < n) {
        look.infoLines = m_editor->InfoBoxLines();
        look.infoBox = InfoBoxRect(look.infoLines, look.markers[static_cast<std::size_t>(active)].centre);
    }
    return look;
}

QRect CMapsView::SegmentsRect(const Look& look, int index) const {
    const auto& m = look.markers;
    const int n = static_cast<int>(m.size());
    QRect r(m[static_cast<std::size_t>(index)].centre, QSize(1, 1));
    if (index > 0) r |= QRect(m[static_cast<std::size_t>(index - 1)].centre, QSize(1, 1));
    if (index + 1 < n) r |= QRect(m[static_cast<std::size_t>(index + 1)].centre, QSize(1, 1));
    return r.adjusted(-2, -2, 2, 2);
}

void CMapsView::RepaintChanges(const Look& before, const Look& after) {
    if (before.mapIndex != after.mapIndex || before.size != after.size ||
        before.markers.size() != after.markers.size()) {
        update();
        return;
    }
    const MapGraphLayout layout = Layout();
    QRegion dirty;
    if (before.title != after.title) dirty += QRect(0, 0, width(), layout.Plot().top());
    for (std::size_t i = 0; i < after.markers.size(); ++i) {
        const MarkerLook& a = before.markers[i];
        const MarkerLook& b = after.markers[i];
        if (a == b) continue;
        dirty += layout.MarkerOuterRect(a.centre);
        dirty += layout.MarkerOuterRect(b.centre);
        if (a.centre != b.centre) {
            dirty += SegmentsRect(before, static_cast<int>(i));
            dirty += SegmentsRect(after, static_cast<int>(i));
        }
    }
    if (before.infoBox != after.infoBox || before.infoLines != after.infoLines) {
        if (!before.infoBox.isEmpty()) dirty += before.infoBox;
        if (!after.infoBox.isEmpty()) dirty += after.infoBox;
    }
    if (!dirty.isEmpty()) update(dirty);
}

// ---------------------------------------------------------------------------------------------
// Keys

EditOutcome CMapsView::ApplyKey(Key key, KeyModifiers modifiers) {
    CancelDrag();
    if (key == Key::T && !modifiers.ctrl && !modifiers.shift) {
        // The table of the shown row's family, with this point as its active cell.
        EditOutcome outcome;
        if (TableFamilies::PlaceOf(m_document.Maps(), MapIndex())) {
            outcome.handled = true;
            emit tableRequested(MapIndex(), m_editor->ActivePoint());
        }
        return outcome;
    }
    if (m_kind == EditorView::Maps && key == Key::M && modifiers.ctrl) {
        // The switch and the corrections it applies are the collector's.
        ToggleAutoTune();
        EditOutcome outcome;
        outcome.handled = outcome.autoTuneToggled = true;
        return outcome;
    }
    const Look before = CurrentLook();
    EditOutcome outcome = m_editor->HandleKey(key, modifiers);
    if (outcome.needsAfrEntry) {
        // Only when the AFR source was taken away: ask here.
        if (const auto afr = CAfrEditDlg::Ask(this)) {
            const EditOutcome applied = m_editor->ApplyAfrCorrection(*afr);
            outcome.pointsChanged = applied.pointsChanged;
            outcome.firstChanged = applied.firstChanged;
            outcome.lastChanged = applied.lastChanged;
        }
    }
    Finish(outcome, before);
    return outcome;
}

void CMapsView::Finish(const EditOutcome& outcome, const Look& before) {
    if (outcome.switchToMap) {
        BeginShowingMap();
        update();
        m_shownOnce = true;
        emit mapShown(MapIndex());
    } else {
        RepaintChanges(before, CurrentLook());
    }
    if (outcome.pointsChanged) emit documentEdited();
    if (outcome.autoTuneToggled) emit autoTuneToggled();
}

void CMapsView::keyPressEvent(QKeyEvent* event) {
    const auto press = TranslateMapViewKey(*event);
    if (!press) {
        QWidget::keyPressEvent(event);
        return;
    }
    const EditOutcome outcome = ApplyKey(press->key, press->modifiers);
    // A key this view does not use goes on to the frame.
    event->setAccepted(outcome.handled);
}

// ---------------------------------------------------------------------------------------------
// Dragging a marker: vertical only; the marker and its two curve segments follow the mouse and
// the release applies the distance as display units.

std::optional<int> CMapsView::MarkerAt(QPoint position) const {
    const CModuleMap* map = ShownMap();
    if (map == nullptr) return std::nullopt;
    const MapGraphLayout layout = Layout();
    const int reach = layout.markerSide / 2 + 2;
    std::optional<int> best;
    int bestDistance = 0;
    for (int i = 0; i < map->GetNumberOfPoints(); ++i) {
        const QPoint c(layout.PixelX(map->GetPointX(i)), layout.PixelY(map->GetPointDisplayValue(i)));
        const int dx = std::abs(position.x() - c.x());
        const int dy = std::abs(position.y() - c.y());
        if (dx > reach || dy > reach) continue;
        if (!best || dx + dy < bestDistance) {
            best = i;
            bestDistance = dx + dy;
        }
    }
    return best;
}

void CMapsView::CancelDrag() {
    if (m_drag.index < 0) return;
    const Look before = CurrentLook();
    m_drag = {};
    RepaintChanges(before, CurrentLook());
}

void CMapsView::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    CancelDrag();
    setFocus(Qt::MouseFocusReason);
    const QPoint pos = event->position().toPoint();
    const auto index = MarkerAt(pos);
    if (!index) return;
    const Look before = CurrentLook();
    m_editor->SetActivePoint(*index);
    m_drag.index = *index;
    m_drag.pressY = pos.y();
    m_drag.startCentreY = PointPixel(*index).y();
    m_drag.offset = 0;
    RepaintChanges(before, CurrentLook());
}

void CMapsView::mouseMoveEvent(QMouseEvent* event) {
    if (m_drag.index < 0) return;
    const QRect plot = Layout().Plot();
    const Look before = CurrentLook();
    m_drag.offset = std::clamp(event->position().toPoint().y() - m_drag.pressY, plot.top() - m_drag.startCentreY,
                               plot.bottom() - m_drag.startCentreY);
    RepaintChanges(before, CurrentLook());
}

void CMapsView::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || m_drag.index < 0) return;
    mouseMoveEvent(event);
    const Look before = CurrentLook();
    const int index = m_drag.index;
    const int pixelsUp = -m_drag.offset;
    m_drag = {};
    if (pixelsUp == 0) {
        RepaintChanges(before, CurrentLook());
        return;
    }
    Finish(m_editor->DragPoint(index, Layout().DragToDisplayUnits(pixelsUp)), before);
}

// ---------------------------------------------------------------------------------------------
// Painting

QColor CMapsView::TitleColor() const { return m_paperTexts ? QColor(Qt::black) : kTitleColor; }

QColor CMapsView::AxisTextColor() const {
    if (m_paperTexts) return Qt::black;
    return m_kind == EditorView::AdvancedUser ? MapViewColors::ToQColor(m_colors.xyAxisText) : kTitleColor;
}

void CMapsView::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    const QRect dirty = event->rect();
    painter.fillRect(dirty, MapViewColors::ToQColor(m_colors.graphBackground));
    CModuleMap* map = ShownMap();
    if (map == nullptr) return;
    const MapGraphLayout layout = Layout();
    map->SetPlotPixelSize(layout.plotWidth, layout.plotHeight);
    const Look look = CurrentLook();

    PaintLivePosition(painter, layout);
    PaintGrid(painter, layout, dirty);
    PaintTexts(painter, layout, dirty);
    PaintComparedCurve(painter, layout);
    PaintPartner(painter, layout);
    PaintCurveAndMarkers(painter, look);
    PaintAutoTuneMarks(painter, look);
    PaintInfoBox(painter, look);
}

void CMapsView::PaintLivePosition(QPainter& painter, const MapGraphLayout& layout) const {
    const CModuleMap* map = ShownMap();
    if (!m_livePointerX || map == nullptr) return;
    const QRect plot = layout.Plot();
    auto clampX = [&](double x) { return std::clamp(layout.PixelX(x), plot.left(), plot.right()); };
    const int lower = clampX(map->GetMapPointerLowerX());
    const int upper = clampX(map->GetMapPointerUpperX());
    // The band spans the two points that bracket the operating position; the line is the
    // position itself.
    if (upper > lower) painter.fillRect(QRect(QPoint(lower, plot.top()), QPoint(upper, plot.bottom())), kLiveBandColor);
    painter.fillRect(QRect(clampX(*m_livePointerX), plot.top(), 1, plot.height()), kLiveLineColor);
}

void CMapsView::PaintGrid(QPainter& painter, const MapGraphLayout& layout, const QRect& dirty) const {
    const CModuleMap& map = *ShownMap();
    const QRect plot = layout.Plot();
    const QColor grid = MapViewColors::ToQColor(m_colors.gridLine);
    const QColor text = AxisTextColor();
    painter.setFont(m_labelFont);
    const QFontMetrics fm(m_labelFont);

    for (double v : map.GetXGridValues()) {
        const int x = layout.PixelX(v);
        painter.fillRect(QRect(x, plot.top(), 1, plot.height()), grid);
        const QString label = QString::fromStdString(FormatFixed(v, 1));
        const int w = fm.horizontalAdvance(label);
        const QRect r(x - w / 2, plot.bottom() + kLabelGap, w + 1, fm.height());
        if (r.intersects(dirty)) {
            painter.setPen(text);
            painter.drawText(r, Qt::AlignLeft | Qt::AlignTop, label);
        }
    }
    const bool trims = m_kind == EditorView::AdvancedUser;
    const auto& yValues = map.GetYGridValues();
    const auto& trimValues = map.GetTrimGridValues();
    for (std::size_t k = 0; k < yValues.size(); ++k) {
        const int y = layout.PixelY(yValues[k]);
        painter.fillRect(QRect(plot.left(), y, plot.width(), 1), grid);
        const QString label = QString::fromStdString(FormatFixed(yValues[k], 1));
        const int w = fm.horizontalAdvance(label);
        const QRect r(plot.left() - kLabelGap - w, y - fm.height() / 2, w + 1, fm.height());
        painter.setPen(text);
        if (r.intersects(dirty)) painter.drawText(r, Qt::AlignLeft | Qt::AlignTop, label);
        // The trim axis sits on the right of the plot, one trim value per horizontal line.
        if (trims && k < trimValues.size()) {
            const QString trim = QString::fromStdString(FormatFixed(trimValues[k], 2));
            const QRect t(plot.right() + kLabelGap, y - fm.height() / 2, fm.horizontalAdvance(trim) + 1, fm.height());
            if (t.intersects(dirty)) painter.drawText(t, Qt::AlignLeft | Qt::AlignTop, trim);
        }
    }
}

void CMapsView::PaintTexts(QPainter& painter, const MapGraphLayout& layout, const QRect& dirty) const {
    const CModuleMap& map = *ShownMap();
    const QRect plot = layout.Plot();

    const int titleTop = plot.top() - map.GetTitleFontHeight();
    if (dirty.top() < plot.top()) {
        painter.setFont(m_titleFont);
        painter.setPen(TitleColor());
        painter.drawText(QPoint(layout.origin.x() + kTitleLeftOfOrigin, titleTop + QFontMetrics(m_titleFont).ascent()),
                         QString::fromStdString(Title()));
    }

    painter.setFont(m_axisFont);
    painter.setPen(AxisTextColor());
    const QFontMetrics fm(m_axisFont);
    const int yTextLeft = plot.left() - kYAxisTextLeftOfPlot;
    if (dirty.left() < yTextLeft + fm.height())
        DrawUpwardText(painter, AxisText(map.GetYAxisName(), map.GetYUnit()), yTextLeft, plot.center().y());

    const int xTextTop = plot.bottom() + kXAxisTextBelowPlot;
    if (dirty.bottom() >= xTextTop) {
        const QString xText = AxisText(map.GetXAxisName(), map.GetXUnit());
        const int w = fm.horizontalAdvance(xText);
        painter.drawText(QRect(plot.center().x() - kXAxisTextLeftOfCentre - w / 2, xTextTop, w + 1, fm.height()),
                         Qt::AlignLeft | Qt::AlignTop, xText);
    }

    if (m_kind == EditorView::AdvancedUser && !map.GetTrimLabel().empty()) {
        // The trim label reads upwards to the right of the trim values.
        const QFontMetrics lm(m_labelFont);
        int widest = 0;
        for (double v : map.GetTrimGridValues())
            widest = std::max(widest, lm.horizontalAdvance(QString::fromStdString(FormatFixed(v, 2))));
        const int left = plot.right() + 2 * kLabelGap + widest;
        if (dirty.right() >= left)
            DrawUpwardText(painter, QString::fromStdString(map.GetTrimLabel()), left, plot.center().y());
    }
}

void CMapsView::PaintCurveAndMarkers(QPainter& painter, const Look& look) const {
    if (look.markers.empty()) return;
    QPolygon curve(static_cast<int>(look.markers.size()));
    for (std::size_t i = 0; i < look.markers.size(); ++i) curve.setPoint(static_cast<int>(i), look.markers[i].centre);
    painter.setPen(QPen(MapViewColors::ToQColor(m_colors.mapLine), 0));
    painter.drawPolyline(curve);

    const MapGraphLayout layout = Layout();
    const QColor inSync = MapViewColors::ToQColor(m_colors.inSyncMarker);
    const QColor notInSync = MapViewColors::ToQColor(m_colors.notInSyncMarker);
    for (const MarkerLook& m : look.markers) {
        const QRect r = layout.MarkerRect(m.centre);
        const QColor& fill = m.inSync ? inSync : notInSync;
        painter.fillRect(r, fill);
        if (m.active) Frame(painter, r.adjusted(-1, -1, 1, 1), Inverted(fill));
        if (m.marked) Frame(painter, r.adjusted(-3, -3, 3, 3), kMarkFrameColor);
        if (m.outOfLimits) {
            const QRect x = r.adjusted(-4, -4, 4, 4);
            painter.setPen(QPen(kOutOfLimitsColor, 2));
            painter.drawLine(x.topLeft(), x.bottomRight());
            painter.drawLine(x.bottomLeft(), x.topRight());
            Frame(painter, x.adjusted(-1, -1, 1, 1), kOutOfLimitsColor);
        }
    }
}

void CMapsView::PaintInfoBox(QPainter& painter, const Look& look) const {
    if (look.infoBox.isEmpty()) return;
    painter.fillRect(look.infoBox, kInfoBoxFill);
    Frame(painter, look.infoBox, kInfoBoxText);
    painter.setFont(m_infoFont);
    painter.setPen(kInfoBoxText);
    const QFontMetrics fm(m_infoFont);
    const QRect inner = look.infoBox.adjusted(kInfoBoxPadding, kInfoBoxPadding, -kInfoBoxPadding, -kInfoBoxPadding);
    painter.drawText(QRect(inner.left(), inner.top(), inner.width() + 1, fm.height()), Qt::AlignLeft | Qt::AlignTop,
                     QString::fromStdString(look.infoLines[0]));
    painter.drawText(QRect(inner.left(), inner.top() + fm.height(), inner.width() + 1, fm.height()),
                     Qt::AlignLeft | Qt::AlignTop, QString::fromStdString(look.infoLines[1]));
}

}  // namespace corvane
