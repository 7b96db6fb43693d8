// corvane-cli autotune: READs a linked module, shows one fuel row, runs AutoTune on the
// monitor stream for a while, applies the collected corrections to the row and its rear trim
// row, prints what changed, WRITEs and saves.
#include <chrono>
#include <cmath>
#include <cstdio>
#include <deque>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include "cli/CliCommand.h"
#include "cli/CliPrompter.h"
#include "cli/commands/MonitorCliSupport.h"
#include "documents/CCorvaneMapsDoc.h"
#include "link/CLinkController.h"
#include "link/CModuleTransfer.h"
#include "link/MapsDocumentLink.h"
#include "maps/CModuleMap.h"
#include "model/AppState.h"
#include "model/Prompter.h"
#include "model/SettingsStore.h"
#include "monitor/CAutoTuneCollector.h"
#include "monitor/CCorvaneMonitorDoc.h"
#include "monitor/CMonitorModel.h"
#include "monitor/ModuleMapTarget.h"

namespace corvane::cli {
namespace {

// Map edits reach the module only when writing is allowed (--no-write keeps the module as it was).
class PushGate : public LinkSeam {
public:
    PushGate(LinkSeam& inner, bool allow) : m_inner(inner), m_allow(allow) {}
    bool IsLinked() const override { return m_allow && m_inner.IsLinked(); }
    bool WriteBlock(std::uint16_t address, std::span<const std::uint8_t> bytes) override {
        return m_allow && m_inner.WriteBlock(address, bytes);
    }

private:
    LinkSeam& m_inner;
    bool m_allow;
};

class QueuedMessages : public MonitorEventSink {
public:
    void Post(MonitorMessage message, int wParam, int lParam) override { queue.push_back({message, wParam, lParam}); }
    struct Posted {
        MonitorMessage message;
        int wParam;
        int lParam;
    };
    std::deque<Posted> queue;
};

void MakeSimRowLean(sim::SimTransport& sim, const CModuleMap& fuel, double percent) {
    sim.Peer().WithEmulator([&](sim::ModuleEmulator& module) {
        for (int p = 0; p < fuel.GetNumberOfPoints(); ++p) {
            const auto address = static_cast<std::uint16_t>(fuel.GetStartAddress() + 2 * p);
            const int lean = static_cast<int>(std::lround(module.PeekWord(address) * (1.0 - percent / 100.0)));
            const std::vector<std::uint8_t> bytes{static_cast<std::uint8_t>(lean >> 8), static_cast<std::uint8_t>(lean)};
            module.Write(address, bytes);
        }
        return 0;
    });
}

int RunAutotune(const Args& args, std::ostream& out, std::ostream& err) {
    const auto mapClass = args.Get("map");
    if (!mapClass || !IsFuelMapClass(*mapClass))
        throw UsageError{"--map must name a fuel row, Stoichiometric<n>Map (n = 256 ... 8192)"};
    const double seconds = args.GetDouble("seconds").value_or(20.0);
    if (!(seconds > 0.0)) throw UsageError{"--seconds must be positive"};
    const double target = args.GetDouble("target").value_or(kDefaultTargetAfr);
    if (!(target > 0.0) || !std::isfinite(target)) throw UsageError{"--target must be a positive AFR"};
    const bool write = !args.Has("no-write");
    const auto output = args.Get("o");

    AppState app;
    app.productCode = ProductCodeOption(args);
    app.targetAfr = target;
    OpenedComms opened = OpenModuleComms(args, ProductCodeOption(args));
    comms::ModuleComms& comms = *opened.comms;
    // The command line asked for the operation: every question is answered yes.
    CliPrompter prompter(err, std::cin, true);
    MemorySettingsStore settings;
    CLinkController link(comms, app, prompter, settings);
    PushGate pushes(link, write);
    CCorvaneMapsDoc doc(app, &comms, &pushes, &prompter);
    MapsDocumentLink docLink(doc);

    const int fuelIndex = doc.FindMap(*mapClass);
    const int rearIndex = doc.FindMap(FuelRowPartnerClass(*mapClass));
    if (fuelIndex < 0) {
        err << "corvane-cli autotune: this product has no map " << *mapClass << "\n";
        return kExitRefused;
    }
    CModuleMap& fuel = *doc.GetMap(fuelIndex);
    CModuleMap* rear = rearIndex >= 0 ? doc.GetMap(rearIndex) : nullptr;
    app.targetEngineSpeed = fuel.GetRowKey();

    if (opened.simulated) {
        // The comms library makes the simulated module when it first links.
        if (!comms.DetectModule() || opened.Sim() == nullptr) {
            err << "corvane-cli autotune: the simulated module does not answer\n";
            return kExitFailed;
        }
        sim::SimTransport& simulated = *opened.Sim();
        if (auto lean = args.GetDouble("sim-lean")) MakeSimRowLean(simulated, fuel, *lean);
        if (!args.Has("scenario")) {
            const std::string hold = "hold rpm=" + std::to_string(fuel.GetRowKey()) + " sites=8..56/4 dwell=1.5";
            simulated.Peer().WithEmulator([&](sim::ModuleEmulator& m) { return m.StartScenario(hold); });
        }
    }

    CModuleTransfer transfer(link);
    if (!transfer.ReadModuleMapsAndSettings(&docLink, FirstViewKind::kMaps)) {
        err << "corvane-cli autotune: READ failed\n";
        comms.CloseLink();
        return kExitFailed;
    }

    CCorvaneMonitorDoc monitorDoc;
    QueuedMessages messages;
    CMonitorModel monitor(monitorDoc, app, &messages);
    monitor.FirstShow(DataFolder(args), 0, &prompter);
    if (!monitor.Tracker().IsEgoTableLoaded()) {
        err << "corvane-cli autotune: no EGO sensor table (give --data-dir with " << CEgoSensorTable::kFileName << ")\n";
        comms.CloseLink();
        return kExitRefused;
    }

    ModuleMapTarget fuelTarget(fuel);
    std::unique_ptr<ModuleMapTarget> rearTarget = rear ? std::make_unique<ModuleMapTarget>(*rear) : nullptr;
    CAutoTuneCollector collector(app);
    collector.ShowMap(&fuelTarget, rearTarget.get());
    std::vector<int> fuelBefore, rearBefore;
    for (int i = 0; i < fuel.GetNumberOfPoints(); ++i) fuelBefore.push_back(fuel.GetPointModuleValue(i));
    if (rear)
        for (int i = 0; i < rear->GetNumberOfPoints(); ++i) rearBefore.push_back(rear->GetPointModuleValue(i));

    PacketQueue packets;
    comms.SetEventSink(&packets);
    collector.ToggleAutoTune();  // on
    link.ToggleMonitoring();
    int received = 0;
    const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (std::chrono::steady_clock::now() < end) {
        auto packet = packets.Next(std::chrono::milliseconds(200));
        if (!packet) continue;
        ++received;
        monitor.OnMonitorBlock(*packet);
        while (!messages.queue.empty()) {
            const auto posted = messages.queue.front();
            messages.queue.pop_front();
            collector.Handle(posted.message, posted.wParam, posted.lParam);
        }
    }
    const std::size_t records = collector.Records().size();
    CAutoTuneCollector::ApplyHooks hooks;
    hooks.ensureLinked = [&] {
        bool wasMonitoring = false;
        (void)link.EnsureLinked(wasMonitoring);
        return wasMonitoring;
    };
    hooks.setPacketQueueWriting = [&](bool writing) { comms.SetPacketQueueWriting(writing); };
    collector.ToggleAutoTune(hooks);  // off: apply
    comms.SetEventSink(nullptr);

    out << received << " packets, " << records << " corrections collected on " << *mapClass << "\n";
    int changed = 0;
    char line[160];
    for (int i = 0; i < fuel.GetNumberOfPoints(); ++i) {
        const int after = fuel.GetPointModuleValue(i);
        if (after == fuelBefore[static_cast<std::size_t>(i)]) continue;
        ++changed;
        std::snprintf(line, sizeof line, "fuel point %2d (%.2f deg): %d -> %d (%+.1f %%)\n", i, fuel.GetPointX(i),
                      fuelBefore[static_cast<std::size_t>(i)], after,
                      fuelBefore[static_cast<std::size_t>(i)] ? 100.0 * (after - fuelBefore[static_cast<std::size_t>(i)]) /
                                                                    fuelBefore[static_cast<std::size_t>(i)]
                                                              : 0.0);
        out << line;
    }
    if (rear)
        for (int i = 0; i < rear->GetNumberOfPoints(); ++i) {
            const int after = rear->GetPointModuleValue(i);
            if (after == rearBefore[static_cast<std::size_t>(i)]) continue;
            ++changed;
            std::snprintf(line, sizeof line, "rear trim point %2d: %d -> %d\n", i, rearBefore[static_cast<std::size_t>(i)], after);
            out << line;
        }
    out << changed << " points changed\n";

    int result = kExitOk;
    if (output) {
        std::string error;
        if (!doc.Save(*output, &error)) {
            err << "corvane-cli autotune: cannot save " << *output << ": " << error << "\n";
            result = kExitFailed;
        }
    }
    if (write && result == kExitOk) {
        if (!output) {
            out << "edits were written to the module point by point; WRITE of the whole document needs -o\n";
        } else if (!transfer.WriteModuleMapsAndSettings(&docLink)) {
            err << "corvane-cli autotune: WRITE failed\n";
            result = kExitFailed;
        } else {
            out << "WRITE done\n";
            std::string error;
            if (!doc.Save(*output, &error)) result = kExitFailed;
        }
    }
    comms.CloseLink();
    return result;
}

const bool kRegistered = Register({
    "autotune",
    "autotune --port PORT --map CLASS [--seconds S] [--target AFR] [--no-write] [-o OUT.crv]\n"
    "         [--data-dir DIR] [--scenario TEXT] [--sim-lean PCT] [--product-code N]",
    "Links to the module on PORT, READs its maps and settings, shows the fuel row CLASS\n"
    "(Stoichiometric<n>Map) with its rear trim row, turns AutoTune on and collects corrections\n"
    "from the monitor stream for S seconds (default 20) against the target AFR (default 13.1),\n"
    "then turns AutoTune off, which applies them, and prints every point that changed. Edits go\n"
    "to the module as they are applied and, with -o, the document is saved and WRITTEN; with\n"
    "--no-write the module is left as it was. The EGO sensor table is read from --data-dir\n"
    "(default: beside the program, else ./data). With --port sim the simulated engine holds the\n"
    "row's speed over throttle sites 8..56 unless --scenario says otherwise; --sim-lean makes the\n"
    "simulated module's row PCT % lean first.",
    {"no-write"},
    RunAutotune,
});

}  // namespace
}  // namespace corvane::cli
