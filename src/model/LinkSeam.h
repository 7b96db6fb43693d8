#pragma once

#include <cstdint>
#include <span>

namespace corvane {

// What a map needs of the link to push an edit: whether a module is linked, and a block write.
// The link controller implements it over the comms library; tests record the writes.
class LinkSeam {
public:
    virtual ~LinkSeam() = default;
    [[nodiscard]] virtual bool IsLinked() const = 0;
    // Writes the bytes at the module address; false when the write failed.
    [[nodiscard]] virtual bool WriteBlock(std::uint16_t address, std::span<const std::uint8_t> bytes) = 0;
};

}  // namespace corvane
