// corvane-cli autotune: READs a linked module, shows one fuel row, runs AutoTune on the
// monitor stream for a while, applies the collected corrections to the row and its rear trim
// row, prints every corrected site and what changed, WRITEs and saves. A run that collects
// nothing says why (wrong engine speed, throttle never held) and fails.
#include <algorithm>
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
#include "monitor/AutoTuneRunReport.h"
#include "monitor/CAutoTuneCollector.h"
#include "monitor/CCorvaneMonitorDoc.h"
#include "monitor/CMonitorModel.h"
#include "monitor/ModuleMapTarget.h"
#include "sim/RowLean.h"

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
        sim::MakeRowLean(module, fuel.GetStartAddress(), fuel.GetNumberOfPoints(), percent);
        return 0;
    });
}

constexpr int kRowSpacingRpm = 256;
constexpr int kLastRowRpm = 7936;

// The fuel row's class for its speed: the row of Stoichiometric<n>Map runs at n - 256 rpm.
std::string FuelRowClassForSpeed(long rpm) { return "Stoichiometric" + std::to_string(rpm + kRowSpacingRpm) + "Map"; }

// The fuel row to tune, from --map CLASS or --row RPM.
std::string FuelRowClass(const Args& args) {
    const auto map = args.Get("map");
    if (map && args.Has("row")) throw UsageError{"give --map or --row, not both"};
    if (const auto row = args.GetInt("row")) {
        if (*row < 0 || *row > kLastRowRpm || *row % kRowSpacingRpm != 0) {
            const long nearest = std::clamp((*row + kRowSpacingRpm / 2) / kRowSpacingRpm * kRowSpacingRpm, 0L,
                                            static_cast<long>(kLastRowRpm));
            throw UsageError{"no fuel row runs at " + std::to_string(*row) + " rpm: the rows are 256 rpm apart, 0 ... " +
                             std::to_string(kLastRowRpm) + " rpm (nearest: --row " + std::to_string(nearest) + ")"};
        }
        return FuelRowClassForSpeed(*row);
    }
    if (!map || !IsFuelMapClass(*map))
        throw UsageError{"--map must name a fuel row, Stoichiometric<n>Map (n = 256 ... 8192), or --row give its speed"};
    return *map;
}

int RunAutotune(const Args& args, std::ostream& out, std::ostream& err) {
    const std::string rowClass = FuelRowClass(args);
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

    const int fuelIndex = doc.FindMap(rowClass);
    const int rearIndex = doc.FindMap(FuelRowPartnerClass(rowClass));
    if (fuelIndex < 0) {
        err << "corvane-cli autotune: this product has no map " << rowClass << "\n";
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
    AutoTuneRunReport report(fuel.GetRowKey());
    report.Attach(monitor.Tracker());
    {
        const auto centre = CAutoTuneTracker::EngineWindowCentre(
            fuel.GetRowKey(), monitor.Items()[static_cast<std::size_t>(kEngineSpeedIndex)].EffectiveScale());
        char line[200];
        std::snprintf(line, sizeof line, "AutoTune on %s (%s) for %g s: corrections come while the engine holds %lld +/- %g rpm\n",
                      rowClass.c_str(), fuel.GetTitle().c_str(), seconds, static_cast<long long>(centre),
                      CAutoTuneTracker::kEngineHalfWidth);
        out << line << std::flush;
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
        report.Observe(monitor.Items());
        while (!messages.queue.empty()) {
            const auto posted = messages.queue.front();
            messages.queue.pop_front();
            collector.Handle(posted.message, posted.wParam, posted.lParam);
        }
    }
    if (collector.Records().empty()) {
        collector.ToggleAutoTune();  // off: nothing to apply
        comms.SetEventSink(nullptr);
        out << received << " packets, no correction collected on " << rowClass << "\n";
        err << "corvane-cli autotune: no correction collected on " << rowClass << " (" << fuel.GetTitle() << ")\n";
        for (const auto& line : report.NoCorrectionLines()) err << "  " << line << "\n";
        // The speed the engine did run at may be another row's.
        const std::int64_t seen = report.MostlyShownRpm();
        const std::int64_t nearest = (seen + kRowSpacingRpm / 2) / kRowSpacingRpm * kRowSpacingRpm;
        if (report.PacketsInWindow() == 0 && seen > 0 && nearest <= kLastRowRpm && nearest != fuel.GetRowKey() &&
            std::abs(seen - nearest) <= static_cast<std::int64_t>(CAutoTuneTracker::kEngineHalfWidth))
            err << "  " << seen << " rpm is the row of " << FuelRowClassForSpeed(static_cast<long>(nearest))
                << ": --row " << nearest << "\n";
        err << "  Nothing was changed, written or saved.\n";
        comms.CloseLink();
        return kExitFailed;
    }
    CAutoTuneCollector::ApplyHooks hooks;
    hooks.ensureLinked = [&] {
        bool wasMonitoring = false;
        (void)link.EnsureLinked(wasMonitoring);
        return wasMonitoring;
    };
    hooks.setPacketQueueWriting = [&](bool writing) { comms.SetPacketQueueWriting(writing); };
    collector.ToggleAutoTune(hooks);  // off: apply
    comms.SetEventSink(nullptr);

    const auto corrected = report.CorrectionLines();
    out << received << " packets, " << corrected.size() << " sites corrected on " << rowClass << "\n";
    for (const auto& line : corrected) out << line << "\n";
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
    "autotune --port PORT (--map CLASS | --row RPM) [--seconds S] [--target AFR] [--no-write]\n"
    "         [-o OUT.crv] [--data-dir DIR] [--scenario TEXT] [--sim-lean PCT] [--product-code N]",
    "Links to the module on PORT, READs its maps and settings, shows a fuel row with its rear\n"
    "trim row, turns AutoTune on and collects corrections from the monitor stream for S seconds\n"
    "(default 20) against the target AFR (default 13.1), then turns AutoTune off, which applies\n"
    "them. The row is --map CLASS (Stoichiometric<n>Map) or --row RPM, its engine speed: the\n"
    "row of Stoichiometric<n>Map runs at n - 256 rpm (--row 2304 is Stoichiometric2560Map), and\n"
    "AutoTune corrects it only while the engine holds that speed +/- 64 rpm and one throttle\n"
    "site for 3 packets. Prints one line per corrected site (site, throttle, front and rear\n"
    "AFR, correction in %) and every point that changed. Edits go to the module as they are\n"
    "applied and, with -o, the document is saved and WRITTEN; with --no-write the module is left\n"
    "as it was. A run that collects no correction says why (the speed window, the speed the\n"
    "stream mostly showed, the throttle sites held), changes nothing and exits 3. The EGO sensor\n"
    "table is read from --data-dir (default: beside the program, else ./data). With --port sim\n"
    "the simulated engine holds the row's speed over throttle sites 8..56 unless --scenario says\n"
    "otherwise; --sim-lean makes the simulated module's row PCT % lean first.",
    {"no-write"},
    RunAutotune,
});

}  // namespace
}  // namespace corvane::cli
