#include "model/Archive.h"

#include <cstring>

namespace corvane {

void Archive::WriteU16(std::uint16_t v) {
    m_out.push_back(static_cast<std::uint8_t>(v & 0xFF));
    m_out.push_back(static_cast<std::uint8_t>(v >> 8));
}

void Archive::WriteU32(std::uint32_t v) {
    for (int i = 0; i < 4; ++i) m_out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

void Archive::WriteDouble(double v) {
    std::uint64_t bits;
    std::memcpy(&bits, &v, sizeof bits);
    for (int i = 0; i < 8; ++i) m_out.push_back(static_cast<std::uint8_t>(bits >> (8 * i)));
}

void Archive::WriteString(const std::string& s) {
    const std::size_t n = s.size();
    if (n < 0xFF) {
        WriteU8(static_cast<std::uint8_t>(n));
    } else if (n < 0xFFFE) {
        WriteU8(0xFF);
        WriteU16(static_cast<std::uint16_t>(n));
    } else {
        WriteU8(0xFF);
        WriteU16(0xFFFF);
        WriteU32(static_cast<std::uint32_t>(n));
    }
    WriteBytes(reinterpret_cast<const std::uint8_t*>(s.data()), n);
}

void Archive::Need(std::size_t n) const {
    if (m_storing) throw ArchiveError("archive is storing");
    if (n > m_size - m_pos) throw ArchiveError("unexpected end of file");
}

std::uint8_t Archive::ReadU8() {
    Need(1);
    return m_in[m_pos++];
}

std::uint16_t Archive::ReadU16() {
    Need(2);
    std::uint16_t v = static_cast<std::uint16_t>(m_in[m_pos] | (m_in[m_pos + 1] << 8));
    m_pos += 2;
    return v;
}

std::uint32_t Archive::ReadU32() {
    Need(4);
    std::uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v |= static_cast<std::uint32_t>(m_in[m_pos + i]) << (8 * i);
    m_pos += 4;
    return v;
}

double Archive::ReadDouble() {
    Need(8);
    std::uint64_t bits = 0;
    for (int i = 0; i < 8; ++i) bits |= static_cast<std::uint64_t>(m_in[m_pos + i]) << (8 * i);
    m_pos += 8;
    double v;
    std::memcpy(&v, &bits, sizeof v);
    return v;
}

void Archive::ReadBytes(std::uint8_t* p, std::size_t n) {
    Need(n);
    // An empty block reads into an empty vector, whose data() may be null, and an empty file
    // has no buffer at all: memcpy wants real pointers even for no bytes.
    if (n == 0) return;
    std::memcpy(p, m_in + m_pos, n);
    m_pos += n;
}

void Archive::Skip(std::size_t n) {
    Need(n);
    m_pos += n;
}

std::size_t Archive::ReadLength() {
    std::uint8_t b = ReadU8();
    if (b < 0xFF) return b;
    std::uint16_t w = ReadU16();
    if (w < 0xFFFE) return w;
    if (w == 0xFFFF) return ReadU32();
    return static_cast<std::size_t>(-1);  // 0xFFFE: two-byte characters follow
}

std::string Archive::ReadString() {
    std::size_t n = ReadLength();
    bool wide = false;
    if (n == static_cast<std::size_t>(-1)) {
        wide = true;
        n = ReadLength();
        if (n == static_cast<std::size_t>(-1)) throw ArchiveError("bad string prefix");
    }
    const std::size_t bytes = wide ? n * 2 : n;
    if (wide && n > (m_size - m_pos) / 2) throw ArchiveError("string longer than the file");
    Need(bytes);
    std::string s;
    s.reserve(n);
    for (std::size_t i = 0; i < n; ++i) {
        if (wide) {
            const unsigned c = m_in[m_pos + 2 * i] | (m_in[m_pos + 2 * i + 1] << 8);
            s.push_back(c <= 0xFF ? static_cast<char>(c) : '?');
        } else {
            s.push_back(static_cast<char>(m_in[m_pos + i]));
        }
    }
    m_pos += bytes;
    return s;
}

}  // namespace corvane
