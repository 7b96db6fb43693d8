// libFuzzer target: the monitored-items user file and definitions text readers.
#include <cstddef>
#include <cstdint>

#include "monitor/MonitorFuzzEntryPoints.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    return corvane::FuzzMonitoredItemsFile(data, size);
}
