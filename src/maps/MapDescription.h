#pragma once

#include <cstdint>
#include <string>

namespace corvane {

// The text an axis is labelled with: "Throttle Position (deg)". An axis without a name (the
// ignition table read against plain point position) gets no label rather than a bare "(na)".
[[nodiscard]] inline std::string AxisTitle(const std::string& name, const std::string& unit) {
    if (name.empty()) return {};
    return name + " (" + unit + ")";
}

// Everything that tells one catalogue map from another: names and texts, axes and ranges,
// margins, where its points live in module memory and which live channel runs along its x
// axis. The catalogue holds one of these per map class; the generic map classes read it.
struct MapDescription {
    std::string className;  // the class name the map is known by ("IGNVSMAP2048Map")
    std::string title;
    std::string xAxisName;
    std::string yAxisName;
    std::string xUnit;
    std::string yUnit;
    std::string trimLabel;  // axis label of the trim view; empty for maps without margins
    int groupNumber = 0;
    std::string groupText;
    std::string category = "Tuning Maps";

    int numberOfPoints = 64;
    int bytesPerPoint = 1;
    std::uint16_t startAddress = 0;

    int moduleXMinimum = 0;
    int moduleXMaximum = 0;
    int moduleYMinimum = 0;
    int moduleYMaximum = 255;
    double displayXMinimum = 0.0;
    double displayXMaximum = 0.0;
    double displayYMinimum = 0.0;
    double displayYMaximum = 0.0;

    // 0 none, 1 percent of the base, 2 display units around the base, 3 whole range.
    int marginType = 0;
    double lowerMargin = 0.0;
    double upperMargin = 0.0;

    int rowKey = 0;             // rpm of the row for one row of a speed-indexed family
    int xAxisMonitorChannel = 0;
    int pointSpacing = 10;      // 20 for the half-resolution composites
    bool isComposite = false;
};

}  // namespace corvane
