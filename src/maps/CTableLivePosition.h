#pragma once

#include <array>
#include <deque>
#include <vector>

#include "maps/CTableEditor.h"

namespace corvane {

// Where the engine runs in a table: the four cells around the operating point with their
// bilinear interpolation weights (what the module itself blends), and a trail of where it ran
// in the last seconds. Times are seconds on any steady clock the caller keeps.
class CTableLivePosition {
public:
    struct Corner {
        TableCell cell;
        double weight = 0.0;  // 0 ... 1; the four add up to 1
    };
    // A place in cell units: row 2.5 lies halfway between rows 2 and 3.
    struct Place {
        double row = 0.0;
        double column = 0.0;
    };
    struct TrailPoint {
        Place place;
        double age = 0.0;  // seconds
    };

    static constexpr double kDefaultTrailSeconds = 3.0;
    // The trail keeps a place at most this often: enough for its shape, and the view draws a
    // few dozen points per repaint rather than every packet's.
    static constexpr double kTrailInterval = 0.05;

    // rowSpeeds ascending (rpm), columnXs ascending (the x axis of the rows' maps).
    CTableLivePosition(std::vector<int> rowSpeeds, std::vector<double> columnXs,
                       double trailSeconds = kDefaultTrailSeconds);

    // A live value pair: engine speed and the x axis quantity, outside the table held at its
    // edge.
    void Update(double rpm, double x, double now);
    // The stream stopped: no position, no trail.
    void Clear();

    [[nodiscard]] bool HasPosition() const { return m_has; }
    [[nodiscard]] const std::array<Corner, 4>& Corners() const { return m_corners; }
    [[nodiscard]] Place Position() const { return m_place; }
    // The cell that weighs most (the first of equals): the one follow mode moves to.
    [[nodiscard]] TableCell NearestCell() const;
    // The places of the last trailSeconds before `now`, oldest first.
    [[nodiscard]] std::vector<TrailPoint> Trail(double now) const;
    [[nodiscard]] double TrailSeconds() const { return m_trailSeconds; }
    // Where on an axis a value falls, in index units, clamped to the axis.
    [[nodiscard]] static double IndexOf(const std::vector<double>& axis, double value);

private:
    struct Sample {
        Place place;
        double time = 0.0;
    };

    std::vector<double> m_rowSpeeds;
    std::vector<double> m_columnXs;
    double m_trailSeconds;
    bool m_has = false;
    Place m_place;
    std::array<Corner, 4> m_corners{};
    std::deque<Sample> m_trail;
};

}  // namespace corvane
