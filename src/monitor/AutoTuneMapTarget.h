#pragma once

#include <string>

namespace corvane {

// What AutoTune needs of a map: its identity (class name, row key), point values and the
// edit operations that step, trim and smooth points. Each edit pushes the changed points to a
// linked module (or marks them not in sync) as every map edit does. The maps layer's maps
// are reached through an adapter; tests record the calls.
class AutoTuneMapTarget {
public:
    virtual ~AutoTuneMapTarget() = default;

    [[nodiscard]] virtual std::string ClassName() const = 0;
    // The name the tuner knows the map by.
    [[nodiscard]] virtual std::string Title() const { return ClassName(); }
    [[nodiscard]] virtual int RowKey() const = 0;
    [[nodiscard]] virtual int NumberOfPoints() const = 0;
    [[nodiscard]] virtual int GetPointModuleValue(int index) const = 0;
    [[nodiscard]] virtual double GetPointBaseDisplayValue(int index) const = 0;
    [[nodiscard]] virtual double GetPointX(int index) const = 0;

    virtual void StepPointByModuleUnits(int index, int delta) = 0;
    virtual void StepPointTrimByModuleUnits(int index, int delta) = 0;
    virtual void FitLine(int first, int last) = 0;
    virtual void FitArc(int first, int middle, int last) = 0;
    virtual void SetActivePoint(int index) = 0;
};

// Fuel maps are the rows "Stoichiometric<n>Map"; their rear-cylinder trim partners are the
// rows "RearTrimVsThrottle<n>Map" of the same row key.
[[nodiscard]] bool IsFuelMapClass(const std::string& className);
[[nodiscard]] bool IsRearTrimMapClass(const std::string& className);

}  // namespace corvane
