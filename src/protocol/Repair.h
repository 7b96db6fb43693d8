#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

namespace corvane::protocol {

// A frame that failed its CRC-32 with one damaged byte in its payload can be put right: the
// CRC's difference (its syndrome) names the one byte and the one value that explain it. A
// frame with more damage may by chance be explained by some other single byte, so a repair is
// only a proposal; the host confirms it by reading the repaired bytes once more before it
// uses the frame (see ModuleComms).
struct PayloadRepair {
    std::size_t offset = 0;  // into the payload
    std::uint8_t value = 0;  // what the byte there was sent as
};

// `frame` is a whole frame as received: start byte, header, payload and CRC-32, with an
// intact header. A repair is proposed only when exactly one byte of the payload, set to exactly
// one other value, makes the CRC-32 match; never for a frame that already matches, nor for
// damage in the header or the CRC field.
[[nodiscard]] std::optional<PayloadRepair> FindPayloadRepair(std::span<const std::uint8_t> frame);

}  // namespace corvane::protocol
