#pragma once

#include <functional>
#include <map>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace corvane::cli {

// Parsed command line of one command: positional arguments and --options. An option given
// as "--name value" or "--name=value"; flags listed in `flags` take no value.
class Args {
public:
    Args(const std::vector<std::string>& argv, const std::vector<std::string>& flags);

    [[nodiscard]] bool Has(const std::string& name) const { return m_options.count(name) > 0; }
    [[nodiscard]] std::optional<std::string> Get(const std::string& name) const;
    [[nodiscard]] std::string GetOr(const std::string& name, const std::string& fallback) const;
    // Integer / number option; throws UsageError when present but not a number.
    [[nodiscard]] std::optional<long> GetInt(const std::string& name) const;
    [[nodiscard]] std::optional<double> GetDouble(const std::string& name) const;
    [[nodiscard]] const std::vector<std::string>& Positional() const { return m_positional; }
    [[nodiscard]] bool WantsHelp() const { return Has("help") || Has("h"); }

private:
    std::map<std::string, std::string> m_options;
    std::vector<std::string> m_positional;
};

struct UsageError {
    std::string message;
};

// Exit codes shared by all commands.
inline constexpr int kExitOk = 0;
inline constexpr int kExitDiffers = 1;     // diff: the files differ
inline constexpr int kExitRefused = 2;     // a file the document refuses, bad input
inline constexpr int kExitFailed = 3;      // a module operation failed
inline constexpr int kExitVerifyFailed = 4;  // write: the module does not hold what was written
inline constexpr int kExitUsage = 64;

struct Command {
    std::string name;
    std::string synopsis;  // e.g. "new [--product-code N] OUT.crv"
    std::string help;      // longer description, printed by --help
    std::vector<std::string> flags;  // options that take no value
    std::function<int(const Args&, std::ostream& out, std::ostream& err)> run;
};

// Commands register themselves from their own source file:
//   static const bool registered = corvane::cli::Register({...});
bool Register(Command command);
const std::map<std::string, Command>& Commands();

// Product code from --product-code (default 1).
std::uint32_t ProductCodeOption(const Args& args);

}  // namespace corvane::cli
