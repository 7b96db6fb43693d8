#include "link/ModuleBackups.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <system_error>
#include <tuple>

#include "documents/AtomicFile.h"
#include "platform/SystemFolders.h"
#include "platform/Utf8Path.h"

namespace corvane {

namespace fs = std::filesystem;

namespace {

struct ReasonName {
    BackupReason reason;
    const char* token;  // in file names
    const char* text;   // in lists and messages
};

constexpr ReasonName kReasons[] = {
    {BackupReason::kBeforeWrite, "write", "before WRITE"},
    {BackupReason::kBeforeUpgrade, "upgrade", "before upgrade"},
    {BackupReason::kBeforeRead, "read", "before READ"},
    {BackupReason::kBeforeReload, "reload", "before reload"},
};

const ReasonName& NameOf(BackupReason reason) {
    for (const ReasonName& r : kReasons)
        if (r.reason == reason) return r;
    return kReasons[0];
}

constexpr const char* kExtension = ".crv";
constexpr std::size_t kStampLength = 15;  // yyyymmdd-hhmmss

// A base map name as a file name may hold it: the module's bytes are of no known encoding and
// may hold separators, so anything but letters, digits, '-' and '.' becomes '-'.
std::string FileSafe(const std::string& name) {
    std::string out;
    for (const char c : name) {
        if (c == '\0') break;
        const auto u = static_cast<unsigned char>(c);
        out += (u < 0x80 && (std::isalnum(u) || c == '-' || c == '.')) ? c : '-';
    }
    // A name of dots alone would read as a folder.
    if (out.find_first_not_of('.') == std::string::npos) out = "unnamed";
    return out;
}

bool AllDigits(const std::string& s) {
    return !s.empty() && std::all_of(s.begin(), s.end(), [](unsigned char c) { return std::isdigit(c); });
}

// Sort key: the stamp, then the serial of that second, then the whole name. Two backups may
// share stamp and serial (one made by the window program and one by corvane-cli in the same
// second, or a clock set back): the name decides between them, so that the newest-first list
// and what pruning removes never depend on the order the folder happens to list its files in.
std::tuple<std::string, int, const std::string&> AgeKey(const BackupEntry& e) {
    const std::string stamp = e.fileName.substr(0, kStampLength);
    int serial = 1;
    if (e.fileName.size() > kStampLength && e.fileName[kStampLength] == '-')
        serial = std::atoi(e.fileName.c_str() + kStampLength + 1);
    return {stamp, serial, e.fileName};
}

}  // namespace

const char* BackupReasonText(BackupReason reason) { return NameOf(reason).text; }

ModuleBackups::ModuleBackups(std::string folder, Clock clock)
    : m_folder(std::move(folder)), m_clock(clock ? std::move(clock) : Clock([] {
          return std::chrono::system_clock::now();
      })) {}

std::string ModuleBackups::FileName(const std::tm& t, const std::string& baseMapName, BackupReason reason,
                                    int serial) {
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "%04d%02d%02d-%02d%02d%02d", t.tm_year + 1900, t.tm_mon + 1, t.tm_mday,
                  t.tm_hour, t.tm_min, t.tm_sec);
    std::string name = stamp;
    if (serial > 1) name += "-" + std::to_string(serial);
    return name + "_" + FileSafe(baseMapName) + "_" + NameOf(reason).token + kExtension;
}

std::optional<BackupEntry> ModuleBackups::ParseFileName(const std::string& fileName) {
    const std::size_t ext = fileName.size() >= 4 ? fileName.size() - 4 : std::string::npos;
    if (ext == std::string::npos || fileName.compare(ext, 4, kExtension) != 0) return std::nullopt;
    const std::size_t first = fileName.find('_');
    const std::size_t last = fileName.rfind('_');
    if (first == std::string::npos || last <= first || last > ext) return std::nullopt;

    const std::string stamp = fileName.substr(0, first);
    if (stamp.size() < kStampLength || stamp[8] != '-' || !AllDigits(stamp.substr(0, 8)) ||
        !AllDigits(stamp.substr(9, 6)))
        return std::nullopt;
    if (stamp.size() > kStampLength && (stamp[kStampLength] != '-' || !AllDigits(stamp.substr(kStampLength + 1))))
        return std::nullopt;

    const std::string token = fileName.substr(last + 1, ext - last - 1);
    const ReasonName* reason = nullptr;
    for (const ReasonName& r : kReasons)
        if (token == r.token) reason = &r;
    if (reason == nullptr) return std::nullopt;

    BackupEntry entry;
    entry.fileName = fileName;
    entry.reason = reason->reason;
    entry.baseMapName = fileName.substr(first + 1, last - first - 1);
    entry.date = stamp.substr(0, 4) + "-" + stamp.substr(4, 2) + "-" + stamp.substr(6, 2) + " " + stamp.substr(9, 2) +
                 ":" + stamp.substr(11, 2) + ":" + stamp.substr(13, 2);
    return entry;
}

std::vector<BackupEntry> ModuleBackups::List() const {
    std::vector<BackupEntry> entries;
    std::error_code ec;
    for (fs::directory_iterator it(PathFromUtf8(m_folder), ec), end; !ec && it != end; it.increment(ec)) {
        if (!it->is_regular_file(ec)) continue;
        auto entry = ParseFileName(Utf8FromPath(it->path().filename()));
        if (!entry) continue;
        entry->path = Utf8FromPath(it->path());
        entries.push_back(std::move(*entry));
    }
    std::sort(entries.begin(), entries.end(),
              [](const BackupEntry& a, const BackupEntry& b) { return AgeKey(a) > AgeKey(b); });
    return entries;
}

void ModuleBackups::Prune(int keep) const {
    const auto entries = List();
    std::error_code ec;
    for (std::size_t i = static_cast<std::size_t>(std::max(0, keep)); i < entries.size(); ++i)
        fs::remove(PathFromUtf8(entries[i].path), ec);
}

ModuleBackups::Result ModuleBackups::Store(std::span<const std::uint8_t> mapFileBytes,
                                           const std::string& baseMapName, BackupReason reason) {
    Result result;
    std::error_code ec;
    fs::create_directories(PathFromUtf8(m_folder), ec);
    if (ec) {
        result.error = "cannot create the backup folder " + m_folder + ": " + ec.message();
        return result;
    }
    const std::time_t now = std::chrono::system_clock::to_time_t(m_clock());
    std::tm local{};
#ifdef _WIN32
    localtime_s(&local, &now);
#else
    localtime_r(&now, &local);
#endif
    // A second may already hold a backup (a READ just before a WRITE), of any base map name and
    // reason: the next serial after the highest of that second, so that the serial keeps the
    // order the backups were made in.
    const std::string stamp = FileName(local, "", reason).substr(0, kStampLength);
    int first = 1;
    for (const BackupEntry& entry : List())
        if (entry.fileName.compare(0, kStampLength, stamp) == 0) first = std::max(first, std::get<1>(AgeKey(entry)) + 1);
    std::string path;
    for (int serial = first; serial < first + 1000; ++serial) {
        path = Utf8FromPath(PathFromUtf8(m_folder) / FileName(local, baseMapName, reason, serial));
        if (!fs::exists(PathFromUtf8(path), ec)) break;
    }
    std::string error;
    if (!AtomicFile::Write(path, mapFileBytes, &error)) {
        result.error = "cannot write " + path + ": " + error;
        return result;
    }
    result.ok = true;
    result.path = path;
    Prune();
    return result;
}

std::string ModuleBackups::DefaultFolder() {
    return Utf8FromPath(UserDataFolder() / kFolderName);
}

}  // namespace corvane
