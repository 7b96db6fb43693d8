#pragma once

#include <cstdint>
#include <deque>
#include <string>

namespace corvane {

// The monitor stream's health as the status bar shows it while monitoring: packets per second
// over the last few seconds and packets lost since the stream started. It is fed the comms
// library's running totals (received, lost) with the time they were read, a few times a
// second; totals that go backwards (a new library, a restarted count) start it again.
class PacketRateMeter {
public:
    // Seconds of samples the rate is taken over: long enough to even out the pacing of the
    // line, short enough to show a cable pulled within a second or two.
    static constexpr double kWindowSeconds = 2.0;

    // The stream (re)starts: counting begins from these totals.
    void Start(double seconds, std::uint64_t received, std::uint64_t lost);
    void Sample(double seconds, std::uint64_t received, std::uint64_t lost);

    [[nodiscard]] bool Started() const { return m_started; }
    // Packets per second over the samples of the last kWindowSeconds; 0 before two samples.
    [[nodiscard]] double PacketsPerSecond() const;
    // Received and lost since Start.
    [[nodiscard]] std::uint64_t Received() const { return m_received - m_receivedAtStart; }
    [[nodiscard]] std::uint64_t Lost() const { return m_lost - m_lostAtStart; }
    // "Stream: 24.8 packets/s, 0 lost (0.0 %)".
    [[nodiscard]] std::string StatusText() const;

private:
    struct Point {
        double seconds;
        std::uint64_t received;
    };
    bool m_started = false;
    std::deque<Point> m_window;
    std::uint64_t m_receivedAtStart = 0;
    std::uint64_t m_lostAtStart = 0;
    std::uint64_t m_received = 0;
    std::uint64_t m_lost = 0;
};

}  // namespace corvane
