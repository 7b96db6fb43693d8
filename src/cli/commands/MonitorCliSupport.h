#pragma once

// What the monitor and autotune commands share: a comms library on a port (the simulated
// module optionally driven by a scenario) and a packet queue filled from its I/O thread.

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "cli/CliCommand.h"
#include "comms/ModuleComms.h"
#include "comms/SimTransport.h"
#include "comms/TransportFactory.h"

namespace corvane::cli {

// Monitor packets as the comms library's I/O thread delivers them, handed to the command's
// thread in order.
class PacketQueue : public CommsEvents {
public:
    void OnMonitorPacket(const std::vector<std::uint8_t>& packet) override {
        {
            std::lock_guard lock(m_mutex);
            m_packets.push_back(packet);
        }
        m_ready.notify_one();
    }
    void OnModuleConnectionFailure() override {
        {
            std::lock_guard lock(m_mutex);
            m_failed = true;
        }
        m_ready.notify_one();
    }
    // The next packet, or nullopt after `timeout` or a connection failure.
    std::optional<std::vector<std::uint8_t>> Next(std::chrono::milliseconds timeout) {
        std::unique_lock lock(m_mutex);
        if (!m_ready.wait_for(lock, timeout, [this] { return !m_packets.empty() || m_failed; })) return std::nullopt;
        if (m_packets.empty()) return std::nullopt;
        auto packet = std::move(m_packets.front());
        m_packets.pop_front();
        return packet;
    }
    void Clear() {
        std::lock_guard lock(m_mutex);
        m_packets.clear();
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_ready;
    std::deque<std::vector<std::uint8_t>> m_packets;
    bool m_failed = false;
};

// A comms library on --port. For the simulated module, `sim` is set to its transport so that
// the command can drive the emulated engine (scenario, lean rows).
struct OpenedComms {
    std::unique_ptr<comms::ModuleComms> comms;
    comms::SimTransport* sim = nullptr;
};

inline OpenedComms OpenCommsOnPort(const Args& args) {
    const auto port = args.Get("port");
    if (!port || port->empty()) throw UsageError{"--port is required (sim, \"Com n\" or a device path)"};
    comms::TransportOptions transport;
    if (auto baud = args.GetInt("baud")) {
        if (*baud <= 0) throw UsageError{"--baud must be positive"};
        transport.baud = static_cast<int>(*baud);
    }
    if (auto pattern = args.Get("device-pattern")) transport.serialDevicePattern = *pattern;
    OpenedComms opened;
    if (*port == comms::kSimulatedPortName) {
        transport.simModule.productCode = ProductCodeOption(args);
        auto sim = std::make_unique<comms::SimTransport>(transport.simModule, transport.simFaults, transport.simSeed);
        opened.sim = sim.get();
        opened.comms = std::make_unique<comms::ModuleComms>(std::move(sim));
        if (auto scenario = args.Get("scenario")) {
            std::string error;
            const bool started = opened.sim->Peer().WithEmulator(
                [&](sim::ModuleEmulator& module) { return module.StartScenario(*scenario, &error); });
            if (!started) throw UsageError{"--scenario: " + error};
        }
    } else {
        if (args.Has("scenario")) throw UsageError{"--scenario needs --port sim"};
        opened.comms = std::make_unique<comms::ModuleComms>(comms::CommsOptions{}, transport);
    }
    opened.comms->SetPort(*port);
    return opened;
}

}  // namespace corvane::cli
