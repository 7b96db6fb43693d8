#include "comms/MonitorReplay.h"

#include <algorithm>
#include <chrono>

namespace corvane::comms {

MonitorReplay::MonitorReplay(PacketFn packet, EndFn ended, SpeedFn speed)
    : m_packet(std::move(packet)), m_ended(std::move(ended)), m_speed(std::move(speed)) {}

MonitorReplay::~MonitorReplay() { Stop(); }

bool MonitorReplay::Start(const std::string& path, std::string* error) {
    auto records = MonitorLog::ReadForReplay(path, error);
    if (!records) return false;
    m_total = records->size();
    m_stop = false;
    m_running = true;
    m_thread = std::thread([this, r = std::move(*records)]() mutable { Run(std::move(r)); });
    return true;
}

void MonitorReplay::Stop() {
    {
        std::lock_guard lock(m_mutex);
        m_stop = true;
    }
    m_cv.notify_all();
    if (m_thread.joinable()) m_thread.join();
}

void MonitorReplay::Run(std::vector<MonitorLog::Record> records) {
    using Clock = std::chrono::steady_clock;
    double position = records.empty() ? 0.0 : records.front().seconds;  // recorded seconds
    auto last = Clock::now();
    for (const auto& record : records) {
        // Advance the replay clock in short steps so that a change of speed or a stop is seen.
        for (;;) {
            const auto now = Clock::now();
            const int speed = std::max(0, m_speed ? m_speed() : 100);
            position += std::chrono::duration<double>(now - last).count() * speed / 100.0;
            last = now;
            if (position >= record.seconds) break;
            const double remaining = speed > 0 ? (record.seconds - position) * 100.0 / speed : 0.05;
            const auto wait = std::chrono::duration<double>(std::min(0.05, remaining));
            std::unique_lock lock(m_mutex);
            if (m_cv.wait_for(lock, wait, [&] { return m_stop; })) break;
        }
        {
            std::lock_guard lock(m_mutex);
            if (m_stop) break;
        }
        m_packet(record.block);
        ++m_played;
    }
    m_running = false;
    if (m_ended) m_ended();
}

}  // namespace corvane::comms
