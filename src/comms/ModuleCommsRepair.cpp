// ModuleComms: a damaged read answer put right from its CRC and confirmed by a short read.
// The I/O thread alone calls these.
#include <algorithm>

#include "comms/ModuleComms.h"
#include "comms/ModuleCommsJob.h"
#include "protocol/Repair.h"

namespace corvane::comms {

using protocol::Command;
using protocol::Frame;

// A block-read answer came damaged. When one byte of its payload, set to one value, makes its
// CRC match, the rest of the answer is most likely sound: rather than read the whole block
// again, read the few bytes around that byte and take the repaired answer only if they agree.
// A frame with more damage than one byte can by chance be explained by a wrong single byte (at
// most 255 × its length of 2^32 syndromes); the confirming read, checked on its own, refuses
// such a repair, since the wrong byte it names is then read as it really is.
bool ModuleComms::StartRepairCheck(InFlight& f, std::span<const std::uint8_t> bytes, Clock::time_point now) {
    constexpr std::size_t kCheckBytes = 4;
    Job& job = *f.job;
    const Frame& request = job.frames[f.index];
    const std::size_t length = job.expectLength[f.index];
    // Only the caller's reads, with no other copy out that might still be answered intact, and
    // only where a check is much shorter than the block.
    if (!m_options.repairAnswers || job.op != Op::Read || request.command != Command::Read ||
        f.index >= job.requests || f.firstLive != f.lastSent || length < 4 * kCheckBytes ||
        request.payload.size() < 2 || bytes.size() != protocol::EncodedSize(length))
        return false;
    const auto repair = protocol::FindPayloadRepair(bytes);
    if (!repair) return false;

    f.repaired.assign(bytes.begin() + protocol::kHeaderSize, bytes.begin() + protocol::kHeaderSize + length);
    f.repaired[repair->offset] = repair->value;
    f.checkLength = kCheckBytes;
    f.checkFrom = std::min(repair->offset > 0 ? repair->offset - 1 : 0, length - kCheckBytes);
    f.awaitingCheck = true;
    // The copy did not get through whole: the error rate counts it as lost.
    m_line.AddOutcome(false, f.encoded.size() + bytes.size());
    UpdateFrameSizes();

    const auto address = static_cast<std::uint16_t>((request.payload[0] << 8) | request.payload[1]);
    const std::size_t index = job.frames.size();
    const std::uint16_t seq = m_nextSeq++;
    job.frames.push_back(protocol::MakeRead(seq, static_cast<std::uint16_t>(address + f.checkFrom),
                                            static_cast<std::uint16_t>(f.checkLength)));
    job.expectLength.push_back(static_cast<std::uint16_t>(f.checkLength));
    job.results.emplace_back();
    job.checkOf.push_back(f.index);
    InFlight check;
    check.job = f.job;
    check.index = index;
    check.encoded = protocol::EncodeFrame(job.frames[index]);
    {
        std::lock_guard lock(m_mutex);
        ++m_stats.repairChecks;
    }
    auto [it, inserted] = m_inFlight.emplace(seq, std::move(check));
    if (!inserted) {  // cannot happen with 16-bit numbers and a handful on the line; be safe
        f.awaitingCheck = false;
        return false;
    }
    Transmit(it->second, now, false);
    return true;
}

// The confirming read of a repaired answer came back.
void ModuleComms::FinishRepairCheck(InFlight& check, const std::vector<std::uint8_t>& data, Clock::time_point now) {
    const std::shared_ptr<Job> hold = check.job;
    Job& job = *hold;
    const std::size_t original = job.checkOf[check.index - job.requests];
    m_inFlight.erase(job.frames[check.index].sequence);  // `check` is gone from here on
    const std::uint16_t seq = job.frames[original].sequence;
    auto it = m_inFlight.find(seq);
    if (it == m_inFlight.end() || !it->second.awaitingCheck) return;  // answered intact meanwhile
    InFlight& f = it->second;
    f.awaitingCheck = false;
    const bool agrees = data.size() == f.checkLength &&
                        std::equal(data.begin(), data.end(), f.repaired.begin() + static_cast<std::ptrdiff_t>(f.checkFrom));
    if (agrees) {
        {
            std::lock_guard lock(m_mutex);
            ++m_stats.repairedAnswers;
        }
        std::vector<std::uint8_t> repaired = std::move(f.repaired);
        CompleteFrame(seq, std::move(repaired), now);
        return;
    }
    // The repair was wrong: the answer had more damage than one byte. Read the block again.
    f.repaired.clear();
    Transmit(f, now, true, Lost::All);
}

}  // namespace corvane::comms
