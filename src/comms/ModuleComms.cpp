#include "comms/ModuleComms.h"
#include "comms/ModuleCommsJob.h"

#include <algorithm>
#include <cmath>
#include <random>

#include "comms/MonitorLog.h"
#include "comms/MonitorReplay.h"

namespace corvane::comms {

using protocol::Command;
using protocol::Frame;

namespace {

std::uint16_t RandomSequenceStart() {
    std::random_device rd;
    return static_cast<std::uint16_t>(rd());
}

}  // namespace

ModuleComms::ModuleComms(CommsOptions options, TransportOptions transportOptions)
    : ModuleComms(
          [transportOptions](const std::string& port) { return MakeTransport(port, transportOptions); },
          options) {}

ModuleComms::ModuleComms(TransportMaker maker, CommsOptions options)
    : m_options(options), m_maker(std::move(maker)), m_fixedTransport(false) {
    StartThread();
}

ModuleComms::ModuleComms(std::unique_ptr<Transport> transport, CommsOptions options)
    : m_options(options), m_fixedTransport(true) {
    m_transport = std::move(transport);
    m_transportView = m_transport.get();
    StartThread();
}

void ModuleComms::StartThread() {
    m_nextSeq = RandomSequenceStart();
    m_thread = std::thread([this] { Run(); });
}

ModuleComms::~ModuleComms() {
    SetEventSink(nullptr);  // whoever listened may be going away too
    StopReplay();
    m_quit = true;
    {
        std::lock_guard lock(m_mutex);
        if (m_transportView) m_transportView->Wake();
    }
    m_doneCv.notify_all();
    if (m_thread.joinable()) m_thread.join();
    CloseLog();
}

// ---------------------------------------------------------------------------------------------
// UI thread side

void ModuleComms::SetComPort(int n) { SetPort("Com " + std::to_string(n)); }

void ModuleComms::SetPort(const std::string& port) {
    std::lock_guard lock(m_mutex);
    if (port != m_port) {
        m_port = port;
        m_portChanged = !m_fixedTransport;
    }
}

std::string ModuleComms::Port() const {
    std::lock_guard lock(m_mutex);
    return m_port;
}

ModuleComms::Stats ModuleComms::GetStats() const {
    std::lock_guard lock(m_mutex);
    return m_stats;
}

Comms::MonitorStreamCounts ModuleComms::MonitorCounts() const {
    std::lock_guard lock(m_mutex);
    return {m_stats.monitorPackets, m_stats.missedMonitorPackets};
}

std::shared_ptr<ModuleComms::Job> ModuleComms::MakeJob(Op op) const {
    auto job = std::make_shared<Job>();
    job->op = op;
    job->attempts = std::max(1, m_options.attempts);
    return job;
}

bool ModuleComms::RunJob(const std::shared_ptr<Job>& job) {
    // A notification handler that calls back in would wait for its own thread.
    if (OnOwnThread()) return false;
    // The I/O thread finishes every job within its bounded attempts; this bound only guards
    // against a transport that blocks in a way it must not.
    const auto perFrame = std::max({m_options.answerTimeout, m_options.longAnswerTimeout, m_options.flashTimeout}) +
                          std::chrono::milliseconds(200);
    const auto bound = std::chrono::seconds(5) + m_options.closeTimeout +
                       (perFrame * job->attempts + m_options.busyBackoff * m_options.busyRetries) *
                           static_cast<long>(std::max<std::size_t>(1, job->frames.size()));
    std::unique_lock lock(m_mutex);
    m_queue.push_back(job);
    if (m_transportView) m_transportView->Wake();
    m_doneCv.notify_all();
    const bool finished = m_doneCv.wait_for(lock, bound, [&] { return job->done; });
    return finished && job->ok;
}

bool ModuleComms::DetectModule() {
    auto job = MakeJob(Op::Detect);
    job->frames.push_back(protocol::MakeIdentify(0));
    job->expectLength.push_back(4);
    const bool ok = RunJob(job);
    m_failed = !ok;
    return ok;
}

void ModuleComms::CloseLink() {
    if (OnOwnThread()) return;
    auto job = MakeJob(Op::Close);
    std::unique_lock lock(m_mutex);
    m_queue.push_back(job);
    if (m_transportView) m_transportView->Wake();
    m_doneCv.notify_all();
    // Bounded: a module that no longer answers must not hold the user interface.
    m_doneCv.wait_for(lock, m_options.closeTimeout, [&] { return job->done; });
    m_linked = false;
    m_monitorWanted = false;
}

bool ModuleComms::ReadModuleMemoryBlock(std::uint16_t address, std::uint16_t length) {
    const MemoryBlock block{address, length};
    std::vector<std::vector<std::uint8_t>> out;
    if (!ReadModuleMemoryBlocks(std::span<const MemoryBlock>(&block, 1), out)) return false;
    m_received = std::move(out.front());
    return true;
}

bool ModuleComms::ReadModuleMemoryBlocks(std::span<const MemoryBlock> blocks,
                                         std::vector<std::vector<std::uint8_t>>& out) {
    out.clear();
    auto job = MakeJob(Op::Read);
    const auto chunk = static_cast<std::size_t>(std::max(1, std::min(m_maxBlockData.load(), m_readChunk.load())));
    std::vector<std::size_t> chunksPerBlock;
    for (const MemoryBlock& b : blocks) {
        if (std::uint32_t{b.address} + b.length > 0x10000u) {
            m_failed = true;
            return false;
        }
        std::size_t n = 0;
        for (std::size_t at = 0; at < b.length; at += chunk, ++n) {
            const auto len = static_cast<std::uint16_t>(std::min<std::size_t>(chunk, b.length - at));
            job->frames.push_back(protocol::MakeRead(0, static_cast<std::uint16_t>(b.address + at), len));
            job->expectLength.push_back(len);
        }
        chunksPerBlock.push_back(n);
    }
    job->window = static_cast<std::size_t>(std::max(1, m_options.pipelineWindow));
    if (!job->frames.empty() && !RunJob(job)) {
        m_failed = true;
        return false;
    }
    std::size_t at = 0;
    for (std::size_t i = 0; i < blocks.size(); ++i) {
        std::vector<std::uint8_t> data;
        data.reserve(blocks[i].length);
        for (std::size_t k = 0; k < chunksPerBlock[i]; ++k, ++at)
            data.insert(data.end(), job->results[at].begin(), job->results[at].end());
        out.push_back(std::move(data));
    }
    m_failed = false;
    return true;
}

bool ModuleComms::RunChunkedWrite(Op op, std::uint32_t address, const std::uint8_t* data, std::uint16_t length) {
    if (length > 0 && data == nullptr) {
        m_failed = true;
        return false;
    }
    auto job = MakeJob(op);
    if (op == Op::Flash) job->fixedTimeout = m_options.flashTimeout;
    // The frame size is chosen for the whole call, before anything is sent: a copy already on
    // the line is only ever repeated byte for byte, so the module's answer cache can tell it.
    const auto chunk = static_cast<std::size_t>(std::max(1, std::min(m_maxBlockData.load(), m_writeChunk.load())));
    for (std::size_t at = 0; at < length; at += chunk) {
        const std::size_t n = std::min<std::size_t>(chunk, length - at);
        const std::span<const std::uint8_t> bytes(data + at, n);
        job->frames.push_back(op == Op::Flash
                                  ? protocol::MakeFlashWrite(0, static_cast<std::uint32_t>(address + at), bytes)
                                  : protocol::MakeWrite(0, static_cast<std::uint16_t>(address + at), bytes));
        job->expectLength.push_back(0);
    }
    // Chunks go one after the other (window 1), so a failure leaves a clean prefix written.
    const bool ok = job->frames.empty() || RunJob(job);
    m_failed = !ok;
    return ok;
}

bool ModuleComms::WriteModuleMemoryBlock(std::uint16_t address, const std::uint8_t* data, std::uint16_t length) {
    if (std::uint32_t{address} + length > 0x10000u) {
        m_failed = true;
        return false;
    }
    return RunChunkedWrite(Op::Write, address, data, length);
}

bool ModuleComms::WriteFlashBlock(std::uint32_t address, const std::uint8_t* data, std::uint16_t length) {
    return RunChunkedWrite(Op::Flash, address, data, length);
}

void ModuleComms::StartMonitoring(std::uint16_t address, std::uint16_t length) {
    if (!m_linked) return;
    // Each stream gets a log file of its own. The I/O thread closes a stopped stream's file
    // only at its next background pass, which a quick restart can beat; nothing is logged
    // while no stream is wanted, so closing here cannot split the new stream.
    if (!m_monitorWanted) CloseLog();
    std::lock_guard lock(m_mutex);
    m_monitorAddress = address;
    m_monitorLength = length;
    m_monitorWanted = true;
    if (m_transportView) m_transportView->Wake();
}

void ModuleComms::StopMonitoring() {
    std::lock_guard lock(m_mutex);
    m_monitorWanted = false;
    if (m_transportView) m_transportView->Wake();
}

void ModuleComms::SetPacketQueueWriting(bool writing) {
    std::lock_guard lock(m_mutex);
    m_writing = writing;
    if (m_transportView) m_transportView->Wake();
}

// ---------------------------------------------------------------------------------------------
// I/O thread

void ModuleComms::SetEventSink(CommsEvents* sink) {
    std::lock_guard lock(m_sinkMutex);
    m_sink = sink;
}

void ModuleComms::Emit(const std::function<void(CommsEvents&)>& f) {
    std::lock_guard lock(m_sinkMutex);
    if (m_sink) f(*m_sink);
}

void ModuleComms::Run() {
    std::vector<std::uint8_t> buffer;
    protocol::FrameDecoder::Event event;
    while (!m_quit) {
        auto now = Clock::now();
        TakeWork(now);
        SendMore(now);
        now = Clock::now();
        // A transport that cannot be woken is read in short slices, so that a caller's command
        // never waits long for the thread to notice it.
        const auto slice = (m_transport && !m_transport->Wakeable()) ? std::chrono::milliseconds(2)
                                                                      : std::chrono::milliseconds(10);
        const auto wait = std::clamp<Clock::duration>(NextDeadline(now) - now, Clock::duration::zero(), slice);
        buffer.clear();
        int n = 0;
        if (m_transport && m_transport->IsOpen()) {
            n = m_transport->Read(buffer, std::chrono::duration_cast<std::chrono::microseconds>(wait));
        } else {
            std::unique_lock lock(m_mutex);
            m_doneCv.wait_for(lock, wait, [&] { return m_quit || (!m_active && !m_queue.empty()); });
        }
        now = Clock::now();
        if (n < 0) {
            TransportFailed(now);
        } else if (n > 0) {
            m_lastByte = now;
            m_gapHandled = false;
            m_decoder.SetLengthLimit(AnswerLengthLimit());
            m_decoder.Feed(buffer);
            while (m_decoder.Next(event)) {
                if (event.kind == protocol::FrameDecoder::EventKind::Frame)
                    HandleFrame(event.frame, now);
                else
                    HandleDamagedAnswer(event.frame, event.damaged, now);
            }
        }
        CheckTimeouts(Clock::now());
        Background(Clock::now());
    }
    // Shutting down: nobody may be left waiting.
    if (m_active) FailJob(Command::Identify, true, Clock::now());
    std::deque<std::shared_ptr<Job>> left;
    {
        std::lock_guard lock(m_mutex);
        left.swap(m_queue);
        for (auto& job : left) job->done = true;
    }
    m_doneCv.notify_all();
    CloseTransport();
    std::lock_guard lock(m_mutex);
    m_transportView = nullptr;
    m_transport.reset();
}

bool ModuleComms::EnsureTransport() {
    bool remake = false;
    std::string port;
    {
        std::lock_guard lock(m_mutex);
        remake = m_portChanged || (!m_transport && !m_fixedTransport);
        m_portChanged = false;
        port = m_port;
    }
    if (remake) {
        CloseTransport();
        auto made = m_maker ? m_maker(port) : nullptr;
        std::lock_guard lock(m_mutex);
        m_transport = std::move(made);
        m_transportView = m_transport.get();
    }
    if (!m_transport) return false;
    if (m_transport->IsOpen()) return true;
    m_decoder.Reset();
    return m_transport->Open();
}

void ModuleComms::CloseTransport() {
    if (m_transport && m_transport->IsOpen()) m_transport->Close();
    m_decoder.Reset();
}

void ModuleComms::TakeWork(Clock::time_point now) {
    if (m_active) return;
    std::shared_ptr<Job> job;
    const bool linkUp = m_linked && !m_reconnecting && m_transport && m_transport->IsOpen();
    // 1. Bring the module's stream in line with what is wanted: stopped while blocks are
    //    written, so that monitor traffic keeps out of their way.
    if (linkUp && now >= m_nextUnsolicitedStop) {
        const bool desired = m_monitorWanted && !m_writing;
        if (desired && !m_streamOn) {
            job = MakeJob(Op::MonitorStart);
            job->frames.push_back(protocol::MakeMonitorStart(0, m_monitorAddress, m_monitorLength));
        } else if (!desired && m_streamOn) {
            job = MakeJob(Op::MonitorStop);
            job->frames.push_back(protocol::MakeMonitorStop(0));
        }
        if (job) job->expectLength.push_back(0);
    }
    // 2. The caller's commands.
    if (!job) {
        std::lock_guard lock(m_mutex);
        if (!m_queue.empty()) {
            job = m_queue.front();
            m_queue.pop_front();
        }
    }
    // 3. Looking for a lost module, or checking that an idle one is still there.
    if (!job && m_linked && m_reconnecting && now >= m_nextProbe) {
        m_nextProbe = now + m_options.reconnectInterval;
        job = MakeJob(Op::Probe);
        job->attempts = 1;
        job->frames.push_back(protocol::MakeIdentify(0));
        job->expectLength.push_back(4);
    }
    if (!job && linkUp && !m_streamOn && m_options.heartbeatInterval.count() > 0 &&
        now - m_lastTraffic >= m_options.heartbeatInterval) {
        job = MakeJob(Op::Heartbeat);
        job->frames.push_back(protocol::MakeIdentify(0));
        job->expectLength.push_back(4);
    }
    if (job) StartJob(job, now);
}

void ModuleComms::StartJob(const std::shared_ptr<Job>& job, Clock::time_point now) {
    m_active = job;
    job->started = now;
    job->results.assign(job->frames.size(), {});
    if (job->op == Op::Close) {
        job->frames.clear();
        job->expectLength.clear();
        if (m_streamOn && m_transport && m_transport->IsOpen()) {
            job->frames.push_back(protocol::MakeMonitorStop(0));
            job->expectLength.push_back(0);
            job->attempts = 1;
            job->fixedTimeout = std::chrono::milliseconds(100);
            job->results.assign(1, {});
        }
    }
    if (job->frames.empty()) {
        FinishJob(true, now);
        return;
    }
    if (!EnsureTransport()) {
        FailJob(Command::Identify, true, now);
        return;
    }
    if (job->op == Op::Detect) m_decoder.Reset();
    for (Frame& f : job->frames) f.sequence = m_nextSeq++;
    job->requests = job->frames.size();
    for (std::uint16_t length : job->expectLength) job->longestAnswer = std::max<std::size_t>(job->longestAnswer, length);
}

void ModuleComms::SendMore(Clock::time_point now) {
    if (!m_active) return;
    Job& job = *m_active;
    while (m_active && job.nextToSend < job.requests && OpenRequests() < job.window) {
        const std::size_t index = job.nextToSend++;
        InFlight f;
        f.job = m_active;
        f.index = index;
        f.encoded = protocol::EncodeFrame(job.frames[index]);
        const std::uint16_t seq = job.frames[index].sequence;
        auto [it, inserted] = m_inFlight.emplace(seq, std::move(f));
        Transmit(it->second, now, false);
    }
}

void ModuleComms::Transmit(InFlight& f, Clock::time_point now, bool repeat, Lost lost) {
    if (f.attempts == 0) f.budgetStart = now;
    // Every copy but a busy repeat stands for one that did not get through.
    if (repeat && !f.resendPending) {
        m_line.AddOutcome(false, f.encoded.size() + protocol::EncodedSize(f.job->expectLength[f.index]));
        UpdateFrameSizes();
    }
    ++f.attempts;
    f.lastSent = ++m_transmissions;
    if (f.attempts == 1 || lost == Lost::All) {
        f.firstLive = f.lastSent;
    } else if (lost == Lost::Earliest) {
        // Answers come in the order of the copies: what was lost is the earliest copy still
        // live; a later copy sent before this one may yet be answered.
        auto next = std::upper_bound(f.copies.begin(), f.copies.end(), f.firstLive);
        f.firstLive = next != f.copies.end() ? *next : f.lastSent;
    }
    f.copies.push_back(f.lastSent);
    const auto wire = std::chrono::duration_cast<Clock::duration>(
        std::chrono::duration<double>(WireSeconds(f.encoded.size())));
    f.sentEnd = std::max(now, m_hostLineFree) + wire;
    m_hostLineFree = f.sentEnd;
    {
        std::lock_guard lock(m_mutex);
        ++m_stats.requestsSent;
        if (repeat) ++m_stats.repeats;
        if (lost != Lost::None) ++m_stats.earlyRepeats;
    }
    if (!m_transport || !m_transport->Write(f.encoded)) TransportFailed(now);
}


// The module answers requests in the order it received them, and copies leave the host in
// the order of their transmission numbers. An answer to a copy sent after `transmission`
// therefore proves that every request whose last copy went out before it lost that copy or
// its answer: those are sent again now rather than after a timeout.
void ModuleComms::ResendOlder(std::uint64_t transmission, Clock::time_point now) {
    std::vector<std::uint16_t> lost;
    for (const auto& [seq, g] : m_inFlight)
        if (!g.resendPending && !g.awaitingCheck && g.lastSent < transmission) lost.push_back(seq);
    std::sort(lost.begin(), lost.end(), [&](std::uint16_t a, std::uint16_t b) {
        return m_inFlight.at(a).lastSent < m_inFlight.at(b).lastSent;
    });
    for (std::uint16_t seq : lost) {
        auto it = m_inFlight.find(seq);
        if (it != m_inFlight.end()) Transmit(it->second, now, true, Lost::All);
    }
}

// An answer frame (good or damaged, or an error answer) came for `f`. False when the job
// ended meanwhile (the port failed while the older requests were sent again).
bool ModuleComms::NoteAnswered(InFlight& f, Clock::time_point now) {
    const std::uint16_t seq = f.job->frames[f.index].sequence;
    ResendOlder(f.firstLive, now);
    return m_active && m_inFlight.count(seq) != 0;
}

void ModuleComms::HandleFrame(const Frame& frame, Clock::time_point now) {
    m_lastTraffic = now;
    if (m_reconnecting && m_nextProbe > now) m_nextProbe = now;  // it is there: look at once
    if (frame.command == Command::MonitorPacket) {
        HandleMonitorPacket(frame, now);
        return;
    }
    const Clock::time_point previousAnswer = m_lastAnswer;
    m_lastAnswer = now;
    auto it = m_inFlight.find(frame.sequence);
    if (it == m_inFlight.end()) return;  // a late or repeated answer to something finished
    InFlight& f = it->second;
    const Command request = f.job->frames[f.index].command;
    if (frame.command == protocol::AnswerFor(request)) {
        if (frame.payload.size() != f.job->expectLength[f.index] && request != Command::Identify) {
            FailJob(Command::ErrorBadLength, false, now);
            return;
        }
        if (request == Command::Identify && !protocol::ParseIdentifyAnswer(frame.payload)) {
            FailJob(Command::ErrorBadLength, false, now);
            return;
        }
        // Turnaround is measured only on requests sent once: with several copies out it is not
        // known which one was answered.
        if (f.attempts == 1) {
            const double since = std::chrono::duration<double>(now - std::max(f.sentEnd, previousAnswer)).count();
            m_line.AddTurnaround(KindOf(request), since - WireSeconds(protocol::EncodedSize(frame.payload.size())));
        }
        m_line.AddOutcome(true, f.encoded.size() + protocol::EncodedSize(frame.payload.size()));
        if (!NoteAnswered(f, now)) return;
        if (f.index >= f.job->requests)
            FinishRepairCheck(f, frame.payload, now);
        else
            CompleteFrame(frame.sequence, frame.payload, now);
        return;
    }
    switch (frame.command) {
        case Command::ErrorBadCrc:
            {
                std::lock_guard lock(m_mutex);
                ++m_stats.badCrcAnswers;
            }
            if (NoteAnswered(f, now) && !f.resendPending && !f.awaitingCheck) Transmit(f, now, true, Lost::Earliest);
            return;
        case Command::ErrorBusy:
            {
                std::lock_guard lock(m_mutex);
                ++m_stats.busyAnswers;
            }
            if (!NoteAnswered(f, now)) return;
            if (++f.busy > m_options.busyRetries) {
                FailJob(Command::ErrorBusy, false, now);
                return;
            }
            f.resendPending = true;
            f.resendAt = now + m_options.busyBackoff;
            return;
        case Command::ErrorOutOfRange:
        case Command::ErrorUnknownCommand:
        case Command::ErrorBadLength:
        case Command::ErrorRefused:
            FailJob(frame.command, false, now);
            return;
        default:
            return;  // not an answer to this request
    }
}

void ModuleComms::HandleDamagedAnswer(const Frame& header, std::span<const std::uint8_t> bytes, Clock::time_point now) {
    {
        std::lock_guard lock(m_mutex);
        ++m_stats.badCrcAnswers;
    }
    m_lastAnswer = now;
    auto it = m_inFlight.find(header.sequence);
    if (it == m_inFlight.end()) return;
    InFlight& f = it->second;
    const Command request = f.job->frames[f.index].command;
    // The answer was damaged on its way: ask again now instead of waiting for the timeout. The
    // module answers a repeat from its answer cache, so nothing is carried out twice.
    if ((header.command == protocol::AnswerFor(request) || protocol::IsError(header.command)) && !f.resendPending &&
        !f.awaitingCheck) {
        if (f.cutShort) {
            f.cutShort = false;
            return;
        }
        if (header.command == protocol::AnswerFor(request) && StartRepairCheck(f, bytes, now)) return;
        // Which copy this damaged answer belongs to is not known for certain, so it does not
        // settle the requests sent before it (rule of the order); a good answer will.
        Transmit(f, now, true, Lost::Earliest);
    }
}

void ModuleComms::CheckTimeouts(Clock::time_point now) {
    if (!m_active) return;
    if (!m_gapHandled && !m_inFlight.empty() && m_decoder.Buffered() > 0 && now - m_lastByte > GapTimeout()) {
        // Half a frame and then silence: a byte was lost. Answers come in the order of the
        // requests, so the one cut short answers the oldest copy still open.
        m_gapHandled = true;
        auto oldest = m_inFlight.end();
        for (auto it = m_inFlight.begin(); it != m_inFlight.end(); ++it)
            if (!it->second.resendPending && !it->second.awaitingCheck &&
                (oldest == m_inFlight.end() || it->second.lastSent < oldest->second.lastSent))
                oldest = it;
        if (oldest != m_inFlight.end()) {
            oldest->second.cutShort = true;
            Transmit(oldest->second, now, true, Lost::Earliest);
        }
    }
    std::vector<std::uint16_t> due;
    for (auto& [seq, f] : m_inFlight) {
        if (f.awaitingCheck) continue;
        if ((f.resendPending && now >= f.resendAt) || (!f.resendPending && now >= Deadline(f))) due.push_back(seq);
    }
    for (std::uint16_t seq : due) {
        auto it = m_inFlight.find(seq);
        if (it == m_inFlight.end()) continue;  // the job ended meanwhile
        InFlight& f = it->second;
        if (f.resendPending) {
            // A "busy" answer is not a failed attempt: the budget starts again.
            f.budgetStart = now;
            f.timeouts = 0;
            Transmit(f, now, true);
            f.resendPending = false;
            continue;
        }
        {
            std::lock_guard lock(m_mutex);
            ++m_stats.timeouts;
        }
        const Job& job = *f.job;
        if (now - f.budgetStart < AttemptTimeout(job, f.index) * std::max(1, job.attempts)) {
            ++f.timeouts;
            Transmit(f, now, true);
        } else {
            FailJob(Command::Identify, true, now);
            return;
        }
    }
}

void ModuleComms::CompleteFrame(std::uint16_t seq, std::vector<std::uint8_t> data, Clock::time_point now) {
    auto it = m_inFlight.find(seq);
    if (it == m_inFlight.end()) return;
    Job& job = *it->second.job;
    job.results[it->second.index] = std::move(data);
    m_inFlight.erase(it);
    if (++job.completed == job.requests) FinishJob(true, now);
}

void ModuleComms::FailJob(Command error, bool noAnswer, Clock::time_point now) {
    if (!m_active) return;
    m_active->error = error;
    m_active->noAnswer = noAnswer;
    FinishJob(false, now);
}

void ModuleComms::FinishJob(bool ok, Clock::time_point now) {
    auto job = m_active;
    m_active.reset();
    m_inFlight.clear();
    job->ok = ok;
    ApplyJobResult(*job, now);
    {
        std::lock_guard lock(m_mutex);
        if (!ok && (job->op == Op::Read || job->op == Op::Write || job->op == Op::Flash)) ++m_stats.failedCommands;
        job->done = true;
    }
    m_doneCv.notify_all();
}

void ModuleComms::ApplyJobResult(Job& job, Clock::time_point now) {
    auto identify = [&] {
        if (auto info = protocol::ParseIdentifyAnswer(job.results.front())) {
            m_moduleId = info->moduleId;
            m_firmwareVersion = info->firmwareVersion;
            m_maxBlockData = std::clamp<int>(info->maxBlockData, 16, static_cast<int>(protocol::kMaxBlockData));
        }
    };
    switch (job.op) {
        case Op::Detect:
            if (job.ok) {
                identify();
                if (m_linked) {
                    LinkRestored(now);  // found again by the caller rather than by a probe
                } else {
                    m_line.ForgetErrors();
                    UpdateFrameSizes();
                    m_linked = true;
                    m_reconnecting = false;
                    m_streamLostReported = false;
                    m_dataLostReported = false;
                }
                m_lastTraffic = now;
            } else if (m_linked && job.noAnswer) {
                LinkLost(true, now);
            }
            return;
        case Op::Read:
        case Op::Write:
        case Op::Flash:
        case Op::Heartbeat:
            if (job.ok) {
                m_lastTraffic = now;
            } else if (job.noAnswer && m_linked && !m_reconnecting) {
                LinkLost(true, now);
            }
            return;
        case Op::MonitorStart:
            if (job.ok) {
                m_streamOn = true;
                m_lastPacket = now;
                m_lastMonitorSeq = -1;
            } else if (job.noAnswer) {
                m_nextUnsolicitedStop = now + m_options.reconnectInterval;
                if (m_linked && !m_reconnecting) LinkLost(false, now);
            } else {
                // Refused (the upgrade loader streams nothing): ask again now and then, not
                // at every turn of the loop.
                m_nextUnsolicitedStop = now + std::max<Clock::duration>(m_options.reconnectInterval, std::chrono::seconds(1));
            }
            return;
        case Op::MonitorStop:
            m_streamOn = false;
            m_nextUnsolicitedStop = now + std::chrono::milliseconds(50);
            return;
        case Op::Close:
            CloseTransport();
            m_linked = false;
            m_monitorWanted = false;
            m_streamOn = false;
            m_reconnecting = false;
            m_streamLostReported = false;
            m_dataLostReported = false;
            CloseLog();
            return;
        case Op::Probe:
            if (job.ok) {
                identify();
                LinkRestored(now);
            } else if (++m_reconnectTries >= m_options.reconnectAttempts) {
                ConnectionFailed();
            }
            return;
    }
}

void ModuleComms::HandleMonitorPacket(const Frame& frame, Clock::time_point now) {
    {
        std::lock_guard lock(m_mutex);
        ++m_stats.monitorPackets;
        if (m_lastMonitorSeq >= 0) {
            const auto gap = static_cast<std::uint16_t>(frame.sequence - m_lastMonitorSeq - 1);
            if (gap < 0x8000) m_stats.missedMonitorPackets += gap;
        }
    }
    m_lastMonitorSeq = frame.sequence;
    // Packets nobody asked for (left running by an earlier session, or still on the line after
    // a stop): note that the module streams, so that it is told to stop.
    if (!m_linked || !m_monitorWanted || m_writing) {
        if (m_linked) m_streamOn = true;
        return;
    }
    m_streamOn = true;
    m_lastPacket = now;
    if (m_streamLostReported) {
        m_streamLostReported = false;
        Emit([](CommsEvents& e) { e.OnLinkStatus(kMonitorStreamRestored); });
    }
    LogPacket(frame.payload, now);
    Emit([&](CommsEvents& e) { e.OnMonitorPacket(frame.payload); });
}

void ModuleComms::Background(Clock::time_point now) {
    if (m_linked && !m_reconnecting && m_streamOn && m_monitorWanted && !m_writing &&
        now - m_lastPacket > m_options.streamTimeout)
        LinkLost(false, now);
    // m_log belongs to the log lock (the caller's StartMonitoring may close it too).
    if (!m_monitorWanted) CloseLog();
}

void ModuleComms::LinkLost(bool dataLink, Clock::time_point now) {
    if (!m_linked) return;
    m_streamOn = false;
    m_line.ForgetErrors();
    UpdateFrameSizes();
    if (m_monitorWanted && !m_streamLostReported) {
        m_streamLostReported = true;
        Emit([](CommsEvents& e) { e.OnLinkStatus(kMonitorStreamLost); });
    }
    if (dataLink && !m_dataLostReported) {
        m_dataLostReported = true;
        Emit([](CommsEvents& e) { e.OnLinkStatus(kDataLinkLost); });
    }
    if (!m_reconnecting) {
        m_reconnecting = true;
        m_reconnectTries = 0;
        m_nextProbe = now;
        std::lock_guard lock(m_mutex);
        ++m_stats.reconnects;
    }
}

void ModuleComms::LinkRestored(Clock::time_point now) {
    m_reconnecting = false;
    m_lastTraffic = now;
    if (m_dataLostReported) {
        m_dataLostReported = false;
        Emit([](CommsEvents& e) { e.OnLinkStatus(kDataLinkRestored); });
    }
    // The stream counts as restored when its packets flow again (the stream is restarted
    // by TakeWork); if monitoring was given up meanwhile there is nothing left to wait for.
    if (m_streamLostReported && !m_monitorWanted) {
        m_streamLostReported = false;
        Emit([](CommsEvents& e) { e.OnLinkStatus(kMonitorStreamRestored); });
    }
}

void ModuleComms::ConnectionFailed() {
    m_linked = false;
    m_monitorWanted = false;
    m_streamOn = false;
    m_reconnecting = false;
    m_streamLostReported = false;
    m_dataLostReported = false;
    CloseTransport();
    CloseLog();
    Emit([](CommsEvents& e) { e.OnModuleConnectionFailure(); });
}

void ModuleComms::TransportFailed(Clock::time_point now) {
    CloseTransport();
    if (m_active) FailJob(Command::Identify, true, now);
    if (m_linked && !m_reconnecting) LinkLost(true, now);
}

}  // namespace corvane::comms
