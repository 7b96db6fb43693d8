#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>

#include "maps/CTableOverlay.h"
#include "monitor/CRideAutoTune.h"
#include "monitor/RideAutoTunePlan.h"
#include "monitor/RideAutoTuneSettings.h"

namespace corvane {

class CCorvaneMapsDoc;
class CEgoSensorTable;

// Ride AutoTune as the window program runs it: start, ride, stop, apply. While it collects,
// every monitor packet goes to Ride AutoTune against the fuel table of the document in
// front; what it has gathered stays until it is applied, discarded or started afresh, so a
// ride may be stopped and resumed (a pulled cable or a stop for fuel costs nothing but the
// packets not received). A monitor log analysed in the log viewer replaces what was gathered,
// as a ride of its own.
//
// The per-cell display (the fuel and rear-trim tables' marks) and the status line come from
// here; the windows only draw them.
class CRideAutoTuneSession {
public:
  enum class State { Idle, Collecting, Stopped };
  // Marks: ready cells in the colours richer and leaner corrections have everywhere, cells still
  // gathering in grey, so that readiness shows at a glance.
  static constexpr std::uint32_t kGatheringColour = 0x00A0A0A0;

  CRideAutoTuneSession();

  [[nodiscard]] State GetState() const { return m_state; }
  [[nodiscard]] bool Collecting() const { return m_state == State::Collecting; }
  [[nodiscard]] const RideAutoTuneSettings& Settings() const { return m_settings; }
  // New settings count from the next start (what was gathered was gathered under the old ones).
  void SetSettings(const RideAutoTuneSettings& settings);

  // Starts collecting against `doc`'s table and the target AFR: afresh when idle, going on with
  // what was gathered when stopped. False when the document has no fuel table.
  bool Start(const CCorvaneMapsDoc& doc, double targetAfr);
  void Stop();
  // Forgets what was gathered.
  void Discard();

  // One monitor packet of the live stream (ignored unless collecting); `seconds` on any
  // steady clock.
  void OnMonitorBlock(double seconds, std::span<const std::uint8_t> block, const CEgoSensorTable& egoTable);
  // The document's table now: readings from here on are weighed against it, proposals are
  // changes of it. Called before every display and apply, and whenever the table may have
  // changed.
  void RefreshTable(const CCorvaneMapsDoc& doc);

  // What a monitor log gave (RideAutoTune filled by the caller from the log's rows): replaces
  // what was gathered; the session stands stopped with it. `source` names the log.
  void TakeAnalysis(std::unique_ptr<CRideAutoTune> analysis, std::string source);
  // A fresh Ride AutoTune with the session's settings against `doc`'s table, for an analysis.
  [[nodiscard]] std::unique_ptr<CRideAutoTune> NewAnalysis(const CCorvaneMapsDoc& doc, double targetAfr) const;

  [[nodiscard]] const CRideAutoTune* Tune() const { return m_tune.get(); }
  [[nodiscard]] bool HasCorrections() const { return m_tune && m_tune->ReadyCells() > 0; }
  // Marks for the fuel table (the fuel change) or the rear-trim table (the rear cylinder's
  // change relative to the front): every cell with samples.
  [[nodiscard]] CTableOverlay Overlay(bool rear) const;

  // Applies the ready cells that `chosen` accepts (all without it) to `doc` as one step of its
  // history. The summary for the status bar in *summary.
  RideAutoTunePlan::Applied Apply(CCorvaneMapsDoc& doc, const std::function<bool(int row, int site)>& chosen,
                                  std::string* summary);

  // "Ride AutoTune: collecting, 34 of 120 cells ready, 12345 packets (8210 taken)"; empty when
  // idle with nothing gathered.
  [[nodiscard]] std::string StatusText() const;
  // Why packets were not taken: "not taken: 120 cold, 4000 closed throttle, ...".
  [[nodiscard]] std::string ReasonsText() const;

private:
  RideAutoTuneSettings m_settings;
  std::unique_ptr<CRideAutoTune> m_tune;
  State m_state = State::Idle;
  std::string m_source;   // "" live, else the log analysed
};

}  // namespace corvane
