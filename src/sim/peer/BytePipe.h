#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <span>
#include <vector>

namespace corvane::sim {

// An in-memory full-duplex byte channel with two ends, standing in for a serial cable between
// the comms library and the module peer. Each end reads what the other end wrote, in order.
// A pipe can be marked broken (as when a USB serial adapter is unplugged): reads and writes on
// both ends then fail until it is mended.
class BytePipe {
public:
    class End {
    public:
        // Queues bytes for the other end. False when the pipe is broken.
        bool Write(std::span<const std::uint8_t> bytes);
        // Waits up to `timeout` for bytes, then appends everything available to `out`.
        // Returns the number of bytes appended, or -1 when the pipe is broken.
        int Read(std::vector<std::uint8_t>& out, std::chrono::microseconds timeout);
        // Drops everything queued towards this end.
        void Discard();
        // Makes a Read waiting on this end return at once (with what is there, maybe nothing).
        void Wake();

    private:
        friend class BytePipe;
        End(BytePipe& pipe, int index) : m_pipe(pipe), m_index(index) {}
        BytePipe& m_pipe;
        int m_index;
    };

    BytePipe();
    BytePipe(const BytePipe&) = delete;
    BytePipe& operator=(const BytePipe&) = delete;

    End& HostEnd() { return m_host; }
    End& ModuleEnd() { return m_module; }

    void SetBroken(bool broken);
    [[nodiscard]] bool Broken() const;

private:
    mutable std::mutex m_mutex;
    std::condition_variable m_readable[2];
    std::deque<std::uint8_t> m_queue[2];  // [i]: bytes waiting to be read by end i
    bool m_woken[2] = {false, false};
    bool m_broken = false;
    End m_host{*this, 0};
    End m_module{*this, 1};
};

}  // namespace corvane::sim
