#include "sim/peer/BytePipe.h"

namespace corvane::sim {

BytePipe::BytePipe() = default;

bool BytePipe::End::Write(std::span<const std::uint8_t> bytes) {
    const int other = 1 - m_index;
    {
        std::lock_guard lock(m_pipe.m_mutex);
        if (m_pipe.m_broken) return false;
        m_pipe.m_queue[other].insert(m_pipe.m_queue[other].end(), bytes.begin(), bytes.end());
    }
    m_pipe.m_readable[other].notify_all();
    return true;
}

int BytePipe::End::Read(std::vector<std::uint8_t>& out, std::chrono::microseconds timeout) {
    std::unique_lock lock(m_pipe.m_mutex);
    auto& q = m_pipe.m_queue[m_index];
    m_pipe.m_readable[m_index].wait_for(lock, timeout,
                                        [&] { return m_pipe.m_broken || !q.empty() || m_pipe.m_woken[m_index]; });
    m_pipe.m_woken[m_index] = false;
    if (m_pipe.m_broken) return -1;
    const int n = static_cast<int>(q.size());
    out.insert(out.end(), q.begin(), q.end());
    q.clear();
    return n;
}

void BytePipe::End::Discard() {
    std::lock_guard lock(m_pipe.m_mutex);
    m_pipe.m_queue[m_index].clear();
}

void BytePipe::End::Wake() {
    {
        std::lock_guard lock(m_pipe.m_mutex);
        m_pipe.m_woken[m_index] = true;
    }
    m_pipe.m_readable[m_index].notify_all();
}

void BytePipe::SetBroken(bool broken) {
    {
        std::lock_guard lock(m_mutex);
        m_broken = broken;
        if (broken) {
            m_queue[0].clear();
            m_queue[1].clear();
        }
    }
    m_readable[0].notify_all();
    m_readable[1].notify_all();
}

bool BytePipe::Broken() const {
    std::lock_guard lock(m_mutex);
    return m_broken;
}

}  // namespace corvane::sim
