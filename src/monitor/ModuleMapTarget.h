#pragma once

#include "maps/CModuleMap.h"
#include "monitor/AutoTuneMapTarget.h"

namespace corvane {

// AutoTune's view of a map of the maps layer.
class ModuleMapTarget : public AutoTuneMapTarget {
public:
    explicit ModuleMapTarget(CModuleMap& map) : m_map(map) {}

    [[nodiscard]] CModuleMap& Map() const { return m_map; }

    [[nodiscard]] std::string ClassName() const override { return m_map.GetClassName(); }
    [[nodiscard]] std::string Title() const override { return m_map.GetTitle(); }
    [[nodiscard]] int RowKey() const override { return m_map.GetRowKey(); }
    [[nodiscard]] int NumberOfPoints() const override { return m_map.GetNumberOfPoints(); }
    [[nodiscard]] int GetPointModuleValue(int index) const override { return m_map.GetPointModuleValue(index); }
    [[nodiscard]] double GetPointBaseDisplayValue(int index) const override {
        return m_map.GetPointBaseDisplayValue(index);
    }
    [[nodiscard]] double GetPointX(int index) const override { return m_map.GetPointX(index); }
    void StepPointByModuleUnits(int index, int delta) override { m_map.StepPointByModuleUnits(index, delta); }
    void StepPointTrimByModuleUnits(int index, int delta) override { m_map.StepPointTrimByModuleUnits(index, delta); }
    void FitLine(int first, int last) override { m_map.FitLine(first, last); }
    void FitArc(int first, int middle, int last) override { m_map.FitArc(first, middle, last); }
    void SetActivePoint(int index) override { m_map.SetActivePoint(index); }

private:
    CModuleMap& m_map;
};

// The rear trim row that pairs with a fuel row "Stoichiometric<n>Map" (and back): the class
// name of the same row key in the other family, or empty when the map has no partner.
[[nodiscard]] std::string FuelRowPartnerClass(const std::string& className);

}  // namespace corvane
