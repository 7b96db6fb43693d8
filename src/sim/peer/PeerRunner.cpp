#include "sim/peer/PeerRunner.h"

#include <algorithm>
#include <chrono>
#include <cmath>

namespace corvane::sim {

PeerRunner::PeerRunner(ModulePeer& peer, BytePipe::End& moduleEnd) : m_peer(peer), m_end(moduleEnd) {}

PeerRunner::~PeerRunner() { Stop(); }

double PeerRunner::Now() {
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

void PeerRunner::Start() {
    if (m_running.exchange(true)) return;
    m_thread = std::thread([this] { Run(); });
}

void PeerRunner::Stop() {
    m_running = false;
    if (m_thread.joinable()) m_thread.join();
}

void PeerRunner::Run() {
    std::vector<std::uint8_t> in;
    std::vector<std::uint8_t> out;
    // Wake-ups are coarser than a byte time at high baud rates; that costs no throughput because
    // every byte carries its own line time, it only batches deliveries.
    constexpr double kMinSleep = 0.0005;
    constexpr double kMaxSleep = 0.02;
    while (m_running) {
        double now = Now();
        in.clear();
        if (m_end.Read(in, std::chrono::microseconds(0)) > 0) m_peer.Receive(in, now);
        m_peer.Service(now);
        out.clear();
        m_peer.TakeOutput(out, now);
        if (!out.empty()) m_end.Write(out);  // a broken pipe loses the bytes, like a pulled adapter
        const double next = m_peer.NextEventTime(now);
        double wait = std::clamp(next - Now(), kMinSleep, kMaxSleep);
        if (!std::isfinite(next)) wait = kMaxSleep;
        in.clear();
        const int n = m_end.Read(in, std::chrono::microseconds(static_cast<long>(wait * 1e6)));
        if (n > 0) m_peer.Receive(in, Now());
        if (n < 0) std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
}

}  // namespace corvane::sim
