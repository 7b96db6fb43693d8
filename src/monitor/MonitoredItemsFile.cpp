#include "monitor/MonitoredItemsFile.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <limits>

#include "documents/AtomicFile.h"
#include "model/Archive.h"
#include "monitor/CCorvaneMonitorDoc.h"
#include "monitor/MonitorText.h"
#include "platform/Utf8Path.h"

namespace corvane::MonitoredItemsFile {

namespace {

constexpr const char kSignature[] = "Corvane Monitored Items (c) Corvane 2024";

// Lenient numbers: text that is not a number (or not a finite one) reads as 0.
double ParseNumber(std::string_view field) {
    std::string text(field);
    char* end = nullptr;
    const double v = std::strtod(text.c_str(), &end);
    if (end == text.c_str() || !std::isfinite(v)) return 0.0;
    return v;
}

std::int32_t ParseInteger(std::string_view field) {
    std::string text(field);
    char* end = nullptr;
    errno = 0;
    const long long v = std::strtoll(text.c_str(), &end, 10);
    if (end == text.c_str()) return 0;
    if (v > std::numeric_limits<std::int32_t>::max()) return std::numeric_limits<std::int32_t>::max();
    if (v < std::numeric_limits<std::int32_t>::min()) return std::numeric_limits<std::int32_t>::min();
    return static_cast<std::int32_t>(v);
}

CMonitoredItem FromDefinitionLine(std::string_view line) {
    std::string_view fields[10];
    std::size_t count = 0;
    std::size_t start = 0;
    while (count < 10) {
        const std::size_t comma = line.find(',', start);
        fields[count++] = line.substr(start, comma == std::string_view::npos ? std::string_view::npos : comma - start);
        if (comma == std::string_view::npos) break;
        start = comma + 1;
    }
    CMonitoredItem item;
    item.name = std::string(fields[0]);
    item.units = std::string(fields[1]);
    item.dataMinimum = ParseNumber(fields[2]);
    item.dataMaximum = ParseNumber(fields[3]);
    item.valueText = Fixed2(ParseNumber(fields[4]));
    item.moduleMinimum = ParseInteger(fields[5]);
    item.moduleMaximum = ParseInteger(fields[6]);
    (void)ParseInteger(fields[7]);  // present in the file, used by nothing
    item.moduleAddress = ParseInteger(fields[8]);
    item.memoryPage = ParseInteger(fields[9]);
    // Everything else as a fresh definition item: no gauge limits, no bands, scale 0.
    item.shown = 1;
    item.groupWindow = 1;
    item.alarmOn = 1;
    item.ownWindow = 0;
    item.rawValue = 0;
    return item;
}

}  // namespace

std::string UserFileName(int configurationNumber) {
    return "MonitoredItems-" + std::to_string(configurationNumber) + ".dat";
}

std::optional<std::vector<CMonitoredItem>> Read(std::span<const std::uint8_t> bytes) {
    try {
        Archive ar(bytes.data(), bytes.size());
        (void)ar.ReadString();  // signature, not checked
        (void)ar.ReadU32();     // version, not checked
        const std::uint32_t count = ar.ReadU32();
        if (count > ar.Remaining() / kMinimumItemBytes) return std::nullopt;
        std::vector<CMonitoredItem> items;
        items.reserve(count);
        for (std::uint32_t i = 0; i < count; ++i) {
            const std::uint16_t tag = ar.ReadU16();
            if (i == 0) {
                if (tag != kNewClassTag) return std::nullopt;
                (void)ar.ReadU16();  // schema
                const std::uint16_t length = ar.ReadU16();
                if (length != std::char_traits<char>::length(CMonitoredItem::kClassName)) return std::nullopt;
                std::string className(length, '\0');
                ar.ReadBytes(reinterpret_cast<std::uint8_t*>(className.data()), length);
                if (className != CMonitoredItem::kClassName) return std::nullopt;
            } else if (tag != kClassReference) {
                return std::nullopt;
            }
            CMonitoredItem item;
            item.Serialize(ar);
            items.push_back(std::move(item));
        }
        return items;
    } catch (const ArchiveError&) {
        return std::nullopt;
    }
}

std::vector<std::uint8_t> Write(const std::vector<CMonitoredItem>& items) {
    Archive ar;
    ar.WriteString(kSignature);
    ar.WriteU32(kVersion);
    ar.WriteU32(static_cast<std::uint32_t>(items.size()));
    bool first = true;
    for (const CMonitoredItem& item : items) {
        if (first) {
            ar.WriteU16(kNewClassTag);
            ar.WriteU16(CMonitoredItem::kSchema);
            const std::string className = CMonitoredItem::kClassName;
            ar.WriteU16(static_cast<std::uint16_t>(className.size()));
            ar.WriteBytes(reinterpret_cast<const std::uint8_t*>(className.data()), className.size());
            first = false;
        } else {
            ar.WriteU16(kClassReference);
        }
        item.Store(ar);
    }
    return ar.Bytes();
}

std::vector<CMonitoredItem> ParseDefinitions(std::string_view text, std::size_t limit) {
    std::vector<CMonitoredItem> items;
    bool headingSeen = false;
    std::size_t pos = 0;
    while (pos < text.size() && items.size() < limit) {
        const std::size_t newline = text.find('\n', pos);
        const std::size_t end = newline == std::string_view::npos ? text.size() : newline;
        std::string line;
        line.reserve(end - pos);
        for (std::size_t i = pos; i < end; ++i)
            if (text[i] != '\r') line.push_back(text[i]);
        pos = newline == std::string_view::npos ? text.size() : newline + 1;
        if (!headingSeen) {
            // Empty lines before the heading are passed over; the heading itself is skipped.
            if (!line.empty()) headingSeen = true;
            continue;
        }
        if (line.empty()) break;
        items.push_back(FromDefinitionLine(line));
    }
    return items;
}

BuildResult Build(const std::optional<std::vector<std::uint8_t>>& userFile,
                  const std::optional<std::string>& definitions, const CCorvaneMonitorDoc& doc) {
    BuildResult result;
    bool fromUser = false;
    if (userFile) {
        if (auto items = Read(*userFile)) {
            result.items = std::move(*items);
            fromUser = true;
        }
    }
    if (result.items.size() > kMonitoredValueCount) result.items.resize(kMonitoredValueCount);
    const bool anyFromUser = fromUser && !result.items.empty();
    bool anyFromDefinitions = false;
    if (result.items.size() < kMonitoredValueCount && definitions) {
        const auto defined = ParseDefinitions(*definitions, kMonitoredValueCount);
        for (std::size_t i = result.items.size(); i < defined.size(); ++i) {
            result.items.push_back(defined[i]);
            anyFromDefinitions = true;
        }
    }
    for (std::size_t i = result.items.size(); i < kMonitoredValueCount; ++i)
        result.items.push_back(CMonitoredItem::FromCatalogue(doc.GetMonitorValue(static_cast<int>(i))));
    result.source = anyFromUser ? Source::UserFile : anyFromDefinitions ? Source::Definitions : Source::Catalogue;
    return result;
}

std::optional<std::vector<std::uint8_t>> ReadFileBytes(const std::filesystem::path& path,
                                                       std::size_t maximumBytes) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    std::vector<std::uint8_t> bytes;
    char chunk[4096];
    while (in.read(chunk, sizeof chunk) || in.gcount() > 0) {
        bytes.insert(bytes.end(), chunk, chunk + in.gcount());
        if (bytes.size() > maximumBytes) return std::nullopt;
    }
    return bytes;
}

BuildResult Load(const std::filesystem::path& folder, int configurationNumber,
                 const CCorvaneMonitorDoc& doc) {
    const auto user = ReadFileBytes(folder / UserFileName(configurationNumber));
    std::optional<std::string> definitions;
    if (auto bytes = ReadFileBytes(folder / kDefinitionsFileName))
        definitions = std::string(bytes->begin(), bytes->end());
    return Build(user, definitions, doc);
}

bool Save(const std::filesystem::path& folder, int configurationNumber,
          const std::vector<CMonitoredItem>& items) {
    // Written as every saved file is: flushed, then moved over the old one in one step, so
    // that a crash or a full disk leaves the previous configuration whole.
    return AtomicFile::Write(Utf8FromPath(folder / UserFileName(configurationNumber)), Write(items));
}

bool RemoveUserFile(const std::filesystem::path& folder, int configurationNumber) {
    std::error_code error;
    std::filesystem::remove(folder / UserFileName(configurationNumber), error);
    return !std::filesystem::exists(folder / UserFileName(configurationNumber), error);
}

}  // namespace corvane::MonitoredItemsFile
