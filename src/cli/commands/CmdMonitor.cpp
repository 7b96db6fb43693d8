// corvane-cli monitor: links to a module, streams the monitor block and prints the live values
// of each packet, as text or as the CSV of the monitor log.
#include <chrono>
#include <cstdio>
#include <iostream>
#include <string>

#include "cli/CliCommand.h"
#include "cli/CliPrompter.h"
#include "cli/commands/MonitorCliSupport.h"
#include "comms/MonitorColumns.h"
#include "comms/MonitorLog.h"
#include "model/AppState.h"
#include "monitor/CCorvaneMonitorDoc.h"
#include "monitor/CMonitorModel.h"

namespace corvane::cli {
namespace {

// The EGO sensor table's conversion, as the monitor view loads it; empty (after the system's
// message) when the table is missing.
EgoAfrLookup LoadEgoAfr(const Args& args, std::ostream& err) {
    AppState app;
    CCorvaneMonitorDoc doc;
    CMonitorModel monitor(doc, app, nullptr);
    CliPrompter prompter(err, std::cin, true);
    monitor.FirstShow(DataFolder(args), 0, &prompter);
    return monitor.Tracker().EgoAfrConversion();
}

int RunMonitor(const Args& args, std::ostream& out, std::ostream& err) {
    const long count = args.GetInt("count").value_or(10);
    if (count <= 0) throw UsageError{"--count must be positive"};
    const bool csv = args.Has("csv");
    const comms::MonitorColumns columns(LoadEgoAfr(args, err));
    OpenedComms opened = OpenModuleComms(args, ProductCodeOption(args));
    comms::ModuleComms& comms = *opened.comms;
    PacketQueue packets;
    comms.SetEventSink(&packets);
    if (!comms.DetectModule()) {
        err << "corvane-cli monitor: no module answers on " << *args.Get("port") << "\n";
        return kExitFailed;
    }
    comms.StartMonitoring(kMonitorBlockAddress, kMonitorBlockLength);

    if (csv) out << comms::MonitorLog::HeadingRow(columns) << "\n";
    int result = kExitOk;
    std::chrono::steady_clock::time_point first;
    for (long n = 1; n <= count; ++n) {
        auto packet = packets.Next(std::chrono::seconds(5));
        if (!packet) {
            err << "corvane-cli monitor: the monitor stream stopped after " << (n - 1) << " packets\n";
            result = kExitFailed;
            break;
        }
        const auto now = std::chrono::steady_clock::now();
        if (n == 1) first = now;
        if (csv) {
            out << comms::MonitorLog::Row(columns, std::chrono::duration<double>(now - first).count(), *packet) << "\n";
            continue;
        }
        out << "packet " << n << "\n";
        char text[96];
        for (const auto& c : columns.Columns()) {
            std::snprintf(text, sizeof text, "  %2d %-24s %12.2f %s", c.channel, c.name.c_str(), columns.Value(c, *packet),
                          c.units.c_str());
            out << text << "\n";
        }
    }
    comms.StopMonitoring();
    comms.SetEventSink(nullptr);
    comms.CloseLink();
    return result;
}

const bool kRegistered = Register({
    "monitor",
    "monitor --port PORT [--count N] [--csv] [--data-dir DIR] [--scenario TEXT] [--product-code N] [--baud N]",
    "Links to the module on PORT, starts the monitor stream and prints the live values of each\n"
    "of N packets (default 10): one block of lines per packet, or with --csv the rows of the\n"
    "monitor log (Time (s), every value under a heading that names its unit, Raw Block (hex)),\n"
    "which a replay plays back exactly. The two exhaust-oxygen sensors stream volts: with the\n"
    "EGO sensor table (read from --data-dir, default beside the program, else ./data) each is\n"
    "shown as the AFR the monitor view shows and as volts, without it as volts only. With\n"
    "--port sim, --scenario drives the simulated engine (e.g. \"hold rpm=2048 sites=8..48/4\n"
    "dwell=1.5\"). Exits 3 when no module answers or the stream stops.",
    {"csv"},
    RunMonitor,
});

}  // namespace
}  // namespace corvane::cli
