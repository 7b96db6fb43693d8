#pragma once

#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace corvane {

class CCorvaneMapsDoc;
class CRideAutoTune;

// The point changes Ride AutoTune's ready cells propose on a maps document: the fuel map of
// each cell's row at the cell's site, and the row's rear-trim map there. Worked out first, so
// that the windows can show what will change and the command line can report it, and then
// applied in one go.
class RideAutoTunePlan {
public:
  struct Change {
    int row = 0;
    int site = 0;
    bool rear = false;     // a rear-trim point; else a fuel point
    int mapIndex = 0;      // in the document
    int before = 0;        // module units
    int after = 0;
  };
  struct Applied {
    int points = 0;          // points changed
    int maps = 0;            // maps they lie in
    int notInSync = 0;       // points a linked module did not take (marked not in sync)
  };

  // The changes of the ready cells that `chosen` accepts (every ready cell without it). The
  // fuel point becomes its value times (1 + the cell's fuel change), the rear-trim point the
  // trim that gives the rear cylinder (1 + its relative change) times the fuel it had beside
  // the new fuel; both rounded and held inside the point's module range. Cells whose points
  // would not change give no change. Nothing for a document without a fuel table.
  [[nodiscard]] static RideAutoTunePlan Make(const CCorvaneMapsDoc& doc, const CRideAutoTune& tune,
                                             const std::function<bool(int row, int site)>& chosen = {});

  [[nodiscard]] const std::vector<Change>& Changes() const { return m_changes; }
  [[nodiscard]] bool Empty() const { return m_changes.empty(); }
  [[nodiscard]] int FuelPoints() const;
  [[nodiscard]] int RearPoints() const;
  // "Ride AutoTune: 212 fuel points, 180 rear trim points".
  [[nodiscard]] std::string Description() const;

  // Sets every change on the document's maps, one map at a time and each as one paste, so that
  // a linked module gets one block per map (the maps' own push: points the module did not take
  // are marked not in sync), all as one step of the document's edit history named by
  // Description(). Points whose value is no longer `before` are left alone.
  Applied Apply(CCorvaneMapsDoc& doc) const;

  // The document's fuel table as Ride AutoTune takes it (CRideAutoTune::SetTable): fuel in
  // module units and rear trim in %, row major; cells of rows the document lacks hold 0.
  static void ReadTable(const CCorvaneMapsDoc& doc, std::vector<double>& fuel, std::vector<double>& rearTrimPercent);

  // Sends to a linked module the fuel and rear-trim points that are not in sync, as they stand,
  // in each row from its first to its last ready cell that `chosen` accepts (all without it):
  // what an apply's push could not send when the cable was out. Nothing in the document
  // changes. Returns {points sent, points still not in sync}.
  static std::pair<int, int> SendNotInSync(CCorvaneMapsDoc& doc, const CRideAutoTune& tune,
                                           const std::function<bool(int row, int site)>& chosen = {});

  [[nodiscard]] static std::string FuelMapClass(int row);
  [[nodiscard]] static std::string RearTrimMapClass(int row);

private:
  std::vector<Change> m_changes;   // by map index, then site
};

}  // namespace corvane
