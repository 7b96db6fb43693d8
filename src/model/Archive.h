#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace corvane {

// Thrown by a loading archive when the file ends early or holds a length it cannot have.
class ArchiveError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The binary archive of every Corvane file: little-endian integers, IEEE doubles and
// length-prefixed strings. A loading archive reads from a byte buffer and checks every read
// against what is left, so a truncated or hostile file fails cleanly; a storing archive
// appends to a byte buffer that the caller writes out (atomically) when complete.
class Archive {
public:
    // A storing archive.
    Archive() : m_storing(true) {}
    // A loading archive over bytes the caller keeps alive.
    Archive(const std::uint8_t* data, std::size_t size) : m_storing(false), m_in(data), m_size(size) {}
    explicit Archive(const std::vector<std::uint8_t>& data) : Archive(data.data(), data.size()) {}

    [[nodiscard]] bool IsStoring() const { return m_storing; }
    [[nodiscard]] bool IsLoading() const { return !m_storing; }

    // Storing.
    void WriteU8(std::uint8_t v) { m_out.push_back(v); }
    void WriteU16(std::uint16_t v);
    void WriteU32(std::uint32_t v);
    void WriteI32(std::int32_t v) { WriteU32(static_cast<std::uint32_t>(v)); }
    void WriteDouble(double v);
    void WriteBytes(const std::uint8_t* p, std::size_t n) { m_out.insert(m_out.end(), p, p + n); }
    void WriteZeros(std::size_t n) { m_out.insert(m_out.end(), n, 0); }
    // Length prefix: one byte below 255; 0xFF + uint16 below 0xFFFE; else 0xFF, 0xFFFF, uint32.
    void WriteString(const std::string& s);
    [[nodiscard]] const std::vector<std::uint8_t>& Bytes() const { return m_out; }
    // For writers that know their size: one allocation instead of a chain of them.
    void Reserve(std::size_t n) { m_out.reserve(n); }
    // Hands the stored bytes over without a copy; the archive is empty afterwards.
    [[nodiscard]] std::vector<std::uint8_t> TakeBytes() {
        std::vector<std::uint8_t> out;
        out.swap(m_out);
        return out;
    }

    // Loading (each throws ArchiveError when fewer bytes are left than it needs).
    std::uint8_t ReadU8();
    std::uint16_t ReadU16();
    std::uint32_t ReadU32();
    std::int32_t ReadI32() { return static_cast<std::int32_t>(ReadU32()); }
    double ReadDouble();
    void ReadBytes(std::uint8_t* p, std::size_t n);
    void Skip(std::size_t n);
    // Accepts all three length prefixes and the 0xFF 0xFFFE prefix of two-byte characters
    // (characters above 0xFF become '?').
    std::string ReadString();
    [[nodiscard]] std::size_t Remaining() const { return m_size - m_pos; }
    [[nodiscard]] std::size_t Position() const { return m_pos; }

private:
    void Need(std::size_t n) const;
    std::size_t ReadLength();

    bool m_storing;
    std::vector<std::uint8_t> m_out;
    const std::uint8_t* m_in = nullptr;
    std::size_t m_size = 0;
    std::size_t m_pos = 0;
};

}  // namespace corvane
