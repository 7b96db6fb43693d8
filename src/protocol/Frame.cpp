#include "protocol/Frame.h"

#include "protocol/Crc.h"

namespace corvane::protocol {

std::string_view CommandName(Command c) {
    switch (c) {
        case Command::Identify: return "identify";
        case Command::Read: return "read";
        case Command::Write: return "write";
        case Command::FlashWrite: return "flash write";
        case Command::MonitorStart: return "monitor start";
        case Command::MonitorStop: return "monitor stop";
        case Command::IdentifyAnswer: return "identify answer";
        case Command::ReadAnswer: return "read answer";
        case Command::WriteAnswer: return "write answer";
        case Command::FlashWriteAnswer: return "flash write answer";
        case Command::MonitorStartAnswer: return "monitor start answer";
        case Command::MonitorStopAnswer: return "monitor stop answer";
        case Command::MonitorPacket: return "monitor packet";
        case Command::ErrorBadCrc: return "bad CRC";
        case Command::ErrorOutOfRange: return "out of range";
        case Command::ErrorBusy: return "busy";
        case Command::ErrorUnknownCommand: return "unknown command";
        case Command::ErrorBadLength: return "bad length";
        case Command::ErrorRefused: return "refused";
    }
    return "?";
}

void EncodeFrame(const Frame& frame, std::vector<std::uint8_t>& out) {
    const std::size_t start = out.size();
    const auto n = static_cast<std::uint16_t>(frame.payload.size());
    out.reserve(start + EncodedSize(n));
    out.push_back(kStartByte);
    PutU16(out, n);
    PutU16(out, frame.sequence);
    out.push_back(static_cast<std::uint8_t>(frame.command));
    out.push_back(Crc8(std::span<const std::uint8_t>(out.data() + start + 1, 5)));
    out.insert(out.end(), frame.payload.begin(), frame.payload.end());
    PutU32(out, Crc32(std::span<const std::uint8_t>(out.data() + start + 1, out.size() - start - 1)));
}

std::vector<std::uint8_t> EncodeFrame(const Frame& frame) {
    std::vector<std::uint8_t> out;
    EncodeFrame(frame, out);
    return out;
}

Frame MakeIdentify(std::uint16_t seq) { return Frame{seq, Command::Identify, {}}; }

Frame MakeRead(std::uint16_t seq, std::uint16_t address, std::uint16_t length) {
    Frame f{seq, Command::Read, {}};
    PutU16(f.payload, address);
    PutU16(f.payload, length);
    return f;
}

Frame MakeWrite(std::uint16_t seq, std::uint16_t address, std::span<const std::uint8_t> data) {
    Frame f{seq, Command::Write, {}};
    f.payload.reserve(2 + data.size());
    PutU16(f.payload, address);
    f.payload.insert(f.payload.end(), data.begin(), data.end());
    return f;
}

Frame MakeFlashWrite(std::uint16_t seq, std::uint32_t address, std::span<const std::uint8_t> data) {
    Frame f{seq, Command::FlashWrite, {}};
    f.payload.reserve(4 + data.size());
    PutU32(f.payload, address);
    f.payload.insert(f.payload.end(), data.begin(), data.end());
    return f;
}

Frame MakeMonitorStart(std::uint16_t seq, std::uint16_t address, std::uint16_t length) {
    Frame f{seq, Command::MonitorStart, {}};
    PutU16(f.payload, address);
    PutU16(f.payload, length);
    return f;
}

Frame MakeMonitorStop(std::uint16_t seq) { return Frame{seq, Command::MonitorStop, {}}; }

Frame MakeError(std::uint16_t seq, Command error, Command request) {
    return Frame{seq, error, {static_cast<std::uint8_t>(request)}};
}

Frame MakeIdentifyAnswer(std::uint16_t seq, const IdentifyInfo& info) {
    Frame f{seq, Command::IdentifyAnswer, {}};
    f.payload.push_back(static_cast<std::uint8_t>(info.moduleId));
    f.payload.push_back(static_cast<std::uint8_t>(info.firmwareVersion));
    PutU16(f.payload, info.maxBlockData);
    return f;
}

std::optional<BlockRequest> ParseBlockRequest(std::span<const std::uint8_t> payload) {
    if (payload.size() != 4) return std::nullopt;
    return BlockRequest{GetU16(payload, 0), GetU16(payload, 2)};
}

std::optional<IdentifyInfo> ParseIdentifyAnswer(std::span<const std::uint8_t> payload) {
    if (payload.size() != 4) return std::nullopt;
    return IdentifyInfo{payload[0], payload[1], GetU16(payload, 2)};
}

}  // namespace corvane::protocol
