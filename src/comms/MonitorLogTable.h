#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace corvane::comms {

// The live values of a monitor log as columns: what a plot of the log needs. Rows are in time
// order (times never go back), and every column holds one number per row.
struct MonitorLogTable {
    // The value columns' headings as the log names them ("Engine Speed (RPM)"), without the
    // time and the raw block.
    std::vector<std::string> headings;
    std::vector<double> seconds;
    // values[column][row]
    std::vector<std::vector<double>> values;

    [[nodiscard]] std::size_t Rows() const { return seconds.size(); }
    [[nodiscard]] double FirstSeconds() const { return seconds.empty() ? 0.0 : seconds.front(); }
    [[nodiscard]] double LastSeconds() const { return seconds.empty() ? 0.0 : seconds.back(); }
    // The row in force at time t: the last row at or before t, the first row before it.
    [[nodiscard]] std::size_t RowAt(double t) const;
    // The column whose heading is `heading`, or Columns() when there is none.
    [[nodiscard]] std::size_t ColumnOf(const std::string& heading) const;
    [[nodiscard]] std::size_t Columns() const { return headings.size(); }
};

}  // namespace corvane::comms
