#pragma once

#include <memory>

#include "comms/PipeTransport.h"
#include "sim/ModuleEmulator.h"
#include "sim/peer/BytePipe.h"
#include "sim/peer/ModulePeer.h"
#include "sim/peer/PeerRunner.h"

namespace corvane::comms {

// The "Simulated Module" port: an emulated module in this process, speaking the wire protocol
// over an in-memory pipe from its own thread. The module keeps running (and keeps its memory)
// while the port is closed, like a module on the bench.
class SimTransport : public Transport {
public:
    explicit SimTransport(const sim::EmulatorOptions& module = {}, const sim::PeerFaults& faults = {},
                          std::uint64_t seed = 1);
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
    [[nodiscard]] std::string Name() const override { return "sim"; }

    [[nodiscard]] sim::ModulePeer& Peer() { return *m_peer; }
    // Unplugging the USB adapter: the port itself fails until it is plugged in again.
    void SetPortBroken(bool broken) { m_pipe.SetBroken(broken); }

private:
    std::unique_ptr<sim::ModuleEmulator> m_emulator;
    std::unique_ptr<sim::ModulePeer> m_peer;
    sim::BytePipe m_pipe;
    PipeTransport m_host;
    std::unique_ptr<sim::PeerRunner> m_runner;
};

}  // namespace corvane::comms
