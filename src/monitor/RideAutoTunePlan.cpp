#include "monitor/RideAutoTunePlan.h"

#include <algorithm>
#include <cmath>
#include <map>

#include "documents/CCorvaneMapsDoc.h"
#include "maps/CModuleMap.h"
#include "model/ClipBoard.h"
#include "monitor/CRideAutoTune.h"

namespace corvane {

std::string RideAutoTunePlan::FuelMapClass(int row) { return "Stoichiometric" + std::to_string(256 * (row + 1)) + "Map"; }

std::string RideAutoTunePlan::RearTrimMapClass(int row) {
  return "RearTrimVsThrottle" + std::to_string(256 * (row + 1)) + "Map";
}

void RideAutoTunePlan::ReadTable(const CCorvaneMapsDoc& doc, std::vector<double>& fuel, std::vector<double>& rearTrimPercent) {
  constexpr int kCells = CRideAutoTune::kRows * CRideAutoTune::kSites;
  fuel.assign(kCells, 0.0);
  rearTrimPercent.assign(kCells, 0.0);
  for (int row = 0; row < CRideAutoTune::kRows; ++row) {
    const int fuelIndex = doc.FindMap(FuelMapClass(row));
    const int rearIndex = doc.FindMap(RearTrimMapClass(row));
    const CModuleMap* fuelMap = fuelIndex >= 0 ? doc.GetMap(fuelIndex) : nullptr;
    const CModuleMap* rearMap = rearIndex >= 0 ? doc.GetMap(rearIndex) : nullptr;
    for (int site = 0; site < CRideAutoTune::kSites; ++site) {
      const auto i = static_cast<std::size_t>(row * CRideAutoTune::kSites + site);
      if (fuelMap && site < fuelMap->GetNumberOfPoints()) fuel[i] = fuelMap->GetPointModuleValue(site);
      if (rearMap && site < rearMap->GetNumberOfPoints())
        rearTrimPercent[i] = rearMap->GetMapPoint(site)->ModuleToDisplay(rearMap->GetPointModuleValue(site));
    }
  }
}

RideAutoTunePlan RideAutoTunePlan::Make(const CCorvaneMapsDoc& doc, const CRideAutoTune& tune,
                                        const std::function<bool(int row, int site)>& chosen) {
  RideAutoTunePlan plan;
  for (int row = 0; row < CRideAutoTune::kRows; ++row) {
    const int fuelIndex = doc.FindMap(FuelMapClass(row));
    if (fuelIndex < 0) continue;
    const CModuleMap& fuel = *doc.GetMap(fuelIndex);
    const int rearIndex = doc.FindMap(RearTrimMapClass(row));
    const CModuleMap* rear = rearIndex >= 0 ? doc.GetMap(rearIndex) : nullptr;
    for (int site = 0; site < CRideAutoTune::kSites && site < fuel.GetNumberOfPoints(); ++site) {
      const CRideAutoTune::Proposal p = tune.ProposalAt(row, site);
      if (!p.ready || (chosen && !chosen(row, site))) continue;
      // Changes are worked out against the document as it is now, from the fitted need, so
      // that a table edited since the readings were taken is corrected from where it stands.
      // Without a table the proposals are changes of whatever the readings were taken on.
      const double authority = tune.Settings().authorityPercent / 100.0;
      const CModuleMapPoint& fuelPoint = *fuel.GetMapPoint(site);
      const int before = fuel.GetPointModuleValue(site);
      if (before <= 0) continue;
      const double change =
          tune.HasTable() ? std::clamp(p.frontNeed / before - 1.0, -authority, authority) : p.fuelPercent / 100.0;
      const int after = std::clamp(static_cast<int>(std::lround(before * (1.0 + change))), fuelPoint.GetModuleMinimum(),
                                   fuelPoint.GetModuleMaximum());
      if (after != before) plan.m_changes.push_back({row, site, false, fuelIndex, before, after});
      if (rear == nullptr || site >= rear->GetNumberOfPoints() || !(p.frontNeed > 0.0)) continue;
      const CModuleMapPoint& trimPoint = *rear->GetMapPoint(site);
      const int trimBefore = rear->GetPointModuleValue(site);
      // The trim is a percent on the fuel: the rear gets (1 + trim) times the front's fuel, and
      // it should get what it needs relative to what the front needs.
      const double trimPercent = trimPoint.ModuleToDisplay(trimBefore);
      const double relative = tune.HasTable()
                                  ? std::clamp(p.rearNeed / p.frontNeed / (1.0 + trimPercent / 100.0) - 1.0, -authority, authority)
                                  : p.rearPercent / 100.0;
      const double wanted = (100.0 + trimPercent) * (1.0 + relative) - 100.0;
      const int trimAfter = std::clamp(trimPoint.DisplayToModule(wanted), trimPoint.GetModuleMinimum(), trimPoint.GetModuleMaximum());
      if (trimAfter != trimBefore) plan.m_changes.push_back({row, site, true, rearIndex, trimBefore, trimAfter});
    }
  }
  std::stable_sort(plan.m_changes.begin(), plan.m_changes.end(), [](const Change& a, const Change& b) {
    return a.mapIndex != b.mapIndex ? a.mapIndex < b.mapIndex : a.site < b.site;
  });
  return plan;
}

int RideAutoTunePlan::FuelPoints() const {
  return static_cast<int>(std::count_if(m_changes.begin(), m_changes.end(), [](const Change& c) { return !c.rear; }));
}

int RideAutoTunePlan::RearPoints() const { return static_cast<int>(m_changes.size()) - FuelPoints(); }

std::string RideAutoTunePlan::Description() const {
  return "Ride AutoTune: " + std::to_string(FuelPoints()) + " fuel point" + (FuelPoints() == 1 ? "" : "s") + ", " +
         std::to_string(RearPoints()) + " rear trim point" + (RearPoints() == 1 ? "" : "s");
}

RideAutoTunePlan::Applied RideAutoTunePlan::Apply(CCorvaneMapsDoc& doc) const {
  Applied applied;
  // All of it is one step of the document's history: one undo takes the whole apply back.
  EditHistory::Step step = doc.History().Begin(Description());
  std::map<int, std::vector<CClipBoardItem>> byMap;
  for (const Change& c : m_changes) {
    CModuleMap* map = doc.GetMap(c.mapIndex);
    if (map == nullptr || c.site >= map->GetNumberOfPoints() || map->GetPointModuleValue(c.site) != c.before) continue;
    byMap[c.mapIndex].push_back({c.site, static_cast<double>(c.after), c.after});
  }
  for (const auto& [index, items] : byMap) {
    CModuleMap& map = *doc.GetMap(index);
    const int first = items.front().index;
    const int last = items.back().index;
    map.PasteBlock(items, first, last);
    ++applied.maps;
    applied.points += static_cast<int>(items.size());
    for (const CClipBoardItem& item : items)
      if (!map.IsPointInSync(item.index)) ++applied.notInSync;
  }
  step.Commit();
  return applied;
}

}  // namespace corvane

