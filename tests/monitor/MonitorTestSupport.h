#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "monitor/MonitorEventSink.h"
#include "monitor/MonitoredModuleValue.h"

namespace corvane::test {

// A 72-byte monitor block with chosen raw values at their catalogue offsets.
class BlockBuilder {
public:
    BlockBuilder& Set(int index, int raw) {
        const auto& spec = MonitorCatalogue()[static_cast<std::size_t>(index)];
        if (spec.width == 2) {
            m_block[static_cast<std::size_t>(spec.offset)] = static_cast<std::uint8_t>(raw >> 8);
            m_block[static_cast<std::size_t>(spec.offset) + 1] = static_cast<std::uint8_t>(raw);
        } else {
            m_block[static_cast<std::size_t>(spec.offset)] = static_cast<std::uint8_t>(raw);
        }
        return *this;
    }
    [[nodiscard]] std::vector<std::uint8_t> Block() const { return {m_block.begin(), m_block.end()}; }
    // As read from the wire: the block and one trailing byte.
    [[nodiscard]] std::vector<std::uint8_t> Packet() const {
        auto p = Block();
        p.push_back(0xAA);
        return p;
    }

private:
    std::array<std::uint8_t, 72> m_block{};
};

struct PostedMessage {
    MonitorMessage message;
    int wParam;
    int lParam;
    bool operator==(const PostedMessage&) const = default;
};

class RecordingSink : public MonitorEventSink {
public:
    void Post(MonitorMessage message, int wParam, int lParam) override {
        posted.push_back({message, wParam, lParam});
    }
    [[nodiscard]] std::vector<PostedMessage> Of(MonitorMessage message) const {
        std::vector<PostedMessage> out;
        for (const auto& p : posted)
            if (p.message == message) out.push_back(p);
        return out;
    }
    std::vector<PostedMessage> posted;
};

}  // namespace corvane::test
