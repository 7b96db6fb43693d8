// Fuzz entries of the comms library's file readers.
#include <cmath>
#include <sstream>
#include <string>

#include "FuzzEntry.h"
#include "comms/MonitorLog.h"

namespace corvane::fuzz {
namespace {

// A monitor log as a replay reads it: every record kept has a finite, non-negative time and
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
    return 0;
}

const FuzzEntryRegistrar kMonitorLog("monitor_log", FuzzMonitorLog);

}  // namespace
}  // namespace corvane::fuzz
