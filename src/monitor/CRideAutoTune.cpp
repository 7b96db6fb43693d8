#include "monitor/CRideAutoTune.h"

#include <algorithm>
#include <cmath>

#include "protocol/MonitorBlock.h"

namespace corvane {

namespace {

constexpr std::size_t kCells = static_cast<std::size_t>(CRideAutoTune::kRows * CRideAutoTune::kSites);

std::size_t Index(int row, int site) { return static_cast<std::size_t>(row * CRideAutoTune::kSites + site); }

}  // namespace

CRideAutoTune::CRideAutoTune(const RideAutoTuneSettings& settings, double targetAfr)
    : m_settings(settings),
      m_targetAfr(targetAfr),
      m_cells(kCells),
      m_fuel(kCells, 1.0),
      m_trim(kCells, 0.0) {
  m_settings.Clamp();
}

void CRideAutoTune::SetTable(std::vector<double> fuel, std::vector<double> rearTrimPercent) {
  if (fuel.size() != kCells || rearTrimPercent.size() != kCells) return;
  m_fuel = std::move(fuel);
  m_trim = std::move(rearTrimPercent);
  m_hasTable = true;
  m_fitted = false;
}

bool CRideAutoTune::AddBlock(double seconds, std::span<const std::uint8_t> block, const CEgoSensorTable& egoTable,
                             std::string& why) {
  if (block.size() != static_cast<std::size_t>(protocol::kMonitorBlockBytes)) {
    why = "the raw block holds " + std::to_string(block.size()) + " bytes, not the " +
          std::to_string(protocol::kMonitorBlockBytes) + " of the monitor block";
    return false;
  }
  Add(RideSample::FromBlock(seconds, block, egoTable));
  return true;
}

void CRideAutoTune::Reset() {
  std::fill(m_cells.begin(), m_cells.end(), Cell{});
  m_frontNeed.Clear();
  m_rearNeed.Clear();
  m_fitted = false;
  m_history.clear();
  m_counts = {};
}

double CRideAutoTune::RowPosition(double rpm) {
  return std::isfinite(rpm) ? std::clamp(rpm / kRowRpm, 0.0, static_cast<double>(kRows - 1)) : 0.0;
}

double CRideAutoTune::SitePosition(double throttleDeg) {
  return std::isfinite(throttleDeg)
             ? std::clamp(throttleDeg * kThrottleCountsPerDeg / kSiteCounts, 0.0, static_cast<double>(kSites - 1))
             : 0.0;
}

double CRideAutoTune::HistorySpan() const {
  return (m_settings.delayCompensation ? m_settings.sensorDelaySeconds : 0.0) + kSteadySeconds;
}

const CRideAutoTune::Cell& CRideAutoTune::At(int row, int site) const {
  return m_cells[static_cast<std::size_t>(std::clamp(row, 0, kRows - 1) * kSites + std::clamp(site, 0, kSites - 1))];
}

bool CRideAutoTune::Ready(int row, int site) const {
  // A hair below the setting still counts: a site exactly at the minimum throttle is tunable.
  return At(row, site).weight >= m_settings.minWeight &&
         SiteThrottleDeg(std::clamp(site, 0, kSites - 1)) >= m_settings.minThrottleDeg - 1e-9;
}

CRideAutoTune::Proposal CRideAutoTune::ProposalAt(int row, int site) const {
  const Cell& cell = At(row, site);
  Proposal p;
  p.weight = cell.weight;
  p.count = cell.count;
  if (cell.weight <= 0.0) return p;
  p.frontErrorPercent = (cell.frontMean - 1.0) * 100.0;
  p.rearErrorPercent = (cell.rearMean - 1.0) * 100.0;
  p.spreadPercent = std::sqrt(std::max(0.0, cell.frontSquares / cell.weight)) * 100.0;
  Fit();
  const std::size_t i = Index(std::clamp(row, 0, kRows - 1), std::clamp(site, 0, kSites - 1));
  const double fuel = m_fuel[i];
  const double rear = fuel * (1.0 + m_trim[i] / 100.0);
  p.ready = Ready(row, site) && fuel > 0.0 && rear > 0.0 && m_frontFit[i] > 0.0 && m_rearFit[i] > 0.0;
  p.frontNeed = m_frontFit[i];
  p.rearNeed = m_rearFit[i];
  if (fuel > 0.0 && rear > 0.0) {
    p.frontFittedPercent = (m_frontFit[i] / fuel - 1.0) * 100.0;
    p.rearFittedPercent = (m_rearFit[i] / rear - 1.0) * 100.0;
  }
  if (!p.ready) return p;
  const double authority = m_settings.authorityPercent;
  p.fuelPercent = std::clamp(p.frontFittedPercent, -authority, authority);
  // The rear trim carries what the rear cylinder needs beyond the front: its need over the
  // front's, against the trim it has.
  p.rearPercent = std::clamp((m_rearFit[i] / m_frontFit[i] / (1.0 + m_trim[i] / 100.0) - 1.0) * 100.0, -authority, authority);
  return p;
}

void CRideAutoTune::Fit() const {
  if (m_fitted) return;
  std::vector<double> weights(kCells), rear(kCells), frontMeans(kCells), rearMeans(kCells);
  for (std::size_t i = 0; i < kCells; ++i) {
    weights[i] = m_cells[i].weight;
    rear[i] = m_fuel[i] * (1.0 + m_trim[i] / 100.0);
    const Cell& c = m_cells[i];
    // Held to the need the cell's own readings gave, as a ratio on its present fuel.
    frontMeans[i] = c.weight > 0.0 && m_fuel[i] > 0.0 ? c.frontNeedSum / c.weight / m_fuel[i] : 1.0;
    rearMeans[i] = c.weight > 0.0 && rear[i] > 0.0 ? c.rearNeedSum / c.weight / rear[i] : 1.0;
  }
  m_frontFit = m_frontNeed.Solve(m_fuel, weights, frontMeans);
  m_rearFit = m_rearNeed.Solve(rear, weights, rearMeans);
  m_fitted = true;
}

int CRideAutoTune::ReadyCells() const {
  int ready = 0;
  for (int row = 0; row < kRows; ++row)
    for (int site = 0; site < kSites; ++site) ready += Ready(row, site) ? 1 : 0;
  return ready;
}

int CRideAutoTune::CellsWithSamples() const {
  return static_cast<int>(std::count_if(m_cells.begin(), m_cells.end(), [](const Cell& c) { return c.weight > 0.0; }));
}

CRideAutoTune::Verdict CRideAutoTune::Judge(double pairedAt, double& rpm, double& throttleDeg) const {
  const double windowStart = pairedAt - kSteadySeconds;
  if (m_history.empty() || m_history.front().seconds > windowStart) return Verdict::NoHistory;
  double minThrottle = 1e9, maxThrottle = -1e9, minRpm = 1e9, maxRpm = -1e9;
  bool transient = false;
  const Past* before = nullptr;
  const Past* after = nullptr;
  for (const Past& p : m_history) {
    if (p.seconds <= pairedAt) before = &p;
    if (!after && p.seconds >= pairedAt) after = &p;
    // The window: the packets from its start to the paired moment, and the last one before
    // its start, so that a change just before it counts.
    if (p.seconds > pairedAt) continue;
    minThrottle = std::min(minThrottle, p.throttleDeg);
    maxThrottle = std::max(maxThrottle, p.throttleDeg);
    minRpm = std::min(minRpm, p.rpm);
    maxRpm = std::max(maxRpm, p.rpm);
    transient = transient || p.transient;
  }
  if (!before) return Verdict::NoHistory;
  if (!after || after == before || after->seconds <= before->seconds) {
    rpm = before->rpm;
    throttleDeg = before->throttleDeg;
  } else {
    const double k = (pairedAt - before->seconds) / (after->seconds - before->seconds);
    rpm = before->rpm + (after->rpm - before->rpm) * k;
    throttleDeg = before->throttleDeg + (after->throttleDeg - before->throttleDeg) * k;
  }
  if (minThrottle < m_settings.minThrottleDeg) return Verdict::ClosedThrottle;
  if (m_settings.transientFilter && transient) return Verdict::Transient;
  if (maxThrottle - minThrottle > m_settings.maxThrottleRate * kSteadySeconds) return Verdict::ThrottleMoving;
  if (maxRpm - minRpm > m_settings.maxRpmRate * kSteadySeconds) return Verdict::SpeedChanging;
  return Verdict::Use;
}

void CRideAutoTune::Add(const RideSample& sample) {
  ++m_counts.packets;
  if (!std::isfinite(sample.seconds)) return;
  if (!m_history.empty() &&
      (sample.seconds < m_history.back().seconds || sample.seconds - m_history.back().seconds > kGapSeconds))
    m_history.clear();
  m_history.push_back({sample.seconds, sample.rpm, sample.throttleDeg, sample.transientMs > 0.0});
  // Keep the delay and the window, and one packet before them.
  const double keepFrom = sample.seconds - HistorySpan();
  while (m_history.size() > 2 && m_history[1].seconds <= keepFrom) m_history.pop_front();

  if (!(sample.headTempF >= m_settings.minHeadTempF)) {
    ++m_counts.cold;
    return;
  }
  if (!sample.sensorsInRange || !(m_targetAfr > 0.0)) {
    ++m_counts.sensorRange;
    return;
  }
  const double pairedAt = sample.seconds - (m_settings.delayCompensation ? m_settings.sensorDelaySeconds : 0.0);
  double rpm = 0.0, throttleDeg = 0.0;
  switch (Judge(pairedAt, rpm, throttleDeg)) {
    case Verdict::NoHistory: ++m_counts.noHistory; return;
    case Verdict::ClosedThrottle: ++m_counts.closedThrottle; return;
    case Verdict::Transient: ++m_counts.transient; return;
    case Verdict::ThrottleMoving: ++m_counts.throttleMoving; return;
    case Verdict::SpeedChanging: ++m_counts.speedChanging; return;
    case Verdict::Use: break;
  }
  ++m_counts.used;
  Accumulate(rpm, throttleDeg, sample.frontAfr / m_targetAfr, sample.rearAfr / m_targetAfr);
}

void CRideAutoTune::Accumulate(double rpm, double throttleDeg, double frontRatio, double rearRatio) {
  const double row = RowPosition(rpm);
  const double site = SitePosition(throttleDeg);
  const int r0 = std::min(static_cast<int>(row), kRows - 2);
  const int s0 = std::min(static_cast<int>(site), kSites - 2);
  const double fr = row - r0;
  const double fs = site - s0;
  const double weights[4] = {(1 - fr) * (1 - fs), (1 - fr) * fs, fr * (1 - fs), fr * fs};
  const int rows[4] = {r0, r0, r0 + 1, r0 + 1};
  const int sites[4] = {s0, s0 + 1, s0, s0 + 1};
  // The fuel each cylinder got at this point: the module's bilinear blend of the table.
  double fuel = 0.0, trim = 0.0;
  for (int i = 0; i < 4; ++i) {
    fuel += weights[i] * m_fuel[Index(rows[i], sites[i])];
    trim += weights[i] * m_trim[Index(rows[i], sites[i])];
  }
  const std::array<double, 4> w{weights[0], weights[1], weights[2], weights[3]};
  m_frontNeed.Add(r0, s0, w, frontRatio, fuel);
  m_rearNeed.Add(r0, s0, w, rearRatio, fuel * (1.0 + trim / 100.0));
  m_fitted = false;
  for (int i = 0; i < 4; ++i) {
    const double w = weights[i];
    if (w <= 0.0) continue;
    Cell& cell = m_cells[static_cast<std::size_t>(rows[i] * kSites + sites[i])];
    const double total = cell.weight + w;
    const double frontDelta = frontRatio - cell.frontMean;
    const double rearDelta = rearRatio - cell.rearMean;
    cell.frontMean += frontDelta * w / total;
    cell.rearMean += rearDelta * w / total;
    cell.frontSquares += w * frontDelta * (frontRatio - cell.frontMean);
    cell.rearSquares += w * rearDelta * (rearRatio - cell.rearMean);
    cell.weight = total;
    const std::size_t at = Index(rows[i], sites[i]);
    cell.frontNeedSum += w * frontRatio * m_fuel[at];
    cell.rearNeedSum += w * rearRatio * m_fuel[at] * (1.0 + m_trim[at] / 100.0);
    ++cell.count;
  }
}

}  // namespace corvane
