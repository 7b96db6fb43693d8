#include "sim/peer/PipeTransport.h"

#include <thread>

namespace corvane::sim {

bool PipeTransport::Open() {
    if (m_pipe.Broken()) return false;
    m_pipe.HostEnd().Discard();  // whatever was on the line before is stale
    m_open = true;
    return true;
}

bool PipeTransport::Write(std::span<const std::uint8_t> bytes) {
    if (!m_open) return false;
    return m_pipe.HostEnd().Write(bytes);
}

int PipeTransport::Read(std::vector<std::uint8_t>& out, std::chrono::microseconds timeout) {
    if (!m_open) {
        std::this_thread::sleep_for(timeout);
        return -1;
    }
    return m_pipe.HostEnd().Read(out, timeout);
}

}  // namespace corvane::sim
