#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <span>
#include <string>
#include <vector>

#include "monitor/RideAutoTuneSettings.h"
#include "monitor/RideNeedFit.h"
#include "monitor/RideSample.h"

namespace corvane {

// Ride AutoTune: corrections for the whole fuel table, front and rear cylinder, from the
// monitor stream of a ride (live or from a log). Where the system's AutoTune waits for the
// engine to hold one row's speed and one throttle site, this one takes every packet in which
// the mixture says something about the table:
//  - the engine is warm, the throttle open, both sensors read inside the sensor table's range,
//    no transient fuel is added, and throttle and engine speed were steady over the window the
//    reading stems from;
//  - the reading is paired with the speed and throttle of one sensor delay earlier (the gas it
//    reads left the cylinder then);
//  - the ratio measured AFR / target AFR goes to the four cells around that speed and throttle
//    with bilinear weights; each cell keeps the weighted mean of the front ratio and of the
//    rear ratio, their spread, the weight sum and the number of packets.
// A cell is ready when its weight sum reaches the minimum weight. It proposes to change its fuel
// by (front ratio - 1), and the rear trim by (rear ratio / front ratio - 1), the rear
// cylinder's correction relative to the front's, each clamped to the authority. A cell without
// samples proposes nothing.
//
// The ratio a cell proposes is not simply its weighted mean: a reading between cells is the
// mixture of all four, so a cell beside a neighbour that is much richer or leaner would take
// part of that neighbour's error. The fuel each cylinder needs is fitted over all readings
// instead (RideNeedFit), against the table the readings were taken on (SetTable), and a cell
// proposes its fitted need over its present fuel. On a table whose errors change smoothly the
// fit and the mean agree; where a corrected cell borders one that is not, the fit keeps the
// corrected cell where it belongs. Readings taken before an apply stay valid after it.
//
// Cells are the fuel table's: row r at 256 r rpm (the fuel map Stoichiometric<256 (r + 1)>Map),
// site s at standard throttle position raw 16 s (its point s).
class CEgoSensorTable;

class CRideAutoTune {
public:
  static constexpr int kRows = 32;
  static constexpr int kSites = 64;
  static constexpr double kRowRpm = 256.0;
  static constexpr double kSiteCounts = 16.0;
  static constexpr double kThrottleCountsPerDeg = 1008.0 / 88.68;
  // The window over which throttle and speed must have been steady: the sensor's reading
  // mixes the gas of about this long before the paired moment.
  static constexpr double kSteadySeconds = 0.25;
  // A gap in the stream longer than this (a pulled cable, a replay moved) starts the history
  // afresh: no reading is paired across it.
  static constexpr double kGapSeconds = 1.0;

  struct Cell {
    double weight = 0.0;
    double frontMean = 0.0;
    double rearMean = 0.0;
    double frontSquares = 0.0;   // weighted sums of squared deviations (Welford)
    double rearSquares = 0.0;
    // Weighted sums of ratio x the cell's own fuel when the reading was taken: the need as the
    // cell alone sees it, which the fit holds the cell to and a later table does not change.
    double frontNeedSum = 0.0;
    double rearNeedSum = 0.0;
    std::uint32_t count = 0;     // packets that gave this cell weight
  };

  struct Proposal {
    bool ready = false;
    double fuelPercent = 0.0;    // change of the fuel cell, % (clamped)
    double rearPercent = 0.0;    // relative change of the rear cylinder's fuel, % (clamped)
    double frontErrorPercent = 0.0;   // weighted mean measured error: (mean ratio - 1) x 100
    double rearErrorPercent = 0.0;
    double frontFittedPercent = 0.0;  // fitted need over present fuel, -1, x 100: unclamped
    double rearFittedPercent = 0.0;
    double frontNeed = 0.0;      // the fitted need itself, in the table's units (0: none)
    double rearNeed = 0.0;
    double weight = 0.0;
    std::uint32_t count = 0;
    double spreadPercent = 0.0;  // standard deviation of the front ratio, %
  };

