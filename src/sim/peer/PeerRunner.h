#pragma once

#include <atomic>
#include <thread>

#include "sim/peer/BytePipe.h"
#include "sim/peer/ModulePeer.h"

namespace corvane::sim {

// Runs a module peer on its own thread over the module end of a byte pipe: the module side of
// the in-process link. Sleeps until the host writes or the peer has something due.
class PeerRunner {
public:
    PeerRunner(ModulePeer& peer, BytePipe::End& moduleEnd);
    ~PeerRunner();
    PeerRunner(const PeerRunner&) = delete;
    PeerRunner& operator=(const PeerRunner&) = delete;

    void Start();
    void Stop();

    // Seconds on the clock the peer is driven by.
    [[nodiscard]] static double Now();

private:
    void Run();

    ModulePeer& m_peer;
    BytePipe::End& m_end;
    std::atomic<bool> m_running{false};
    std::thread m_thread;
};

}  // namespace corvane::sim
