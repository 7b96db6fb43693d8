// Throughput of the comms library against the simulated module with the line paced at
// 115200 baud (10 bits a byte): the family-A map sweep read map by map, and the monitor stream.
//
// efficiency = wire time of the payload bytes at the line rate / measured time
// stream_ratio = monitor packets per second / the most the line carries with this framing
//
// The noise sweep: family-A READs (all maps and settings, through the link layer) on a line that
// damages, loses and prefixes with garbage the given number of bytes (frames for garbage) per
// 10,000, each way. completed = READs that finished with every map byte equal to the module's;
// rel_median / rel_max = READ time against the median of clean READs on the same rig. The count
// of READs per point is CORVANE_NOISE_READS (default 100).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include "comms/ModuleComms.h"
#include "documents/CCorvaneMapsDoc.h"
#include "link/CLinkController.h"
#include "link/CModuleTransfer.h"
#include "link/MapsDocumentLink.h"
#include "maps/CMapCatalogue.h"
#include "maps/CModuleMap.h"
#include "model/Prompter.h"
#include "model/SettingsStore.h"
#include "protocol/Frame.h"
#include "sim/ModuleEmulator.h"
#include "sim/SimTransport.h"
#include "sim/peer/PtyPeerHost.h"

using namespace corvane;
using namespace corvane::comms;

