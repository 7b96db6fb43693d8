#include "platform/SystemFolders.h"

#include <cstdlib>
#include <string>
#include <system_error>

#ifdef _WIN32
#include <windows.h>
#endif

namespace corvane {

namespace fs = std::filesystem;

fs::path ProgramFolder() {
#ifdef _WIN32
    // A path longer than the buffer comes back cut (and ERROR_INSUFFICIENT_BUFFER): grow and
    // ask again rather than hand out a cut path.
    std::wstring buffer(MAX_PATH, L'\0');
    for (int attempt = 0; attempt < 6; ++attempt) {
        const DWORD n = ::GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (n == 0) return {};
        if (n < buffer.size()) {
            buffer.resize(n);
            return fs::path(buffer).parent_path();
        }
        buffer.resize(buffer.size() * 4);
    }
    return {};
#else
    std::error_code error;
    const fs::path exe = fs::read_symlink("/proc/self/exe", error);
    if (error) return {};
    return exe.parent_path();
#endif
}

fs::path UserDataFolder() {
#ifdef _WIN32
    // The environment as UTF-16: a user name with letters outside the code page is common.
    if (const wchar_t* local = ::_wgetenv(L"LOCALAPPDATA"); local != nullptr && *local != L'\0') {
        const fs::path base(local);
        if (base.is_absolute()) return base / L"Corvane";
    }
    if (const wchar_t* profile = ::_wgetenv(L"USERPROFILE"); profile != nullptr && *profile != L'\0') {
        const fs::path base(profile);
        if (base.is_absolute()) return base / L"AppData" / L"Local" / L"Corvane";
    }
#else
    if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg != nullptr && *xdg == '/') {
        return fs::path(xdg) / "Corvane" / "corvane";
    }
    if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0') {
        return fs::path(home) / ".local" / "share" / "Corvane" / "corvane";
    }
#endif
    std::error_code error;
    fs::path temp = fs::temp_directory_path(error);
    if (error) temp = ".";
#ifdef _WIN32
    return temp / "Corvane";
#else
    return temp / "Corvane" / "corvane";
#endif
}

}  // namespace corvane
