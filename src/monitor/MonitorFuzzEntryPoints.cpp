#include "monitor/MonitorFuzzEntryPoints.h"

#include <cmath>
#include <cstdlib>
#include <span>
#include <string_view>

#include "monitor/CEgoSensorTable.h"
#include "monitor/MonitoredItemsFile.h"

namespace corvane {

int FuzzMonitoredItemsFile(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> bytes(data, size);
    if (auto items = MonitoredItemsFile::Read(bytes)) {
        // What was read must write and read back to the same number of items.
        const auto again = MonitoredItemsFile::Read(MonitoredItemsFile::Write(*items));
        if (!again || again->size() != items->size()) std::abort();
    }
    const auto defined =
        MonitoredItemsFile::ParseDefinitions(std::string_view(reinterpret_cast<const char*>(data), size));
    if (defined.size() > 45) std::abort();
    return 0;
}

int FuzzEgoSensorTable(const std::uint8_t* data, std::size_t size) {
    CEgoSensorTable table;
    table.Parse(std::string_view(reinterpret_cast<const char*>(data), size), 5.0 / 1023.0);
    if (table.Size() > CEgoSensorTable::kMaxEntries) std::abort();
    for (std::int64_t raw = -1; raw <= 1024; raw += 7) {
        const double afr = table.LookupEgoAfr(raw);
        if (!std::isfinite(afr)) std::abort();
    }
    return 0;
}

}  // namespace corvane
