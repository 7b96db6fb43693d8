#include "views/MapGraphLayout.h"

#include <algorithm>

#include "comms/api/Rounding.h"
#include "maps/CModuleMap.h"

namespace corvane {

namespace {

int ValueToPixel(double value, AxisRange range, int extent) {
    const double span = range.maximum - range.minimum;
    if (span == 0.0 || extent <= 0) return 0;
    return RoundToInteger((value - range.minimum) / span * extent);
}

}  // namespace

int ValueToPixelX(double value, AxisRange range, int extent) { return ValueToPixel(value, range, extent); }

int ValueToPixelY(double value, AxisRange range, int extent) { return ValueToPixel(value, range, extent); }

double PixelToValueY(int pixels, AxisRange range, int extent) {
    if (extent <= 0) return 0.0;
    return pixels * (range.maximum - range.minimum) / extent;
}

MapGraphLayout MapGraphLayout::Compute(const CModuleMap& map, QSize client) {
    MapGraphLayout layout;
    // The reference width is the point spacing times the points: 640 for the 64-point maps
    // and for the 32-point composites, whose points lie twice as far apart.
    const int spaced = map.GetPointSpacing() * map.GetNumberOfPoints();
    const int referenceWidth = std::max(spaced > 0 ? spaced : map.GetPlotWidth(), 1);
    const int referenceHeight = std::max(map.GetPlotHeight(), 1);
    layout.scale = 0.85 * client.width() / referenceWidth;
    // The view does not scroll: in a window too short for the width's scale the graph shrinks
    // until title, plot and x-axis texts (vertical margin included) fit.
    const double fitHeight = static_cast<double>(client.height() - map.GetVerticalMargin()) / referenceHeight;
    // Likewise in a narrow window, where 0.85 of the width would run the plot and its last x
    // label past the right edge: keep 30 pixels clear right of the plot.
    const double fitWidth =
        static_cast<double>(client.width() - (map.GetHorizontalMargin() - 20 + map.GetXOffset()) - 30) / referenceWidth;
    layout.scale = std::max(std::min({layout.scale, fitHeight, fitWidth}), 0.05);
    layout.plotWidth = std::max(RoundToInteger(referenceWidth * layout.scale), 1);
    layout.plotHeight = std::max(RoundToInteger(referenceHeight * layout.scale), 1);
    // With the catalogue margins the origin lies 80 pixels in and the plot starts 40 pixels
    // down, leaving room for the title above and the y-axis texts to the left.
    layout.origin = QPoint(map.GetHorizontalMargin() - 20 + map.GetXOffset(),
                           map.GetVerticalMargin() + map.GetYOffset() - 60 + layout.plotHeight);
    // A marker below 3 pixels could no longer be seen or grabbed.
    layout.markerSide = std::max(std::min(7, client.width() / 100), 3);
    layout.x = {map.GetDisplayMinimum().x, map.GetDisplayMaximum().x};
    layout.y = {map.GetDisplayMinimum().y, map.GetDisplayMaximum().y};
    return layout;
}

}  // namespace corvane
