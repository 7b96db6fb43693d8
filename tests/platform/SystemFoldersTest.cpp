// Where Corvane finds itself and keeps the user's files, and paths as UTF-8, on each system.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <random>
#include <string>

#include "platform/ProgramArguments.h"
#include "platform/SystemFolders.h"
#include "platform/Utf8Path.h"

namespace corvane::test {
namespace {

namespace fs = std::filesystem;

// Sets an environment variable for one test and restores it after (UTF-8 on every system).
class ScopedEnv {
public:
    ScopedEnv(std::string name, std::optional<std::string> value) : m_name(std::move(name)) {
#ifdef _WIN32
        if (const wchar_t* old = ::_wgetenv(PathFromUtf8(m_name).c_str())) m_old = Utf8FromPath(fs::path(old));
#else
        if (const char* old = std::getenv(m_name.c_str())) m_old = old;
#endif
        Set(value);
    }
    ~ScopedEnv() { Set(m_old); }

private:
    void Set(const std::optional<std::string>& value) {
#ifdef _WIN32
        const std::wstring name = PathFromUtf8(m_name).wstring();
        const std::wstring text = value ? PathFromUtf8(*value).wstring() : std::wstring();
        ::_wputenv_s(name.c_str(), text.c_str());  // an empty value removes it
#else
        if (value) ::setenv(m_name.c_str(), value->c_str(), 1);
        else
            ::unsetenv(m_name.c_str());
#endif
    }
    std::string m_name;
    std::optional<std::string> m_old;
};

TEST(ProgramFolder, IsTheFolderOfTheRunningExecutable) {
    const fs::path folder = ProgramFolder();
    ASSERT_FALSE(folder.empty());
    EXPECT_TRUE(folder.is_absolute());
#ifdef _WIN32
    EXPECT_TRUE(fs::exists(folder / "test_platform.exe")) << Utf8FromPath(folder);
#else
    EXPECT_TRUE(fs::exists(folder / "test_platform")) << folder;
#endif
}

#ifdef _WIN32
TEST(UserDataFolder, IsCorvaneUnderTheLocalApplicationData) {
    const std::string local = "C:\\Users\\J\xc3\xb8rgen\\AppData\\Local";  // a user name outside ASCII
    ScopedEnv env("LOCALAPPDATA", local);
    EXPECT_EQ(Utf8FromPath(UserDataFolder()), local + "\\Corvane");
    ScopedEnv none("LOCALAPPDATA", std::nullopt);
    ScopedEnv profile("USERPROFILE", "C:\\Users\\J\xc3\xb8rgen");
    EXPECT_EQ(Utf8FromPath(UserDataFolder()), local + "\\Corvane");
    ScopedEnv relative("USERPROFILE", "Users\\x");  // never a folder relative to wherever we run
    EXPECT_TRUE(UserDataFolder().is_absolute());
}
#else
TEST(UserDataFolder, FollowsTheDesktopsDataHome) {
    ScopedEnv xdg("XDG_DATA_HOME", "/data/home");
    EXPECT_EQ(UserDataFolder(), fs::path("/data/home/Corvane/corvane"));
    ScopedEnv relative("XDG_DATA_HOME", "relative/home");  // not absolute: ignored, as the desktop does
    ScopedEnv home("HOME", "/home/tuner");
    EXPECT_EQ(UserDataFolder(), fs::path("/home/tuner/.local/share/Corvane/corvane"));
    ScopedEnv noHome("HOME", std::nullopt);
    ScopedEnv noXdg("XDG_DATA_HOME", std::nullopt);
    EXPECT_TRUE(UserDataFolder().is_absolute());
}
#endif

TEST(Utf8Path, NamesOutsideAsciiOpenTheFileOfThatName) {
    std::random_device rd;
    const fs::path folder = fs::temp_directory_path() / ("corvane-platform-" + std::to_string(rd()));
    fs::create_directories(folder);
    const std::string name = "Gem\xc3\xbcse \xe2\x82\xac \xe6\x9b\xb2\xe7\xb7\x9a.csv";  // "Gemüse € 曲線.csv"
    const std::string path = Utf8FromPath(folder / PathFromUtf8(name));
    std::FILE* file = OpenFile(path, "wb");
    ASSERT_NE(file, nullptr);
    std::fputs("x", file);
    std::fclose(file);
    std::string found;
    for (const auto& e : fs::directory_iterator(folder)) found = Utf8FromPath(e.path().filename());
    EXPECT_EQ(found, name);
    file = OpenFile(path, "rb");
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(std::fgetc(file), 'x');
    std::fclose(file);
    EXPECT_EQ(OpenFile(Utf8FromPath(folder / "missing"), "rb"), nullptr);
    fs::remove_all(folder);
}

#ifndef _WIN32
// (On Windows they come from the process's UTF-16 command line; the end-to-end run of
// corvane-cli.exe with a non-ASCII file name under Wine covers that.)
TEST(Utf8Arguments, AreTheArgumentsAfterTheProgramsName) {
    char program[] = "prog";
    char first[] = "read";
    char second[] = "--port";
    char* argv[] = {program, first, second, nullptr};
    EXPECT_EQ(Utf8Arguments(3, argv), (std::vector<std::string>{"read", "--port"}));
    EXPECT_TRUE(Utf8Arguments(1, argv).empty());
}
#endif

}  // namespace
}  // namespace corvane::test
