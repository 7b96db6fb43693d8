#pragma once

#include <QFont>
#include <QWidget>

#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "maps/CMapEditor.h"
#include "monitor/CAutoTuneCollector.h"
#include "monitor/MonitorEventSink.h"
#include "views/MapGraphLayout.h"
#include "views/MapViewColors.h"

class QPainter;

namespace corvane {

class CCorvaneMapsDoc;
class CModuleMap;
class ModuleMapTarget;
class SettingsStore;

// The graph of one tuning map of a maps document: title, grid, axis texts, the curve, one
// painted marker per point and the info box. Keys and marker drags go to the view's
// CMapEditor; painting reads the editor and the maps and never computes an edit. The maps
// view edits base values, the advanced user maps view (EditorView::AdvancedUser) edits trims
// and labels the trim axis as well.
//
// Repaints are only requested: after every key, drag step or live position the view compares
// what it painted with what it would paint now and invalidates just the pieces that differ.
class CMapsView : public QWidget {
    Q_OBJECT
public:
    CMapsView(EditorView kind, CCorvaneMapsDoc& document, SettingsStore& settings,
              QWidget* parent = nullptr);
    ~CMapsView() override;

    [[nodiscard]] EditorView Kind() const;
    [[nodiscard]] CCorvaneMapsDoc& Document() const;
    [[nodiscard]] CMapEditor& Editor();
    [[nodiscard]] const CMapEditor& Editor() const;

    // Shows the map at this index of the document's maps; the active point index stays.
    // An index outside the document changes nothing.
    void ShowMap(int index);
    [[nodiscard]] int MapIndex() const;
    [[nodiscard]] CModuleMap* ShownMap() const;

    // Where Ctrl+T takes its AFR from; by default the AFR entry dialog.
    void SetAfrSource(std::function<std::optional<double>()> source);

    // The same path a key press takes (the Edit menu's accelerators take Ctrl+Z, Ctrl+C and
    // Ctrl+V before the view sees them): the editor acts, the changed pieces are repainted and
    // the signals go out.
    EditOutcome ApplyKey(Key key, KeyModifiers modifiers = {});

    // The live map pointer: the map brackets x between two points and the view repaints the
    // strip between them (3 pixels beyond each), where a band and a cursor line show it.
    // While a position is shown, follow mode moves the active point to it on every key.
    void SetMapPointerPosition(double x);
    // The monitor stream stopped: the live position is no longer shown or followed.
    void ClearMapPointer();
    [[nodiscard]] std::optional<double> MapPointerPosition() const { return m_livePointerX; }

    // The document changed under the view (READ, a load, another view's edit): repaint.
    void OnDocumentUpdated();

    // Point `index` of the shown map becomes the active point (clamped), as a click on its
    // marker makes it.
    void SetActivePoint(int index);

    // --- Comparing with another tune ------------------------------------------------------------
    // The tune of the same product whose curve of the shown map is drawn behind the document's
    // own, in the "CompareLineColor" colour; null: none. Not owned: whoever set it clears it
    // before the tune goes.
    void SetComparedTune(const CCorvaneMapsDoc* tune);
    [[nodiscard]] const CCorvaneMapsDoc* ComparedTune() const { return m_compared; }
    // Point `index` of the shown map takes the compared tune's value as an ordinary edit (the
    // editor's TakePointFrom: undo copy, push, modified) and becomes active. False when there
    // is nothing to take from (no compared tune, a composite, a point the map lacks).
    bool TakeComparedValue(int index);

    // --- AutoTune ------------------------------------------------------------------------------
    // A message of the monitor's AutoTune: the maps view collects fuel and rear trim
    // corrections (drawn on the curve until they are applied), the advanced user maps view
    // steps the trim at once and takes "AutoTuneUpdate" only.
    void OnMonitorMessage(MonitorMessage message, int wParam, int lParam);
    // What applying the corrections needs of the link (Ctrl+M turning AutoTune off).
    void SetAutoTuneHooks(CAutoTuneCollector::ApplyHooks hooks) { m_autoTuneHooks = std::move(hooks); }
    // Ctrl+M: flips AutoTune; turning it off applies the collected corrections. True when
    // corrections were applied.
    bool ToggleAutoTune();
    // What the last Ctrl+M applied, for the status bar (empty: it applied nothing).
    [[nodiscard]] const QString& LastAutoTuneText() const { return m_lastAutoTuneText; }
    [[nodiscard]] const CAutoTuneCollector& AutoTune() const { return *m_autoTune; }

    [[nodiscard]] const MapViewColors& Colors() const { return m_colors; }
    void SetColors(const MapViewColors& colors);
    // Reads the colours again from the settings section "Colors".
    void ReloadColors();
    // Title and axis texts in black, for a graph on white paper (printing).
    void SetPaperTexts(bool paper) { m_paperTexts = paper; update(); }

