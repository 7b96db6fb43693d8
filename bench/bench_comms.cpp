// Throughput of the comms library against the simulated module with the line paced at
// 115200 baud (10 bits a byte): the family-A map sweep read map by map, and the monitor stream.
//
// efficiency = wire time of the payload bytes at the line rate / measured time
// stream_ratio = monitor packets per second / the most the line carries with this framing
#include <benchmark/benchmark.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "comms/ModuleComms.h"
#include "sim/SimTransport.h"
#include "protocol/Frame.h"
#include "sim/peer/PtyPeerHost.h"

using namespace corvane;
using namespace corvane::comms;

namespace {

constexpr int kBaud = 115200;
constexpr double kByteTime = 10.0 / kBaud;

// The family-A tuning maps as a READ visits them, one block per map: 18,624 bytes.
std::vector<Comms::MemoryBlock> FamilyAMaps() {
    std::vector<Comms::MemoryBlock> maps;
    auto run = [&](std::uint16_t start, int count, std::uint16_t length, std::uint16_t stride) {
        for (int k = 0; k < count; ++k) maps.push_back({static_cast<std::uint16_t>(start + k * stride), length});
    };
    run(0x8000, 32, 128, 0x80);   // fuel flow vs throttle, one per 256 rpm row
    run(0x9000, 1, 128, 0x80);    // cranking fuel
    run(0x9080, 30, 64, 0x40);    // single correction curves
    run(0x9800, 32, 64, 0x40);    // ignition rows
    run(0xA000, 6, 64, 0x40);     // ignition corrections, fuel pump
    run(0xA200, 32, 64, 0x40);    // rear cylinder trims
    run(0xC000, 14, 128, 0x80);   // head temperature sensor table
    run(0xC700, 1, 64, 0x40);
    run(0xC800, 16, 128, 0x80);   // air temperature sensor table
    run(0xD000, 16, 128, 0x80);   // adjusted throttle sensor table
    run(0xD800, 16, 128, 0x80);   // throttle percent table
    return maps;
}

std::size_t TotalBytes(const std::vector<Comms::MemoryBlock>& maps) {
    std::size_t n = 0;
    for (const auto& m : maps) n += m.length;
    return n;
}

std::unique_ptr<ModuleComms> Linked(double latencySeconds = 0.0, double monitorRate = 20.0) {
    sim::PeerFaults faults;
    faults.baud = kBaud;
    faults.latencySeconds = latencySeconds;
    sim::EmulatorOptions module;
    module.monitorRateHz = monitorRate;
    auto comms = std::make_unique<ModuleComms>(std::make_unique<sim::SimTransport>(module, faults), CommsOptions{});
    if (!comms->DetectModule()) return nullptr;
    return comms;
}

void Sweep(benchmark::State& state, double latency, bool pipelined) {
    auto comms = Linked(latency);
    if (!comms) {
        state.SkipWithError("module not detected");
        return;
    }
    const auto maps = FamilyAMaps();
    const std::size_t bytes = TotalBytes(maps);
    double seconds = 0.0;
    for (auto _ : state) {
        const auto t0 = std::chrono::steady_clock::now();
        bool ok = true;
        if (pipelined) {
            std::vector<std::vector<std::uint8_t>> out;
            ok = comms->ReadModuleMemoryBlocks(maps, out);
        } else {
            for (const auto& m : maps) ok = ok && comms->ReadModuleMemoryBlock(m.address, m.length);
        }
        seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        if (!ok) state.SkipWithError("read failed");
    }
    const double perSweep = seconds / static_cast<double>(state.iterations());
    state.counters["bytes"] = static_cast<double>(bytes);
    state.counters["maps"] = static_cast<double>(maps.size());
    state.counters["sweep_s"] = perSweep;
    state.counters["wire_s"] = static_cast<double>(bytes) * kByteTime;
    state.counters["efficiency"] = static_cast<double>(bytes) * kByteTime / perSweep;
}

void BM_MapSweepPipelined(benchmark::State& state) { Sweep(state, 0.0, true); }
void BM_MapSweepPipelinedUsbLatency(benchmark::State& state) { Sweep(state, 0.016, true); }
void BM_MapSweepOneMapPerCall(benchmark::State& state) { Sweep(state, 0.0, false); }

#ifdef CORVANE_HAVE_QT_SERIAL
// The same sweep through a real pseudo-terminal and the Qt serial port transport.
void BM_MapSweepSerialPty(benchmark::State& state) {
    sim::ModuleEmulator emulator;
    sim::ModulePeer peer(emulator, 1);
    sim::PeerFaults faults;
    faults.baud = kBaud;
    peer.SetFaults(faults);
    sim::PtyPeerHost host(peer);
    if (!host.Open()) {
        state.SkipWithError("no pseudo-terminal");
        return;
    }
    host.Start();
    ModuleComms comms(CommsOptions{}, TransportOptions{});
    comms.SetPort(host.DevicePath());
    if (!comms.DetectModule()) {
        state.SkipWithError("module not detected");
        return;
    }
    const auto maps = FamilyAMaps();
    const std::size_t bytes = TotalBytes(maps);
    double seconds = 0.0;
    for (auto _ : state) {
        const auto t0 = std::chrono::steady_clock::now();
        std::vector<std::vector<std::uint8_t>> out;
        if (!comms.ReadModuleMemoryBlocks(maps, out)) state.SkipWithError("read failed");
        seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    }
    comms.CloseLink();
    const double perSweep = seconds / static_cast<double>(state.iterations());
    state.counters["sweep_s"] = perSweep;
    state.counters["efficiency"] = static_cast<double>(bytes) * kByteTime / perSweep;
}
#endif

class CountingEvents : public CommsEvents {
public:
    void OnMonitorPacket(const std::vector<std::uint8_t>&) override { ++packets; }
    std::atomic<std::uint64_t> packets{0};
};

// The module is asked for far more packets than the line carries, so it sends back to back.
void BM_MonitorStream(benchmark::State& state) {
    auto comms = Linked(0.0, 1000.0);
    if (!comms) {
        state.SkipWithError("module not detected");
        return;
    }
    CountingEvents events;
    comms->SetEventSink(&events);
    comms->StartMonitoring(kMonitorBlockAddress, kMonitorBlockLength);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    double rate = 0.0;
    for (auto _ : state) {
        const auto n0 = events.packets.load();
        const auto t0 = std::chrono::steady_clock::now();
        std::this_thread::sleep_for(std::chrono::seconds(2));
        const double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        rate += static_cast<double>(events.packets.load() - n0) / s;
    }
    comms->StopMonitoring();
    rate /= static_cast<double>(state.iterations());
    const double wireMax = 1.0 / (static_cast<double>(protocol::EncodedSize(kMonitorBlockLength)) * kByteTime);
    state.counters["packets_per_s"] = rate;
    state.counters["wire_max_per_s"] = wireMax;
    state.counters["stream_ratio"] = rate / wireMax;
    state.counters["missed"] = static_cast<double>(comms->GetStats().missedMonitorPackets);
}

}  // namespace

BENCHMARK(BM_MapSweepPipelined)->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_MapSweepPipelinedUsbLatency)->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_MapSweepOneMapPerCall)->Iterations(2)->Unit(benchmark::kMillisecond)->UseRealTime();
#ifdef CORVANE_HAVE_QT_SERIAL
BENCHMARK(BM_MapSweepSerialPty)->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime();
#endif
BENCHMARK(BM_MonitorStream)->Iterations(2)->Unit(benchmark::kMillisecond)->UseRealTime();

BENCHMARK_MAIN();
