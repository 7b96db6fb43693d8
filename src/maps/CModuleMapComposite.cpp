#include "maps/CModuleMapComposite.h"

#include <algorithm>
#include <map>

#include "model/Archive.h"

namespace corvane {

namespace {

std::vector<CModuleMapComposite::SourceRun> RowsAsRuns(const std::vector<CModuleMapBasic*>& rows) {
    std::vector<CModuleMapComposite::SourceRun> runs;
    for (CModuleMapBasic* row : rows)
        if (row != nullptr) runs.push_back({row, 0, row->GetNumberOfPoints() - 1});
    return runs;
}

DocumentContext WithoutImage(const DocumentContext* context) {
    DocumentContext c;
    if (context != nullptr) {
        c.comms = context->comms;
        c.prompter = context->prompter;
        c.app = context->app;
    }
    return c;
}

}  // namespace

CModuleMapComposite::CModuleMapComposite(const MapDescription& description,
                                         const DocumentContext* context,
                                         const std::vector<CModuleMapBasic*>& rows,
                                         ValueFactory factory)
    : CModuleMapComposite(description, context, RowsAsRuns(rows), std::move(factory)) {}

CModuleMapComposite::CModuleMapComposite(const MapDescription& description,
                                         const DocumentContext* context,
                                         std::vector<SourceRun> sources, ValueFactory factory)
    : CModuleMapBasic(description, context, std::move(factory)),
      m_sources(std::move(sources)),
      m_pointContext(WithoutImage(context)) {}

// ---------------------------------------------------------------------------------------------
// Mirroring the sources

void CModuleMapComposite::CreateMapPoints() {
    CModuleMapBasic::CreateMapPoints();
    SyncFromRows();
    SaveUndoCopies();
}

void CModuleMapComposite::SyncFromRows() {
    const int n = std::min(PointCount(), static_cast<int>(m_sources.size()));
    for (int i = 0; i < n; ++i) {
        const SourceRun& run = m_sources[static_cast<std::size_t>(i)];
        const CModuleMapPoint* source = run.map->GetMapPoint(run.first);
        if (source == nullptr) continue;
        Point(i).AssignBase(source->GetBaseValue());
        Point(i).AssignTrim(source->GetTrimValue());
        RefreshFlag(i);
    }
}

void CModuleMapComposite::Serialize(Archive& archive, int /*fileVersion*/) {
    // A composite keeps nothing of its own in a file: it is rebuilt from its sources, which the
    // document loads first.
    if (archive.IsLoading()) CreateMapPoints();
}

void CModuleMapComposite::LoadFileRecords(std::span<const ValueRecord> /*records*/) { CreateMapPoints(); }

bool CModuleMapComposite::SourcesInSync(int index) const {
    if (index < 0 || index >= static_cast<int>(m_sources.size())) return false;
    const SourceRun& run = m_sources[static_cast<std::size_t>(index)];
    for (int k = run.first; k <= run.last; ++k)
        if (!run.map->IsPointInSync(k)) return false;
    return true;
}

void CModuleMapComposite::RefreshFlag(int index) {
    if (SourcesInSync(index))
        Point(index).MarkInSync();
    else
        Point(index).MarkNotInSync();
}

bool CModuleMapComposite::IsPointInSync(int index) const {
    return IsValidIndex(index) && SourcesInSync(index);
}

// ---------------------------------------------------------------------------------------------
// Passing edits on

void CModuleMapComposite::ApplyBase(int index, int moduleValue) {
    CModuleMapPoint& p = Point(index);
    const int before = p.GetModuleValue();
    const int trimBefore = p.GetTrimValue();
    p.AssignBase(moduleValue);
    // Only a point that changed reshapes what it stands for: the ends of a fitted line keep
    // the detail of their rows.
    if (p.GetModuleValue() == before && trimBefore == 0) return;
    if (index < static_cast<int>(m_sources.size())) {
        const SourceRun& run = m_sources[static_cast<std::size_t>(index)];
        run.map->AssignBlockBase(run.first, run.last, p.GetModuleValue());
    }
}

void CModuleMapComposite::ApplyTrim(int index, int trim) {
    CModuleMapPoint& p = Point(index);
    const int before = p.GetTrimValue();
    p.AssignTrim(trim);
    const int delta = p.GetTrimValue() - before;
    if (delta != 0 && index < static_cast<int>(m_sources.size())) {
        const SourceRun& run = m_sources[static_cast<std::size_t>(index)];
        run.map->AssignBlockTrimDelta(run.first, run.last, delta);
    }
}

template <typename Fn>
void CModuleMapComposite::ForEachSourceBlock(int first, int last, Fn fn) const {
    std::map<CModuleMapBasic*, std::pair<int, int>> blocks;
    std::vector<CModuleMapBasic*> order;
    for (int i = first; i <= last && i < static_cast<int>(m_sources.size()); ++i) {
        const SourceRun& run = m_sources[static_cast<std::size_t>(i)];
        auto it = blocks.find(run.map);
        if (it == blocks.end()) {
            blocks.emplace(run.map, std::make_pair(run.first, run.last));
            order.push_back(run.map);
        } else {
            it->second.first = std::min(it->second.first, run.first);
            it->second.second = std::max(it->second.second, run.last);
        }
    }
    for (CModuleMapBasic* map : order) fn(*map, blocks[map].first, blocks[map].second);
}

void CModuleMapComposite::PushPoints(int first, int last) {
    if (!NormaliseRange(first, last)) return;
    ForEachSourceBlock(first, last, [](CModuleMapBasic& map, int f, int l) { map.PushPoints(f, l); });
    for (int i = first; i <= last; ++i) RefreshFlag(i);
    if (m_context != nullptr) m_context->NotifyModified();
}

bool CModuleMapComposite::WritePointsToModule(int first, int last) {
    if (!NormaliseRange(first, last)) return false;
    bool ok = true;
    ForEachSourceBlock(first, last,
                       [&ok](CModuleMapBasic& map, int f, int l) { ok = map.WritePointsToModule(f, l) && ok; });
    return ok;
}

int CModuleMapComposite::WriteSinglePointToModule(int index) {
    if (!IsValidIndex(index) || index >= static_cast<int>(m_sources.size())) return 0;
    const SourceRun& run = m_sources[static_cast<std::size_t>(index)];
    if (IsLinked() && run.map->WritePointsToModule(run.first, run.last)) {
        for (int k = run.first; k <= run.last; ++k) run.map->MarkPointInSync(k);
    }
    RefreshFlag(index);
    return 0;
}

int CModuleMapComposite::FitArc(int first, int /*middle*/, int last) {
    // Rows are shaped by lines only; the middle point is ignored.
    return FitLine(first, last);
}

// ---------------------------------------------------------------------------------------------
// Operations without meaning on a composite

int CModuleMapComposite::OffsetMapByModuleUnits(int) {
    Tell(kOffsetNotImplementedMessage);
    return 0;
}
int CModuleMapComposite::OffsetMapTrimsByModuleUnits(int) {
    Tell(kOffsetNotImplementedMessage);
    return 0;
}
bool CModuleMapComposite::GetMapUpperLowerMargins(int& down, int& up) {
    down = up = 0;
    Tell(kMarginsNotImplementedMessage);
    return false;
}
bool CModuleMapComposite::GetMapTrimUpperLowerMargins(int& down, int& up) {
    down = up = 0;
    Tell(kMarginsNotImplementedMessage);
    return false;
}
bool CModuleMapComposite::GetMinMaxBaseValue(int& minimum, int& maximum) {
    minimum = maximum = 0;
    Tell(kNotImplementedMessage);
    return false;
}
bool CModuleMapComposite::GetMinMaxTrimValue(int& minimum, int& maximum) {
    minimum = maximum = 0;
    Tell(kNotImplementedMessage);
    return false;
}
int CModuleMapComposite::SynchronizeIdleMap(int) {
    Tell(kIdleSyncNotEnabledMessage);
    return 0;
}
int CModuleMapComposite::SetBlockTrim(int, int, int) {
    Tell(kIdleSyncNotEnabledMessage);
    return 0;
}
int CModuleMapComposite::SynchronizeUserIdleMap(int) {
    Tell(kUserIdleSyncNotEnabledMessage);
    return 0;
}
bool CModuleMapComposite::GetMapLowIdleRpm(int& result) {
    result = 0;
    Tell(kLowIdleNotEnabledMessage);
    return false;
}

}  // namespace corvane