namespace corvane {

std::pair<int, int> RideAutoTunePlan::SendNotInSync(CCorvaneMapsDoc& doc, const CRideAutoTune& tune,
                                                    const std::function<bool(int, int)>& chosen) {
  int sent = 0, left = 0;
  for (int row = 0; row < CRideAutoTune::kRows; ++row) {
    // The span of the row's ready cells: an apply pushes each map's changed points as one block
    // from its first to its last, and a failed push leaves the whole block not in sync.
    int from = CRideAutoTune::kSites, to = -1;
    for (int site = 0; site < CRideAutoTune::kSites; ++site)
      if (tune.Ready(row, site) && (!chosen || chosen(row, site))) {
        from = std::min(from, site);
        to = site;
      }
    if (to < 0) continue;
    for (const std::string& name : {FuelMapClass(row), RearTrimMapClass(row)}) {
      const int index = doc.FindMap(name);
      if (index < 0) continue;
      CModuleMap& map = *doc.GetMap(index);
      const int last = std::min(to, map.GetNumberOfPoints() - 1);
      // Runs of neighbouring points that are not in sync go as one block each.
      for (int first = from; first <= last; ++first) {
        if (map.IsPointInSync(first)) continue;
        int end = first;
        while (end + 1 <= last && !map.IsPointInSync(end + 1)) ++end;
        if (map.WritePointsToModule(first, end)) {
          for (int i = first; i <= end; ++i) map.MarkPointInSync(i);
          sent += end - first + 1;
        } else {
          left += end - first + 1;
        }
        first = end;
      }
    }
  }
  return {sent, left};
}

}  // namespace corvane
