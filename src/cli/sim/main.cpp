// corvane-sim: the emulated module on a pseudo-terminal, for the application, corvane-cli or
// any serial terminal program. Prints the terminal's device path as the first line of its
// standard output; commands on standard input change faults and power while it runs.
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <iostream>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "cli/sim/RideLogRun.h"
#include "sim/ModuleEmulator.h"
#include "sim/SimEngineOptions.h"
#include "sim/peer/ModulePeer.h"
#include "platform/ProgramArguments.h"
#include "sim/peer/PtyPeerHost.h"

using namespace corvane;

namespace {

std::atomic<bool> g_quit{false};
void OnSignal(int) { g_quit = true; }

const char* kUsage =
    "usage: corvane-sim --pty [options]\n"
    "       corvane-sim --log-ride OUT.csv --scenario TEXT [--tune IN.crv] [--seed N] [--rate HZ]\n"
    "                   [--data-dir DIR] [engine options]\n"
    "\n"
    "Runs the emulated engine control module on a pseudo-terminal and prints its device path.\n"
    "With --log-ride it rides the scenario (which must end: give it a duration) as fast as it can\n"
    "compute and writes the monitor log of the ride, as Monitor Logging would have written it live:\n"
    "the same engine model, sensors and monitor block, at --rate packets a second (default: back to\n"
    "back at 115200 baud, about 138.8). The ride uses the realistic engine unless --sim-ideal;\n"
    "--tune puts the maps of a map file into the module first; the EGO sensor table of --data-dir\n"
    "(default: beside the program) adds the AFR columns.\n"
    "\n"
    "options:\n"
    "  --product-code N   module product code (1, 128: family A; 2, 8, 64: B; 4, 256: C); default 1\n"
    "  --seed N           seed of the engine model and of the line faults; default 1\n"
    "  --rate HZ          monitor packets per second; default 20 (with --sim-real the line's rate)\n"
    "  --baud N           pace the line at N baud, 10 bits a byte (0: unpaced); default 115200\n"
    "  --latency MS       delay every byte to the host by MS milliseconds (USB adapter: 16)\n"
    "  --drop P           lose each byte with probability P (both ways)\n"
    "  --corrupt P        damage each byte with probability P (both ways)\n"
    "  --garbage P        random bytes before a frame with probability P\n"
    "  --no-answer P      swallow a request with probability P\n"
    "  --busy P           answer a memory request 'busy' with probability P\n"
    "  --second-try       answer every request only when it comes the second time\n"
    "  --scenario TEXT    engine scenario, e.g. \"idle\", \"ride duration=120\"\n"
    "  --flaky-write ADDR[:N]\n"
    "                     a flaky memory cell: the next N writes (default 1; -1: every write)\n"
    "                     over address ADDR (0x900B or decimal) store that byte damaged\n"
    "\n"
    "engine options:\n"
    "%ENGINE%"
    "\n"
    "commands on standard input:\n"
    "  power-off | power-on | power-cycle    module power\n"
    "  pull | plug                           cable between adapter and module\n"
    "  flash-loss N                          the next flash write loses power after N bytes\n"
    "  busy N                                the next N memory calls answer 'busy'\n"
    "  flaky-write ADDR [N]                  the next N writes over ADDR store it damaged\n"
    "  fault NAME VALUE                      drop, corrupt, garbage, no-answer, busy, latency, baud\n"
    "  scenario TEXT                         start an engine scenario\n"
    "  status                                counters\n"
    "  quit                                  end\n";

bool NeedsValue(const std::string& option) {
    if (option == "--pty" || option == "--second-try" || option == "--help") return false;
    for (const char* const* f = sim::SimEngineFlags(); *f; ++f)
        if (option == std::string("--") + *f) return false;
    return true;
}

std::string Usage() {
    std::string usage = kUsage;
    usage.replace(usage.find("%ENGINE%"), 8, sim::SimEngineOptionsUsage());
    return usage;
}

// "0x9A00", "39424", optionally ":N" (times; -1 for good). False when not understood.
bool ParseFlakyWrite(const std::string& text, std::uint16_t& address, int& times) {
    const auto colon = text.find(':');
    const std::string a = text.substr(0, colon);
    char* end = nullptr;
    const unsigned long v = std::strtoul(a.c_str(), &end, 0);
    if (a.empty() || *end != '\0' || v >= sim::kMemoryEnd) return false;
    address = static_cast<std::uint16_t>(v);
    times = 1;
    if (colon != std::string::npos) {
        const std::string n = text.substr(colon + 1);
        const long t = std::strtol(n.c_str(), &end, 10);
        if (n.empty() || *end != '\0' || t == 0) return false;
        times = static_cast<int>(t);
    }
    return true;
}

bool SetFault(sim::PeerFaults& f, const std::string& name, double value) {
    if (name == "drop") f.dropRate = value;
    else if (name == "corrupt") f.corruptRate = value;
    else if (name == "garbage") f.garbageRate = value;
    else if (name == "no-answer") f.noAnswerRate = value;
    else if (name == "busy") f.busyRate = value;
    else if (name == "latency") f.latencySeconds = value / 1000.0;
    else if (name == "baud") f.baud = static_cast<int>(value);
    else return false;
    return true;
}

void Status(sim::ModulePeer& peer) {
    const auto s = peer.GetStats();
    const auto power = peer.WithEmulator([](sim::ModuleEmulator& e) { return e.Powered(); });
    std::cerr << "power " << (power ? "on" : "off") << ", cable " << (peer.CablePlugged() ? "in" : "out")
              << ", requests " << s.requests << ", executed " << s.executed << ", repeats answered "
              << s.repeatsAnswered << ", bad CRC " << s.badCrcs << ", monitor packets " << s.monitorPackets
              << ", bytes in " << s.bytesIn << ", out " << s.bytesOut << "\n";
}

}  // namespace

