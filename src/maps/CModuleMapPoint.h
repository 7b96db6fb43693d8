#pragma once

#include <cstdint>
#include <memory>

#include "model/ModuleValue.h"

namespace corvane {

class Archive;

// One point of a map: its x value and the module value that holds its y. The forwarding
// operations read and write through the value, so the value stays the one place that knows
// units, ranges, margins and the image.
class CModuleMapPoint {
public:
    virtual ~CModuleMapPoint() = default;
    CModuleMapPoint() = default;
    CModuleMapPoint(const CModuleMapPoint&) = delete;
    CModuleMapPoint& operator=(const CModuleMapPoint&) = delete;

    // Takes the value and sets it up for a map point at the address.
    virtual void Initialize(std::unique_ptr<ModuleValue> value, std::uint16_t address, double x,
                            double displayMinimumY, double displayMaximumY, int moduleMinimumY,
                            int moduleMaximumY, double lowerMargin, double upperMargin,
                            int marginType) = 0;
    virtual void SetX(double x) = 0;
    [[nodiscard]] virtual double GetX() const = 0;
    [[nodiscard]] virtual ModuleValue& GetValue() = 0;
    [[nodiscard]] virtual const ModuleValue& GetValue() const = 0;

    // Base edit: the module value and the base become m (clamped to the module range) and the
    // trim becomes 0, so the module value equals the base again.
    void AssignBase(int m) { GetValue().SetBaseAndTrim(m, 0); }
    // Trim edit: the trim becomes t clamped to the margins and the module value base + trim.
    void AssignTrim(int t) {
        ModuleValue& v = GetValue();
        v.SetBaseAndTrim(v.GetBaseValue(), v.ClampTrimValue(t));
    }

    // Forwards.
    [[nodiscard]] int GetModuleValue() const { return GetValue().GetModuleValue(); }
    [[nodiscard]] int GetModuleMinimum() const { return GetValue().GetModuleMinimum(); }
    [[nodiscard]] int GetModuleMaximum() const { return GetValue().GetModuleMaximum(); }
    [[nodiscard]] int GetBaseValue() const { return GetValue().GetBaseValue(); }
    [[nodiscard]] int GetTrimValue() const { return GetValue().GetTrimValue(); }
    [[nodiscard]] int GetMarginType() const { return GetValue().GetMarginType(); }
    [[nodiscard]] double GetDisplayValue() const { return GetValue().GetDisplayValue(); }
    [[nodiscard]] double GetBaseDisplayValue() const { return GetValue().GetBaseDisplayValue(); }
    [[nodiscard]] double GetTrimDisplayValue() const { return GetValue().GetTrimDisplayValue(); }
    [[nodiscard]] double GetTrimShownValue() const { return GetValue().GetTrimShownValue(); }
    [[nodiscard]] std::uint16_t GetAddress() const { return GetValue().GetAddress(); }
    [[nodiscard]] int GetByteWidth() const { return GetValue().GetByteWidth(); }
    [[nodiscard]] bool IsInSync() const { return GetValue().IsInSync(); }
    void MarkInSync() { GetValue().MarkInSync(); }
    void MarkNotInSync() { GetValue().MarkNotInSync(); }
    [[nodiscard]] double ModuleToDisplay(int v) const { return GetValue().ModuleToDisplay(v); }
    [[nodiscard]] int DisplayToModule(double d) const { return GetValue().DisplayToModule(d); }
    void LoadFromModuleBytes(int raw) { GetValue().LoadFromModuleBytes(raw); }
    void LoadBaseFromModuleBytes(int raw) { GetValue().LoadBaseFromModuleBytes(raw); }
    void SetMargins(double lower, double upper) { GetValue().SetMargins(lower, upper); }
    void Serialize(Archive& archive, int fileVersion) { GetValue().Serialize(archive, fileVersion); }
};

// The point of every single-curve map: owns its value.
class CModuleMapPointBasic : public CModuleMapPoint {
public:
    void Initialize(std::unique_ptr<ModuleValue> value, std::uint16_t address, double x,
                    double displayMinimumY, double displayMaximumY, int moduleMinimumY,
                    int moduleMaximumY, double lowerMargin, double upperMargin,
                    int marginType) override {
        m_value = std::move(value);
        m_x = x;
        m_value->InitializeForMap(address, address, displayMinimumY, displayMaximumY, moduleMinimumY,
                                  moduleMaximumY, lowerMargin, upperMargin, marginType);
    }
    void SetX(double x) override { m_x = x; }
    [[nodiscard]] double GetX() const override { return m_x; }
    [[nodiscard]] ModuleValue& GetValue() override { return *m_value; }
    [[nodiscard]] const ModuleValue& GetValue() const override { return *m_value; }

private:
    double m_x = 0.0;
    std::unique_ptr<ModuleValue> m_value;
};

// A point of a composite map; it behaves as a basic point, only its class differs.
class CModuleMapPointComposite : public CModuleMapPointBasic {};

}  // namespace corvane
