// libFuzzer target: the b19 reader (entries/DocumentFuzzEntries.cpp).
#include <cstddef>
#include <cstdint>

namespace corvane::fuzz {
int RunB19(const std::uint8_t* data, std::size_t size);
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    return corvane::fuzz::RunB19(data, size);
}
