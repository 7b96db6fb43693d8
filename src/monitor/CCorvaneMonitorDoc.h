#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "monitor/MonitoredModuleValue.h"

namespace corvane {

class Prompter;

// The document behind the monitor view: owns the 45 live values and turns each monitor packet
// into raw and display values. Monitor data is never saved as a document.
class CCorvaneMonitorDoc {
public:
    // Scratch buffer of one decode; bytes of a longer packet past it are dropped.
    static constexpr std::size_t kPacketBufferSize = 516;
    static constexpr const char* kSaveRefusedText = "Monitor Data Cannot Be Saved";
    static constexpr const char* kSaveRefusedTitle = "Filesave Error";

    CCorvaneMonitorDoc();

    // A packet as the comms library reads it from the wire: the monitor block followed by one
    // byte that is not part of the data. Each decode starts from a zeroed buffer, so a short
    // packet leaves the missing values at raw 0 rather than at a previous packet's bytes.
    void DecodeMonitorPacket(std::span<const std::uint8_t> packet);
    // The monitor block alone (every byte is data), as the comms library hands it on.
    void DecodeMonitorBlock(std::span<const std::uint8_t> block);

    // Saving is refused: the stop-icon box, and false.
    bool OnSaveDocument(Prompter* prompter) const;
    [[nodiscard]] bool IsModified() const { return m_modified; }
    void SetModifiedFlag(bool modified) { m_modified = modified; }

    [[nodiscard]] int GetValueCount() const { return kMonitoredValueCount; }
    [[nodiscard]] MonitoredModuleValue& GetMonitorValue(int i) { return *m_values.at(i); }
    [[nodiscard]] const MonitoredModuleValue& GetMonitorValue(int i) const { return *m_values.at(i); }
    [[nodiscard]] std::string GetValueName(int i) const { return m_values.at(i)->GetName(); }
    [[nodiscard]] std::string GetValueUnits(int i) const { return m_values.at(i)->GetUnits(); }
    [[nodiscard]] std::uint16_t GetValueAddress(int i) const { return m_values.at(i)->GetBlockPosition(); }
    [[nodiscard]] std::uint16_t GetValueBaseAddress(int) const { return kMonitorBaseAddress; }
    [[nodiscard]] std::uint16_t GetValueRawMin(int i) const {
        return static_cast<std::uint16_t>(m_values.at(i)->GetRawMinimum());
    }
    [[nodiscard]] std::uint16_t GetValueRawMax(int i) const {
        return static_cast<std::uint16_t>(m_values.at(i)->GetRawMaximum());
    }
    [[nodiscard]] double GetValueDisplay(int i) const { return m_values.at(i)->GetDisplayValue(); }
    [[nodiscard]] int GetValueRaw(int i) const { return m_values.at(i)->GetBaseValue(); }
    [[nodiscard]] double GetValueDisplayMin(int i) const { return m_values.at(i)->GetDisplayMinimum(); }
    [[nodiscard]] double GetValueDisplayMax(int i) const { return m_values.at(i)->GetDisplayMaximum(); }

    // Number of packets decoded so far.
    [[nodiscard]] std::uint64_t GetPacketCount() const { return m_packets; }

private:
    void DecodeBuffer();

    std::vector<std::unique_ptr<MonitoredModuleValue>> m_values;
    std::array<std::uint8_t, kPacketBufferSize> m_buffer{};
    bool m_modified = false;
    std::uint64_t m_packets = 0;
};

}  // namespace corvane
