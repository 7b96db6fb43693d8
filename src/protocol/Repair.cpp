#include "protocol/Repair.h"

#include "protocol/Crc.h"
#include "protocol/Frame.h"

namespace corvane::protocol {

// The CRC-32 is linear: for two messages of one length, Crc32(m ^ d) = Crc32(m) ^ R(d), where
// R is the CRC register run from zero with no final xor. A single damaged byte d at a known
// distance from the end gives R(d) = R(d's byte) moved on by that many zero bytes; so for every
// error value the search walks from the last payload byte back to the first, one zero byte at a
// time, comparing with the frame's syndrome. 255 × N register steps, no message is re-read.
std::optional<PayloadRepair> FindPayloadRepair(std::span<const std::uint8_t> frame) {
    if (frame.size() < kFrameOverhead || frame[0] != kStartByte) return std::nullopt;
    const std::size_t length = (static_cast<std::size_t>(frame[1]) << 8) | frame[2];
    if (frame.size() != kFrameOverhead + length || length == 0) return std::nullopt;

    const std::size_t covered = kHeaderSize - 1 + length;  // header without the start byte, payload
    const std::uint8_t* tail = frame.data() + 1 + covered;
    const std::uint32_t want = (static_cast<std::uint32_t>(tail[0]) << 24) | (static_cast<std::uint32_t>(tail[1]) << 16) |
                               (static_cast<std::uint32_t>(tail[2]) << 8) | tail[3];
    const std::uint32_t syndrome = Crc32(frame.subspan(1, covered)) ^ want;
    if (syndrome == 0) return std::nullopt;

    const auto& table = Crc32Table();
    std::optional<PayloadRepair> found;
    for (unsigned e = 1; e < 256; ++e) {
        const auto error = static_cast<std::uint8_t>(e);
        // The register after the error byte, then after each zero byte that follows it.
        std::uint32_t r = table[error];
        for (std::size_t k = 0; k < length; ++k) {
            if (r == syndrome) {
                if (found) return std::nullopt;  // two explanations: none is trusted
                const std::size_t offset = length - 1 - k;
                found = PayloadRepair{offset, static_cast<std::uint8_t>(frame[kHeaderSize + offset] ^ error)};
            }
            r = table[r & 0xFFu] ^ (r >> 8);
        }
    }
    return found;
}

}  // namespace corvane::protocol
