// corvane-cli: scriptable access to map files, firmware files and a linked module.
#include <iostream>
#include <string>
#include <vector>

#include "CorvaneVersion.h"
#include "cli/CliCommand.h"
#include "platform/ProgramArguments.h"

using namespace corvane::cli;

static void PrintUsage(std::ostream& out) {
    out << "usage: corvane-cli COMMAND [options]\n\ncommands:\n";
    for (const auto& [name, cmd] : Commands()) out << "  " << cmd.synopsis << "\n";
    out << "\n'corvane-cli COMMAND --help' describes one command; 'corvane-cli --version' prints the version.\n";
}

int main(int argc, char** argv) {
    corvane::UseUtf8Console();
    // Every argument as UTF-8 (file names included), as the core holds paths.
    const std::vector<std::string> arguments = corvane::Utf8Arguments(argc, argv);
    if (arguments.empty() || arguments[0] == "--help" || arguments[0] == "-h" || arguments[0] == "help") {
        PrintUsage(arguments.empty() ? std::cerr : std::cout);
        return arguments.empty() ? kExitUsage : kExitOk;
    }
    if (arguments[0] == "--version") {
        std::cout << "corvane-cli " << corvane::kCorvaneVersion << "\n";
        return kExitOk;
    }
    const auto& commands = Commands();
    auto it = commands.find(arguments[0]);
    if (it == commands.end()) {
        std::cerr << "corvane-cli: unknown command '" << arguments[0] << "'\n";
        PrintUsage(std::cerr);
        return kExitUsage;
    }
    const Command& cmd = it->second;
    std::vector<std::string> rest(arguments.begin() + 1, arguments.end());
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
