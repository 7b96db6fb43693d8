#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "comms/MonitorLog.h"

namespace corvane::comms {

// Plays a monitor log back on its own thread: each recorded block goes to `packet` when the
// replay clock reaches its recorded time. The clock runs at speed() percent of real time
// (100: as recorded; 0: paused), read afresh all the time so changes apply at once. `ended`
// is called once when the last block has been played or the replay was stopped.
class MonitorReplay {
public:
    using PacketFn = std::function<void(const std::vector<std::uint8_t>&)>;
    using EndFn = std::function<void()>;
    using SpeedFn = std::function<int()>;

    MonitorReplay(PacketFn packet, EndFn ended, SpeedFn speed);
    ~MonitorReplay();
    MonitorReplay(const MonitorReplay&) = delete;
    MonitorReplay& operator=(const MonitorReplay&) = delete;

    // False (nothing started, `ended` not called) when the file is not a readable monitor log,
    // holds a damaged row or no packet at all.
    [[nodiscard]] bool Start(const std::string& path, std::string* error = nullptr);
    // Stops and waits for the thread; calls `ended` if it has not been called yet.
    void Stop();
    // Moves the replay clock to `seconds` of the log: the row in force then (the last at or
    // before it) is played at once, and the replay goes on from there at its speed, paused or
    // not. Before the first row it starts over. False when nothing is running.
    bool Seek(double seconds);
    [[nodiscard]] bool Running() const { return m_running.load(); }
    // The replay clock, in the log's seconds.
    [[nodiscard]] double PositionSeconds() const { return m_position.load(); }
    [[nodiscard]] std::size_t Played() const { return m_played.load(); }
    [[nodiscard]] std::size_t Total() const { return m_total.load(); }

private:
    void Run(std::vector<MonitorLog::Record> records);

    PacketFn m_packet;
    EndFn m_ended;
    SpeedFn m_speed;
    std::mutex m_mutex;
    std::condition_variable m_cv;
    bool m_stop = false;
    std::optional<double> m_seek;  // a jump asked for and not yet made (under m_mutex)
    std::atomic<double> m_position{0.0};
    std::atomic<bool> m_running{false};
    std::atomic<std::size_t> m_played{0};
    std::atomic<std::size_t> m_total{0};
    std::thread m_thread;
};

}  // namespace corvane::comms
