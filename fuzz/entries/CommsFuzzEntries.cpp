// Fuzz entries of the comms library's file readers.
#include <cmath>
#include <sstream>
#include <string>

#include "FuzzEntry.h"
#include "comms/MonitorLog.h"

namespace corvane::fuzz {
namespace {

// A monitor log as a replay reads it, and as the log viewer reads it: every record kept has a finite, non-negative time and
// a block no longer than the reader allows; the counts agree with what was kept.
int FuzzMonitorLog(const std::uint8_t* data, std::size_t size) {
    std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
    std::size_t damaged = 0, first = 0;
    const auto records = comms::MonitorLog::Parse(in, nullptr, &damaged, &first);
    if (!records) return 0;
    for (const auto& r : *records) {
        FUZZ_CHECK(std::isfinite(r.seconds) && r.seconds >= 0.0);
        FUZZ_CHECK(!r.block.empty() && r.block.size() <= 4096);
    }
    FUZZ_CHECK((damaged == 0) == (first == 0));
    FUZZ_CHECK(first == 0 || first >= 2);

    // The same bytes as the log viewer reads them: refused with a reason, or a table whose
    // every column has one finite number per row, with times in order, that the cursor's
    // row lookup stays inside.
    std::istringstream again(std::string(reinterpret_cast<const char*>(data), size));
    std::string error;
    const auto table = comms::MonitorLog::ParseTable(again, &error);
    if (!table) {
        FUZZ_CHECK(!error.empty());
        return 0;
    }
    FUZZ_CHECK(table->Rows() > 0);
    FUZZ_CHECK(table->values.size() == table->headings.size());
    // Every row the viewer accepts is a row a replay plays.
    FUZZ_CHECK(damaged == 0 && records->size() == table->Rows());
    for (const auto& column : table->values) {
        FUZZ_CHECK(column.size() == table->Rows());
        for (double v : column) FUZZ_CHECK(std::isfinite(v));
    }
    for (std::size_t i = 0; i < table->Rows(); ++i) {
        FUZZ_CHECK(std::isfinite(table->seconds[i]) && table->seconds[i] >= 0.0);
        FUZZ_CHECK(i == 0 || table->seconds[i] >= table->seconds[i - 1]);
        FUZZ_CHECK(table->RowAt(table->seconds[i]) < table->Rows());
    }
    FUZZ_CHECK(table->RowAt(-1.0) == 0 && table->RowAt(2e9) == table->Rows() - 1);
    return 0;
}

const FuzzEntryRegistrar kMonitorLog("monitor_log", FuzzMonitorLog);

}  // namespace
}  // namespace corvane::fuzz
