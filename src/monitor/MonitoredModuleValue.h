#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "protocol/MonitorBlock.h"
#include "model/ModuleValue.h"

namespace corvane {

// Module address of the monitor block the module streams; a live value's module address is
// this plus its offset in the block.
inline constexpr std::uint16_t kMonitorBaseAddress = 0x1400;
inline constexpr int kMonitoredValueCount = 45;

// Catalogue indexes the rest of the monitor refers to by number.
inline constexpr int kEngineSpeedIndex = 4;
inline constexpr int kThrottlePositionIndex = 18;
inline constexpr int kStdThrottlePositionIndex = 19;
inline constexpr int kFrontEgoIndex = 30;
inline constexpr int kRearEgoIndex = 31;

// One row of the live value catalogue. Every monitored value is built from its row; the 45
// classes differ in nothing but these numbers, so they are data, not code.
using MonitorValueSpec = protocol::MonitorChannelSpec;

// The catalogue in block order: offsets are the running sum of the widths, 72 bytes in all.
[[nodiscard]] const std::array<MonitorValueSpec, kMonitoredValueCount>& MonitorCatalogue();

// A live value streamed in the monitor block. Its raw value is its base value; its display
// value is display minimum + raw x scale, the scale held as the value's resolution.
class MonitoredModuleValue : public ModuleValue {
public:
    explicit MonitoredModuleValue(const MonitorValueSpec& spec);

    [[nodiscard]] const std::string& GetName() const { return m_name; }
    [[nodiscard]] const std::string& GetUnits() const { return m_units; }
    [[nodiscard]] const char* GetClassName() const { return m_className; }
    [[nodiscard]] int GetCatalogueIndex() const { return m_catalogueIndex; }
    [[nodiscard]] int GetRawMinimum() const { return m_moduleMinimum; }
    [[nodiscard]] int GetRawMaximum() const { return m_moduleMaximum; }

    // Live values exist in every firmware's monitor block but are not settings.
    [[nodiscard]] bool IsSupportedByFirmware() const { return false; }
    // The display value as " %.1f". Returned by value: a text shared between all values
    // would be overwritten by the next caller.
    [[nodiscard]] std::string FormatValue() const;

private:
    const char* m_className;
    std::string m_name;
    std::string m_units;
    int m_catalogueIndex;
};

class ByteMonitoredModuleValue : public MonitoredModuleValue {
public:
    using MonitoredModuleValue::MonitoredModuleValue;
    [[nodiscard]] int GetByteWidth() const override { return 1; }
};

class WordMonitoredModuleValue : public MonitoredModuleValue {
public:
    using MonitoredModuleValue::MonitoredModuleValue;
    [[nodiscard]] int GetByteWidth() const override { return 2; }
};

// The value of catalogue row `index` (0..44) with the width class its row names.
[[nodiscard]] std::unique_ptr<MonitoredModuleValue> MakeMonitoredValue(int index);

}  // namespace corvane
