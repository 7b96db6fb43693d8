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
    m_played = 0;
    {
        std::lock_guard lock(m_mutex);
        m_stop = false;
        m_seek.reset();
    }
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

bool MonitorReplay::Seek(double seconds) {
    if (!m_running.load()) return false;
    {
        std::lock_guard lock(m_mutex);
        m_seek = seconds;
    }
    m_cv.notify_all();
    return true;
}

void MonitorReplay::Run(std::vector<MonitorLog::Record> records) {
    using Clock = std::chrono::steady_clock;
    double position = records.empty() ? 0.0 : records.front().seconds;  // recorded seconds
    m_position = position;
    auto last = Clock::now();
    std::size_t next = 0;
    bool stopped = false;
    // A jump asked for by Seek: the row in force at the new time plays next, at once.
    auto takeSeek = [&]() {
        std::optional<double> target;
        {
            std::lock_guard lock(m_mutex);
            target.swap(m_seek);
        }
        if (!target) return false;
        std::size_t row = 0;
        for (std::size_t i = 0; i < records.size(); ++i)
            if (records[i].seconds <= *target) row = i;  // rows may be out of time order: the last wins
        next = row;
        position = std::max(*target, records[row].seconds);
        last = Clock::now();
        m_played = next;
        return true;
    };
    while (next < records.size() && !stopped) {
        const MonitorLog::Record& record = records[next];
        // Advance the replay clock in short steps so that a change of speed, a jump or a stop
        // is seen.
        bool jumped = false;
        for (;;) {
            if (takeSeek()) {
                jumped = true;
                break;
            }
            const auto now = Clock::now();
            const int speed = std::max(0, m_speed ? m_speed() : 100);
            position += std::chrono::duration<double>(now - last).count() * speed / 100.0;
            last = now;
            m_position = position;
            if (position >= record.seconds) break;
            const double remaining = speed > 0 ? (record.seconds - position) * 100.0 / speed : 0.05;
            const auto wait = std::chrono::duration<double>(std::min(0.05, remaining));
            std::unique_lock lock(m_mutex);
            if (m_cv.wait_for(lock, wait, [&] { return m_stop || m_seek.has_value(); })) {
                if (m_stop) break;
            }
        }
        {
            std::lock_guard lock(m_mutex);
            stopped = m_stop;
        }
        if (stopped) break;
        if (jumped) {
            m_position = position;
            m_packet(records[next].block);
            m_played = ++next;
            continue;
        }
        m_packet(record.block);
        m_played = ++next;
    }
    m_running = false;
    if (m_ended) m_ended();
}

}  // namespace corvane::comms
