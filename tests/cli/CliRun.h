#pragma once

#include <sstream>
#include <string>
#include <vector>

#include "cli/CliCommand.h"

namespace corvane::test {

struct CliRun {
    int code = -1;
    std::string out, err;
};

// Runs a registered command as main() does: parse, --help, run, usage errors.
inline CliRun Cli(const std::string& name, const std::vector<std::string>& argv) {
    CliRun r;
    const auto& commands = cli::Commands();
    auto it = commands.find(name);
    if (it == commands.end()) {
        r.err = "no command " + name;
        return r;
    }
    std::ostringstream out, err;
    try {
        cli::Args args(argv, it->second.flags);
        if (args.WantsHelp()) {
            out << it->second.synopsis << "\n" << it->second.help << "\n";
            r.code = cli::kExitOk;
        } else {
            r.code = it->second.run(args, out, err);
        }
    } catch (const cli::UsageError& e) {
        err << e.message;
        r.code = cli::kExitUsage;
    }
    r.out = out.str();
    r.err = err.str();
    return r;
}

}  // namespace corvane::test
