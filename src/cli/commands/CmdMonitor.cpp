// corvane-cli monitor: links to a module, streams the monitor block and prints the 45 live
// values of each packet.
#include <chrono>
#include <cstdio>
#include <string>

#include "cli/CliCommand.h"
#include "cli/commands/MonitorCliSupport.h"
#include "monitor/CCorvaneMonitorDoc.h"

namespace corvane::cli {
namespace {

std::string CsvField(const std::string& text) {
    if (text.find_first_of(",\"") == std::string::npos) return text;
    std::string quoted = "\"";
    for (char c : text) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
    return quoted + "\"";
}

int RunMonitor(const Args& args, std::ostream& out, std::ostream& err) {
    const long count = args.GetInt("count").value_or(10);
    if (count <= 0) throw UsageError{"--count must be positive"};
    const bool csv = args.Has("csv");
    OpenedComms opened = OpenModuleComms(args, ProductCodeOption(args));
    comms::ModuleComms& comms = *opened.comms;
    PacketQueue packets;
    comms.SetEventSink(&packets);
    if (!comms.DetectModule()) {
        err << "corvane-cli monitor: no module answers on " << *args.Get("port") << "\n";
        return kExitFailed;
    }
    comms.StartMonitoring(kMonitorBlockAddress, kMonitorBlockLength);

    CCorvaneMonitorDoc doc;
    if (csv) {
        out << "packet";
        for (int i = 0; i < doc.GetValueCount(); ++i) {
            const std::string units = doc.GetValueUnits(i);
            out << "," << CsvField(doc.GetValueName(i) + (units.empty() ? "" : " (" + units + ")"));
        }
        out << "\n";
    }
    int result = kExitOk;
    for (long n = 1; n <= count; ++n) {
        auto packet = packets.Next(std::chrono::seconds(5));
        if (!packet) {
            err << "corvane-cli monitor: the monitor stream stopped after " << (n - 1) << " packets\n";
            result = kExitFailed;
            break;
        }
        doc.DecodeMonitorBlock(*packet);
        char text[64];
        if (csv) {
            out << n;
            for (int i = 0; i < doc.GetValueCount(); ++i) {
                std::snprintf(text, sizeof text, "%.4f", doc.GetValueDisplay(i));
                out << "," << text;
            }
            out << "\n";
        } else {
            out << "packet " << n << "\n";
            for (int i = 0; i < doc.GetValueCount(); ++i) {
                std::snprintf(text, sizeof text, "  %2d %-24s %12.2f %s", i, doc.GetValueName(i).c_str(),
                              doc.GetValueDisplay(i), doc.GetValueUnits(i).c_str());
                out << text << "\n";
            }
        }
    }
    comms.StopMonitoring();
    comms.SetEventSink(nullptr);
    comms.CloseLink();
    return result;
}

const bool kRegistered = Register({
    "monitor",
    "monitor --port PORT [--count N] [--csv] [--scenario TEXT] [--product-code N] [--baud N]",
    "Links to the module on PORT, starts the monitor stream and prints the 45 live values of\n"
    "each of N packets (default 10): one block of lines per packet, or with --csv one row per\n"
    "packet under a header row of value names and units. With --port sim, --scenario drives the\n"
    "simulated engine (e.g. \"hold rpm=2048 sites=8..48/4 dwell=1.5\"). Exits 3 when no module\n"
    "answers or the stream stops.",
    {"csv"},
    RunMonitor,
});

}  // namespace
}  // namespace corvane::cli
