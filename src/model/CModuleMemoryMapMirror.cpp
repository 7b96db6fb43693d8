#include "model/CModuleMemoryMapMirror.h"

#include <algorithm>

namespace corvane {

std::uint16_t CModuleMemoryMapMirror::WriteDataBlock(std::uint16_t address, const std::uint8_t* bytes,
                                                     std::uint16_t count) {
    if (count == 0) return 0;
    if (static_cast<std::uint32_t>(address) + count > kSize) {
        // Nothing outside the image is ever written, and nothing inside either: a half write
        // would leave a value split between its old and new bytes.
        if (m_reporter) m_reporter(kBoundingMessage);
        return 0;
    }
    std::copy(bytes, bytes + count, m_bytes.begin() + address);
    return count;
}

void CModuleMemoryMapMirror::Fill(int count) {
    if (count <= 0) return;
    const auto n = std::min<std::uint32_t>(static_cast<std::uint32_t>(count), kSize);
    std::fill(m_bytes.begin(), m_bytes.begin() + n, 0xFF);
}

}  // namespace corvane
