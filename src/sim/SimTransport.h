#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "comms/Transport.h"
#include "comms/TransportFactory.h"
#include "sim/ModuleEmulator.h"
#include "sim/peer/BytePipe.h"
#include "sim/peer/ModulePeer.h"
#include "sim/peer/PeerRunner.h"
#include "sim/peer/PipeTransport.h"

namespace corvane::sim {

// The "Simulated Module" port: an emulated module in this process, speaking the wire protocol
// over an in-memory pipe from its own thread, behind the comms library's transport interface.
// The module keeps running (and keeps its memory) while the port is closed, like a module on
// the bench.
class SimTransport : public comms::Transport {
public:
    explicit SimTransport(const EmulatorOptions& module = {}, const PeerFaults& faults = {}, std::uint64_t seed = 1);
    ~SimTransport() override;

    bool Open() override { return m_host.Open(); }
    void Close() override { m_host.Close(); }
    [[nodiscard]] bool IsOpen() const override { return m_host.IsOpen(); }
    bool Write(std::span<const std::uint8_t> bytes) override { return m_host.Write(bytes); }
    int Read(std::vector<std::uint8_t>& out, std::chrono::microseconds timeout) override {
        return m_host.Read(out, timeout);
    }
    void Wake() override { m_host.Wake(); }
    [[nodiscard]] bool Wakeable() const override { return true; }
    [[nodiscard]] int Baud() const override { return m_peer->Faults().baud; }
    [[nodiscard]] double Latency() const override { return m_peer->Faults().latencySeconds; }
    [[nodiscard]] std::string Name() const override { return comms::kSimulatedPortName; }

    [[nodiscard]] ModulePeer& Peer() { return *m_peer; }
    // Unplugging the USB adapter: the port itself fails until it is plugged in again.
    void SetPortBroken(bool broken) { m_pipe.SetBroken(broken); }

private:
    std::unique_ptr<ModuleEmulator> m_emulator;
    std::unique_ptr<ModulePeer> m_peer;
    BytePipe m_pipe;
    PipeTransport m_host;
    std::unique_ptr<PeerRunner> m_runner;
};

}  // namespace corvane::sim
