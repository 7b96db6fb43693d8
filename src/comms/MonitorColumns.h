#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "comms/api/Comms.h"

namespace corvane::comms {

// The columns a monitor packet is written in, by the monitor log and by corvane-cli monitor:
// every live value in display units, and each heading names the unit of the number under it.
// The two exhaust-oxygen channels stream sensor volts although the catalogue calls their unit
// "AFR" (that holds only after the EGO sensor table's conversion). With a table, each is
// written as the AFR the monitor shows, under "Front Cylinder (AFR)" / "Rear Cylinder (AFR)",
// followed by its volts under "... (V)"; without one, as volts only.
class MonitorColumns {
public:
    enum class Kind { Display, EgoAfr, EgoVolts };
    struct Column {
        int channel = 0;  // catalogue index
        Kind kind = Kind::Display;
        std::string name;
        std::string units;  // empty when the value has none
        std::string heading;  // "Name (units)", or "Name"
    };

    static constexpr const char* kVoltsUnit = "V";
    static constexpr const char* kAfrUnit = "AFR";

    explicit MonitorColumns(EgoAfrLookup egoAfr = {});

    [[nodiscard]] const std::vector<Column>& Columns() const { return m_columns; }
    [[nodiscard]] bool HasAfr() const { return static_cast<bool>(m_egoAfr); }
    // The number a column holds for this block.
    [[nodiscard]] double Value(const Column& column, std::span<const std::uint8_t> block) const;
    // Appends "," and the column's value with 4 decimals, for every column.
    void AppendValues(std::string& row, std::span<const std::uint8_t> block) const;

private:
    EgoAfrLookup m_egoAfr;
    std::vector<Column> m_columns;
};

}  // namespace corvane::comms
