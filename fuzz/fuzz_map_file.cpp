// libFuzzer target: the map_file reader (entries/DocumentFuzzEntries.cpp).
#include <cstddef>
#include <cstdint>

namespace corvane::fuzz {
int RunMapFile(const std::uint8_t* data, std::size_t size);
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    return corvane::fuzz::RunMapFile(data, size);
}