namespace {

constexpr int kBaud = 115200;
constexpr double kByteTime = 10.0 / kBaud;

// The family-A tuning maps, one block per map, in catalogue order: 194 maps, 18,624 bytes.
std::vector<Comms::MemoryBlock> FamilyAMaps() {
    std::vector<Comms::MemoryBlock> maps;
    for (const auto& name : CMapCatalogue::ForProductCode(1).basicClassNames)
        if (const MapDescription* d = CMapCatalogue::Find(name))
            maps.push_back({d->startAddress, static_cast<std::uint16_t>(d->numberOfPoints * d->bytesPerPoint)});
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

// Answers every question positively; a READ on a noisy line asks none.
class AgreeingPrompter : public SilentPrompter {
public:
    Answer Message(const std::string&, const std::string&, Icon, Buttons buttons) override {
        return buttons == Buttons::YesNo || buttons == Buttons::YesNoCancel ? Answer::Yes : Answer::Ok;
    }
};

// A family-A document linked to a module over the in-process transport or a pseudo-terminal.
struct ReadRig {
    explicit ReadRig(bool pty) {
        app.productCode = 1;
        sim::EmulatorOptions module;
        module.productCode = 1;
        sim::PeerFaults faults;
        faults.baud = kBaud;
        if (pty) {
#ifdef CORVANE_HAVE_QT_SERIAL
            emulator = std::make_unique<sim::ModuleEmulator>(module);
            peer = std::make_unique<sim::ModulePeer>(*emulator, kSeed);
            peer->SetFaults(faults);
            host = std::make_unique<sim::PtyPeerHost>(*peer);
            if (!host->Open()) return;
            host->Start();
            comms = std::make_unique<ModuleComms>(CommsOptions{}, TransportOptions{});
            comms->SetPort(host->DevicePath());
#else
            return;
#endif
        } else {
            auto transport = std::make_unique<sim::SimTransport>(module, faults, kSeed);
            peerView = &transport->Peer();
            comms = std::make_unique<ModuleComms>(std::move(transport), CommsOptions{});
        }
        if (peer) peerView = peer.get();
        link = std::make_unique<CLinkController>(*comms, app, prompter, store);
        if (pty) link->SelectPortByName(host ? host->DevicePath() : std::string{}, false);
        transfer = std::make_unique<CModuleTransfer>(*link);
        doc = std::make_unique<CCorvaneMapsDoc>(app, comms.get(), link.get(), &prompter);
        docLink = std::make_unique<MapsDocumentLink>(*doc);
    }
    ~ReadRig() {
        docLink.reset();
        doc.reset();
        transfer.reset();
        link.reset();
        comms.reset();
        if (host) host->Stop();
    }
    [[nodiscard]] bool Ready() const { return peerView != nullptr && comms != nullptr; }
    void SetNoise(double perTenThousand) {
        sim::PeerFaults faults = peerView->Faults();
        faults.corruptRate = faults.dropRate = faults.garbageRate = perTenThousand / 10000.0;
        peerView->SetFaults(faults);
    }
    bool EnsureLinked() {
        for (int i = 0; i < 5 && !app.moduleLinked; ++i) link->ToggleLink();
        return app.moduleLinked;
    }
    // One READ; true only when it finished and every map byte equals the module's.
    bool Read(double& seconds, bool& wrong) {
        wrong = false;
        if (!EnsureLinked()) return false;
        const auto start = std::chrono::steady_clock::now();
        const bool ok = transfer->ReadModuleMapsAndSettings(docLink.get(), FirstViewKind::kMaps);
        seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        if (!ok) return false;
        const auto memory = peerView->WithEmulator([](sim::ModuleEmulator& e) {
            auto m = e.Memory();
            return std::vector<std::uint8_t>(m.begin(), m.end());
        });
        for (int i = 0; i < doc->GetBasicMapCount(); ++i) {
            const CModuleMap* map = doc->GetMap(i);
            for (int a = 0; a < map->GetMapSizeBytes(); ++a)
                if (doc->ReadByte(static_cast<std::uint16_t>(map->GetStartAddress() + a)) !=
                    memory[map->GetStartAddress() + a])
                    wrong = true;
        }
        return !wrong;
    }

    static constexpr std::uint64_t kSeed = 20261206;
    AppState app;
    AgreeingPrompter prompter;
    MemorySettingsStore store;
    std::unique_ptr<sim::ModuleEmulator> emulator;
    std::unique_ptr<sim::ModulePeer> peer;
    std::unique_ptr<sim::PtyPeerHost> host;
    sim::ModulePeer* peerView = nullptr;
    std::unique_ptr<ModuleComms> comms;
    std::unique_ptr<CLinkController> link;
    std::unique_ptr<CModuleTransfer> transfer;
    std::unique_ptr<CCorvaneMapsDoc> doc;
    std::unique_ptr<MapsDocumentLink> docLink;
};

double Median(std::vector<double> v) {
    if (v.empty()) return 0.0;
    std::sort(v.begin(), v.end());
    const std::size_t n = v.size();
    return n % 2 ? v[n / 2] : 0.5 * (v[n / 2 - 1] + v[n / 2]);
}

int NoiseReads() {
    const char* text = std::getenv("CORVANE_NOISE_READS");
    const int n = text ? std::atoi(text) : 100;
    return std::max(1, n);
}

// state.range(0): bytes damaged, lost and garbage frames per 10,000; state.range(1): 1 = pty.
void BM_NoiseSweepRead(benchmark::State& state) {
    const double level = static_cast<double>(state.range(0));
    const bool pty = state.range(1) != 0;
    ReadRig rig(pty);
    if (!rig.Ready() || !rig.EnsureLinked()) {
        state.SkipWithError(pty ? "no pseudo-terminal or module not detected" : "module not detected");
        return;
    }
    const int reads = NoiseReads();
    int completed = 0, wrongReads = 0;
    std::vector<double> clean, times;
    for (auto _ : state) {
        rig.SetNoise(0.0);
        for (int i = 0; i < 3; ++i) {
            double s = 0.0;
            bool wrong = false;
            if (rig.Read(s, wrong)) clean.push_back(s);
        }
        rig.SetNoise(level);
        const auto before = rig.comms->GetStats();
        const bool verbose = std::getenv("CORVANE_NOISE_VERBOSE") != nullptr;
        for (int i = 0; i < reads; ++i) {
            double s = 0.0;
            bool wrong = false;
            const auto s0 = rig.comms->GetStats();
            const bool ok = rig.Read(s, wrong);
            if (ok) {
                ++completed;
                times.push_back(s);
            }
            wrongReads += wrong;
            if (verbose) {
                const auto s1 = rig.comms->GetStats();
                std::printf("  READ %3d: %s %.3f s, %llu sent, %llu repeats (%llu at once), %llu timeouts, %llu repaired "
                            "(%llu checks), frames %d/%d\n", i,
                            ok ? "ok" : "FAILED", s, static_cast<unsigned long long>(s1.requestsSent - s0.requestsSent),
                            static_cast<unsigned long long>(s1.repeats - s0.repeats),
                            static_cast<unsigned long long>(s1.earlyRepeats - s0.earlyRepeats),
                            static_cast<unsigned long long>(s1.timeouts - s0.timeouts),
                            static_cast<unsigned long long>(s1.repairedAnswers - s0.repairedAnswers),
                            static_cast<unsigned long long>(s1.repairChecks - s0.repairChecks), rig.comms->ReadFrameData(),
                            rig.comms->WriteFrameData());
            }
        }
        const auto after = rig.comms->GetStats();
        rig.SetNoise(0.0);
        state.counters["repeats"] = static_cast<double>(after.repeats - before.repeats) / reads;
        state.counters["timeouts"] = static_cast<double>(after.timeouts - before.timeouts) / reads;
        state.counters["damaged"] = static_cast<double>(after.badCrcAnswers - before.badCrcAnswers) / reads;
        state.counters["repaired"] = static_cast<double>(after.repairedAnswers - before.repairedAnswers) / reads;
    }
    const double cleanMedian = Median(clean);
    const double median = Median(times);
    const double worst = times.empty() ? 0.0 : *std::max_element(times.begin(), times.end());
    const auto within = std::count_if(times.begin(), times.end(), [&](double t) { return t <= 1.3 * cleanMedian; });
    state.counters["within_1_3"] = static_cast<double>(within);
    state.counters["reads"] = reads;
    state.counters["completed"] = completed;
    state.counters["wrong"] = wrongReads;
    state.counters["clean_s"] = cleanMedian;
    state.counters["median_s"] = median;
    state.counters["rel_median"] = cleanMedian > 0 ? median / cleanMedian : 0.0;
    state.counters["rel_max"] = cleanMedian > 0 ? worst / cleanMedian : 0.0;
    std::printf("noise %2.0f/10000 %-10s: %d of %d READs complete (%d wrong), %d within 1.3 x, median %.2f s = %.2f x "
                "clean %.2f s, slowest %.2f x\n",
                level, pty ? "pty" : "in-process", completed, reads, wrongReads, static_cast<int>(within), median,
                state.counters["rel_median"].value, cleanMedian, state.counters["rel_max"].value);
    std::fflush(stdout);
}

// Flash writes as the firmware upgrade makes them (512-byte blocks, 32 KiB) on a line with
// state.range(0) bad bytes per 10,000, with frame sizes that follow the measured error rate
// (state.range(1) = 1) or always the largest the module takes.
void BM_NoisyFlash(benchmark::State& state) {
    sim::PeerFaults faults;
    faults.baud = kBaud;
    faults.corruptRate = faults.dropRate = faults.garbageRate = static_cast<double>(state.range(0)) / 10000.0;
    CommsOptions options;
    options.adaptFrameSize = state.range(1) != 0;
    auto transport = std::make_unique<sim::SimTransport>(sim::EmulatorOptions{}, faults, 7);
    sim::ModulePeer& peer = transport->Peer();
    peer.WithEmulator([](sim::ModuleEmulator& e) {
        e.Poke(sim::kUpgradeMarkerAddress, sim::kUpgradeMarkerOn);
        return 0;
    });
    peer.PowerCycle();  // the upgrade loader takes flash writes
    ModuleComms comms(std::move(transport), options);
    bool linked = false;
    for (int i = 0; i < 5 && !linked; ++i) linked = comms.DetectModule();
    if (!linked) {
        state.SkipWithError("module not detected");
        return;
    }
    comms.SetCommunicationTimeoutMode(1);
    std::vector<std::uint8_t> block(512);
    constexpr std::uint32_t kFrom = 0x4000, kTo = 0xC000;
    double seconds = 0.0;
    int failed = 0;
    for (auto _ : state) {
        const auto t0 = std::chrono::steady_clock::now();
        for (std::uint32_t at = kFrom; at < kTo; at += 512) {
            for (std::size_t i = 0; i < block.size(); ++i) block[i] = static_cast<std::uint8_t>(at + i * 7);
            failed += !comms.WriteFlashBlock(at, block.data(), 512);
        }
        seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    }
    const double perRun = seconds / static_cast<double>(state.iterations());
    state.counters["seconds"] = perRun;
    state.counters["efficiency"] = static_cast<double>(kTo - kFrom) * kByteTime / perRun;
    state.counters["failed_blocks"] = failed;
    state.counters["frame_data"] = comms.WriteFrameData();
    state.counters["executed_twice"] = static_cast<double>(peer.GetStats().repeatsExecuted);
    const auto stats = comms.GetStats();
    state.counters["sent"] = static_cast<double>(stats.requestsSent);
    state.counters["repeats"] = static_cast<double>(stats.repeats);
    state.counters["at_once"] = static_cast<double>(stats.earlyRepeats);
    state.counters["timeouts"] = static_cast<double>(stats.timeouts);
}

// 1,000 reads of 1,024 bytes at 0x8000 on the unpaced in-process line with state.range(0) bytes
// per 10,000 bad (half lost, half damaged), with the library's own timings; frames of 1 KiB
// (state.range(1) = 0) or sized by the measured error rate. failed = reads that gave up.
void BM_KiBReads(benchmark::State& state) {
    sim::PeerFaults faults;
    faults.dropRate = faults.corruptRate = static_cast<double>(state.range(0)) / 20000.0;
    CommsOptions options;
    options.adaptFrameSize = state.range(1) != 0;
    options.heartbeatInterval = std::chrono::milliseconds(0);
    options.reconnectAttempts = 1000000;  // keep the link: this counts reads
    ModuleComms comms(std::make_unique<sim::SimTransport>(sim::EmulatorOptions{}, faults, 3), options);
    bool linked = false;
    for (int i = 0; i < 20 && !linked; ++i) linked = comms.DetectModule();
    if (!linked) {
        state.SkipWithError("module not detected");
        return;
    }
    int failed = 0;
    for (auto _ : state)
        for (int i = 0; i < 1000; ++i) failed += !comms.ReadModuleMemoryBlock(0x8000, 1024);
    state.counters["failed"] = failed;
    state.counters["frame_data"] = comms.ReadFrameData();
}

}  // namespace

BENCHMARK(BM_MapSweepPipelined)->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_MapSweepPipelinedUsbLatency)->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_MapSweepOneMapPerCall)->Iterations(2)->Unit(benchmark::kMillisecond)->UseRealTime();
#ifdef CORVANE_HAVE_QT_SERIAL
BENCHMARK(BM_MapSweepSerialPty)->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime();
#endif
BENCHMARK(BM_MonitorStream)->Iterations(2)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_KiBReads)->ArgsProduct({{1, 2, 5, 10, 20}, {0, 1}})->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();
BENCHMARK(BM_NoisyFlash)->ArgsProduct({{0, 10}, {0, 1}})->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();
BENCHMARK(BM_NoiseSweepRead)
    ->ArgsProduct({{0, 2, 5, 10, 20}, {0}})
    ->Iterations(1)
    ->Unit(benchmark::kSecond)
    ->UseRealTime();
#ifdef CORVANE_HAVE_QT_SERIAL
BENCHMARK(BM_NoiseSweepRead)
    ->ArgsProduct({{0, 2, 5, 10, 20}, {1}})
    ->Iterations(1)
    ->Unit(benchmark::kSecond)
    ->UseRealTime();
#endif

BENCHMARK_MAIN();
