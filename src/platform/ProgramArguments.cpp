#include "platform/ProgramArguments.h"

#ifdef _WIN32
#include <windows.h>
#include <shellapi.h>

#include "platform/Utf8Path.h"
#endif

namespace corvane {

std::vector<std::string> Utf8Arguments(int argc, char** argv) {
#ifdef _WIN32
    int count = 0;
    if (wchar_t** wide = ::CommandLineToArgvW(::GetCommandLineW(), &count); wide != nullptr) {
        std::vector<std::string> args;
        for (int i = 1; i < count; ++i) args.push_back(Utf8FromPath(std::filesystem::path(wide[i])));
        ::LocalFree(wide);
        return args;
    }
#endif
    return std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc);
}

void UseUtf8Console() {
#ifdef _WIN32
    ::SetConsoleOutputCP(CP_UTF8);
#endif
}

}  // namespace corvane
