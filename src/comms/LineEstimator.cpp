#include "comms/LineEstimator.h"

#include <algorithm>
#include <cmath>

namespace corvane::comms {

void LineEstimator::AddTurnaround(Kind kind, double seconds) {
    Turnaround& t = m_turn[Index(kind)];
    seconds = std::max(0.0, seconds);
    if (t.samples++ == 0) {
        t.mean = seconds;
        t.deviation = seconds / 2.0;
        return;
    }
    // Smoothed mean and mean deviation, as round-trip estimators do: one slow answer widens
    // the allowance at once, a run of quick ones narrows it slowly.
    const double error = seconds - t.mean;
    t.mean += error / 8.0;
    t.deviation += (std::abs(error) - t.deviation) / 4.0;
}

double LineEstimator::Allowance(Kind kind, double floor, double fallback) const {
    const Turnaround& t = m_turn[Index(kind)];
    if (t.samples == 0) return fallback;
    return t.mean + 4.0 * t.deviation + floor;
}

void LineEstimator::AddOutcome(bool delivered, std::size_t bytes) {
    // A sliding memory of the last few hundred frames, so that a line that got better or worse
    // (an engine started next to the cable) is followed within a batch or two of reads.
    if (m_outcomes >= 256.0) {
        m_outcomes /= 2.0;
        m_failures /= 2.0;
        m_bytes /= 2.0;
    }
    m_outcomes += 1.0;
    m_failures += delivered ? 0.0 : 1.0;
    m_bytes += static_cast<double>(bytes);
}

double LineEstimator::ByteErrorRate() const {
    if (m_outcomes < static_cast<double>(kMinOutcomes) || m_failures <= 0.0 || m_bytes <= 0.0) return 0.0;
    // A frame of n bytes gets through with probability (1 - p)^n; solved for p with the mean
    // frame size (the small-p reading failures / bytes would understate long frames' losses).
    const double failed = std::min(m_failures / m_outcomes, 0.99);
    const double meanBytes = m_bytes / m_outcomes;
    return -std::log1p(-failed) / meanBytes;
}

void LineEstimator::ForgetErrors() {
    m_outcomes = 0.0;
    m_failures = 0.0;
    m_bytes = 0.0;
}

std::size_t LineEstimator::BestFrameData(double p, double lineBytes, double riskBytes, std::size_t largest) {
    largest = std::max<std::size_t>(1, largest);
    if (p <= 0.0) return largest;
    // Expected line time per payload byte: each try costs the whole frame, and it takes
    // 1 / P(delivered) tries on average.
    auto cost = [&](std::size_t data) {
        const double n = static_cast<double>(data);
        return (n + lineBytes) / (n * std::pow(1.0 - std::min(p, 0.5), n + riskBytes));
    };
    std::size_t best = largest;
    double bestCost = cost(largest);
    for (std::size_t data : {1024u, 512u, 256u, 128u, 64u}) {
        if (data >= largest) continue;
        if (const double c = cost(data); c < bestCost) {
            best = data;
            bestCost = c;
        }
    }
    return best;
}

}  // namespace corvane::comms
