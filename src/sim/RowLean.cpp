#include "sim/RowLean.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "sim/ModuleEmulator.h"

namespace corvane::sim {

void MakeRowLean(ModuleEmulator& module, std::uint16_t startAddress, int points, double percent) {
    for (int p = 0; p < points; ++p) {
        const auto address = static_cast<std::uint16_t>(startAddress + 2 * p);
        const long lean = std::lround(module.PeekWord(address) * (1.0 - percent / 100.0));
        const auto word = static_cast<std::uint16_t>(std::clamp(lean, 0L, 0xFFFFL));
        const std::vector<std::uint8_t> bytes{static_cast<std::uint8_t>(word >> 8), static_cast<std::uint8_t>(word)};
        (void)module.Write(address, bytes);
    }
}

}  // namespace corvane::sim
