#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace corvane {

// Whole-file reads and crash-safe whole-file writes for every file Corvane saves.
//
// A write goes to a temporary file in the destination's folder, is flushed to the disk, and
// only then renamed over the destination; the rename is atomic on one file system, so a crash,
// a full disk or a failed write leaves the file that was there before exactly as it was.
// Paths are UTF-8 on every system (see platform/Utf8Path.h).
class AtomicFile {
public:
    // Writes bytes to path; false (with the reason in *error when given) when any step failed,
    // in which case the destination is untouched and the temporary file removed.
    [[nodiscard]] static bool Write(const std::string& path, std::span<const std::uint8_t> bytes,
                                    std::string* error = nullptr);
    [[nodiscard]] static bool WriteText(const std::string& path, const std::string& text,
                                        std::string* error = nullptr);

    // The whole file, or nullopt when it cannot be opened or read. Files larger than maxBytes
    // are refused, so a hostile path (a device, a huge file) cannot exhaust memory.
    [[nodiscard]] static std::optional<std::vector<std::uint8_t>> Read(
        const std::string& path, std::size_t maxBytes = kDefaultMaxBytes);

    static constexpr std::size_t kDefaultMaxBytes = 64u * 1024u * 1024u;
};

}  // namespace corvane
