#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

namespace corvane::protocol {

// Wire layout of one frame (multi-byte fields big-endian, like the module's own memory):
//
//   offset  size  field
//   0       1     start byte 0xA5
//   1       2     payload length N (0 .. kMaxPayload)
//   3       2     sequence number
//   5       1     command
//   6       1     header check: CRC-8 over offsets 1..5
//   7       N     payload
//   7+N     4     CRC-32 over offsets 1 .. 6+N
//
// The host numbers its requests; an answer carries the number of the request it answers and a
// retried request keeps its number. Monitor packets carry the module's own packet counter.
inline constexpr std::uint8_t kStartByte = 0xA5;
inline constexpr std::size_t kHeaderSize = 7;
inline constexpr std::size_t kTrailerSize = 4;
inline constexpr std::size_t kFrameOverhead = kHeaderSize + kTrailerSize;
// Largest data block one read, write or flash write frame carries.
inline constexpr std::size_t kMaxBlockData = 1024;
// Largest payload: a flash write's 4-byte address plus a full data block, with room to spare.
inline constexpr std::size_t kMaxPayload = kMaxBlockData + 16;
inline constexpr std::size_t kMaxFrameSize = kMaxPayload + kFrameOverhead;

enum class Command : std::uint8_t {
    // Requests (host to module).
    Identify = 0x01,       // payload: none
    Read = 0x02,           // payload: address u16, length u16
    Write = 0x03,          // payload: address u16, data
    FlashWrite = 0x04,     // payload: address u32, data
    MonitorStart = 0x05,   // payload: address u16, length u16
    MonitorStop = 0x06,    // payload: none
    // Positive answers: request | 0x80.
    IdentifyAnswer = 0x81,      // payload: module id u8, firmware version u8, max block data u16
    ReadAnswer = 0x82,          // payload: the bytes read
    WriteAnswer = 0x83,         // payload: none
    FlashWriteAnswer = 0x84,    // payload: none
    MonitorStartAnswer = 0x85,  // payload: none
    MonitorStopAnswer = 0x86,   // payload: none
    // Pushed by the module while the monitor stream runs: the monitored block.
    MonitorPacket = 0x40,
    // Error answers; payload: the command byte of the refused request.
    ErrorBadCrc = 0xE1,          // header intact, payload or CRC damaged: send it again
    ErrorOutOfRange = 0xE2,      // address or length outside what the module allows
    ErrorBusy = 0xE3,            // module busy (flash programming): try again shortly
    ErrorUnknownCommand = 0xE4,  // command byte not known
    ErrorBadLength = 0xE5,       // payload too short or too long for the command
    ErrorRefused = 0xE6,         // module refuses the request in its present state
};

[[nodiscard]] constexpr bool IsRequest(Command c) {
    return static_cast<std::uint8_t>(c) >= 0x01 && static_cast<std::uint8_t>(c) <= 0x06;
}
[[nodiscard]] constexpr bool IsError(Command c) { return static_cast<std::uint8_t>(c) >= 0xE1; }
[[nodiscard]] constexpr Command AnswerFor(Command request) {
    return static_cast<Command>(static_cast<std::uint8_t>(request) | 0x80u);
}
[[nodiscard]] std::string_view CommandName(Command c);

struct Frame {
    std::uint16_t sequence = 0;
    Command command = Command::Identify;
    std::vector<std::uint8_t> payload;

    bool operator==(const Frame&) const = default;
};

// Appends the encoded frame to `out`. The payload must not exceed kMaxPayload.
void EncodeFrame(const Frame& frame, std::vector<std::uint8_t>& out);
[[nodiscard]] std::vector<std::uint8_t> EncodeFrame(const Frame& frame);
[[nodiscard]] inline std::size_t EncodedSize(std::size_t payloadSize) { return payloadSize + kFrameOverhead; }

// Payload helpers.
struct BlockRequest {
    std::uint16_t address = 0;
    std::uint16_t length = 0;
};
struct IdentifyInfo {
    int moduleId = 0;
    int firmwareVersion = 0;
    std::uint16_t maxBlockData = 0;
};

[[nodiscard]] Frame MakeIdentify(std::uint16_t seq);
[[nodiscard]] Frame MakeRead(std::uint16_t seq, std::uint16_t address, std::uint16_t length);
[[nodiscard]] Frame MakeWrite(std::uint16_t seq, std::uint16_t address, std::span<const std::uint8_t> data);
[[nodiscard]] Frame MakeFlashWrite(std::uint16_t seq, std::uint32_t address, std::span<const std::uint8_t> data);
[[nodiscard]] Frame MakeMonitorStart(std::uint16_t seq, std::uint16_t address, std::uint16_t length);
[[nodiscard]] Frame MakeMonitorStop(std::uint16_t seq);
[[nodiscard]] Frame MakeError(std::uint16_t seq, Command error, Command request);
[[nodiscard]] Frame MakeIdentifyAnswer(std::uint16_t seq, const IdentifyInfo& info);

[[nodiscard]] std::optional<BlockRequest> ParseBlockRequest(std::span<const std::uint8_t> payload);
[[nodiscard]] std::optional<IdentifyInfo> ParseIdentifyAnswer(std::span<const std::uint8_t> payload);

inline void PutU16(std::vector<std::uint8_t>& out, std::uint16_t v) {
    out.push_back(static_cast<std::uint8_t>(v >> 8));
    out.push_back(static_cast<std::uint8_t>(v & 0xFF));
}
inline void PutU32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    PutU16(out, static_cast<std::uint16_t>(v >> 16));
    PutU16(out, static_cast<std::uint16_t>(v & 0xFFFF));
}
[[nodiscard]] inline std::uint16_t GetU16(std::span<const std::uint8_t> b, std::size_t at) {
    return static_cast<std::uint16_t>((b[at] << 8) | b[at + 1]);
}
[[nodiscard]] inline std::uint32_t GetU32(std::span<const std::uint8_t> b, std::size_t at) {
    return (static_cast<std::uint32_t>(GetU16(b, at)) << 16) | GetU16(b, at + 2);
}

}  // namespace corvane::protocol
