#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "protocol/Frame.h"

namespace corvane::protocol {

// Streaming frame decoder. Bytes go in as they arrive, in pieces of any size; whole frames come
// out. It never trusts a frame it cannot check: a frame is delivered only when its header check
// and its CRC-32 both match. After garbage, a dropped byte or a damaged frame it resynchronises
// by discarding one start byte and scanning on from the byte after it, so a good frame that was
// swallowed by a damaged one's length is still found.
class FrameDecoder {
public:
    enum class EventKind {
        Frame,   // a checked frame
        BadCrc,  // header intact but payload or CRC damaged; sequence and command are known
    };
    struct Event {
        EventKind kind = EventKind::Frame;
        Frame frame;  // for BadCrc: sequence and command only
        std::vector<std::uint8_t> damaged;  // for BadCrc: the frame's bytes as they came
    };
    struct Stats {
        std::uint64_t frames = 0;
        std::uint64_t badHeaders = 0;
        std::uint64_t badCrcs = 0;
        std::uint64_t discardedBytes = 0;
    };

    void Feed(std::span<const std::uint8_t> bytes);
    // Takes the next event, if the bytes fed so far hold one.
    [[nodiscard]] bool Next(Event& event);
    // Forgets every byte fed so far (after a port was reopened).
    void Reset();
    // The longest payload a frame may claim and still be waited for (at most the protocol's
    // largest). A receiver that knows which answers can come sets it, so that a start byte
    // whose header check passed by chance, claiming a long frame, is passed over at once
    // instead of holding up every frame behind it until that many bytes have come.
    void SetLengthLimit(std::size_t limit) { m_lengthLimit = limit; }

    [[nodiscard]] const Stats& GetStats() const { return m_stats; }
    [[nodiscard]] std::size_t Buffered() const { return m_buffer.size() - m_pos; }

private:
    void Compact();

    std::vector<std::uint8_t> m_buffer;
    std::size_t m_pos = 0;
    std::size_t m_lengthLimit = kMaxPayload;
    Stats m_stats;
};

}  // namespace corvane::protocol
