// ModuleComms: when an answer is overdue, how long a quiet line may stay quiet mid-frame, how
// large a frame the line's error rate allows, and how long a frame is worth waiting for. The
// I/O thread alone calls these.
#include <algorithm>
#include <cmath>

#include "comms/ModuleComms.h"
#include "comms/ModuleCommsJob.h"

namespace corvane::comms {

using protocol::Command;

double ModuleComms::WireSeconds(std::size_t bytes) const {
    const int baud = m_transport ? m_transport->Baud() : 0;
    return baud > 0 ? static_cast<double>(bytes) * 10.0 / baud : 0.0;
}

LineEstimator::Kind ModuleComms::KindOf(Command request) {
    switch (request) {
        case Command::Write: return LineEstimator::Kind::Write;
        case Command::FlashWrite: return LineEstimator::Kind::Flash;
        default: return LineEstimator::Kind::Memory;
    }
}

void ModuleComms::UpdateFrameSizes() {
    if (!m_options.adaptFrameSize) return;
    const double p = m_line.ByteErrorRate();
    const auto largest = static_cast<std::size_t>(std::max(1, m_maxBlockData.load()));
    const int baud = m_transport ? m_transport->Baud() : 0;
    // Pipelined reads keep the line to the host busy with answers: a try costs the answer's
    // line time, and is spoilt by a bad byte in the answer or in its request. A write waits
    // for its answer: request, turnaround and answer all cost line time.
    const double overhead = static_cast<double>(protocol::kFrameOverhead);
    const double readRequest = static_cast<double>(protocol::EncodedSize(4));
    const double writeAnswer = static_cast<double>(protocol::EncodedSize(0));
    double turn = 0.0;
    if (baud > 0) turn = m_line.MeanTurnaround(LineEstimator::Kind::Write) * baud / 10.0;
    m_readChunk = static_cast<int>(LineEstimator::BestFrameData(p, overhead, overhead + readRequest, largest));
    m_writeChunk = static_cast<int>(
        LineEstimator::BestFrameData(p, overhead + 4.0 + writeAnswer + turn, overhead + 4.0 + writeAnswer, largest));
}

// The worst case of one attempt: the configured wait plus the line time of the request, of an
// answer for every request the job may have on the line and of a monitor packet in between,
// plus the adapter latency. A request's time budget is `attempts` of these.
ModuleComms::Clock::duration ModuleComms::AttemptTimeout(const Job& job, std::size_t index) const {
    Clock::duration base = job.fixedTimeout.count() > 0 ? job.fixedTimeout
                           : m_timeoutMode == 1        ? Clock::duration(m_options.longAnswerTimeout)
                                                       : Clock::duration(m_options.answerTimeout);
    double seconds = m_transport ? m_transport->Latency() : 0.0;
    const std::size_t answer = protocol::EncodedSize(job.expectLength[index]);
    std::size_t bytes = protocol::EncodedSize(job.frames[index].payload.size()) + answer * job.window;
    if (m_streamOn) bytes += protocol::EncodedSize(m_monitorLength);
    seconds += WireSeconds(bytes);
    return base + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
}

// When the answer to `f` is overdue. It cannot start before the request has left the host nor
// before the last answer that arrived; to that come its own wire time and the module's
// measured turnaround with its spread (the configured wait before anything was measured,
// doubled for every timeout this request already had). Never later than the end of the
// request's time budget.
ModuleComms::Clock::time_point ModuleComms::Deadline(const InFlight& f) const {
    const Job& job = *f.job;
    const Clock::duration worst = AttemptTimeout(job, f.index);
    const Clock::time_point budgetEnd = f.budgetStart + worst * std::max(1, job.attempts);
    if (job.attempts <= 1) return budgetEnd;  // single-shot (probes, the stop at unlink)
    // Only the open request whose last copy is the oldest waits for a timeout: the answers to
    // the others come after its own, and once that has come the order shows which of them are
    // lost. A stall that holds up every answer for a moment thus costs one repeat, not one per
    // request on the line.
    std::size_t answers = 0;
    for (const auto& [seq, g] : m_inFlight) {
        if (g.resendPending || g.awaitingCheck) continue;
        if (g.lastSent < f.lastSent) return budgetEnd;
        if (g.lastSent == f.lastSent) answers += protocol::EncodedSize(g.job->expectLength[g.index]);
    }
    if (m_streamOn) answers += protocol::EncodedSize(m_monitorLength);
    const double ceiling = std::chrono::duration<double>(worst).count();
    const double latency = m_transport ? m_transport->Latency() : 0.0;
    const double floor = std::chrono::duration<double>(m_options.turnaroundMargin).count() + latency;
    double allowance = m_line.Allowance(KindOf(job.frames[f.index].command), floor, ceiling);
    allowance = std::min(ceiling, allowance * std::ldexp(1.0, std::min(f.timeouts, 16)));
    const Clock::time_point from = std::max(f.sentEnd, m_lastAnswer);
    const auto wait = std::chrono::duration_cast<Clock::duration>(
        std::chrono::duration<double>(WireSeconds(answers) + allowance));
    return std::min(from + wait, budgetEnd);
}

ModuleComms::Clock::duration ModuleComms::GapTimeout() const {
    const int baud = m_transport ? m_transport->Baud() : 0;
    double seconds = 2.0 * (m_transport ? m_transport->Latency() : 0.0);
    if (baud > 0) seconds += 20.0 * 10.0 / baud;
    return m_options.gapTimeout + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
}

ModuleComms::Clock::time_point ModuleComms::NextDeadline(Clock::time_point now) const {
    Clock::time_point next = now + std::chrono::milliseconds(10);
    for (const auto& [seq, f] : m_inFlight)
        if (!f.awaitingCheck) next = std::min(next, f.resendPending ? f.resendAt : Deadline(f));
    if (!m_gapHandled && !m_inFlight.empty() && m_decoder.Buffered() > 0) next = std::min(next, m_lastByte + GapTimeout());
    if (m_active && m_active->nextToSend < m_active->requests && OpenRequests() < m_active->window)
        next = now;
    return next;
}

// The longest frame worth waiting for: an answer to the job on the line, a monitor packet (the
// stream may still run, or start), or a short answer such as an identify or an error. A header
// that claims more passed its check by chance: waiting for it would hold up the real answers
// behind it until that many bytes had come.
std::size_t ModuleComms::AnswerLengthLimit() const {
    constexpr std::size_t kShortAnswers = 16;
    std::size_t limit = std::max<std::size_t>(kShortAnswers, m_monitorLength.load());
    if (m_active) limit = std::max(limit, m_active->longestAnswer);
    return limit;
}

std::size_t ModuleComms::OpenRequests() const {
    return static_cast<std::size_t>(
        std::count_if(m_inFlight.begin(), m_inFlight.end(), [](const auto& entry) { return !entry.second.awaitingCheck; }));
}

}  // namespace corvane::comms
