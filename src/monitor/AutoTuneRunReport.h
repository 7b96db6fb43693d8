#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "monitor/CAutoTuneTracker.h"
#include "monitor/CMonitoredItem.h"

namespace corvane {

// What one AutoTune run saw, so that a tuner can judge it: every site that got a correction,
// and, when none did, why. AutoTune corrects a fuel row only while the engine holds the row's
// speed (the row key, which is 256 rpm below the number in the map's class name) and one
// throttle site for three packets; a run at another speed collects nothing, and the report
// says which speed the stream showed instead.
//
// Fed once per packet after the monitor model handled it (Observe), and with every correction
// the tracker makes (OnStep, or Attach to the tracker).
class AutoTuneRunReport {
public:
    struct SiteCorrection {
        int site = 0;              // fuel map point
        double throttleDeg = 0.0;  // the site's throttle position
        double frontAfr = 0.0;
        double rearAfr = 0.0;
        double fuelPercent = 0.0;                // the correction of the fuel row
        std::optional<double> rearTrimPercent;   // rear minus front, for the rear trim row
    };

    // `targetRpm`: the row key of the fuel row being tuned.
    explicit AutoTuneRunReport(int targetRpm);

    // Makes the tracker report its corrections here. The report must outlive the tracker's use.
    void Attach(CAutoTuneTracker& tracker);
    void OnStep(const AutoTuneStep& step);
    // One packet, after the items took its values (catalogue items 4 and 19 are read).
    void Observe(const std::vector<CMonitoredItem>& items);

    [[nodiscard]] int Packets() const { return m_packets; }
    [[nodiscard]] int PacketsInWindow() const { return m_inWindow; }
    // The engine speed window AutoTune tracks, in rpm: centre +/- 64.
    [[nodiscard]] std::int64_t WindowCentre() const { return m_windowCentre; }
    // The engine speed most packets showed (0 without packets), and in how many.
    [[nodiscard]] std::int64_t MostlyShownRpm() const;
    [[nodiscard]] int MostlyShownPackets() const;
    // Throttle sites (point indexes) held for three packets in a row, at any speed / in the window.
    [[nodiscard]] const std::set<int>& HeldSites() const { return m_held; }
    [[nodiscard]] const std::set<int>& HeldSitesInWindow() const { return m_heldInWindow; }
    // The last correction of each site, by site.
    [[nodiscard]] std::vector<SiteCorrection> Corrections() const;

    // One line per corrected site: site, throttle, front and rear AFR, correction in %.
    [[nodiscard]] std::vector<std::string> CorrectionLines() const;
    // Why no correction was made: the speed window, the speed the stream mostly showed, the
    // sites it saw held, and the cause. One sentence per line.
    [[nodiscard]] std::vector<std::string> NoCorrectionLines() const;

private:
    [[nodiscard]] std::string SiteList(const std::set<int>& sites) const;

    int m_targetRpm;
    std::int64_t m_windowCentre = 0;
    double m_throttleScale = 0.0;  // degrees per raw count of the throttle item
    int m_packets = 0;
    int m_inWindow = 0;
    std::map<std::int64_t, int> m_rpmCounts;
    int m_throttleCentre = -1;
    int m_throttleCount = 0;
    int m_streakInWindow = 0;
    std::set<int> m_held;
    std::set<int> m_heldInWindow;
    std::map<int, SiteCorrection> m_corrections;
};

}  // namespace corvane
