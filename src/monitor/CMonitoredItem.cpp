#include "monitor/CMonitoredItem.h"

#include <cmath>

#include "model/Archive.h"
#include "monitor/MonitoredModuleValue.h"
#include "monitor/MonitorText.h"

namespace corvane {

namespace {

double Ratio(double numerator, double denominator) {
    if (denominator == 0.0) return 0.0;
    const double r = numerator / denominator;
    return std::isfinite(r) ? r : 0.0;
}

}  // namespace

void CMonitoredItem::Store(Archive& ar) const {
    ar.WriteString(name);
    ar.WriteString(units);
    ar.WriteString(valueText);
    ar.WriteU8(shown);
    ar.WriteI32(moduleAddress);
    ar.WriteI32(memoryPage);
    ar.WriteI32(rawValue);
    ar.WriteString(setupName);
    ar.WriteString(setupUnits);
    ar.WriteString(currentValueText);
    ar.WriteDouble(gaugeMaximum);
    ar.WriteDouble(gaugeMinimum);
    ar.WriteDouble(dataMinimum);
    ar.WriteDouble(dataMaximum);
    ar.WriteI32(moduleMaximum);
    ar.WriteI32(moduleMinimum);
    ar.WriteString(spareText);
    ar.WriteDouble(yellowStop);
    ar.WriteDouble(whiteNormal);
    ar.WriteDouble(redStart);
    ar.WriteDouble(alarmLow);
    ar.WriteDouble(alarmHigh);
    ar.WriteI32(alarmOn);
    ar.WriteI32(ownWindow);
    ar.WriteI32(ownWindowLeft);
    ar.WriteI32(ownWindowTop);
    ar.WriteI32(groupWindow);
    ar.WriteDouble(scale);
}

void CMonitoredItem::Load(Archive& ar) {
    name = ar.ReadString();
    units = ar.ReadString();
    valueText = ar.ReadString();
    shown = ar.ReadU8();
    moduleAddress = ar.ReadI32();
    memoryPage = ar.ReadI32();
    rawValue = ar.ReadI32();
    setupName = ar.ReadString();
    setupUnits = ar.ReadString();
    currentValueText = ar.ReadString();
    gaugeMaximum = ar.ReadDouble();
    gaugeMinimum = ar.ReadDouble();
    dataMinimum = ar.ReadDouble();
    dataMaximum = ar.ReadDouble();
    moduleMaximum = ar.ReadI32();
    moduleMinimum = ar.ReadI32();
    spareText = ar.ReadString();
    yellowStop = ar.ReadDouble();
    whiteNormal = ar.ReadDouble();
    redStart = ar.ReadDouble();
    alarmLow = ar.ReadDouble();
    alarmHigh = ar.ReadDouble();
    alarmOn = ar.ReadI32();
    ownWindow = ar.ReadI32();
    ownWindowLeft = ar.ReadI32();
    ownWindowTop = ar.ReadI32();
    groupWindow = ar.ReadI32();
    scale = ar.ReadDouble();
}

CMonitoredItem CMonitoredItem::FromCatalogue(const MonitoredModuleValue& value) {
    CMonitoredItem item;
    item.name = value.GetName();
    item.units = value.GetUnits();
    item.setupName = value.GetName();
    item.setupUnits = value.GetUnits();
    item.valueText = Fixed2(value.GetDisplayValue());
    item.moduleAddress = kMonitorBaseAddress + value.GetBlockPosition();
    item.moduleMinimum = value.GetRawMinimum();
    item.moduleMaximum = value.GetRawMaximum();
    item.dataMinimum = item.gaugeMinimum = value.GetDisplayMinimum();
    item.dataMaximum = item.gaugeMaximum = value.GetDisplayMaximum();
    item.yellowStop = 0.25 * value.GetDisplayMaximum();
    item.whiteNormal = 0.5 * value.GetDisplayMaximum();
    item.redStart = 0.75 * value.GetDisplayMaximum();
    item.scale = Ratio(value.GetDisplayMaximum() - value.GetDisplayMinimum(),
                       static_cast<double>(value.GetRawMaximum()) - value.GetRawMinimum());
    item.shown = 1;
    item.groupWindow = 1;
    item.alarmOn = 1;
    item.ownWindow = 0;
    item.memoryPage = 0;
    return item;
}

double CMonitoredItem::ComputeScale() const {
    return Ratio(gaugeMaximum - gaugeMinimum, static_cast<double>(moduleMaximum) - moduleMinimum);
}

double CMonitoredItem::DataScale() const {
    return Ratio(dataMaximum - dataMinimum, static_cast<double>(moduleMaximum) - moduleMinimum);
}

double CMonitoredItem::EffectiveScale() const {
    return std::isfinite(scale) && scale > 0.0 ? scale : 0.0;
}

}  // namespace corvane
