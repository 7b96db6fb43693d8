#include "protocol/FrameDecoder.h"

#include <algorithm>

#include "protocol/Crc.h"

namespace corvane::protocol {

void FrameDecoder::Feed(std::span<const std::uint8_t> bytes) {
    Compact();
    m_buffer.insert(m_buffer.end(), bytes.begin(), bytes.end());
}

void FrameDecoder::Reset() {
    m_buffer.clear();
    m_pos = 0;
}

void FrameDecoder::Compact() {
    if (m_pos == 0) return;
    if (m_pos == m_buffer.size()) {
        m_buffer.clear();
        m_pos = 0;
    } else if (m_pos >= 4096 || m_pos * 2 >= m_buffer.size()) {
        m_buffer.erase(m_buffer.begin(), m_buffer.begin() + static_cast<std::ptrdiff_t>(m_pos));
        m_pos = 0;
    }
}

bool FrameDecoder::Next(Event& event) {
    for (;;) {
        // Skip to the next start byte.
        auto begin = m_buffer.begin() + static_cast<std::ptrdiff_t>(m_pos);
        auto start = std::find(begin, m_buffer.end(), kStartByte);
        m_stats.discardedBytes += static_cast<std::uint64_t>(start - begin);
        m_pos = static_cast<std::size_t>(start - m_buffer.begin());
        const std::size_t avail = m_buffer.size() - m_pos;
        if (avail < kHeaderSize) return false;

        const std::uint8_t* h = m_buffer.data() + m_pos;
        const std::size_t length = (static_cast<std::size_t>(h[1]) << 8) | h[2];
        if (Crc8(std::span<const std::uint8_t>(h + 1, 5)) != h[6] || length > kMaxPayload || length > m_lengthLimit) {
            ++m_stats.badHeaders;
            ++m_stats.discardedBytes;
            ++m_pos;  // not a frame start after all
            continue;
        }
        const std::size_t total = kHeaderSize + length + kTrailerSize;
        if (avail < total) return false;  // wait for the rest

        const std::uint16_t seq = static_cast<std::uint16_t>((h[3] << 8) | h[4]);
        const auto command = static_cast<Command>(h[5]);
        const std::uint32_t want = (static_cast<std::uint32_t>(h[total - 4]) << 24) |
                                   (static_cast<std::uint32_t>(h[total - 3]) << 16) |
                                   (static_cast<std::uint32_t>(h[total - 2]) << 8) | h[total - 1];
        if (Crc32(std::span<const std::uint8_t>(h + 1, total - 1 - kTrailerSize)) != want) {
            event.damaged.assign(h, h + total);
            ++m_stats.badCrcs;
            ++m_stats.discardedBytes;
            ++m_pos;  // rescan inside: a dropped byte may have merged this frame with the next
            event.kind = EventKind::BadCrc;
            event.frame.sequence = seq;
            event.frame.command = command;
            event.frame.payload.clear();
            return true;
        }
        event.kind = EventKind::Frame;
        event.damaged.clear();
        event.frame.sequence = seq;
        event.frame.command = command;
        event.frame.payload.assign(h + kHeaderSize, h + kHeaderSize + length);
        m_pos += total;
        ++m_stats.frames;
        return true;
    }
}

}  // namespace corvane::protocol