int main(int argc, char** argv) {
    corvane::UseUtf8Console();
    // Every argument as UTF-8 (file names included), as the core holds paths.
    const std::vector<std::string> args = corvane::Utf8Arguments(argc, argv);
    const int count = static_cast<int>(args.size());
    std::map<std::string, std::string> opts;
    for (int i = 0; i < count; ++i) {
        std::string a = args[static_cast<std::size_t>(i)];
        if (a.rfind("--", 0) != 0) {
            std::cerr << "corvane-sim: unexpected argument '" << a << "'\n" << Usage();
            return 64;
        }
        const auto eq = a.find('=');
        if (eq != std::string::npos) {
            opts[a.substr(0, eq)] = a.substr(eq + 1);
        } else if (NeedsValue(a)) {
            if (i + 1 >= count) {
                std::cerr << "corvane-sim: " << a << " needs a value\n";
                return 64;
            }
            opts[a] = args[static_cast<std::size_t>(++i)];
        } else {
            opts[a] = "1";
        }
    }
    if (opts.count("--help")) {
        std::cout << Usage();
        return 0;
    }
    const sim::SimEngineOptionText engineText{
        [&](const std::string& name) -> std::optional<std::string> {
            auto it = opts.find("--" + name);
            if (it == opts.end()) return std::nullopt;
            return it->second;
        },
        [&](const std::string& name) { return opts.count("--" + name) > 0; }};
    if (opts.count("--log-ride")) {
        if (opts.count("--pty")) {
            std::cerr << "corvane-sim: --log-ride and --pty do not go together\n";
            return 64;
        }
        return RunRideLog(opts, engineText, argv[0]);
    }
    if (!opts.count("--pty")) {
        std::cerr << Usage();
        return 64;
    }
    auto number = [&](const std::string& name, double fallback) {
        auto it = opts.find(name);
        if (it == opts.end()) return fallback;
        char* end = nullptr;
        const double v = std::strtod(it->second.c_str(), &end);
        if (it->second.empty() || *end != '\0') {
            std::cerr << "corvane-sim: " << name << " needs a number\n";
            std::exit(64);
        }
        return v;
    };

    sim::EmulatorOptions module;
    module.productCode = static_cast<std::uint32_t>(number("--product-code", 1));
    module.seed = static_cast<std::uint64_t>(number("--seed", 1));
    module.monitorRateHz = 20;
    {
        std::string error;
        if (!sim::ApplySimEngineOptions(engineText, false, module, &error)) {
            std::cerr << "corvane-sim: " << error << "\n";
            return 64;
        }
    }
    // An explicit rate wins over the engine options' (the realistic module's line rate).
    if (opts.count("--rate")) module.monitorRateHz = number("--rate", 20);
    sim::PeerFaults faults;
    faults.baud = static_cast<int>(number("--baud", 115200));
    faults.latencySeconds = number("--latency", 0) / 1000.0;
    faults.dropRate = number("--drop", 0);
    faults.corruptRate = number("--corrupt", 0);
    faults.garbageRate = number("--garbage", 0);
    faults.noAnswerRate = number("--no-answer", 0);
    faults.busyRate = number("--busy", 0);
    faults.answerOnSecondTry = opts.count("--second-try") > 0;

    sim::ModuleEmulator emulator(module);
    if (auto it = opts.find("--scenario"); it != opts.end()) {
        std::string error;
        if (!emulator.StartScenario(it->second, &error)) {
            std::cerr << "corvane-sim: scenario: " << error << "\n";
            return 64;
        }
    }
    if (auto it = opts.find("--flaky-write"); it != opts.end()) {
        std::uint16_t address = 0;
        int times = 1;
        if (!ParseFlakyWrite(it->second, address, times)) {
            std::cerr << "corvane-sim: --flaky-write needs ADDR or ADDR:N (an address below 0xE000)\n";
            return 64;
        }
        emulator.ArmFlakyWrite(address, times);
    }
    sim::ModulePeer peer(emulator, module.seed);
    peer.SetFaults(faults);
    sim::PtyPeerHost host(peer);
    std::string error;
    if (!host.Open(&error)) {
        std::cerr << "corvane-sim: " << error << "\n";
        return 1;
    }
    std::signal(SIGINT, OnSignal);
    std::signal(SIGTERM, OnSignal);
    std::cout << host.DevicePath() << std::endl;
    std::cerr << "corvane-sim: module (product code " << module.productCode << ") on " << host.DevicePath()
              << (faults.baud > 0 ? ", " + std::to_string(faults.baud) + " baud" : std::string(", unpaced"))
              << "\n";
    host.Start();

    // Commands run on this thread; the peer serialises them with the line.
    std::thread input([&] {
        std::string line;
        while (!g_quit && std::getline(std::cin, line)) {
            std::istringstream words(line);
            std::string cmd;
            words >> cmd;
            if (cmd.empty()) continue;
            if (cmd == "quit" || cmd == "exit") {
                g_quit = true;
            } else if (cmd == "power-off") {
                peer.PowerOff();
            } else if (cmd == "power-on") {
                peer.PowerOn();
            } else if (cmd == "power-cycle") {
                peer.PowerCycle();
            } else if (cmd == "pull") {
                peer.PullCable();
            } else if (cmd == "plug") {
                peer.PlugCable();
            } else if (cmd == "flash-loss") {
                std::size_t n = 0;
                words >> n;
                peer.ArmPowerLossDuringFlash(n);
            } else if (cmd == "busy") {
                int n = 0;
                words >> n;
                peer.WithEmulator([n](sim::ModuleEmulator& e) {
                    e.SetBusyForCalls(n);
                    return 0;
                });
            } else if (cmd == "flaky-write") {
                std::string a, n;
                words >> a >> n;
                std::uint16_t address = 0;
                int times = 1;
                if (!ParseFlakyWrite(n.empty() ? a : a + ":" + n, address, times)) {
                    std::cerr << "corvane-sim: flaky-write ADDR [N]\n";
                    continue;
                }
                peer.WithEmulator([&](sim::ModuleEmulator& e) {
                    e.ArmFlakyWrite(address, times);
                    return 0;
                });
            } else if (cmd == "fault") {
                std::string name;
                double value = 0;
                words >> name >> value;
                auto f = peer.Faults();
                if (SetFault(f, name, value)) peer.SetFaults(f);
                else std::cerr << "corvane-sim: unknown fault '" << name << "'\n";
            } else if (cmd == "scenario") {
                std::string rest;
                std::getline(words, rest);
                const auto start = rest.find_first_not_of(' ');
                rest = start == std::string::npos ? "" : rest.substr(start);
                std::string err;
                if (!peer.WithEmulator([&](sim::ModuleEmulator& e) { return e.StartScenario(rest, &err); }))
                    std::cerr << "corvane-sim: scenario: " << err << "\n";
            } else if (cmd == "status") {
                Status(peer);
                continue;
            } else {
                std::cerr << "corvane-sim: unknown command '" << cmd << "'\n";
                continue;
            }
            std::cerr << "corvane-sim: " << cmd << "\n";
        }
    });
    input.detach();  // a blocked read of standard input must not hold the exit
    while (!g_quit) std::this_thread::sleep_for(std::chrono::milliseconds(50));
    host.Stop();
    std::cout.flush();
    std::_Exit(0);  // the input thread may still be blocked reading standard input
}