  // Why packets were not used, for the report.
  struct Counts {
    std::uint64_t packets = 0;
    std::uint64_t used = 0;
    std::uint64_t cold = 0;
    std::uint64_t closedThrottle = 0;
    std::uint64_t sensorRange = 0;
    std::uint64_t transient = 0;
    std::uint64_t throttleMoving = 0;
    std::uint64_t speedChanging = 0;
    std::uint64_t noHistory = 0;     // the stream had not run a delay and a window yet
  };

  CRideAutoTune(const RideAutoTuneSettings& settings, double targetAfr);

  // One packet, in time order. A packet whose time goes back or jumps forward by more than
  // kGapSeconds starts the pairing afresh (the cells keep what they have).
  void Add(const RideSample& sample);
  // One packet as the monitor block of a log row or of the live stream. False, with the reason
  // in `why`, for a block that is not the monitor block (a damaged or foreign log).
  bool AddBlock(double seconds, std::span<const std::uint8_t> block, const CEgoSensorTable& egoTable, std::string& why);
  // Another stream begins (the next log, a restarted stream): nothing is paired across.
  void NewStream() { m_history.clear(); }
  // Forgets every cell and the history.
  void Reset();
  // The table the engine runs on now: fuel (module units) and rear trim (%) of every cell, row
  // major (kRows x kSites each). Readings from now on are taken against it, and proposals are
  // changes of it. Without one every cell holds fuel 1 and trim 0 (proposals are then the
  // fitted ratios).
  void SetTable(std::vector<double> fuel, std::vector<double> rearTrimPercent);
  [[nodiscard]] bool HasTable() const { return m_hasTable; }

  [[nodiscard]] const Cell& At(int row, int site) const;
  [[nodiscard]] Proposal ProposalAt(int row, int site) const;
  // Ready: the cell's readings weigh at least the minimum weight, and the cell lies at or above
  // the minimum throttle. A cell below it (closed throttle: idle and overrun) only shares the
  // weight of readings taken above it; the fit would extrapolate its need, so it never moves.
  [[nodiscard]] bool Ready(int row, int site) const;
  [[nodiscard]] int ReadyCells() const;
  [[nodiscard]] int CellsWithSamples() const;
  [[nodiscard]] const Counts& GetCounts() const { return m_counts; }
  [[nodiscard]] const RideAutoTuneSettings& Settings() const { return m_settings; }
  [[nodiscard]] double TargetAfr() const { return m_targetAfr; }

  // Where an engine state falls in the table: fractional row and site, clamped to the table.
  [[nodiscard]] static double RowPosition(double rpm);
  [[nodiscard]] static double SitePosition(double throttleDeg);
  // The throttle position of a site's point (deg).
  [[nodiscard]] static double SiteThrottleDeg(int site) { return site * kSiteCounts / kThrottleCountsPerDeg; }

private:
  struct Past {
    double seconds;
    double rpm;
    double throttleDeg;
    bool transient;
  };
  enum class Verdict { Use, NoHistory, ClosedThrottle, Transient, ThrottleMoving, SpeedChanging };

  [[nodiscard]] Verdict Judge(double pairedAt, double& rpm, double& throttleDeg) const;
  void Accumulate(double rpm, double throttleDeg, double frontRatio, double rearRatio);
  [[nodiscard]] double HistorySpan() const;
  // Fits the need of every cell with samples (front and rear); kept until the next packet.
  void Fit() const;

  RideAutoTuneSettings m_settings;
  double m_targetAfr;
  std::vector<Cell> m_cells;      // kRows x kSites, row major
  std::vector<double> m_fuel;       // the table, row major
  std::vector<double> m_trim;       // rear trim, %
  bool m_hasTable = false;
  RideNeedFit m_frontNeed;
  RideNeedFit m_rearNeed;
  mutable bool m_fitted = false;
  mutable std::vector<double> m_frontFit;   // fitted need, table units
  mutable std::vector<double> m_rearFit;
  std::deque<Past> m_history;     // the packets of the last delay and window
  Counts m_counts;
};

}  // namespace corvane
