#pragma once

#include <array>
#include <cstdint>
#include <span>

namespace corvane::protocol {

// CRC-32 (IEEE 802.3: reflected polynomial 0xEDB88320, initial value and final xor
// 0xFFFFFFFF). Detects every error burst of up to 32 bits, so every single corrupted byte.
[[nodiscard]] std::uint32_t Crc32(std::span<const std::uint8_t> bytes);
// Continues a CRC-32 over more bytes: Crc32Update(Crc32Update(kCrc32Init, a), b) ^ final.
inline constexpr std::uint32_t kCrc32Init = 0xFFFFFFFFu;
[[nodiscard]] std::uint32_t Crc32Update(std::uint32_t state, std::span<const std::uint8_t> bytes);
// The register table behind both: Crc32Update of one byte b is table[(state ^ b) & 0xFF] ^ (state >> 8).
[[nodiscard]] const std::array<std::uint32_t, 256>& Crc32Table();

// CRC-8 (polynomial 0x07, initial value 0) over the frame header. A header check lets the
// decoder reject a damaged length at once instead of waiting for a frame that never ends.
[[nodiscard]] std::uint8_t Crc8(std::span<const std::uint8_t> bytes);

}  // namespace corvane::protocol
