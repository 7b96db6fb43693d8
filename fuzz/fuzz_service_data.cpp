// libFuzzer target: the service_data reader (entries/DocumentFuzzEntries.cpp).
#include <cstddef>
#include <cstdint>

namespace corvane::fuzz {
int RunServiceData(const std::uint8_t* data, std::size_t size);
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    return corvane::fuzz::RunServiceData(data, size);
}
