#include "monitor/AutoTuneRunReport.h"

#include <cmath>
#include <cstdio>

#include "monitor/MonitoredModuleValue.h"

namespace corvane {

namespace {

std::int64_t TruncatedRpm(int raw, double scale) {
    const double rpm = raw * scale;
    return std::isfinite(rpm) ? static_cast<std::int64_t>(std::trunc(rpm)) : 0;
}

}  // namespace

AutoTuneRunReport::AutoTuneRunReport(int targetRpm) : m_targetRpm(targetRpm) {}

void AutoTuneRunReport::Attach(CAutoTuneTracker& tracker) {
    tracker.SetStepListener([this](const AutoTuneStep& step) { OnStep(step); });
}

void AutoTuneRunReport::OnStep(const AutoTuneStep& step) {
    SiteCorrection c;
    c.site = step.site;
    c.throttleDeg = step.site * CAutoTuneTracker::kSiteCounts * m_throttleScale;
    c.frontAfr = step.frontAfr;
    c.rearAfr = step.rearAfr;
    c.fuelPercent = step.frontCorrection / 100.0;
    if (step.rearDifference) c.rearTrimPercent = *step.rearDifference / 100.0;
    m_corrections[step.site] = c;  // a site visited again keeps its last correction, as the maps view does
}

void AutoTuneRunReport::Observe(const std::vector<CMonitoredItem>& items) {
    if (items.size() <= static_cast<std::size_t>(kStdThrottlePositionIndex)) return;
    const CMonitoredItem& engine = items[static_cast<std::size_t>(kEngineSpeedIndex)];
    const CMonitoredItem& throttle = items[static_cast<std::size_t>(kStdThrottlePositionIndex)];
    ++m_packets;
    const double scale = engine.EffectiveScale();
    m_windowCentre = CAutoTuneTracker::EngineWindowCentre(m_targetRpm, scale);
    m_throttleScale = throttle.DataScale();

    const std::int64_t rpm = TruncatedRpm(engine.rawValue, scale);
    ++m_rpmCounts[rpm];
    const bool inWindow = m_targetRpm != 0 && rpm != 0 && scale > 0.0 &&
                          m_windowCentre - CAutoTuneTracker::kEngineHalfWidth <= rpm &&
                          rpm <= m_windowCentre + CAutoTuneTracker::kEngineHalfWidth;
    if (inWindow) ++m_inWindow;

    // Throttle held: the tracker's window around the site, for the tracker's number of
    // packets, counted whatever the engine speed (the tracker itself stops counting then).
    const int raw = throttle.rawValue;
    if (m_throttleCentre >= 0 && m_throttleCentre - CAutoTuneTracker::kThrottleHalfWidth <= raw &&
        raw <= m_throttleCentre + CAutoTuneTracker::kThrottleHalfWidth) {
        ++m_throttleCount;
        m_streakInWindow = inWindow ? m_streakInWindow + 1 : 0;
    } else {
        m_throttleCount = 0;
        m_throttleCentre = CAutoTuneTracker::ThrottleSite(raw);
        m_streakInWindow = 0;
    }
    const int site = m_throttleCentre / CAutoTuneTracker::kSiteCounts;
    if (m_throttleCount >= CAutoTuneTracker::kRequiredCount) m_held.insert(site);
    if (m_streakInWindow >= CAutoTuneTracker::kRequiredCount) m_heldInWindow.insert(site);
}

std::int64_t AutoTuneRunReport::MostlyShownRpm() const {
    std::int64_t best = 0;
    int count = 0;
    for (const auto& [rpm, n] : m_rpmCounts)
        if (n > count) {
            best = rpm;
            count = n;
        }
    return best;
}

int AutoTuneRunReport::MostlyShownPackets() const {
    int count = 0;
    for (const auto& [rpm, n] : m_rpmCounts) count = std::max(count, n);
    return count;
}

std::vector<AutoTuneRunReport::SiteCorrection> AutoTuneRunReport::Corrections() const {
    std::vector<SiteCorrection> out;
    for (const auto& [site, c] : m_corrections) out.push_back(c);
    return out;
}

std::vector<std::string> AutoTuneRunReport::CorrectionLines() const {
    std::vector<std::string> lines;
    char line[200];
    for (const auto& [site, c] : m_corrections) {
        int n = std::snprintf(line, sizeof line, "site %2d  throttle %5.2f deg  front AFR %5.2f  rear AFR %5.2f  correction %+6.2f %%",
                              c.site, c.throttleDeg, c.frontAfr, c.rearAfr, c.fuelPercent);
        if (c.rearTrimPercent && n > 0 && static_cast<std::size_t>(n) < sizeof line)
            std::snprintf(line + n, sizeof line - static_cast<std::size_t>(n), "  (rear trim %+.2f %%)", *c.rearTrimPercent);
        lines.emplace_back(line);
    }
    return lines;
}

std::string AutoTuneRunReport::SiteList(const std::set<int>& sites) const {
    if (sites.empty()) return "none";
    std::string text;
    char item[48];
    for (int site : sites) {
        std::snprintf(item, sizeof item, "%s%d (%.1f deg)", text.empty() ? "" : ", ", site,
                      site * CAutoTuneTracker::kSiteCounts * m_throttleScale);
        text += item;
    }
    return text;
}

std::vector<std::string> AutoTuneRunReport::NoCorrectionLines() const {
    std::vector<std::string> lines;
    const auto low = m_windowCentre - static_cast<std::int64_t>(CAutoTuneTracker::kEngineHalfWidth);
    const auto high = m_windowCentre + static_cast<std::int64_t>(CAutoTuneTracker::kEngineHalfWidth);
    if (m_packets == 0) {
        lines.push_back("No monitor packet arrived: the module streamed nothing.");
        return lines;
    }
    const auto halfWidth = static_cast<std::int64_t>(CAutoTuneTracker::kEngineHalfWidth);
    lines.push_back("AutoTune corrects this row only while the engine holds " + std::to_string(m_windowCentre) +
                    " +/- " + std::to_string(halfWidth) + " rpm (" + std::to_string(low) + " ... " + std::to_string(high) +
                    " rpm) and one throttle site for " + std::to_string(CAutoTuneTracker::kRequiredCount) +
                    " packets in a row.");
    lines.push_back("The engine speed was mostly " + std::to_string(MostlyShownRpm()) + " rpm (" +
                    std::to_string(MostlyShownPackets()) + " of " + std::to_string(m_packets) + " packets); " +
                    std::to_string(m_inWindow) + " packets were inside the window.");
    lines.push_back("Throttle sites held: " + SiteList(m_held) + ".");
    if (m_inWindow == 0)
        lines.push_back("The engine never ran at this row's speed.");
    else if (m_heldInWindow.empty())
        lines.push_back("Inside the window the throttle never held one site long enough.");
    else
        lines.push_back("Sites were held inside the window (" + SiteList(m_heldInWindow) +
                        ") but gave no correction: the EGO readings found no AFR (check the EGO sensor table and "
                        "the target AFR).");
    return lines;
}

}  // namespace corvane
