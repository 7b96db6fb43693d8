// libFuzzer target: the map file's records layer (entries/DocumentFuzzEntries.cpp).
#include <cstddef>
#include <cstdint>

namespace corvane::fuzz {
int RunMapRecords(const std::uint8_t* data, std::size_t size);
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    return corvane::fuzz::RunMapRecords(data, size);
}
