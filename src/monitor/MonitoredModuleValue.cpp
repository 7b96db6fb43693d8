#include "monitor/MonitoredModuleValue.h"

#include "model/NumberText.h"

namespace corvane {

const std::array<MonitorValueSpec, kMonitoredValueCount>& MonitorCatalogue() { return protocol::kMonitorChannels; }

MonitoredModuleValue::MonitoredModuleValue(const MonitorValueSpec& spec)
    : m_className(spec.className), m_name(spec.name), m_units(spec.units),
      m_catalogueIndex(spec.index) {
    m_address = static_cast<std::uint16_t>(spec.offset);
    m_areaStart = kMonitorBaseAddress;
    m_moduleMinimum = 0;
    m_moduleMaximum = spec.rawMaximum;
    m_displayMinimum = spec.displayMinimum;
    m_displayMaximum = spec.displayMaximum;
    m_resolution = (spec.displayMaximum - spec.displayMinimum) / spec.rawMaximum;
    m_displayValue = 0.0;
}

std::string MonitoredModuleValue::FormatValue() const {
    // A small negative value (the signed AFR channels near zero) shows "0.0", never "-0.0".
    return " " + FormatFixed(m_displayValue, 1);
}

std::unique_ptr<MonitoredModuleValue> MakeMonitoredValue(int index) {
    const MonitorValueSpec& spec = protocol::kMonitorChannels.at(static_cast<std::size_t>(index));
    if (spec.width == 2) return std::make_unique<WordMonitoredModuleValue>(spec);
    return std::make_unique<ByteMonitoredModuleValue>(spec);
}

}  // namespace corvane
