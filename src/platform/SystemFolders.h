#pragma once

#include <filesystem>

namespace corvane {

// The folder of the running program's executable; empty when the system does not say.
// Windows: GetModuleFileNameW. Elsewhere: /proc/self/exe.
[[nodiscard]] std::filesystem::path ProgramFolder();

// Where Corvane keeps what it writes for this user (backups, monitor logs, the user's
// monitored-items file), never beside the program:
//   Windows:   %LOCALAPPDATA%\Corvane (the user's profile, not roaming: backups can be large)
//   elsewhere: $XDG_DATA_HOME/Corvane/corvane, else ~/.local/share/Corvane/corvane (where the
//              window program's data folder is there)
// and the system's temporary folder when none of these is set. The window program and
// corvane-cli agree on it, so that each finds the other's backups.
[[nodiscard]] std::filesystem::path UserDataFolder();

}  // namespace corvane
