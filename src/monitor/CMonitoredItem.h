#pragma once

#include <cstdint>
#include <string>

#include "model/Archive.h"

namespace corvane {

class MonitoredModuleValue;

// The user-facing record of one live value: its labels, gauge limits, coloured ranges and
// own-window placement. Item i belongs to catalogue value i. Fields 1..28 are stored in the
// monitored-items file in declaration order; the AutoTune accumulators are never stored.
class CMonitoredItem {
public:
    static constexpr const char* kClassName = "CMonitoredItem";
    static constexpr int kSchema = 1;

    // Everything the user file holds of one item, in file order.
    void Serialize(Archive& archive) {
        if (archive.IsStoring()) Store(archive); else Load(archive);
    }
    void Store(Archive& archive) const;
    void Load(Archive& archive);

    // An item made from catalogue value `value` (no user file, no definitions file).
    [[nodiscard]] static CMonitoredItem FromCatalogue(const MonitoredModuleValue& value);

    // (gauge maximum - gauge minimum) / (module maximum - module minimum); 0 when undefined.
    [[nodiscard]] double ComputeScale() const;
    // Display units per raw count: the stored scale when it is a positive finite number, else
    // 0 meaning "no conversion" - whoever needs one switches its output off.
    [[nodiscard]] double EffectiveScale() const;
    // (data maximum - data minimum) / (module maximum - module minimum); 0 when undefined.
    [[nodiscard]] double DataScale() const;

    // 1..28, stored.
    std::string name;
    std::string units;
    std::string valueText;
    std::uint8_t shown = 1;
    std::int32_t moduleAddress = 0;
    std::int32_t memoryPage = 0;
    std::int32_t rawValue = 0;
    std::string setupName;
    std::string setupUnits;
    std::string currentValueText;
    double gaugeMaximum = 0.0;
    double gaugeMinimum = 0.0;
    double dataMinimum = 0.0;
    double dataMaximum = 0.0;
    std::int32_t moduleMaximum = 0;
    std::int32_t moduleMinimum = 0;
    std::string spareText;
    double yellowStop = 0.0;
    double whiteNormal = 0.0;
    double redStart = 0.0;
    double alarmLow = 0.0;
    double alarmHigh = 0.0;
    std::int32_t alarmOn = 1;
    std::int32_t ownWindow = 0;
    std::int32_t ownWindowLeft = 0;
    std::int32_t ownWindowTop = 0;
    std::int32_t groupWindow = 1;
    double scale = 0.0;

    // AutoTune accumulators of the two EGO items, live only. The running sum holds the raw
    // readings of the current steady streak; 64 bits so that no streak can overflow it.
    std::int64_t egoRawSum = 0;
    double lastAfr = 0.0;
    double lastFraction = 0.0;
};

}  // namespace corvane
