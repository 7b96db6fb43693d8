#pragma once

#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>

namespace corvane {

// Corvane holds every path as UTF-8 in a std::string, on every system. A narrow string is not
// a path on Windows: its narrow calls read bytes in the user's code page, so "déjà.crv" would
// open some other file or none. Every file the core opens goes through these, which hand
// Windows the UTF-16 form and leave the bytes untouched elsewhere (a Linux file name may hold
// bytes that are no UTF-8 at all, and must still open).

// The path a UTF-8 string names; '\' and '/' both separate folders on Windows.
[[nodiscard]] std::filesystem::path PathFromUtf8(std::string_view utf8);
// A path as UTF-8, the inverse of PathFromUtf8.
[[nodiscard]] std::string Utf8FromPath(const std::filesystem::path& path);

// std::fopen for a UTF-8 path.
[[nodiscard]] std::FILE* OpenFile(const std::string& utf8Path, const char* mode);

}  // namespace corvane
