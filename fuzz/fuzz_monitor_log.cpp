// libFuzzer target: the monitor log reader that replays use.
#include <cstddef>
#include <cstdint>
#include <string>

#include "FuzzEntry.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    for (const auto& entry : corvane::fuzz::FuzzEntries())
        if (std::string(entry.name) == "monitor_log") return entry.run(data, size);
    return 0;
}
