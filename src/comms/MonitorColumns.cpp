#include "comms/MonitorColumns.h"

#include <cmath>
#include <cstdio>

#include "comms/MonitorBlockLayout.h"

namespace corvane::comms {

namespace {

MonitorColumns::Column MakeColumn(int channel, MonitorColumns::Kind kind, std::string units) {
    MonitorColumns::Column c;
    c.channel = channel;
    c.kind = kind;
    c.name = kMonitorChannels[static_cast<std::size_t>(channel)].name;
    c.units = std::move(units);
    c.heading = c.units.empty() ? c.name : c.name + " (" + c.units + ")";
    return c;
}

}  // namespace

MonitorColumns::MonitorColumns(EgoAfrLookup egoAfr) : m_egoAfr(std::move(egoAfr)) {
    for (int i = 0; i < kMonitorChannelCount; ++i) {
        if (i == protocol::kFrontEgoChannel || i == protocol::kRearEgoChannel) {
            if (m_egoAfr) m_columns.push_back(MakeColumn(i, Kind::EgoAfr, kAfrUnit));
            m_columns.push_back(MakeColumn(i, Kind::EgoVolts, kVoltsUnit));
        } else {
            m_columns.push_back(MakeColumn(i, Kind::Display, kMonitorChannels[static_cast<std::size_t>(i)].units));
        }
    }
}

double MonitorColumns::Value(const Column& column, std::span<const std::uint8_t> block) const {
    if (column.kind == Kind::EgoAfr) {
        const double afr = m_egoAfr ? m_egoAfr(MonitorRawValue(block, column.channel)) : 0.0;
        return std::isfinite(afr) ? afr : 0.0;
    }
    return MonitorDisplayValue(block, column.channel);
}

void MonitorColumns::AppendValues(std::string& row, std::span<const std::uint8_t> block) const {
    char number[64];
    for (const Column& c : m_columns) {
        std::snprintf(number, sizeof number, ",%.4f", Value(c, block));
        row += number;
    }
}

}  // namespace corvane::comms