    // Geometry of the shown map at the view's current size (for the app's hit tests and for
    // tests): where the plot lies and where point i is drawn.
    [[nodiscard]] MapGraphLayout Layout() const;
    [[nodiscard]] QPoint PointPixel(int index) const;
    // The front/rear partner drawn beside the shown map, or null; and where its point i is
    // drawn (on the shown map's plot, at the partner's own y scale).
    [[nodiscard]] CModuleMap* PartnerMap() const;
    [[nodiscard]] QPoint PartnerPointPixel(int index) const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

signals:
    // The view now shows this map (the selector follows it; its row key is the target
    // engine speed).
    void mapShown(int index);
    // A key or a drag changed the document.
    void documentEdited();
    // Ctrl+M switched AutoTune (the application state holds the new switch).
    void autoTuneToggled();
    // Showing another map dropped this many collected AutoTune corrections.
    void autoTuneDiscarded(int count);
    // The number of AutoTune corrections collected and not yet applied changed.
    void autoTunePendingChanged(int count);
    // T on a row of a speed-indexed family: show that family's table with this point active.
    void tableRequested(int mapIndex, int point);

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    // What one marker looks like; two looks that compare equal paint the same pixels.
    struct MarkerLook {
        QPoint centre;
        bool inSync = false;
        bool active = false;
        bool marked = false;
        bool outOfLimits = false;  // loaded outside its limits and not yet resolved
        bool operator==(const MarkerLook&) const = default;
    };
    // Everything a key or drag can change on screen, to find what to repaint.
    struct Look {
        int mapIndex = -1;
        QSize size;
        std::string title;
        std::vector<MarkerLook> markers;
        QRect infoBox;
        std::array<std::string, 2> infoLines;
    };
    struct Drag {
        int index = -1;
        int pressY = 0;
        int startCentreY = 0;
        int offset = 0;  // pixels moved, down positive, kept inside the plot
    };

    [[nodiscard]] Look CurrentLook() const;
    // Requests a repaint of what differs between the two looks.
    void RepaintChanges(const Look& before, const Look& after);
    [[nodiscard]] QRect SegmentsRect(const Look& look, int index) const;
    [[nodiscard]] QRect LiveStrip() const;
    // Acts on what an editor call did: map switch, signals and repaint.
    void Finish(const EditOutcome& outcome, const Look& before);
    void BeginShowingMap();
    void CancelDrag();
    [[nodiscard]] std::optional<int> MarkerAt(QPoint position) const;
    [[nodiscard]] std::string Title() const;
    [[nodiscard]] QRect InfoBoxRect(const std::array<std::string, 2>& lines, QPoint anchor) const;
    [[nodiscard]] QColor AxisTextColor() const;
    [[nodiscard]] QColor TitleColor() const;

    void PaintTexts(QPainter& painter, const MapGraphLayout& layout, const QRect& dirty) const;
    void PaintGrid(QPainter& painter, const MapGraphLayout& layout, const QRect& dirty) const;
    void PaintLivePosition(QPainter& painter, const MapGraphLayout& layout) const;
    void PaintComparedCurve(QPainter& painter, const MapGraphLayout& layout) const;
    // The front/rear partner of the shown map (a fuel row and the rear trim row of the same
    // speed), drawn beside it on its own y scale: its curve, its markers (2 pixels larger,
    // not draggable), a legend and, in the maps view, its scale on the right of the plot.
    void PaintPartner(QPainter& painter, const MapGraphLayout& layout) const;
    void PaintCurveAndMarkers(QPainter& painter, const Look& look) const;
    void PaintInfoBox(QPainter& painter, const Look& look) const;
    void PaintAutoTuneMarks(QPainter& painter, const Look& look) const;
    // The map targets AutoTune works on for the shown map (and its rear trim partner).
    void RebindAutoTune();
    // Tells when the count of pending corrections is no longer what was last told.
    void NotePendingCorrections();

    EditorView m_kind;
    CCorvaneMapsDoc& m_document;
    SettingsStore& m_settings;
    std::unique_ptr<CMapEditor> m_editor;
    QString m_lastAutoTuneText;
    MapViewColors m_colors;
    bool m_shownOnce = false;
    Drag m_drag;
    std::optional<double> m_livePointerX;
    std::unique_ptr<CAutoTuneCollector> m_autoTune;
    std::unique_ptr<ModuleMapTarget> m_shownTarget;
    std::unique_ptr<ModuleMapTarget> m_partnerTarget;
    CAutoTuneCollector::ApplyHooks m_autoTuneHooks;
    const CCorvaneMapsDoc* m_compared = nullptr;
    int m_pendingTold = 0;
    bool m_paperTexts = false;
    QFont m_titleFont;
    QFont m_axisFont;
    QFont m_labelFont;
    QFont m_infoFont;
};

}  // namespace corvane
