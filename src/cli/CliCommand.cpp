#include "cli/CliCommand.h"

#include <cstdint>
#include <cstdlib>

#include "model/NumberText.h"
#include "sim/SimEngineOptions.h"

namespace corvane::cli {

Args::Args(const std::vector<std::string>& argv, const std::vector<std::string>& flags) {
    auto isFlag = [&](const std::string& n) {
        for (const auto& f : flags)
            if (f == n) return true;
        // The simulated engine's switches mean the same to every command that takes --port.
        for (const char* const* f = sim::SimEngineFlags(); *f; ++f)
            if (n == *f) return true;
        return n == "help" || n == "h";
    };
    for (std::size_t i = 0; i < argv.size(); ++i) {
        const std::string& a = argv[i];
        if (a.size() > 1 && a[0] == '-' && !(a.size() > 1 && (std::isdigit(static_cast<unsigned char>(a[1])) || a[1] == '.'))) {
            std::string name = a.substr(a[1] == '-' ? 2 : 1);
            if (name.empty()) {  // "--": the rest is positional
                for (++i; i < argv.size(); ++i) m_positional.push_back(argv[i]);
                break;
            }
            auto eq = name.find('=');
            if (eq != std::string::npos) {
                m_options[name.substr(0, eq)] = name.substr(eq + 1);
            } else if (isFlag(name)) {
                m_options[name] = "1";
            } else if (i + 1 < argv.size()) {
                m_options[name] = argv[++i];
            } else {
                throw UsageError{"option --" + name + " needs a value"};
            }
        } else {
            m_positional.push_back(a);
        }
    }
}

std::optional<std::string> Args::Get(const std::string& name) const {
    auto it = m_options.find(name);
    if (it == m_options.end()) return std::nullopt;
    return it->second;
}

std::string Args::GetOr(const std::string& name, const std::string& fallback) const {
    auto v = Get(name);
    return v ? *v : fallback;
}

std::optional<long> Args::GetInt(const std::string& name) const {
    auto v = Get(name);
    if (!v) return std::nullopt;
    char* end = nullptr;
    long n = std::strtol(v->c_str(), &end, 0);
    if (v->empty() || *end != '\0') throw UsageError{"--" + name + " needs a whole number"};
    return n;
}

std::optional<double> Args::GetDouble(const std::string& name) const {
    auto v = Get(name);
    if (!v) return std::nullopt;
    // The windows' rule for what is a number, so that a script and a dialog agree.
    const auto d = ParseNumber(*v);
    if (!d) throw UsageError{"--" + name + " needs a number"};
    return d;
}

static std::map<std::string, Command>& Registry() {
    static std::map<std::string, Command> registry;
    return registry;
}

bool Register(Command command) {
    std::string name = command.name;
    Registry()[name] = std::move(command);
    return true;
}

const std::map<std::string, Command>& Commands() { return Registry(); }

std::uint32_t ProductCodeOption(const Args& args) {
    auto code = args.GetInt("product-code");
    if (!code) return 1;
    if (*code <= 0) throw UsageError{"--product-code must be positive"};
    return static_cast<std::uint32_t>(*code);
}

}  // namespace corvane::cli
