#include "comms/MonitorLogTable.h"

#include <algorithm>

namespace corvane::comms {

std::size_t MonitorLogTable::RowAt(double t) const {
    if (seconds.empty()) return 0;
    // Times never go back, so the rows after t begin at the first time greater than t.
    const auto after = std::upper_bound(seconds.begin(), seconds.end(), t);
    if (after == seconds.begin()) return 0;
    return static_cast<std::size_t>(after - seconds.begin()) - 1;
}

std::size_t MonitorLogTable::ColumnOf(const std::string& heading) const {
    return static_cast<std::size_t>(std::find(headings.begin(), headings.end(), heading) - headings.begin());
}

}  // namespace corvane::comms
