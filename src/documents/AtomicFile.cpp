#include "documents/AtomicFile.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "platform/Utf8Path.h"

#ifdef _WIN32
#include <windows.h>

#include <atomic>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace corvane {

namespace {

#ifdef _WIN32

// The system's text for the last error of this thread, as UTF-8.
std::string LastErrorText() {
    const DWORD code = ::GetLastError();
    wchar_t* text = nullptr;
    const DWORD n = ::FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                         FORMAT_MESSAGE_IGNORE_INSERTS,
                                     nullptr, code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::wstring wide = n > 0 && text != nullptr ? std::wstring(text, n) : std::wstring();
    if (text != nullptr) ::LocalFree(text);
    while (!wide.empty() && (wide.back() == L'\r' || wide.back() == L'\n' || wide.back() == L' ' || wide.back() == L'.'))
        wide.pop_back();
    if (wide.empty()) return "error " + std::to_string(code);
    return Utf8FromPath(std::filesystem::path(wide));
}

void SetError(std::string* error, const std::string& what) {
    if (error) *error = what + ": " + LastErrorText();
}

// Creates a new, empty temporary file beside `target` (never opening one that exists): its
// handle, and its name in *temp.
HANDLE CreateTemporaryBeside(const std::filesystem::path& target, std::filesystem::path* temp) {
    static std::atomic<unsigned> counter{0};
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::filesystem::path name = target;
        name += L".tmp-" + std::to_wstring(::GetCurrentProcessId()) + L"-" + std::to_wstring(counter++);
        const HANDLE file = ::CreateFileW(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                          FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            *temp = std::move(name);
            return file;
        }
        if (::GetLastError() != ERROR_FILE_EXISTS && ::GetLastError() != ERROR_ALREADY_EXISTS) break;
    }
    return INVALID_HANDLE_VALUE;
}

#else

std::string FolderOf(const std::string& path) {
    const auto slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

void SetError(std::string* error, const std::string& what) {
    if (error) *error = what + ": " + std::strerror(errno);
}

// The permissions the new file gets: those of the file it replaces, else the usual default
// for a new file under the process's umask.
mode_t ModeFor(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0) return st.st_mode & 07777;
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

#endif

}  // namespace

#ifdef _WIN32

// The same steps with the system's own calls: a new file beside the target, written and
// flushed to the disk (FlushFileBuffers), then moved over the target in one step
// (MoveFileExW with MOVEFILE_REPLACE_EXISTING: a rename within the folder, which NTFS does
// atomically; MOVEFILE_WRITE_THROUGH returns only once the move is on the disk). A failure at
// any step, a target another program holds open or a read-only one included, removes the
// temporary file and leaves the target as it was.
bool AtomicFile::Write(const std::string& path, std::span<const std::uint8_t> bytes, std::string* error) {
    if (path.empty()) {
        if (error) *error = "empty file name";
        return false;
    }
    const std::filesystem::path target = PathFromUtf8(path);
    // A read-only file is not saved over, as Windows programs do not (and as MoveFileExW
    // refuses on Windows itself, though not under every emulation of it).
    const DWORD attributes = ::GetFileAttributesW(target.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0 &&
        (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
        if (error) *error = "cannot replace " + path + ": the file is read-only";
        return false;
    }
    std::filesystem::path temp;
    const HANDLE file = CreateTemporaryBeside(target, &temp);
    if (file == INVALID_HANDLE_VALUE) {
        SetError(error, "cannot create a temporary file beside " + path);
        return false;
    }
    const std::string tempName = Utf8FromPath(temp);
    auto fail = [&](const std::string& what, bool open) {
        SetError(error, what);
        if (open) ::CloseHandle(file);
        ::DeleteFileW(temp.c_str());
        return false;
    };

    std::size_t done = 0;
    while (done < bytes.size()) {
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1u << 20));
        DWORD written = 0;
        if (!::WriteFile(file, bytes.data() + done, chunk, &written, nullptr) || written == 0)
            return fail("cannot write " + tempName, true);
        done += written;
    }
    if (!::FlushFileBuffers(file)) return fail("cannot flush " + tempName, true);
    if (!::CloseHandle(file)) return fail("cannot close " + tempName, false);
    if (!::MoveFileExW(temp.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return fail("cannot replace " + path, false);
    return true;
}

#else

bool AtomicFile::Write(const std::string& path, std::span<const std::uint8_t> bytes,
                       std::string* error) {
    if (path.empty()) {
        if (error) *error = "empty file name";
        return false;
    }
    std::string temp = path + ".tmp-XXXXXX";
    std::vector<char> name(temp.begin(), temp.end());
    name.push_back('\0');
    const int fd = ::mkstemp(name.data());
    if (fd < 0) {
        SetError(error, "cannot create a temporary file beside " + path);
        return false;
    }
    temp.assign(name.data());
    auto fail = [&](const std::string& what) {
        SetError(error, what);
        ::close(fd);
        ::unlink(temp.c_str());
        return false;
    };

    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            return fail("cannot write " + temp);
        }
        done += static_cast<std::size_t>(n);
    }
    if (::fchmod(fd, ModeFor(path)) != 0) return fail("cannot set the permissions of " + temp);
    if (::fsync(fd) != 0) return fail("cannot flush " + temp);
    if (::close(fd) != 0) {
        SetError(error, "cannot close " + temp);
        ::unlink(temp.c_str());
        return false;
    }
    if (::rename(temp.c_str(), path.c_str()) != 0) {
        SetError(error, "cannot replace " + path);
        ::unlink(temp.c_str());
        return false;
    }
    // Make the rename itself durable; a failure here no longer endangers either file.
    const int dir = ::open(FolderOf(path).c_str(), O_RDONLY | O_DIRECTORY);
    if (dir >= 0) {
        (void)::fsync(dir);
        ::close(dir);
    }
    return true;
}

#endif

bool AtomicFile::WriteText(const std::string& path, const std::string& text, std::string* error) {
    return Write(path, std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()),
                 error);
}

std::optional<std::vector<std::uint8_t>> AtomicFile::Read(const std::string& path,
                                                           std::size_t maxBytes) {
    const std::filesystem::path file = PathFromUtf8(path);
    std::error_code ec;
    if (!std::filesystem::is_regular_file(file, ec)) return std::nullopt;
    const std::uintmax_t size = std::filesystem::file_size(file, ec);
    if (ec || size > maxBytes) return std::nullopt;
    std::ifstream in(file, std::ios::binary);
    if (!in) return std::nullopt;
    std::vector<std::uint8_t> bytes;
    bytes.reserve(static_cast<std::size_t>(size));
    char buffer[65536];
    while (in) {
        in.read(buffer, sizeof buffer);
        const std::streamsize got = in.gcount();
        if (got <= 0) break;
        if (bytes.size() + static_cast<std::size_t>(got) > maxBytes) return std::nullopt;
        bytes.insert(bytes.end(), buffer, buffer + got);
    }
    if (in.bad()) return std::nullopt;
    return bytes;
}

}  // namespace corvane
