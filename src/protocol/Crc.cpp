#include "protocol/Crc.h"

#include <array>

namespace corvane::protocol {

namespace {

constexpr std::array<std::uint32_t, 256> MakeCrc32Table() {
    std::array<std::uint32_t, 256> table{};
    for (std::uint32_t i = 0; i < 256; ++i) {
        std::uint32_t c = i;
        for (int k = 0; k < 8; ++k) c = (c & 1u) ? (0xEDB88320u ^ (c >> 1)) : (c >> 1);
        table[i] = c;
    }
    return table;
}

constexpr std::array<std::uint8_t, 256> MakeCrc8Table() {
    std::array<std::uint8_t, 256> table{};
    for (int i = 0; i < 256; ++i) {
        std::uint8_t c = static_cast<std::uint8_t>(i);
        for (int k = 0; k < 8; ++k)
            c = static_cast<std::uint8_t>((c & 0x80u) ? ((c << 1) ^ 0x07u) : (c << 1));
        table[static_cast<std::size_t>(i)] = c;
    }
    return table;
}

constexpr auto kCrc32Table = MakeCrc32Table();
constexpr auto kCrc8Table = MakeCrc8Table();

}  // namespace

const std::array<std::uint32_t, 256>& Crc32Table() { return kCrc32Table; }

std::uint32_t Crc32Update(std::uint32_t state, std::span<const std::uint8_t> bytes) {
    for (std::uint8_t b : bytes) state = kCrc32Table[(state ^ b) & 0xFFu] ^ (state >> 8);
    return state;
}

std::uint32_t Crc32(std::span<const std::uint8_t> bytes) {
    return Crc32Update(kCrc32Init, bytes) ^ 0xFFFFFFFFu;
}

std::uint8_t Crc8(std::span<const std::uint8_t> bytes) {
    std::uint8_t c = 0;
    for (std::uint8_t b : bytes) c = kCrc8Table[c ^ b];
    return c;
}

}  // namespace corvane::protocol
