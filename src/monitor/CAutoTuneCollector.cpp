#include "monitor/CAutoTuneCollector.h"

#include <algorithm>
#include <cstdio>
#include <cmath>
#include <cctype>
#include <string_view>

#include "comms/api/Rounding.h"
#include "model/AppState.h"

namespace corvane {

namespace {

bool IsRowClass(std::string_view name, std::string_view prefix) {
    constexpr std::string_view kSuffix = "Map";
    if (name.size() <= prefix.size() + kSuffix.size()) return false;
    if (name.substr(0, prefix.size()) != prefix || name.substr(name.size() - kSuffix.size()) != kSuffix)
        return false;
    const std::string_view digits = name.substr(prefix.size(), name.size() - prefix.size() - kSuffix.size());
    return std::all_of(digits.begin(), digits.end(), [](char c) { return std::isdigit(static_cast<unsigned char>(c)); });
}

}  // namespace

bool IsFuelMapClass(const std::string& className) { return IsRowClass(className, "Stoichiometric"); }
bool IsRearTrimMapClass(const std::string& className) { return IsRowClass(className, "RearTrimVsThrottle"); }

CAutoTuneCollector::CAutoTuneCollector(AppState& app) : m_app(app) {}

void CAutoTuneCollector::ShowMap(AutoTuneMapTarget* shown, AutoTuneMapTarget* rearPartner) {
    m_records.clear();
    m_shown = shown;
    m_fuel = nullptr;
    m_rear = nullptr;
    if (shown == nullptr) return;
    const std::string name = shown->ClassName();
    if (IsFuelMapClass(name)) {
        m_fuel = shown;
        if (rearPartner != nullptr && IsRearTrimMapClass(rearPartner->ClassName()) &&
            rearPartner->RowKey() == shown->RowKey())
            m_rear = rearPartner;
    } else if (IsRearTrimMapClass(name)) {
        m_rear = shown;
    }
}

int CAutoTuneCollector::ClampSite(int site) const {
    const int n = m_shown != nullptr ? m_shown->NumberOfPoints() : 0;
    return n > 0 ? std::clamp(site, 0, n - 1) : 0;
}

void CAutoTuneCollector::Store(int kind, int site, int delta) {
    for (auto& record : m_records)
        if (record.kind == kind && record.site == site) {
            record.delta = delta;
            return;
        }
    m_records.push_back({kind, site, delta});
}

int CAutoTuneCollector::OnAutoTuneUpdate(int site, int correction) {
    if (m_fuel == nullptr) return -1;
    const int p = ClampSite(site);
    m_shown->SetActivePoint(p);
    const int v = m_fuel->GetPointModuleValue(p);
    Store(1, p, RoundToInteger(correction * 0.0001 * v));
    return p;
}

int CAutoTuneCollector::OnAutoTuneReverseTrimUpdate(int site, int difference) {
    if (m_rear == nullptr) return -1;
    const int p = ClampSite(site);
    m_shown->SetActivePoint(p);
    Store(2, p, RoundToInteger(difference * 0.0001 * 100.0 * kRearTrimUnitsPerPercent));
    return p;
}

void CAutoTuneCollector::OnMonitorBarCurrentTps(int site, bool followMode) {
    m_liveSite = site;
    if (followMode && m_shown != nullptr) m_shown->SetActivePoint(ClampSite(site));
}

int CAutoTuneCollector::Handle(MonitorMessage message, int wParam, int lParam, bool followMode) {
    switch (message) {
        case MonitorMessage::AutoTuneUpdate: return OnAutoTuneUpdate(wParam, lParam);
        case MonitorMessage::AutoTuneReverseTrimUpdate: return OnAutoTuneReverseTrimUpdate(wParam, lParam);
        case MonitorMessage::MonitorBarCurrentTps: OnMonitorBarCurrentTps(wParam, followMode); return wParam;
    }
    return -1;
}

int CAutoTuneCollector::OnAutoTuneUpdateImmediate(int site, int correction) {
    if (m_fuel == nullptr) return -1;
    const int p = ClampSite(site);
    m_shown->SetActivePoint(p);
    const int v = m_fuel->GetPointModuleValue(p);
    m_fuel->StepPointTrimByModuleUnits(p, RoundToInteger(correction * 0.0001 * v));
    return p;
}

double CAutoTuneCollector::CorrectionPercent(const CFuelingDataItem& record) const {
    const AutoTuneMapTarget* target = TargetOf(record.kind);
    if (target == nullptr) return 0.0;
    if (record.kind == 2) return record.delta / kRearTrimUnitsPerPercent;
    if (record.site < 0 || record.site >= target->NumberOfPoints()) return 0.0;
    const int value = target->GetPointModuleValue(record.site);
    return value == 0 ? 0.0 : 100.0 * record.delta / value;
}

std::string CAutoTuneCollector::LastAppliedText() const {
    if (m_lastApplied.empty()) return "AutoTune: no point changed.";
    std::string text = "AutoTune applied:";
    for (std::size_t i = 0; i < m_lastApplied.size(); ++i) {
        const AutoTuneMapChange& c = m_lastApplied[i];
        char largest[32];
        std::snprintf(largest, sizeof largest, "%+.1f%%", c.largestPercent);
        text += (i == 0 ? " " : "; ") + std::to_string(c.points) + (c.points == 1 ? " point" : " points") +
                " of " + c.map->Title() + " changed, by at most " + largest;
    }
    return text + ".";
}

bool CAutoTuneCollector::ToggleAutoTune(const ApplyHooks& hooks) {
    m_app.autoTuneActive = !m_app.autoTuneActive;
    if (m_app.autoTuneActive || m_records.empty()) return false;
    Apply(hooks);
    return true;
}

void CAutoTuneCollector::Apply(const ApplyHooks& hooks) {
    m_lastApplied.clear();
    // A zero correction used to anchor the smoothing, whose fits then moved points that were
    // shown as "+0.0%": it is dropped here, so Ctrl+M on zero corrections changes nothing.
    std::erase_if(m_records, [](const CFuelingDataItem& r) { return r.delta == 0; });
    if (m_records.empty()) return;
    std::vector<std::pair<AutoTuneMapTarget*, std::vector<int>>> before;
    for (AutoTuneMapTarget* map : {m_fuel, m_rear}) {
        if (map == nullptr || (!before.empty() && before.front().first == map)) continue;
        std::vector<int> values;
        for (int i = 0; i < map->NumberOfPoints(); ++i) values.push_back(map->GetPointModuleValue(i));
        before.emplace_back(map, std::move(values));
    }
    const bool streamRan = hooks.ensureLinked ? hooks.ensureLinked() : false;
    if (hooks.setPacketQueueWriting) hooks.setPacketQueueWriting(true);

    std::stable_sort(m_records.begin(), m_records.end(),
                     [](const CFuelingDataItem& a, const CFuelingDataItem& b) { return a.site < b.site; });

    // Two point slots per map; -1 is empty. Each map's run of corrections is smoothed on its
    // own, and closed with a line when that map's last correction leaves two points placed.
    struct Slots {
        int a = -1;
        int b = -1;
        std::size_t last = 0;  // index of the map's last record
    };
    Slots slots[3];
    for (std::size_t i = 0; i < m_records.size(); ++i) slots[m_records[i].kind == 2 ? 2 : 1].last = i;

    for (std::size_t i = 0; i < m_records.size(); ++i) {
        const CFuelingDataItem& record = m_records[i];
        const int kind = record.kind == 2 ? 2 : 1;
        AutoTuneMapTarget* map = TargetOf(kind);
        if (map == nullptr) continue;
        const int n = map->NumberOfPoints();
        if (n <= 0) continue;
        const int p = std::clamp(record.site, 0, n - 1);
        if (m_shown != nullptr) m_shown->SetActivePoint(p);
        map->StepPointByModuleUnits(p, record.delta);

        Slots& s = slots[kind];
        if (s.a < 0) {
            s.a = p;
        } else if (s.b < 0) {
            s.b = p;
        } else {
            const double yA = map->GetPointBaseDisplayValue(s.a);
            const double yB = map->GetPointBaseDisplayValue(s.b);
            const double yP = map->GetPointBaseDisplayValue(p);
            if (yA != yB || yA == 0.0 || yP == 0.0)
                map->FitArc(s.a, s.b, p);
            else
                map->FitLine(s.a, p);
            s.a = p;
            s.b = -1;
        }
        if (s.b >= 0 && i == s.last) map->FitLine(s.a, s.b);
    }

    m_records.clear();
    for (const auto& [map, values] : before) {
        AutoTuneMapChange change{map};
        for (int i = 0; i < map->NumberOfPoints() && i < static_cast<int>(values.size()); ++i) {
            const int was = values[static_cast<std::size_t>(i)];
            const int now = map->GetPointModuleValue(i);
            if (now == was) continue;
            ++change.points;
            const double percent = was != 0 ? 100.0 * (now - was) / was : 0.0;
            if (std::fabs(percent) > std::fabs(change.largestPercent)) change.largestPercent = percent;
        }
        if (change.points > 0) m_lastApplied.push_back(change);
    }
    if (hooks.setPacketQueueWriting) hooks.setPacketQueueWriting(false);
    if (streamRan && hooks.restartStream) hooks.restartStream();
}

}  // namespace corvane
