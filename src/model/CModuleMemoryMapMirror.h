#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>

namespace corvane {

// A document's image of module memory: one byte for every address 0x0000..0xDFFF. Every
// module value writes its bytes here when its module value is set, so the image always holds
// what a WRITE would send.
class CModuleMemoryMapMirror {
public:
    static constexpr std::uint32_t kSize = 0xE000;
    static constexpr const char* kBoundingMessage =
        "Bounding error in CModuleMemoryMapMirror::WriteDataBlock";

    CModuleMemoryMapMirror() { m_bytes.fill(0); }
    virtual ~CModuleMemoryMapMirror() = default;

    // Writes count bytes at address. A write that would pass the end of the image reports the
    // bounding message and writes nothing; returns the number of bytes written.
    std::uint16_t WriteDataBlock(std::uint16_t address, const std::uint8_t* bytes, std::uint16_t count);
    // The byte at address; 0 for addresses outside the image.
    [[nodiscard]] std::uint8_t ReadByte(std::uint16_t address) const {
        return address < kSize ? m_bytes[address] : 0;
    }
    // Bytes 0..count-1 := 0xFF (nothing for count <= 0).
    void Fill(int count);

    [[nodiscard]] const std::uint8_t* Data() const { return m_bytes.data(); }

    // Where the bounding message goes (the document routes it to its prompter).
    void SetErrorReporter(std::function<void(const std::string&)> reporter) {
        m_reporter = std::move(reporter);
    }

private:
    std::array<std::uint8_t, kSize> m_bytes{};
    std::function<void(const std::string&)> m_reporter;
};

}  // namespace corvane
