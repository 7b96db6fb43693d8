#pragma once

#include <array>
#include <cstddef>

namespace corvane::comms {

// What the I/O thread learns about the line while it talks: how long the module takes to start
// an answer (per kind of request, since programming flash is slower than reading memory), and
// how often a frame is lost or damaged. Timeouts follow the first, frame sizes the second.
// Plain arithmetic, I/O thread only.
class LineEstimator {
public:
    enum class Kind { Memory, Write, Flash, Count };

    // One answer that came back to a request sent only once: seconds between the moment the
    // answer could have started (request on the wire, the line free of earlier answers) and
    // its arrival, less its own wire time.
    void AddTurnaround(Kind kind, double seconds);
    // How long to wait for an answer beyond its wire time and the answers ahead of it: the
    // measured turnaround with its spread, plus `floor`; `fallback` until there is a sample.
    [[nodiscard]] double Allowance(Kind kind, double floor, double fallback) const;
    [[nodiscard]] bool HasTurnaround(Kind kind) const { return m_turn[Index(kind)].samples > 0; }
    [[nodiscard]] double MeanTurnaround(Kind kind) const { return m_turn[Index(kind)].mean; }

    // One transmission of `bytes` (request and answer frame together) got through, or did not.
    void AddOutcome(bool delivered, std::size_t bytes);
    // Estimated probability that a byte is lost or damaged; 0 until enough frames were seen.
    [[nodiscard]] double ByteErrorRate() const;
    // Forgets what was learnt about errors (the line was lost: what a dead line did says
    // nothing about the next one). Turnarounds are kept: they belong to the module.
    void ForgetErrors();

    // The data size per frame (one of 1024, 512, 256, 128, 64, or `largest`, never above it)
    // that moves a payload in the least expected line time at byte error rate `p`. Besides its
    // data each try of a frame costs `lineBytes` of line time (its framing, and when the
    // request waits for its answer, the request's, the answer's and the turnaround) and risks
    // `riskBytes` more (every byte of request and answer that can spoil the try).
    [[nodiscard]] static std::size_t BestFrameData(double p, double lineBytes, double riskBytes, std::size_t largest);

    static constexpr std::size_t kMinOutcomes = 32;  // before the error rate is trusted

private:
    struct Turnaround {
        int samples = 0;
        double mean = 0.0;
        double deviation = 0.0;
    };
    static std::size_t Index(Kind kind) { return static_cast<std::size_t>(kind); }

    std::array<Turnaround, static_cast<std::size_t>(Kind::Count)> m_turn{};
    double m_outcomes = 0.0;
    double m_failures = 0.0;
    double m_bytes = 0.0;
};

}  // namespace corvane::comms
