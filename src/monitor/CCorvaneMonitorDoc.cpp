#include "monitor/CCorvaneMonitorDoc.h"

#include <algorithm>
#include <cstring>

#include "model/Prompter.h"

namespace corvane {

CCorvaneMonitorDoc::CCorvaneMonitorDoc() {
    m_values.reserve(kMonitoredValueCount);
    for (int i = 0; i < kMonitoredValueCount; ++i) m_values.push_back(MakeMonitoredValue(i));
    std::uint16_t position = 0;
    for (auto& value : m_values) {
        value->SetBlockPosition(position);
        position = static_cast<std::uint16_t>(position + value->GetByteWidth());
    }
}

void CCorvaneMonitorDoc::DecodeMonitorPacket(std::span<const std::uint8_t> packet) {
    // The last byte of a wire packet is not part of the block.
    DecodeMonitorBlock(packet.empty() ? packet : packet.first(packet.size() - 1));
}

void CCorvaneMonitorDoc::DecodeMonitorBlock(std::span<const std::uint8_t> block) {
    const std::size_t n = std::min(block.size(), m_buffer.size());
    std::memset(m_buffer.data(), 0, m_buffer.size());
    if (n > 0) std::memcpy(m_buffer.data(), block.data(), n);
    DecodeBuffer();
}

void CCorvaneMonitorDoc::DecodeBuffer() {
    ++m_packets;
    for (int i = 0; i < kMonitoredValueCount; ++i) {
        MonitoredModuleValue& value = *m_values[static_cast<std::size_t>(i)];
        const std::size_t p = value.GetBlockPosition();
        const int raw = value.GetByteWidth() == 2 ? m_buffer[p] * 256 + m_buffer[p + 1] : m_buffer[p];
        const double maximum = value.GetDisplayMaximum();
        double d = value.GetDisplayMinimum() + raw * value.GetResolution();
        // raw maximum x scale can land a rounding error above the display maximum; that is
        // the maximum itself, not an out-of-range reading.
        const double tolerance = 1e-9 * (maximum - value.GetDisplayMinimum());
        if (d > maximum + tolerance) {
            d = i == kStdThrottlePositionIndex ? maximum : 0.0;
        } else if (d > maximum) {
            d = maximum;
        }
        value.SetBaseValue(raw);
        value.StoreDisplayValue(d);
    }
}

bool CCorvaneMonitorDoc::OnSaveDocument(Prompter* prompter) const {
    if (prompter != nullptr)
        prompter->Message(kSaveRefusedText, kSaveRefusedTitle, Prompter::Icon::Error, Prompter::Buttons::Ok);
    return false;
}

}  // namespace corvane
