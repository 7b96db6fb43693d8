// libFuzzer target: the EGO sensor table reader and its lookups.
#include <cstddef>
#include <cstdint>

#include "monitor/MonitorFuzzEntryPoints.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    return corvane::FuzzEgoSensorTable(data, size);
}
