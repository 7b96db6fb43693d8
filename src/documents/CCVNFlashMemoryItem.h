#pragma once

#include <cstdint>
#include <vector>

namespace corvane {

class Archive;

// One block of flash data: up to kMaxLength bytes at a module address. An S-record parsed
// from an S19 file is one of these too (with the checksum it carried); blocks of a .B19 file
// are records merged up to kMaxLength bytes.
class CCVNFlashMemoryItem {
public:
    static constexpr std::uint16_t kMaxLength = 512;

    CCVNFlashMemoryItem() = default;

    [[nodiscard]] std::uint16_t GetLength() const { return static_cast<std::uint16_t>(m_data.size()); }
    [[nodiscard]] std::uint16_t GetAddress() const { return m_address; }
    [[nodiscard]] std::uint8_t GetChecksum() const { return m_checksum; }
    [[nodiscard]] const std::uint8_t* GetData() const { return m_data.data(); }
    // Address one past the last byte, in 32 bits so that a block ending at 0xFFFF does not wrap.
    [[nodiscard]] std::uint32_t GetEnd() const { return std::uint32_t{m_address} + GetLength(); }

    void SetAddress(std::uint16_t address) { m_address = address; }
    void SetChecksum(std::uint8_t checksum) { m_checksum = checksum; }
    // Replaces the bytes; false (nothing changed) when count exceeds kMaxLength.
    bool SetData(const std::uint8_t* bytes, std::size_t count);
    // Appends bytes; false (nothing changed) when the block would pass kMaxLength.
    bool Append(const std::uint8_t* bytes, std::size_t count);

    // Record of a .B19 file: uint16 length, uint16 address, then exactly length bytes. The
    // checksum is not stored. Loading throws ArchiveError on a short file or a length above
    // kMaxLength, leaving the item unchanged.
    void Serialize(Archive& archive);

    friend bool operator==(const CCVNFlashMemoryItem& a, const CCVNFlashMemoryItem& b);

private:
    // Holds exactly the block's bytes (never more than kMaxLength), so thousands of short
    // S-records cost little memory.
    std::vector<std::uint8_t> m_data;
    std::uint16_t m_address = 0;
    std::uint8_t m_checksum = 0;
};

}  // namespace corvane
