#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

namespace corvane {

class CModuleMap;

// One axis of the graph in display units.
struct AxisRange {
    double minimum = 0.0;
    double maximum = 0.0;
    bool operator==(const AxisRange&) const = default;
};

// Pixels from the plot origin for a display value on an axis drawn `extent` pixels long; the
// y axis grows upwards from the origin (lower left). A degenerate range puts everything at 0.
[[nodiscard]] int ValueToPixelX(double value, AxisRange range, int extent);
[[nodiscard]] int ValueToPixelY(double value, AxisRange range, int extent);
// Display units for a vertical distance in pixels (up is positive).
[[nodiscard]] double PixelToValueY(int pixels, AxisRange range, int extent);

// Where the graph of one map lies in a view of a given client size. 0.85 of the client width
// holds the map's reference plot width and the height scales with it, so the curve keeps the
// shape the catalogue gave it; a window too short for that scale gets a smaller one.
struct MapGraphLayout {
    // The smallest view the graph is fitted to: below it the window scrolls rather than
    // shrinking markers and plot until a marker cannot be grabbed or a drag pixel is worth
    // too many steps (at this size markers are 5 pixels and the plot about 280 high). A maps
    // window at its first-run placement on a 1366-pixel screen still shows it whole.
    static constexpr int kMinimumClientWidth = 560;
    static constexpr int kMinimumClientHeight = 400;

    double scale = 1.0;
    int plotWidth = 0;   // pixels; the plot spans plotWidth + 1 columns from origin.x()
    int plotHeight = 0;  // pixels; the plot spans plotHeight + 1 rows up to origin.y()
    QPoint origin;       // the plot's lower left pixel
    int markerSide = 7;
    AxisRange x;
    AxisRange y;

    [[nodiscard]] static MapGraphLayout Compute(const CModuleMap& map, QSize client);

    // The plot area, both edges included.
    [[nodiscard]] QRect Plot() const { return {origin.x(), origin.y() - plotHeight, plotWidth + 1, plotHeight + 1}; }
    [[nodiscard]] int PixelX(double value) const { return origin.x() + ValueToPixelX(value, x, plotWidth); }
    [[nodiscard]] int PixelY(double value) const { return origin.y() - ValueToPixelY(value, y, plotHeight); }
    // The square a marker of this side fills, centred on the point's pixel.
    [[nodiscard]] QRect MarkerRect(QPoint centre) const {
        return {centre.x() - markerSide / 2, centre.y() - markerSide / 2, markerSide, markerSide};
    }
    // A marker with everything drawn around it (active and mark frames).
    [[nodiscard]] QRect MarkerOuterRect(QPoint centre) const { return MarkerRect(centre).adjusted(-3, -3, 3, 3); }
    // Display units for a vertical drag of this many pixels (up is positive).
    [[nodiscard]] double DragToDisplayUnits(int pixelsUp) const { return PixelToValueY(pixelsUp, y, plotHeight); }

    bool operator==(const MapGraphLayout&) const = default;
};

}  // namespace corvane
