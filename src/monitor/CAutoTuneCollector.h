#pragma once

#include <functional>
#include <string>
#include <vector>

#include "monitor/AutoTuneMapTarget.h"
#include "monitor/MonitorEventSink.h"

namespace corvane {

struct AppState;

// One collected correction: kind 1 steps the fuel map's point, kind 2 the rear trim map's.
struct CFuelingDataItem {
    int kind = 1;
    int site = 0;   // point index
    int delta = 0;  // module units
};

// What one application of the corrections did to one map.
struct AutoTuneMapChange {
    const AutoTuneMapTarget* map = nullptr;
    int points = 0;            // points whose module value changed
    double largestPercent = 0; // the largest change, in percent of the point's value before
};

// The maps-view side of AutoTune: collects at most one correction per kind and site while a
// fuel map is shown and applies them all when the user switches AutoTune off, smoothing the
// curve between corrected points with arcs and lines.
//
// AutoTune corrects fuel only. Kind-1 corrections act while a fuel row "Stoichiometric<n>Map"
// is shown (on that map); kind-2 corrections act on its rear trim partner
// "RearTrimVsThrottle<n>Map", whether the fuel row is shown with a known partner or the
// partner itself is shown. With any other map shown nothing is recorded or changed.
class CAutoTuneCollector {
public:
    static constexpr double kRearTrimUnitsPerPercent = 2.560240963855422;  // 255 / 99.6

    // What applying needs of the link (all optional): EnsureLinked, which stops a running
    // stream and reports whether it ran; the packet queue's writing mark; restarting the stream.
    struct ApplyHooks {
        std::function<bool()> ensureLinked;
        std::function<void(bool)> setPacketQueueWriting;
        std::function<void()> restartStream;
    };

    explicit CAutoTuneCollector(AppState& app);

    // The maps view shows another map (and, for a fuel row, the rear trim map of its row
    // key, or null). Discards every collected correction.
    void ShowMap(AutoTuneMapTarget* shown, AutoTuneMapTarget* rearPartner);

    // The monitor's messages as the maps view handles them. Return the point made active, or
    // -1 when the message was ignored.
    int OnAutoTuneUpdate(int site, int correction);
    int OnAutoTuneReverseTrimUpdate(int site, int difference);
    void OnMonitorBarCurrentTps(int site, bool followMode);
    int Handle(MonitorMessage message, int wParam, int lParam, bool followMode = false);
    // The advanced user maps view's "AutoTuneUpdate": steps the trim at once, keeps nothing.
    int OnAutoTuneUpdateImmediate(int site, int correction);

    // A correction of zero (shown as "+0.0%") changes nothing: it is neither applied nor an
    // end of the smoothing between corrected points.
    //
    // Ctrl+M: flips the AutoTune switch; turning it off applies the collected corrections.
    // Returns true when corrections were applied.
    bool ToggleAutoTune(const ApplyHooks& hooks = {});
    // Applies and empties the list (no switch change).
    void Apply(const ApplyHooks& hooks = {});

    [[nodiscard]] const std::vector<CFuelingDataItem>& Records() const { return m_records; }
    // What the last Apply changed, map by map (empty: nothing was applied).
    [[nodiscard]] const std::vector<AutoTuneMapChange>& LastApplied() const { return m_lastApplied; }
    // The status bar's text for it: how many points changed on which map, by how much at most.
    [[nodiscard]] std::string LastAppliedText() const;
    // The map a record will change (null when no such map is known).
    [[nodiscard]] AutoTuneMapTarget* TargetOfRecord(const CFuelingDataItem& record) const { return TargetOf(record.kind); }
    // What a record will do, in percent: of the point's fuel value for a fuel correction, the
    // rear trim's percent for a rear correction. 0 when the map is unknown.
    [[nodiscard]] double CorrectionPercent(const CFuelingDataItem& record) const;
    [[nodiscard]] int LivePointerSite() const { return m_liveSite; }
    [[nodiscard]] AutoTuneMapTarget* FuelTarget() const { return m_fuel; }
    [[nodiscard]] AutoTuneMapTarget* RearTarget() const { return m_rear; }

private:
    [[nodiscard]] AutoTuneMapTarget* TargetOf(int kind) const { return kind == 1 ? m_fuel : m_rear; }
    [[nodiscard]] int ClampSite(int site) const;
    void Store(int kind, int site, int delta);

    AppState& m_app;
    AutoTuneMapTarget* m_shown = nullptr;
    AutoTuneMapTarget* m_fuel = nullptr;  // where kind-1 corrections go; null: none act
    AutoTuneMapTarget* m_rear = nullptr;  // where kind-2 corrections go; null: none act
    std::vector<CFuelingDataItem> m_records;
    std::vector<AutoTuneMapChange> m_lastApplied;
    int m_liveSite = 0;
};

}  // namespace corvane
