#include "monitor/CRideAutoTuneSession.h"

#include <tuple>

#include <vector>

#include "documents/CCorvaneMapsDoc.h"

namespace corvane {

CRideAutoTuneSession::CRideAutoTuneSession() = default;

void CRideAutoTuneSession::SetSettings(const RideAutoTuneSettings& settings) {
  m_settings = settings;
  m_settings.Clamp();
}

std::unique_ptr<CRideAutoTune> CRideAutoTuneSession::NewAnalysis(const CCorvaneMapsDoc& doc, double targetAfr) const {
  auto tune = std::make_unique<CRideAutoTune>(m_settings, targetAfr);
  std::vector<double> fuel, trim;
  RideAutoTunePlan::ReadTable(doc, fuel, trim);
  tune->SetTable(std::move(fuel), std::move(trim));
  return tune;
}

bool CRideAutoTuneSession::Start(const CCorvaneMapsDoc& doc, double targetAfr) {
  if (doc.FindMap(RideAutoTunePlan::FuelMapClass(0)) < 0) return false;
  const bool resume = m_state == State::Stopped && m_tune && m_source.empty() && m_tune->Settings() == m_settings &&
                      m_tune->TargetAfr() == targetAfr;
  if (!resume) {
    m_tune = NewAnalysis(doc, targetAfr);
    m_source.clear();
  } else {
    RefreshTable(doc);
  }
  m_tune->NewStream();
  m_state = State::Collecting;
  return true;
}

void CRideAutoTuneSession::Stop() {
  if (m_state == State::Collecting) m_state = State::Stopped;
}

void CRideAutoTuneSession::Discard() {
  m_tune.reset();
  m_source.clear();
  m_state = State::Idle;
}

void CRideAutoTuneSession::OnMonitorBlock(double seconds, std::span<const std::uint8_t> block,
                                          const CEgoSensorTable& egoTable) {
  if (m_state != State::Collecting || !m_tune) return;
  std::string why;
  (void)m_tune->AddBlock(seconds, block, egoTable, why);   // a block of another length is no packet of ours
}

void CRideAutoTuneSession::RefreshTable(const CCorvaneMapsDoc& doc) {
  if (!m_tune || doc.FindMap(RideAutoTunePlan::FuelMapClass(0)) < 0) return;
  std::vector<double> fuel, trim;
  RideAutoTunePlan::ReadTable(doc, fuel, trim);
  m_tune->SetTable(std::move(fuel), std::move(trim));
}

void CRideAutoTuneSession::TakeAnalysis(std::unique_ptr<CRideAutoTune> analysis, std::string source) {
  m_tune = std::move(analysis);
  m_source = std::move(source);
  m_state = m_tune ? State::Stopped : State::Idle;
}

CTableOverlay CRideAutoTuneSession::Overlay(bool rear) const {
  CTableOverlay overlay;
  if (!m_tune) return overlay;
  for (int row = 0; row < CRideAutoTune::kRows; ++row)
    for (int site = 0; site < CRideAutoTune::kSites; ++site) {
      const CRideAutoTune::Proposal p = m_tune->ProposalAt(row, site);
      if (p.weight <= 0.0) continue;
      // A cell still gathering shows where it heads: the plain mean of its readings, which a
      // few readings at its edge cannot swing as they can swing the fit.
      const double percent = p.ready ? (rear ? p.rearPercent : p.fuelPercent)
                                     : (rear ? p.rearErrorPercent - p.frontErrorPercent : p.frontErrorPercent);
      const std::uint32_t colour = !p.ready ? kGatheringColour
                                            : percent >= 0.0 ? CTableOverlay::kRicherColour : CTableOverlay::kLeanerColour;
      overlay.Set(TableCell{row, site}, percent, colour);
    }
  return overlay;
}

RideAutoTunePlan::Applied CRideAutoTuneSession::Apply(CCorvaneMapsDoc& doc, const std::function<bool(int, int)>& chosen,
                                                      std::string* summary) {
  RideAutoTunePlan::Applied applied;
  if (!m_tune) {
    if (summary) *summary = "Ride AutoTune: nothing gathered to apply";
    return applied;
  }
  RefreshTable(doc);
  const RideAutoTunePlan plan = RideAutoTunePlan::Make(doc, *m_tune, chosen);
  if (plan.Empty()) {
    // Nothing to change: what an earlier apply could not send (the cable was out) goes now.
    const auto [sent, left] = RideAutoTunePlan::SendNotInSync(doc, *m_tune, chosen);
    if (summary) {
      *summary = "Ride AutoTune: no ready cell" + std::string(chosen ? " in the selection" : "") + " to change";
      if (sent > 0) *summary += "; " + std::to_string(sent) + " points the module did not have were sent";
      if (left > 0) *summary += "; " + std::to_string(left) + " points are still not in the module";
    }
    applied.notInSync = left;
    return applied;
  }
  applied = plan.Apply(doc);
  // With the module taking this apply's points, what an earlier apply could not send (its rows
  // may have nothing to change now) goes too. With the cable still out, no push is tried again.
  int sent = 0, left = 0;
  if (applied.notInSync == 0) std::tie(sent, left) = RideAutoTunePlan::SendNotInSync(doc, *m_tune, chosen);
  applied.notInSync += left;
  // The readings stay valid against the new table: the applied cells now propose (almost) nothing.
  RefreshTable(doc);
  if (summary) {
    *summary = plan.Description() + " applied as one step";
    if (sent > 0) *summary += "; " + std::to_string(sent) + " points the module did not have were sent";
    if (applied.notInSync > 0)
      *summary += "; " + std::to_string(applied.notInSync) +
                  " points not in the module (marked not in sync: Apply again sends them once it is back)";
  }
  return applied;
}

std::string CRideAutoTuneSession::StatusText() const {
  if (!m_tune) return m_state == State::Collecting ? "Ride AutoTune: collecting" : "";
  const auto& counts = m_tune->GetCounts();
  std::string text = "Ride AutoTune: ";
  text += m_state == State::Collecting ? "collecting" : m_source.empty() ? "stopped" : "from " + m_source;
  text += ", " + std::to_string(m_tune->ReadyCells()) + " of " + std::to_string(m_tune->CellsWithSamples()) +
          " cells ready, " + std::to_string(counts.packets) + " packets (" + std::to_string(counts.used) + " taken)";
  return text;
}

}  // namespace corvane

namespace corvane {

std::string CRideAutoTuneSession::ReasonsText() const {
  if (!m_tune) return {};
  const auto& c = m_tune->GetCounts();
  return "not taken: " + std::to_string(c.cold) + " cold, " + std::to_string(c.closedThrottle) + " closed throttle, " +
         std::to_string(c.sensorRange) + " sensor out of range, " + std::to_string(c.transient) + " transient fuel, " +
         std::to_string(c.throttleMoving) + " throttle moving, " + std::to_string(c.speedChanging) + " speed changing, " +
         std::to_string(c.noHistory) + " too soon after a start or a gap";
}

}  // namespace corvane
