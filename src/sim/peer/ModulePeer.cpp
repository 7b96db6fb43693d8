#include "sim/peer/ModulePeer.h"

#include <algorithm>
#include <cmath>

#include "protocol/Crc.h"

namespace corvane::sim {

using protocol::Command;
using protocol::Frame;

ModulePeer::ModulePeer(ModuleEmulator& emulator, std::uint64_t seed) : m_emulator(emulator), m_rng(seed) {}

void ModulePeer::SetFaults(const PeerFaults& faults) {
    std::lock_guard lock(m_mutex);
    m_faults = faults;
}

PeerFaults ModulePeer::Faults() const {
    std::lock_guard lock(m_mutex);
    return m_faults;
}

ModulePeer::Stats ModulePeer::GetStats() const {
    std::lock_guard lock(m_mutex);
    return m_stats;
}

double ModulePeer::ByteTime() const { return m_faults.baud > 0 ? 10.0 / m_faults.baud : 0.0; }

bool ModulePeer::Chance(double p) {
    if (p <= 0.0) return false;
    return std::uniform_real_distribution<double>(0.0, 1.0)(m_rng) < p;
}

std::uint8_t ModulePeer::Damage(std::uint8_t b) {
    return static_cast<std::uint8_t>(b ^ (1 + m_rng() % 255));
}

void ModulePeer::Receive(std::span<const std::uint8_t> bytes, double now) {
    std::lock_guard lock(m_mutex);
    if (!m_plugged) return;
    const double bt = ByteTime();
    for (std::uint8_t b : bytes) {
        m_inLineFree = std::max(now, m_inLineFree) + bt;
        if (Chance(m_faults.dropRate)) continue;
        if (Chance(m_faults.corruptRate)) b = Damage(b);
        m_in.push_back({m_inLineFree, b});
        ++m_stats.bytesIn;
    }
}

void ModulePeer::Service(double now) {
    std::lock_guard lock(m_mutex);
    if (std::isnan(m_lastAdvance)) m_lastAdvance = now;
    if (now > m_lastAdvance) {
        m_emulator.Advance(now - m_lastAdvance);
        m_lastAdvance = now;
    }
    if (!m_emulator.Powered()) {
        m_in.clear();
        m_decoder.Reset();
        return;
    }
    // Bytes are taken in the order and at the time they arrived, so that an answer starts
    // when its request was complete, however late the driver calls in.
    std::vector<std::uint8_t> arrived;
    while (!m_in.empty() && m_in.front().time <= now) {
        const double at = m_in.front().time;
        arrived.clear();
        while (!m_in.empty() && m_in.front().time == at) {
            arrived.push_back(m_in.front().byte);
            m_in.pop_front();
        }
        m_decoder.Feed(arrived);
        protocol::FrameDecoder::Event event;
        while (m_decoder.Next(event)) {
            if (event.kind == protocol::FrameDecoder::EventKind::BadCrc) {
                ++m_stats.badCrcs;
                // The header is intact, so the sequence number is trustworthy: ask for it again.
                if (protocol::IsRequest(event.frame.command))
                    Send(protocol::MakeError(event.frame.sequence, Command::ErrorBadCrc, event.frame.command), at);
            } else {
                HandleRequest(event.frame, at);
            }
            if (!m_emulator.Powered()) {  // power failed while carrying out a request
                m_decoder.Reset();
                m_in.clear();
                return;
            }
        }
    }
    SendMonitorPackets(now);
}

void ModulePeer::SendMonitorPackets(double now) {
    const bool monitoring = m_emulator.Monitoring() && m_plugged;
    if (!monitoring) {
        m_wasMonitoring = false;
        return;
    }
    const double rate = m_emulator.MonitorRateHz();
    if (rate <= 0.0) return;
    const double period = 1.0 / rate;
    if (!m_wasMonitoring) {
        m_wasMonitoring = true;
        m_nextMonitor = now;
    }
    // A module sends its next packet only when its transmitter is nearly free, so a rate above
    // what the line carries gives back-to-back packets rather than an ever-growing queue.
    auto block = m_emulator.MonitorBlock();
    const double frameTime = static_cast<double>(protocol::EncodedSize(block.size())) * ByteTime();
    while (now >= m_nextMonitor && m_outLineFree - now <= frameTime) {
        Send(Frame{m_monitorSeq++, Command::MonitorPacket, block}, now);
        ++m_stats.monitorPackets;
        m_nextMonitor += period;
        if (m_nextMonitor < now - period) m_nextMonitor = now;
    }
}

double ModulePeer::NextEventTime(double now) const {
    std::lock_guard lock(m_mutex);
    double next = std::numeric_limits<double>::infinity();
    if (!m_in.empty()) next = std::min(next, m_in.front().time);
    if (!m_out.empty()) next = std::min(next, m_out.front().time);
    if (m_emulator.Powered() && m_plugged && m_emulator.Monitoring() && m_emulator.MonitorRateHz() > 0.0) {
        if (!m_wasMonitoring) return now;
        const double frameTime =
            static_cast<double>(protocol::EncodedSize(protocol::kMaxBlockData)) * ByteTime();
        next = std::min(next, std::max(m_nextMonitor, m_outLineFree - frameTime));
    }
    return next;
}

void ModulePeer::TakeOutput(std::vector<std::uint8_t>& out, double now) {
    std::lock_guard lock(m_mutex);
    while (!m_out.empty() && m_out.front().time <= now) {
        out.push_back(m_out.front().byte);
        m_out.pop_front();
    }
}

void ModulePeer::Send(const Frame& frame, double now) {
    if (!m_plugged) return;
    std::vector<std::uint8_t> bytes;
    if (Chance(m_faults.garbageRate)) {
        const int n = 1 + static_cast<int>(m_rng() % static_cast<unsigned>(std::max(1, m_faults.garbageMaxBytes)));
        for (int i = 0; i < n; ++i)
            bytes.push_back(i == 0 ? protocol::kStartByte : static_cast<std::uint8_t>(m_rng()));
    }
    protocol::EncodeFrame(frame, bytes);
    const double bt = ByteTime();
    double t = std::max(now + m_faults.turnaroundSeconds, m_outLineFree);
    for (std::uint8_t b : bytes) {
        t += bt;
        if (Chance(m_faults.dropRate)) continue;
        if (Chance(m_faults.corruptRate)) b = Damage(b);
        m_out.push_back({t + m_faults.latencySeconds, b});
        ++m_stats.bytesOut;
    }
    m_outLineFree = t;
}

void ModulePeer::HandleRequest(const Frame& request, double now) {
    if (!protocol::IsRequest(request.command)) {
        if (!protocol::IsError(request.command) && request.command != Command::MonitorPacket &&
            (static_cast<std::uint8_t>(request.command) & 0x80u) == 0)
            Send(protocol::MakeError(request.sequence, Command::ErrorUnknownCommand, request.command), now);
        return;
    }
    ++m_stats.requests;
    if (Chance(m_faults.noAnswerRate)) return;

    std::uint32_t crc = protocol::Crc32Update(protocol::kCrc32Init,
                                              std::span<const std::uint8_t>(
                                                  reinterpret_cast<const std::uint8_t*>(&request.command), 1));
    crc = protocol::Crc32Update(crc, request.payload);

    if (m_faults.answerOnSecondTry) {
        auto seen = m_swallowedOnce.find(request.sequence);
        if (seen == m_swallowedOnce.end() || seen->second != crc) {
            m_swallowedOnce[request.sequence] = crc;
            if (m_swallowedOnce.size() > 4 * kAnswerCacheSize) m_swallowedOnce.clear();
            return;
        }
    }
    // A new session forgets earlier answers: a restarted host numbers its requests afresh.
    if (request.command == Command::Identify) ForgetSession();

    auto cached = m_answers.find(request.sequence);
    if (cached != m_answers.end() && cached->second.requestCrc == crc) {
        ++m_stats.repeatsAnswered;
        Send(cached->second.answer, now);
        return;
    }
    if (request.command != Command::Identify && request.command != Command::MonitorStop &&
        Chance(m_faults.busyRate)) {
        Send(protocol::MakeError(request.sequence, Command::ErrorBusy, request.command), now);
        return;
    }
    bool cacheable = true;
    Frame answer = Execute(request, now, cacheable);
    ++m_stats.executed;
    if (!m_emulator.Powered()) return;  // power lost while programming: no answer
    if (cacheable) {
        RememberAnswer(request.sequence, crc, answer);
        if (request.command == Command::Write || request.command == Command::FlashWrite) {
            if (m_executedWrites.size() >= 65536) m_executedWrites.clear();
            if (!m_executedWrites.insert((std::uint64_t{request.sequence} << 32) | crc).second) ++m_stats.repeatsExecuted;
        }
    }
    Send(answer, now);
}

void ModulePeer::RememberAnswer(std::uint16_t seq, std::uint32_t crc, const Frame& answer) {
    if (m_answers.find(seq) == m_answers.end()) {
        m_answerOrder.push_back(seq);
        if (m_answerOrder.size() > kAnswerCacheSize) {
            m_answers.erase(m_answerOrder.front());
            m_answerOrder.pop_front();
        }
    }
    m_answers[seq] = CachedAnswer{crc, answer};
}

void ModulePeer::ForgetSession() {
    m_answers.clear();
    m_answerOrder.clear();
    m_executedWrites.clear();
}

namespace {

Frame ErrorFor(ModuleEmulator::Result result, const Frame& request, bool& cacheable) {
    switch (result) {
        case ModuleEmulator::Result::Ok: break;
        case ModuleEmulator::Result::OutOfRange:
            return protocol::MakeError(request.sequence, Command::ErrorOutOfRange, request.command);
        case ModuleEmulator::Result::Busy:
            cacheable = false;  // nothing was done; a repeat must be carried out
            return protocol::MakeError(request.sequence, Command::ErrorBusy, request.command);
        case ModuleEmulator::Result::Refused:
            return protocol::MakeError(request.sequence, Command::ErrorRefused, request.command);
    }
    return Frame{request.sequence, protocol::AnswerFor(request.command), {}};
}

}  // namespace

Frame ModulePeer::Execute(const Frame& request, double now, bool& cacheable) {
    const auto& p = request.payload;
    const std::uint16_t seq = request.sequence;
    auto badLength = [&] { return protocol::MakeError(seq, Command::ErrorBadLength, request.command); };
    switch (request.command) {
        case Command::Identify:
            if (!p.empty()) return badLength();
            return protocol::MakeIdentifyAnswer(
                seq, {m_emulator.ModuleId(), m_emulator.FirmwareVersion(),
                      static_cast<std::uint16_t>(protocol::kMaxBlockData)});
        case Command::Read: {
            auto block = protocol::ParseBlockRequest(p);
            if (!block || block->length == 0 || block->length > protocol::kMaxBlockData) return badLength();
            std::vector<std::uint8_t> data;
            auto result = m_emulator.Read(block->address, block->length, data);
            Frame answer = ErrorFor(result, request, cacheable);
            if (result == ModuleEmulator::Result::Ok) {
                // Reads are idempotent, and a 1 KiB answer per cache slot is not worth keeping.
                cacheable = false;
                answer.payload = std::move(data);
            }
            return answer;
        }
        case Command::Write: {
            if (p.size() < 3 || p.size() - 2 > protocol::kMaxBlockData) return badLength();
            auto data = std::span<const std::uint8_t>(p).subspan(2);
            return ErrorFor(m_emulator.Write(protocol::GetU16(p, 0), data), request, cacheable);
        }
        case Command::FlashWrite: {
            if (p.size() < 5 || p.size() - 4 > protocol::kMaxBlockData) return badLength();
            auto data = std::span<const std::uint8_t>(p).subspan(4);
            return ErrorFor(m_emulator.FlashWrite(protocol::GetU32(p, 0), data), request, cacheable);
        }
        case Command::MonitorStart: {
            // One rule for every command: a length outside 1 .. 1024 (in a length field or
            // as the size of the data) is "bad length"; a well-sized block that reaches past
            // the end of memory is "out of range".
            auto block = protocol::ParseBlockRequest(p);
            if (!block || block->length == 0 || block->length > protocol::kMaxBlockData) return badLength();
            if (std::uint32_t{block->address} + block->length > kMemoryEnd)
                return protocol::MakeError(seq, Command::ErrorOutOfRange, request.command);
            m_emulator.StartMonitor(block->address, block->length);
            m_wasMonitoring = false;
            (void)now;
            // The upgrade loader has no stream: say so rather than promise packets.
            if (!m_emulator.Monitoring()) return protocol::MakeError(seq, Command::ErrorRefused, request.command);
            return Frame{seq, Command::MonitorStartAnswer, {}};
        }
        case Command::MonitorStop:
            if (!p.empty()) return badLength();
            m_emulator.StopMonitor();
            return Frame{seq, Command::MonitorStopAnswer, {}};
        default:
            return protocol::MakeError(seq, Command::ErrorUnknownCommand, request.command);
    }
}

void ModulePeer::PullCable() {
    std::lock_guard lock(m_mutex);
    m_plugged = false;
    m_in.clear();
    m_out.clear();
}

void ModulePeer::PlugCable() {
    std::lock_guard lock(m_mutex);
    m_plugged = true;
    m_decoder.Reset();
}

bool ModulePeer::CablePlugged() const {
    std::lock_guard lock(m_mutex);
    return m_plugged;
}

void ModulePeer::PowerOff() {
    std::lock_guard lock(m_mutex);
    m_emulator.PowerOff();
    m_in.clear();
    m_out.clear();
    m_decoder.Reset();
    ForgetSession();
    m_swallowedOnce.clear();
}

void ModulePeer::PowerOn() {
    std::lock_guard lock(m_mutex);
    const bool boots = !m_emulator.Powered();
    m_emulator.PowerOn();
    m_decoder.Reset();
    ForgetSession();
    m_wasMonitoring = false;
    // The packet counter lives in RAM: a booted module numbers its packets from 0 again.
    // Stopping and starting the stream does not reset it.
    if (boots) m_monitorSeq = 0;
}

void ModulePeer::PowerCycle() {
    PowerOff();
    PowerOn();
}

void ModulePeer::ArmPowerLossDuringFlash(std::size_t bytes) {
    std::lock_guard lock(m_mutex);
    m_emulator.ArmPowerLossDuringFlash(bytes);
}

}  // namespace corvane::sim
