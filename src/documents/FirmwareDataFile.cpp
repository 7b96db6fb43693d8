#include "documents/FirmwareDataFile.h"

#include <algorithm>
#include <cctype>

#include "documents/AtomicFile.h"
#include "documents/S19Parser.h"
#include "model/Archive.h"
#include "model/Prompter.h"

namespace corvane {

namespace {

bool EqualIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

// Smallest block record: uint16 length + uint16 address.
constexpr std::size_t kBlockHeaderBytes = 4;
// Firmware fills at most the 64 KiB address space; files far larger than any real one are
// refused before they are read into memory.
constexpr std::size_t kMaxS19Bytes = 16u * 1024u * 1024u;
constexpr std::size_t kMaxB19Bytes = 4u * 1024u * 1024u;

}  // namespace

void FirmwareDataFile::Show(const std::string& text) const {
    if (m_prompter) m_prompter->Message(text, {}, Prompter::Icon::Error, Prompter::Buttons::Ok);
}

std::size_t FirmwareDataFile::DataBytes() const {
    std::size_t n = 0;
    for (const auto& b : m_blocks) n += b.GetLength();
    return n;
}

std::string FirmwareDataFile::B19PathFor(const std::string& path) {
    const std::size_t nameStart = path.find_last_of("/\\:");
    const std::size_t from = nameStart == std::string::npos ? 0 : nameStart + 1;
    const std::size_t dot = path.rfind('.');
    if (dot == std::string::npos || dot < from) return path + ".B19";
    return path.substr(0, dot) + ".B19";
}

FirmwareDataFile::ConvertResult FirmwareDataFile::ConvertS19ToB19(const std::string& path,
                                                                  int version) {
    return ConvertS19ToB19(path, version, B19PathFor(path));
}

FirmwareDataFile::ConvertResult FirmwareDataFile::ConvertS19ToB19(const std::string& path, int version,
                                                                  const std::string& outPath) {
    const auto bytes = AtomicFile::Read(path, kMaxS19Bytes);
    if (!bytes) return ConvertResult::kCannotOpen;
    const std::string_view text(reinterpret_cast<const char*>(bytes->data()), bytes->size());
    S19Parser::Result parsed = S19Parser::Parse(text);
    if (!parsed.Ok()) {
        Show(kChecksumMessage);
        return ConvertResult::kBadRecord;
    }
    if (parsed.dataBytes == 0) return ConvertResult::kNoData;
    m_records = parsed.records;
    m_blocks = S19Parser::BuildBlocks(std::move(parsed.records));
    const std::size_t written = SaveB19(outPath, version);
    if (written == 0) return ConvertResult::kCannotWrite;
    if (written != parsed.dataBytes) {
        Show(kCountMismatchMessage);
        return ConvertResult::kCountMismatch;
    }
    return ConvertResult::kOk;
}

std::vector<std::uint8_t> FirmwareDataFile::ToBytes(int version) const {
    Archive archive;
    archive.WriteString(std::string(kSignature));
    archive.WriteString(std::string(kFormatVersion));
    archive.WriteI32(version);
    archive.WriteI32(static_cast<std::int32_t>(m_blocks.size()));
    for (auto block : m_blocks) block.Serialize(archive);
    return archive.Bytes();
}

std::size_t FirmwareDataFile::SaveB19(const std::string& path, int version) {
    if (!AtomicFile::Write(path, ToBytes(version))) return 0;
    m_firmwareVersion = version;
    return DataBytes();
}

bool FirmwareDataFile::LoadB19(const std::string& path) {
    const auto bytes = AtomicFile::Read(path, kMaxB19Bytes);
    return bytes && LoadB19FromBytes(*bytes);
}

bool FirmwareDataFile::LoadB19FromBytes(std::span<const std::uint8_t> bytes) {
    try {
        Archive archive(bytes.data(), bytes.size());
        std::string signature = archive.ReadString();
        std::string format = archive.ReadString();
        if (!EqualIgnoringCase(signature, kSignature) || !EqualIgnoringCase(format, kFormatVersion))
            return false;
        const std::int32_t version = archive.ReadI32();
        const std::int32_t count = archive.ReadI32();
        if (count < 0 || static_cast<std::size_t>(count) > archive.Remaining() / kBlockHeaderBytes)
            return false;
        std::vector<CCVNFlashMemoryItem> blocks;
        for (std::int32_t i = 0; i < count; ++i) {
            CCVNFlashMemoryItem block;
            block.Serialize(archive);
            blocks.push_back(std::move(block));
        }
        m_signature = std::move(signature);
        m_formatVersion = std::move(format);
        m_firmwareVersion = version;
        m_blocks = std::move(blocks);
        return true;
    } catch (const ArchiveError&) {
        return false;
    }
}

}  // namespace corvane
