#include "maps/TuneSnapshot.h"

#include "maps/CModuleMapBasic.h"
#include "maps/EditHistorySubject.h"

namespace corvane {

TuneSnapshot TuneSnapshot::Capture(EditHistorySubject& subject) {
    TuneSnapshot s;
    const int maps = subject.HistoryMapCount();
    s.maps.resize(static_cast<std::size_t>(std::max(maps, 0)));
    for (int m = 0; m < maps; ++m) {
        const CModuleMapBasic* map = subject.HistoryMap(m);
        if (map == nullptr) continue;
        auto& points = s.maps[static_cast<std::size_t>(m)];
        points.reserve(static_cast<std::size_t>(map->GetNumberOfPoints()));
        for (int i = 0; i < map->GetNumberOfPoints(); ++i)
            points.push_back(map->GetMapPoint(i)->GetValue().State());
    }
    const int settings = subject.HistorySettingCount();
    s.settings.reserve(static_cast<std::size_t>(std::max(settings, 0)));
    for (int k = 0; k < settings; ++k) {
        const ModuleValue* value = subject.HistorySetting(k);
        s.settings.push_back(value != nullptr ? value->State() : ValueState{});
    }
    s.name = subject.HistoryName();
    return s;
}

TuneChange TuneChange::Between(const TuneSnapshot& before, const TuneSnapshot& after) {
    TuneChange change;
    if (before.maps.size() != after.maps.size() || before.settings.size() != after.settings.size())
        return change;
    for (std::size_t m = 0; m < before.maps.size(); ++m) {
        const auto& a = before.maps[m];
        const auto& b = after.maps[m];
        if (a.size() != b.size()) return {};
        for (std::size_t i = 0; i < a.size(); ++i)
            if (!(a[i] == b[i])) change.points.push_back({static_cast<int>(m), static_cast<int>(i), a[i], b[i]});
    }
    for (std::size_t k = 0; k < before.settings.size(); ++k)
        if (!(before.settings[k] == after.settings[k]))
            change.settings.push_back({static_cast<int>(k), before.settings[k], after.settings[k]});
    if (before.name != after.name) change.name = Name{before.name, after.name};
    return change;
}

void TuneChange::ApplyTo(TuneSnapshot& snapshot, bool undo) const {
    for (const Point& p : points) {
        if (static_cast<std::size_t>(p.map) >= snapshot.maps.size()) continue;
        auto& states = snapshot.maps[static_cast<std::size_t>(p.map)];
        if (static_cast<std::size_t>(p.point) < states.size())
            states[static_cast<std::size_t>(p.point)] = undo ? p.before : p.after;
    }
    for (const Setting& s : settings)
        if (static_cast<std::size_t>(s.index) < snapshot.settings.size())
            snapshot.settings[static_cast<std::size_t>(s.index)] = undo ? s.before : s.after;
    if (name) snapshot.name = undo ? name->before : name->after;
}

int TuneChange::MapCount() const {
    int count = 0;
    int last = -1;
    for (const Point& p : points) {
        if (p.map != last) ++count;
        last = p.map;
    }
    return count;
}

}  // namespace corvane
