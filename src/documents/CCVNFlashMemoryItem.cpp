#include "documents/CCVNFlashMemoryItem.h"

#include "model/Archive.h"

namespace corvane {

bool CCVNFlashMemoryItem::SetData(const std::uint8_t* bytes, std::size_t count) {
    if (count > kMaxLength) return false;
    m_data.assign(bytes, bytes + count);
    return true;
}

bool CCVNFlashMemoryItem::Append(const std::uint8_t* bytes, std::size_t count) {
    if (count > kMaxLength - m_data.size()) return false;
    m_data.insert(m_data.end(), bytes, bytes + count);
    return true;
}

void CCVNFlashMemoryItem::Serialize(Archive& archive) {
    if (archive.IsStoring()) {
        archive.WriteU16(GetLength());
        archive.WriteU16(m_address);
        archive.WriteBytes(m_data.data(), m_data.size());
        return;
    }
    const std::uint16_t length = archive.ReadU16();
    const std::uint16_t address = archive.ReadU16();
    if (length > kMaxLength) throw ArchiveError("flash block longer than 512 bytes");
    std::vector<std::uint8_t> data(length);
    archive.ReadBytes(data.data(), length);
    m_data = std::move(data);
    m_address = address;
}

bool operator==(const CCVNFlashMemoryItem& a, const CCVNFlashMemoryItem& b) {
    return a.m_address == b.m_address && a.m_data == b.m_data;
}

}  // namespace corvane
