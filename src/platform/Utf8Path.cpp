#include "platform/Utf8Path.h"

#ifdef _WIN32
#include <cwchar>
#endif

namespace corvane {

std::filesystem::path PathFromUtf8(std::string_view utf8) {
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

std::string Utf8FromPath(const std::filesystem::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

std::FILE* OpenFile(const std::string& utf8Path, const char* mode) {
#ifdef _WIN32
    std::wstring wideMode;
    for (const char* c = mode; *c != '\0'; ++c) wideMode += static_cast<wchar_t>(*c);
    return ::_wfopen(PathFromUtf8(utf8Path).c_str(), wideMode.c_str());
#else
    return std::fopen(utf8Path.c_str(), mode);
#endif
}

}  // namespace corvane
