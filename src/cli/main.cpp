// corvane-cli: scriptable access to map files, firmware files and a linked module.
#include <iostream>
#include <string>
#include <vector>

#include "CorvaneVersion.h"
#include "cli/CliCommand.h"

using namespace corvane::cli;

static void PrintUsage(std::ostream& out) {
    out << "usage: corvane-cli COMMAND [options]\n\ncommands:\n";
    for (const auto& [name, cmd] : Commands()) out << "  " << cmd.synopsis << "\n";
    out << "\n'corvane-cli COMMAND --help' describes one command; 'corvane-cli --version' prints the version.\n";
}

int main(int argc, char** argv) {
    if (argc < 2 || std::string(argv[1]) == "--help" || std::string(argv[1]) == "-h" ||
        std::string(argv[1]) == "help") {
        PrintUsage(argc < 2 ? std::cerr : std::cout);
        return argc < 2 ? kExitUsage : kExitOk;
    }
    if (std::string(argv[1]) == "--version") {
        std::cout << "corvane-cli " << corvane::kCorvaneVersion << "\n";
        return kExitOk;
    }
    const auto& commands = Commands();
    auto it = commands.find(argv[1]);
    if (it == commands.end()) {
        std::cerr << "corvane-cli: unknown command '" << argv[1] << "'\n";
        PrintUsage(std::cerr);
        return kExitUsage;
    }
    const Command& cmd = it->second;
    std::vector<std::string> rest(argv + 2, argv + argc);
    try {
        Args args(rest, cmd.flags);
        if (args.WantsHelp()) {
            std::cout << "usage: corvane-cli " << cmd.synopsis << "\n\n" << cmd.help << "\n";
            return kExitOk;
        }
        return cmd.run(args, std::cout, std::cerr);
    } catch (const UsageError& e) {
        std::cerr << "corvane-cli " << cmd.name << ": " << e.message << "\n"
                  << "usage: corvane-cli " << cmd.synopsis << "\n";
        return kExitUsage;
    }
}
