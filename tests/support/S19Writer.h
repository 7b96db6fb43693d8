#pragma once

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

namespace corvane::test {

// Firmware files laid out as the usual tool chain makes them from binary images
// (srec_cat IMAGE -binary -offset ADDRESS ... -o FILE -motorola -address-length=2): an S0 header,
// S1 records of 32 data bytes from the start of each block (the last one shorter), and an S5
// record count. Tests write them in-process so that they run wherever the tests run, with no
// external tool; FirmwareFileTest checks the layout against that tool's own output.
class S19Writer {
public:
    using Block = std::pair<std::uint16_t, std::vector<std::uint8_t>>;

    static std::string Text(const std::vector<Block>& blocks) {
        std::string text = Record('0', 0, {'c', 'o', 'r', 'v', 'a', 'n', 'e'});
        unsigned records = 0;
        for (const auto& [address, bytes] : blocks) {
            for (std::size_t at = 0; at < bytes.size(); at += kPerRecord, ++records) {
                const std::size_t n = std::min(kPerRecord, bytes.size() - at);
                text += Record('1', static_cast<std::uint16_t>(address + at),
                               std::vector<std::uint8_t>(bytes.begin() + at, bytes.begin() + at + n));
            }
        }
        return text + Record('5', static_cast<std::uint16_t>(records), {});
    }

    static void Write(const std::filesystem::path& path, const std::vector<Block>& blocks) {
        std::ofstream(path, std::ios::binary) << Text(blocks);
    }

    // One record: type, count, 16-bit address, data, checksum (ones' complement of the sum).
    static std::string Record(char type, std::uint16_t address, const std::vector<std::uint8_t>& data) {
        const unsigned count = static_cast<unsigned>(data.size() + 3);
        unsigned sum = count + (address >> 8) + (address & 0xFFu);
        char buffer[8];
        std::string line = std::string("S") + type;
        std::snprintf(buffer, sizeof buffer, "%02X%04X", count, address);
        line += buffer;
        for (const std::uint8_t b : data) {
            std::snprintf(buffer, sizeof buffer, "%02X", b);
            line += buffer;
            sum += b;
        }
        std::snprintf(buffer, sizeof buffer, "%02X", ~sum & 0xFFu);
        return line + buffer + "\n";
    }

    static constexpr std::size_t kPerRecord = 32;
};

}  // namespace corvane::test
