// READ and WRITE of a family-A module over the emulated module paced at 115200 baud.
// efficiency = line time of the payload bytes (10 bits a byte) / measured time of the transfer.
// BM_WriteGuarded: the same WRITE with the module backup before it and the read-back after it,
// each on or off, so that the time each adds shows against the plain WRITE.
#include <benchmark/benchmark.h>

#include <chrono>
#include <filesystem>

#include "comms/ModuleComms.h"
#include "sim/SimTransport.h"
#include "documents/CCorvaneMapsDoc.h"
#include "link/CLinkController.h"
#include "link/CModuleBackup.h"
#include "link/CModuleTransfer.h"
#include "link/ModuleBackups.h"
#include "link/MapsDocumentLink.h"
#include "maps/CModuleMap.h"
#include "model/Prompter.h"
#include "model/SettingsStore.h"

namespace {

using namespace corvane;

constexpr int kBaud = 115200;

// Answers every question positively (OK or Yes, whichever the box offers).
class AgreeingPrompter : public SilentPrompter {
public:
    Answer Message(const std::string&, const std::string&, Icon, Buttons buttons) override {
        return buttons == Buttons::YesNo || buttons == Buttons::YesNoCancel ? Answer::Yes : Answer::Ok;
    }
};

struct Bench {
    Bench() {
        app.productCode = 1;
        sim::PeerFaults faults;
        faults.baud = kBaud;
        sim::EmulatorOptions module;
        module.productCode = 1;
        comms = std::make_unique<comms::ModuleComms>(std::make_unique<sim::SimTransport>(module, faults));
        link = std::make_unique<CLinkController>(*comms, app, prompter, store);
        transfer = std::make_unique<CModuleTransfer>(*link);
        doc = std::make_unique<CCorvaneMapsDoc>(app, comms.get(), link.get(), &prompter);
        docLink = std::make_unique<MapsDocumentLink>(*doc);
        link->ToggleLink();
    }
    ~Bench() {
        docLink.reset();
        doc.reset();
        transfer.reset();
        link.reset();
        comms.reset();
    }
    AppState app;
    AgreeingPrompter prompter;
    MemorySettingsStore store;
    std::unique_ptr<comms::ModuleComms> comms;
    std::unique_ptr<CLinkController> link;
    std::unique_ptr<CModuleTransfer> transfer;
    std::unique_ptr<CCorvaneMapsDoc> doc;
    std::unique_ptr<MapsDocumentLink> docLink;
};

double LineSeconds(std::size_t bytes) { return static_cast<double>(bytes) * 10.0 / kBaud; }

void BM_ReadFamilyA(benchmark::State& state) {
    Bench b;
    std::size_t payload = 0;
    for (int i = 0; i < b.doc->GetBasicMapCount(); ++i) payload += b.doc->GetMap(i)->GetMapSizeBytes();
    for (int k = 0; k < kBasicSettingCount; ++k)
        if (k != kIACStopOffset && k != kIdleRpm) payload += b.doc->GetSetting(k)->GetByteWidth();
    double seconds = 0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        if (!b.transfer->ReadModuleMapsAndSettings(b.docLink.get(), FirstViewKind::kMaps)) state.SkipWithError("READ failed");
        seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        state.SetIterationTime(seconds);
    }
    state.counters["payload_bytes"] = static_cast<double>(payload);
    state.counters["efficiency"] = LineSeconds(payload) / seconds;
}
BENCHMARK(BM_ReadFamilyA)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);

void BM_WriteFamilyA(benchmark::State& state) {
    Bench b;
    const auto path = (std::filesystem::temp_directory_path() / "bench_link_write.crv").string();
    if (!b.doc->Save(path)) state.SkipWithError("cannot save");
    // 18 map chunks, the settings blocks written and the base map name blocks.
    const std::size_t payload = 18 * 512 + 7 * 4 + 4 * 4;
    double seconds = 0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        if (!b.transfer->WriteModuleMapsAndSettings(b.docLink.get())) state.SkipWithError("WRITE failed");
        seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        state.SetIterationTime(seconds);
    }
    std::filesystem::remove(path);
    state.counters["payload_bytes"] = static_cast<double>(payload);
    state.counters["efficiency"] = LineSeconds(payload) / seconds;
}
BENCHMARK(BM_WriteFamilyA)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);

void BM_WriteGuarded(benchmark::State& state) {
    const bool backup = state.range(0) != 0;
    const bool verify = state.range(1) != 0;
    Bench b;
    const auto folder = std::filesystem::temp_directory_path() / "bench_link_backups";
    std::filesystem::remove_all(folder);
    ModuleBackups files(folder.string());
    CModuleBackup guard(*b.link, files);
    if (backup) b.transfer->SetBackup(&guard);
    b.transfer->SetVerifyAfterWrite(verify);
    const auto path = (std::filesystem::temp_directory_path() / "bench_link_guarded.crv").string();
    if (!b.doc->Save(path)) state.SkipWithError("cannot save");
    double seconds = 0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        if (!b.transfer->WriteModuleMapsAndSettings(b.docLink.get())) state.SkipWithError("WRITE failed");
        seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        state.SetIterationTime(seconds);
        if (backup && !b.transfer->LastWriteReport().backedUp) state.SkipWithError("no backup made");
        if (verify && !b.transfer->LastWriteReport().verify.Verified()) state.SkipWithError("not verified");
    }
    std::filesystem::remove(path);
    std::filesystem::remove_all(folder);
}
BENCHMARK(BM_WriteGuarded)
    ->ArgNames({"backup", "verify"})
    ->Args({0, 0})
    ->Args({1, 0})
    ->Args({0, 1})
    ->Args({1, 1})
    ->UseManualTime()
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
