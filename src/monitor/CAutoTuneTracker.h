#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "comms/api/Comms.h"
#include "monitor/CEgoSensorTable.h"
#include "monitor/CMonitoredItem.h"

namespace corvane {

struct AppState;
class MonitorEventSink;
class Prompter;

// The idle speed and rev limit settings of the active maps document, in rpm; the engine speed
// gauge shows them as its bands while no speed row is tracked.
struct EngineSpeedLimits {
    double idleRpm = 0.0;
    double revLimitRpm = 0.0;
};

// One correction AutoTune made at a throttle site: what it saw and what it sent.
struct AutoTuneStep {
    int site = 0;                    // point index: throttle raw counts / 16
    double frontAfr = 0.0;           // the averaged readings through the EGO table
    double rearAfr = 0.0;
    int frontCorrection = 0;         // in 1/10000, as posted with "AutoTuneUpdate"
    std::optional<int> rearDifference;  // rear - front, as posted with "AutoTuneReverseTrimUpdate"
};

// The AutoTune side of the monitor: watches engine speed (item 4) and throttle position
// (item 19) for a steady stay at the shown map's row speed and one throttle site, averages the
// two EGO readings (items 30 and 31) over that stay and posts a fuel correction per site.
//
// Invariant: while AutoTune is on, each EGO running sum holds exactly the raw readings of the
// packets counted in the current steady streak - a count that restarts, a step, or AutoTune
// turning on empties them - so at a step the sum holds N readings. While AutoTune is off
// nothing is accumulated.
class CAutoTuneTracker {
public:
    static constexpr int kRequiredCount = 3;
    static constexpr double kEngineHalfWidth = 64.0;  // rpm
    static constexpr double kThrottleHalfWidth = 6.0;  // raw counts
    static constexpr int kSiteCounts = 16;             // raw throttle counts per map point

    struct Tracked {
        std::int32_t centre = 0;  // raw counts
        std::int32_t count = 0;
        double halfWidth = 0.0;
    };

    CAutoTuneTracker(std::vector<CMonitoredItem>& items, AppState& app, MonitorEventSink* sink);

    // The centre of the engine speed window for a target speed, in rpm: the target in whole raw
    // counts of the speed item, so 1000 rpm tracks 992 +/- 64 rpm.
    [[nodiscard]] static std::int64_t EngineWindowCentre(int targetRpm, double scale);
    // The throttle site (raw counts, a multiple of 16) a throttle reading belongs to.
    [[nodiscard]] static int ThrottleSite(int raw);

    // Called with every correction a step makes, after it is posted (a run report listens).
    void SetStepListener(std::function<void(const AutoTuneStep&)> listener) { m_stepListener = std::move(listener); }

    // Where the engine speed gauge takes its bands from when no speed row is tracked.
    void SetEngineSpeedLimitsSource(std::function<std::optional<EngineSpeedLimits>()> source) {
        m_limitsSource = std::move(source);
    }

    // Builds the EGO table from the table file's text; nullopt means the file was not found,
    // which is reported once through the prompter. On success the target AFR is copied and
    // the two EGO items are refreshed. A table that yields no entries leaves AFR off.
    bool LoadEgoSensorTable(const std::optional<std::string>& text, Prompter* prompter);
    bool LoadEgoSensorTableFile(const std::filesystem::path& folder, Prompter* prompter);
    [[nodiscard]] bool IsEgoTableLoaded() const { return m_tableLoaded; }
    [[nodiscard]] const CEgoSensorTable& EgoTable() const { return m_table; }
    // The table's conversion for whoever else shows EGO readings (the monitor log, the CSV of
    // corvane-cli): it holds a copy of the table, so any thread may call it. Empty while no
    // table is loaded.
    [[nodiscard]] EgoAfrLookup EgoAfrConversion() const;
    void ClearEgoTable();

    [[nodiscard]] double LookupEgoAfr(std::int64_t raw) const { return m_table.LookupEgoAfr(raw); }
    bool RefreshEgoItem(int item);
    bool TrackEngineSpeed();
    bool TrackThrottle();
    // The correction of EGO item 30 or 31 in 1/10000; nullopt when no sound correction
    // exists (empty table, target AFR not positive, AFR looked up not positive).
    std::optional<int> ComputeEgoCorrection(int item);
    void ResetAutoTuneAccumulators();
    bool RunAutoTuneStep();

    // Everything AutoTune does on one packet, after the items took the packet's raw values:
    // tracking of items 4 and 19, the EGO readings of 30 and 31, the step, the target check.
    void OnPacket();

    [[nodiscard]] bool TrackingRuns() const;
    [[nodiscard]] const Tracked& EngineSpeed() const { return m_engine; }
    [[nodiscard]] const Tracked& Throttle() const { return m_throttle; }
    [[nodiscard]] int CurrentSite() const { return m_currentSite; }
    [[nodiscard]] int LastTunedSite() const { return m_lastTunedSite; }
    [[nodiscard]] bool DoneAtThisSite() const { return m_done; }
    [[nodiscard]] double TargetAfrCopy() const { return m_targetAfr; }

private:
    CMonitoredItem& Item(int i) { return m_items.at(static_cast<std::size_t>(i)); }
    void Post(int message, int wParam, int lParam);
    void RestartStreak();

    std::vector<CMonitoredItem>& m_items;
    AppState& m_app;
    MonitorEventSink* m_sink;
    std::function<std::optional<EngineSpeedLimits>()> m_limitsSource;
    std::function<void(const AutoTuneStep&)> m_stepListener;

    CEgoSensorTable m_table;
    bool m_tableLoaded = false;
    double m_targetAfr = 0.0;

    Tracked m_engine{0, 0, kEngineHalfWidth};
    Tracked m_throttle{0, 0, kThrottleHalfWidth};
    int m_currentSite = 0;
    int m_lastTunedSite = 0;
    bool m_done = false;
    bool m_wasActive = false;
    bool m_streakRestarted = false;
};

}  // namespace corvane
