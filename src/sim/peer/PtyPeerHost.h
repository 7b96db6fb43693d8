#pragma once

#include <atomic>
#include <string>
#include <thread>

#include "sim/peer/ModulePeer.h"

namespace corvane::sim {

// Puts a module peer on a pseudo-terminal, so that any serial-port program can open the
// terminal's device path and talk to the emulated module. POSIX only.
class PtyPeerHost {
public:
    explicit PtyPeerHost(ModulePeer& peer);
    ~PtyPeerHost();
    PtyPeerHost(const PtyPeerHost&) = delete;
    PtyPeerHost& operator=(const PtyPeerHost&) = delete;

    // Creates the terminal; false (reason in *error) when the system has none to give.
    [[nodiscard]] bool Open(std::string* error = nullptr);
    // The device path a serial port program opens, e.g. /dev/pts/7.
    [[nodiscard]] const std::string& DevicePath() const { return m_devicePath; }
    // Serves the terminal from a thread of its own until Stop.
    void Start();
    void Stop();

private:
    void Run();

    ModulePeer& m_peer;
    int m_master = -1;
    int m_slaveKeeper = -1;  // keeps the terminal alive (and raw) while no program has it open
    std::string m_devicePath;
    std::atomic<bool> m_running{false};
    std::thread m_thread;
};

}  // namespace corvane::sim
