#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace corvane {

class Comms;
class LinkDocument;
class Prompter;

// One byte the module does not hold as WRITE sent it.
struct VerifyMismatch {
    std::uint16_t address = 0;
    std::uint8_t expected = 0;
    std::uint8_t actual = 0;
};

struct VerifyResult {
    bool readOk = true;  // false: the module could not be read back, nothing is verified
    std::vector<VerifyMismatch> mismatches;  // ascending addresses
    // What was read back and compared: map bytes, settings blocks, and the base map name.
    std::uint32_t mapBytes = 0;
    std::size_t settingsBlocks = 0;
    bool nameCompared = false;
    [[nodiscard]] bool Verified() const { return readOk && mismatches.empty(); }
    // Whether every byte of [address, address + width) was read back as written.
    [[nodiscard]] bool BytesVerified(std::uint32_t address, int width) const;
};

// The read-back after WRITE: every region WRITE sent is read from the module again and
// compared byte for byte with what was sent, so that a module memory that took a write but
// holds something else (its CRC was fine, the cell was not) is found before anyone drives on
// that tune.
class WriteVerification {
public:
    static constexpr const char* kProgressText = "Verifying the module's maps and settings...";
    static constexpr const char* kTitle = "Verify After WRITE";
    // Lines of the mismatch report beyond which the rest are counted, not listed.
    static constexpr std::size_t kMaxLines = 12;

    // Reads back the map regions, the settings blocks in `settingsBlocks` (their bytes that
    // belong to a setting: the others are the module's own) and the base map name, under a
    // progress box.
    [[nodiscard]] static VerifyResult Run(Comms& comms, Prompter& prompter, LinkDocument& doc,
                                          std::span<const std::uint16_t> settingsBlocks);

    // What the mismatches hit, one line per map (with its points, numbered from 0), setting,
    // the base map name, or a bare address; at most kMaxLines lines and a count of the rest.
    [[nodiscard]] static std::vector<std::string> Describe(LinkDocument& doc,
                                                           const std::vector<VerifyMismatch>& mismatches);
    // The message shown for a failed verification.
    [[nodiscard]] static std::string MismatchText(const std::vector<std::string>& lines);
    // What a verification covered, for the tuner who wants to know what "verified" means:
    // "verified 130 maps (10752 bytes at 0x8000-0xA9FF), 7 settings blocks and the base map
    // name: all read back as written", or "NOT verified: 1 byte differs in ..." (never
    // "verified" for a failed check). Only maps that lie wholly in the compared bytes count.
    [[nodiscard]] static std::string CoverageText(LinkDocument& doc, const VerifyResult& result);
};

}  // namespace corvane
