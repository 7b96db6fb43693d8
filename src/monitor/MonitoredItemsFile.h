#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "monitor/CMonitoredItem.h"

namespace corvane {

class CCorvaneMonitorDoc;

// The two files behind the monitor's item list: the user's binary file
// "MonitoredItems-<n>.dat" (written on every close of the monitor view) and the read-only
// text file of default definitions "MonitoredItems-Def.dat". Both lie in the program folder.
namespace MonitoredItemsFile {

inline constexpr const char* kDefinitionsFileName = "MonitoredItems-Def.dat";
inline constexpr std::uint32_t kVersion = 1000;
inline constexpr std::uint16_t kNewClassTag = 0xFFFF;
inline constexpr std::uint16_t kClassReference = 0x8001;
// Smallest number of bytes one stored item can take (class reference, seven empty texts, one
// byte, ten integers, ten doubles); counts are checked against it before anything is read.
inline constexpr std::size_t kMinimumItemBytes = 2 + 7 + 1 + 10 * 4 + 10 * 8;

// Where the items came from.
enum class Source { UserFile, Definitions, Catalogue };

[[nodiscard]] std::string UserFileName(int configurationNumber);

// The user file's items; nullopt when the bytes are not such a file. Any bytes are safe.
[[nodiscard]] std::optional<std::vector<CMonitoredItem>> Read(std::span<const std::uint8_t> bytes);
[[nodiscard]] std::vector<std::uint8_t> Write(const std::vector<CMonitoredItem>& items);

// One item per definition line after the heading, at most `limit`. Any text is safe.
[[nodiscard]] std::vector<CMonitoredItem> ParseDefinitions(std::string_view text,
                                                           std::size_t limit = 45);

struct BuildResult {
    std::vector<CMonitoredItem> items;  // always exactly 45, item i for catalogue value i
    Source source = Source::Catalogue;  // where item 0 came from
};

// The item list from the user file if it reads, else from the definitions, else from the
// catalogue. A source that yields fewer than 45 items is completed from the next source; a
// longer one is cut to 45, because the rest of the monitor indexes items by catalogue index.
[[nodiscard]] BuildResult Build(const std::optional<std::vector<std::uint8_t>>& userFile,
                                const std::optional<std::string>& definitions,
                                const CCorvaneMonitorDoc& doc);

// The same from the files in `folder` (missing or unreadable files are not reported).
[[nodiscard]] BuildResult Load(const std::filesystem::path& folder, int configurationNumber,
                               const CCorvaneMonitorDoc& doc);
// Replaces the user file through a temporary file; false (and nothing written) on failure.
bool Save(const std::filesystem::path& folder, int configurationNumber,
          const std::vector<CMonitoredItem>& items);
// Removes the user file (reset of the gauge files); true when none is left.
bool RemoveUserFile(const std::filesystem::path& folder, int configurationNumber);

// Reads a whole file; nullopt when it cannot be opened or is larger than `maximumBytes`.
[[nodiscard]] std::optional<std::vector<std::uint8_t>> ReadFileBytes(const std::filesystem::path& path,
                                                                     std::size_t maximumBytes = 1 << 24);

}  // namespace MonitoredItemsFile

}  // namespace corvane
