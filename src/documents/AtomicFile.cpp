#include "documents/AtomicFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>

namespace corvane {

namespace {

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

}  // namespace

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

bool AtomicFile::WriteText(const std::string& path, const std::string& text, std::string* error) {
    return Write(path, std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()),
                 error);
}

std::optional<std::vector<std::uint8_t>> AtomicFile::Read(const std::string& path,
                                                           std::size_t maxBytes) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
    if (static_cast<std::uint64_t>(st.st_size) > maxBytes) return std::nullopt;
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    std::vector<std::uint8_t> bytes;
    bytes.reserve(static_cast<std::size_t>(st.st_size));
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
