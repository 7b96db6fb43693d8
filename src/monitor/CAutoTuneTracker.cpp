#include "monitor/CAutoTuneTracker.h"

#include <cmath>

#include "comms/api/Rounding.h"
#include "model/AppState.h"
#include "model/Prompter.h"
#include "monitor/MonitorEventSink.h"
#include "monitor/MonitoredItemsFile.h"
#include "monitor/MonitoredModuleValue.h"

namespace corvane {

namespace {

// A double as a whole number of the int range, truncated toward zero; 0 when not finite.
std::int64_t Truncate(double x) {
    if (!std::isfinite(x)) return 0;
    if (x >= 2147483647.0) return 2147483647;
    if (x <= -2147483648.0) return -2147483648LL;
    return static_cast<std::int64_t>(std::trunc(x));
}

}  // namespace

CAutoTuneTracker::CAutoTuneTracker(std::vector<CMonitoredItem>& items, AppState& app, MonitorEventSink* sink)
    : m_items(items), m_app(app), m_sink(sink) {}

std::int64_t CAutoTuneTracker::EngineWindowCentre(int targetRpm, double scale) {
    if (!(scale > 0.0)) return 0;
    return Truncate(static_cast<double>(static_cast<std::int32_t>(Truncate(targetRpm / scale))) * scale);
}

int CAutoTuneTracker::ThrottleSite(int raw) { return RoundToInteger(raw * 0.0625) * kSiteCounts; }

void CAutoTuneTracker::Post(int message, int wParam, int lParam) {
    if (m_sink != nullptr) m_sink->Post(static_cast<MonitorMessage>(message), wParam, lParam);
}

bool CAutoTuneTracker::TrackingRuns() const { return m_app.autoTuneActive || m_app.autoTuneTracking; }

bool CAutoTuneTracker::LoadEgoSensorTable(const std::optional<std::string>& text, Prompter* prompter) {
    m_table.Clear();
    m_tableLoaded = false;
    if (!text) {
        if (prompter != nullptr) prompter->Message(CEgoSensorTable::kNotFoundText);
        return false;
    }
    m_table.Parse(*text, Item(kFrontEgoIndex).EffectiveScale());
    m_tableLoaded = !m_table.IsEmpty();
    if (m_tableLoaded) {
        m_targetAfr = m_app.targetAfr;
        RefreshEgoItem(kFrontEgoIndex);
        RefreshEgoItem(kRearEgoIndex);
    }
    return m_tableLoaded;
}

bool CAutoTuneTracker::LoadEgoSensorTableFile(const std::filesystem::path& folder, Prompter* prompter) {
    std::optional<std::string> text;
    if (auto bytes = MonitoredItemsFile::ReadFileBytes(folder / CEgoSensorTable::kFileName))
        text = std::string(bytes->begin(), bytes->end());
    return LoadEgoSensorTable(text, prompter);
}

EgoAfrLookup CAutoTuneTracker::EgoAfrConversion() const {
    if (!m_tableLoaded) return {};
    return [table = m_table](std::int64_t raw) { return table.LookupEgoAfr(raw); };
}

void CAutoTuneTracker::ClearEgoTable() {
    m_table.Clear();
    m_tableLoaded = false;
}

bool CAutoTuneTracker::RefreshEgoItem(int i) {
    if (m_table.IsEmpty()) return false;
    CMonitoredItem& item = Item(i);
    item.dataMinimum = m_table.FirstAfr();
    item.dataMaximum = m_table.LastAfr();
    item.units = "AFR";
    item.yellowStop = m_targetAfr - 0.1;
    item.redStart = m_targetAfr + 0.1;
    item.gaugeMinimum = m_targetAfr - 1.5;
    item.gaugeMaximum = m_targetAfr + 1.5;
    return true;
}

void CAutoTuneTracker::RestartStreak() { m_streakRestarted = true; }

bool CAutoTuneTracker::TrackEngineSpeed() {
    CMonitoredItem& item = Item(kEngineSpeedIndex);
    const double scale = item.EffectiveScale();
    const int target = m_app.targetEngineSpeed;
    const std::int64_t rpm = Truncate(item.rawValue * scale);
    if (TrackingRuns() && target != 0 && rpm != 0 && scale > 0.0) {
        m_engine.halfWidth = kEngineHalfWidth;
        const std::int64_t c = Truncate(m_engine.centre * scale);
        if (c - kEngineHalfWidth <= rpm && rpm <= c + kEngineHalfWidth) {
            ++m_engine.count;
        } else {
            m_engine.count = 0;
            m_engine.centre = static_cast<std::int32_t>(Truncate(target / scale));
            RestartStreak();
        }
        item.yellowStop = target - kEngineHalfWidth;
        item.redStart = target + kEngineHalfWidth;
        item.gaugeMinimum = target - 2 * kEngineHalfWidth;
        item.gaugeMaximum = target + 2 * kEngineHalfWidth;
        return m_engine.count >= kRequiredCount;
    }
    if (m_limitsSource) {
        if (auto limits = m_limitsSource()) {
            item.yellowStop = limits->idleRpm;
            item.redStart = limits->revLimitRpm;
            item.gaugeMinimum = 0.0;
            item.gaugeMaximum = 8000.0;
        }
    }
    m_engine.count = 0;
    RestartStreak();
    return false;
}

bool CAutoTuneTracker::TrackThrottle() {
    CMonitoredItem& item = Item(kStdThrottlePositionIndex);
    if (!TrackingRuns()) {
        m_throttle.count = 0;
        RestartStreak();
        item.yellowStop = 0.0;
        item.redStart = 88.0;
        item.gaugeMinimum = 0.0;
        item.gaugeMaximum = 88.0;
        return false;
    }
    const int raw = item.rawValue;
    const int site = ThrottleSite(raw);
    m_currentSite = site;
    m_throttle.halfWidth = kThrottleHalfWidth;
    if (m_throttle.centre - kThrottleHalfWidth <= raw && raw <= m_throttle.centre + kThrottleHalfWidth) {
        ++m_throttle.count;
    } else {
        m_throttle.count = 0;
        m_throttle.centre = site;
        RestartStreak();
    }
    const double k = item.DataScale();
    if (k != 0.0) {
        item.yellowStop = (site - kThrottleHalfWidth) * k;
        item.redStart = (site + kThrottleHalfWidth) * k;
        item.gaugeMinimum = (site - 8) * k;
        item.gaugeMaximum = (site + 7) * k;
    }
    return m_throttle.count >= kRequiredCount;
}

void CAutoTuneTracker::ResetAutoTuneAccumulators() {
    m_engine.count = 0;
    m_throttle.count = 0;
    Item(kFrontEgoIndex).egoRawSum = 0;
    Item(kRearEgoIndex).egoRawSum = 0;
}

std::optional<int> CAutoTuneTracker::ComputeEgoCorrection(int i) {
    CMonitoredItem& item = Item(i);
    if (m_table.IsEmpty()) return std::nullopt;
    const std::int64_t average = item.egoRawSum / kRequiredCount;
    const double afr = m_table.LookupEgoAfr(average);
    item.lastAfr = afr;
    if (!std::isfinite(m_targetAfr) || m_targetAfr <= 0.0 || !std::isfinite(afr) || afr <= 0.0)
        return std::nullopt;
    const double fraction = afr / m_targetAfr - 1.0;
    item.lastFraction = fraction;
    return RoundToInteger(fraction * 10000.0);
}

bool CAutoTuneTracker::RunAutoTuneStep() {
    if (m_engine.count == kRequiredCount && m_throttle.count == kRequiredCount) {
        const int site = m_throttle.centre / kSiteCounts;
        const auto front = ComputeEgoCorrection(kFrontEgoIndex);
        const auto rear = ComputeEgoCorrection(kRearEgoIndex);
        if (front) {
            Post(static_cast<int>(MonitorMessage::AutoTuneUpdate), site, *front);
            if (rear) Post(static_cast<int>(MonitorMessage::AutoTuneReverseTrimUpdate), site, *rear - *front);
            if (m_stepListener) {
                AutoTuneStep step;
                step.site = site;
                step.frontAfr = Item(kFrontEgoIndex).lastAfr;
                step.rearAfr = Item(kRearEgoIndex).lastAfr;
                step.frontCorrection = *front;
                if (rear) step.rearDifference = *rear - *front;
                m_stepListener(step);
            }
        }
        ResetAutoTuneAccumulators();
        return front.has_value();
    }
    if (m_engine.count != m_throttle.count) ResetAutoTuneAccumulators();
    return false;
}

void CAutoTuneTracker::OnPacket() {
    m_streakRestarted = false;
    if (m_app.autoTuneActive && !m_wasActive) ResetAutoTuneAccumulators();
    m_wasActive = m_app.autoTuneActive;

    TrackEngineSpeed();
    TrackThrottle();
    if (m_currentSite != m_lastTunedSite)
        Post(static_cast<int>(MonitorMessage::MonitorBarCurrentTps), m_currentSite / kSiteCounts, 0);

    if (m_tableLoaded) {
        for (int i : {kFrontEgoIndex, kRearEgoIndex}) {
            CMonitoredItem& item = Item(i);
            item.lastAfr = m_table.LookupEgoAfr(item.rawValue);
            if (m_streakRestarted || !m_app.autoTuneActive)
                item.egoRawSum = 0;
            else
                item.egoRawSum += item.rawValue;
        }
    }

    if (m_app.autoTuneActive && m_tableLoaded) {
        if (m_currentSite != m_lastTunedSite) {
            m_lastTunedSite = m_currentSite;
            m_done = false;
        }
        if (!m_done) m_done = RunAutoTuneStep();
    }

    if (m_app.targetAfr != m_targetAfr) {
        m_targetAfr = m_app.targetAfr;
        RefreshEgoItem(kFrontEgoIndex);
        RefreshEgoItem(kRearEgoIndex);
    }
}

}  // namespace corvane
