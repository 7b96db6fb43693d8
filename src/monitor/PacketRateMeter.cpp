#include "monitor/PacketRateMeter.h"

#include "model/NumberText.h"

namespace corvane {

void PacketRateMeter::Start(double seconds, std::uint64_t received, std::uint64_t lost) {
    m_started = true;
    m_window.clear();
    m_window.push_back({seconds, received});
    m_receivedAtStart = m_received = received;
    m_lostAtStart = m_lost = lost;
}

void PacketRateMeter::Sample(double seconds, std::uint64_t received, std::uint64_t lost) {
    if (!m_started || received < m_received || lost < m_lost || (!m_window.empty() && seconds < m_window.back().seconds)) {
        Start(seconds, received, lost);
        return;
    }
    m_received = received;
    m_lost = lost;
    m_window.push_back({seconds, received});
    // Keep one sample at or before the window's start, so the rate spans the whole window.
    while (m_window.size() > 2 && m_window[1].seconds <= seconds - kWindowSeconds) m_window.pop_front();
}

double PacketRateMeter::PacketsPerSecond() const {
    if (m_window.size() < 2) return 0.0;
    const Point& first = m_window.front();
    const Point& last = m_window.back();
    const double span = last.seconds - first.seconds;
    if (span <= 0.0) return 0.0;
    return static_cast<double>(last.received - first.received) / span;
}

std::string PacketRateMeter::StatusText() const {
    const std::uint64_t sent = Received() + Lost();
    const double lostPercent = sent > 0 ? 100.0 * static_cast<double>(Lost()) / static_cast<double>(sent) : 0.0;
    return "Stream: " + FormatFixed(PacketsPerSecond(), 1) + " packets/s, " + std::to_string(Lost()) + " lost (" +
           FormatFixed(lostPercent, 1) + " %)";
}

}  // namespace corvane
