#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "documents/CCVNFlashMemoryItem.h"

namespace corvane {

class Prompter;

// The firmware data file (.B19): the signature text, the format version "1000", the firmware
// version and the flash blocks, all little-endian:
//   string signature, string format version, int32 firmware version, int32 block count,
//   block count × (uint16 length, uint16 address, length bytes).
// S19 files are converted into it first.
class FirmwareDataFile {
public:
    static constexpr std::string_view kSignature =
        " Halvark Engine Management Firmware Data File - (c) 2004 Halvark Inc";
    static_assert(kSignature.size() == 68);
    static constexpr std::string_view kFormatVersion = "1000";

    static constexpr const char* kChecksumMessage = "File and Calculated CheckSum Do Not Match";
    static constexpr const char* kInvalidFileMessage =
        "Is not a valid Halvark Firmware Data File.";  // after "Selected file:" + path + "\n"
    static constexpr const char* kCountMismatchMessage =
        "Error: Conversion failed.\nNumber of data bytes read from S19 file,\ndifferent than "
        "number of bytes written to B19 file.";

    enum class ConvertResult {
        kOk,
        kCannotOpen,     // the S19 file cannot be read
        kNoData,         // no S1 data in it
        kBadRecord,      // a malformed record or a checksum mismatch; nothing written
        kCannotWrite,    // the .B19 file cannot be written
        kCountMismatch,  // fewer or more bytes written than read
    };

    explicit FirmwareDataFile(Prompter* prompter = nullptr) : m_prompter(prompter) {}

    // Converts an S19 file into the .B19 file of the same name (B19PathFor). The records are
    // sorted and merged into blocks of up to 512 bytes. A file with a bad record shows the
    // checksum message and writes nothing.
    [[nodiscard]] ConvertResult ConvertS19ToB19(const std::string& path, int version);
    // The same, writing the .B19 file to outPath.
    [[nodiscard]] ConvertResult ConvertS19ToB19(const std::string& path, int version,
                                                const std::string& outPath);
    // Writes the blocks with the given firmware version (atomically); the number of data bytes
    // written, 0 when the file cannot be written.
    [[nodiscard]] std::size_t SaveB19(const std::string& path, int version);
    // Reads a .B19 file; false, with this object unchanged, when the file cannot be read, its
    // signature or format version differ (ignoring case) or its blocks do not fit the file.
    [[nodiscard]] bool LoadB19(const std::string& path);
    [[nodiscard]] bool LoadB19FromBytes(std::span<const std::uint8_t> bytes);
    // The bytes SaveB19 writes.
    [[nodiscard]] std::vector<std::uint8_t> ToBytes(int version) const;

    // The .B19 path for a firmware file: the file name's extension replaced (a '.' in a folder
    // name does not count), ".B19" appended when the name has none.
    [[nodiscard]] static std::string B19PathFor(const std::string& path);

    [[nodiscard]] const std::vector<CCVNFlashMemoryItem>& GetBlocks() const { return m_blocks; }
    void SetBlocks(std::vector<CCVNFlashMemoryItem> blocks) { m_blocks = std::move(blocks); }
    [[nodiscard]] const std::vector<CCVNFlashMemoryItem>& GetRecords() const { return m_records; }
    [[nodiscard]] int GetFirmwareVersion() const { return m_firmwareVersion; }
    [[nodiscard]] const std::string& GetSignature() const { return m_signature; }
    [[nodiscard]] const std::string& GetFormatVersion() const { return m_formatVersion; }
    [[nodiscard]] std::size_t DataBytes() const;

private:
    void Show(const std::string& text) const;

    Prompter* m_prompter;
    std::string m_signature{kSignature};
    std::string m_formatVersion{kFormatVersion};
    int m_firmwareVersion = 0;
    std::vector<CCVNFlashMemoryItem> m_records;
    std::vector<CCVNFlashMemoryItem> m_blocks;
};

}  // namespace corvane
