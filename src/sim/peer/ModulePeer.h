#pragma once

#include <cstdint>
#include <deque>
#include <limits>
#include <mutex>
#include <random>
#include <span>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "protocol/Frame.h"
#include "protocol/FrameDecoder.h"
#include "sim/ModuleEmulator.h"

namespace corvane::sim {

// Faults the peer can put on the line and into its answers. All random choices come from the
// peer's seeded generator, so a run can be repeated exactly (given the same timing).
struct PeerFaults {
    double dropRate = 0.0;          // each byte, both directions, is lost with this probability
    double corruptRate = 0.0;       // each byte, both directions, is damaged with this probability
    double garbageRate = 0.0;       // probability of random bytes before a frame the module sends
    int garbageMaxBytes = 16;
    double latencySeconds = 0.0;    // added to every byte on its way to the host (USB adapter: 0.016)
    int baud = 0;                   // line-rate pacing, 10 bits a byte each way; 0 = unpaced
    double noAnswerRate = 0.0;      // a request is swallowed (neither carried out nor answered)
    bool answerOnSecondTry = false; // the first copy of every request is swallowed
    double busyRate = 0.0;          // a memory or flash request answers "busy" (not carried out)
    double turnaroundSeconds = 0.0; // module's processing time before an answer starts
};

// The module's side of the wire protocol, over the emulator. Passive and clocked from outside:
// a driver feeds it the bytes from the host with Receive, calls Service, and collects the bytes
// due for the host with TakeOutput. Times are seconds on any monotonic clock.
//
// Thread-safe: every call takes the peer's lock, which also serialises all emulator calls.
class ModulePeer {
public:
    explicit ModulePeer(ModuleEmulator& emulator, std::uint64_t seed = 1);

    void SetFaults(const PeerFaults& faults);
    [[nodiscard]] PeerFaults Faults() const;

    void Receive(std::span<const std::uint8_t> bytes, double now);
    void Service(double now);
    void TakeOutput(std::vector<std::uint8_t>& out, double now);
    // Earliest time at which Service or TakeOutput has something to do.
    [[nodiscard]] double NextEventTime(double now) const;

    // Cable between adapter and module: while pulled nothing passes either way.
    void PullCable();
    void PlugCable();
    [[nodiscard]] bool CablePlugged() const;
    // Module power, through the emulator.
    void PowerOff();
    void PowerOn();
    void PowerCycle();
    // The next flash write programs only its first `bytes` bytes, then power fails.
    void ArmPowerLossDuringFlash(std::size_t bytes);

    // Runs f(emulator) under the peer's lock.
    template <class F>
    auto WithEmulator(F&& f) {
        std::lock_guard lock(m_mutex);
        return f(m_emulator);
    }

    struct Stats {
        std::uint64_t requests = 0;        // decoded requests, including repeats
        std::uint64_t executed = 0;        // requests carried out on the emulator
        std::uint64_t repeatsAnswered = 0; // repeats answered from the answer cache
        // Writes carried out again under a sequence number and contents already carried out in
        // this session (the answer cache failed them): must stay 0.
        std::uint64_t repeatsExecuted = 0;
        std::uint64_t badCrcs = 0;
        std::uint64_t monitorPackets = 0;
        std::uint64_t bytesOut = 0;
        std::uint64_t bytesIn = 0;
    };
    [[nodiscard]] Stats GetStats() const;

private:
    struct TimedByte {
        double time;
        std::uint8_t byte;
    };
    struct CachedAnswer {
        std::uint32_t requestCrc;
        protocol::Frame answer;
    };

    void HandleRequest(const protocol::Frame& request, double now);
    [[nodiscard]] protocol::Frame Execute(const protocol::Frame& request, double now, bool& cacheable);
    void Send(const protocol::Frame& frame, double now);
    void SendMonitorPackets(double now);
    [[nodiscard]] double ByteTime() const;
    [[nodiscard]] bool Chance(double p);
    std::uint8_t Damage(std::uint8_t b);
    void ForgetSession();
    void RememberAnswer(std::uint16_t seq, std::uint32_t crc, const protocol::Frame& answer);

    mutable std::mutex m_mutex;
    ModuleEmulator& m_emulator;
    std::mt19937_64 m_rng;
    PeerFaults m_faults;
    protocol::FrameDecoder m_decoder;
    std::deque<TimedByte> m_in;   // from the host, stamped with their arrival time
    std::deque<TimedByte> m_out;  // to the host, stamped with their delivery time
    double m_inLineFree = 0.0;    // when the host-to-module line has sent its last queued byte
    double m_outLineFree = 0.0;   // when the module-to-host line has sent its last queued byte
    double m_lastAdvance = std::numeric_limits<double>::quiet_NaN();
    double m_nextMonitor = 0.0;
    bool m_wasMonitoring = false;
    std::uint16_t m_monitorSeq = 0;
    bool m_plugged = true;

    // Last answer per sequence number, so that a repeated request is answered again without
    // being carried out twice. Bounded: the host never has more than a few requests open.
    static constexpr std::size_t kAnswerCacheSize = 64;
    std::unordered_map<std::uint16_t, CachedAnswer> m_answers;
    std::deque<std::uint16_t> m_answerOrder;
    std::unordered_map<std::uint16_t, std::uint32_t> m_swallowedOnce;  // answer-on-second-try
    std::unordered_set<std::uint64_t> m_executedWrites;  // sequence and request CRC, this session
    Stats m_stats;
};

}  // namespace corvane::sim
