#include "documents/S19Parser.h"

#include <algorithm>
#include <array>
#include <map>

namespace corvane {

namespace {

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

// The byte written as two hex digits at pos; -1 when either is not a hex digit.
int HexByte(std::string_view s, std::size_t pos) {
    const int hi = HexDigit(s[pos]);
    const int lo = HexDigit(s[pos + 1]);
    return hi < 0 || lo < 0 ? -1 : hi * 16 + lo;
}

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v'; }

}  // namespace

S19Parser::LineResult S19Parser::ParseLine(std::string_view line, CCVNFlashMemoryItem& record) {
    while (!line.empty() && IsBlank(line.back())) line.remove_suffix(1);
    while (!line.empty() && IsBlank(line.front())) line.remove_prefix(1);
    if (line.size() < 2 || line[0] != 'S' || line[1] != '1') return LineResult::kSkipped;
    if (line.size() < 4) return LineResult::kMalformed;
    const int count = HexByte(line, 2);
    // The count covers the two address bytes, the data and the checksum.
    if (count < 3) return LineResult::kMalformed;
    if (line.size() < 4 + 2 * static_cast<std::size_t>(count)) return LineResult::kMalformed;

    const int addressHigh = HexByte(line, 4);
    const int addressLow = HexByte(line, 6);
    if (addressHigh < 0 || addressLow < 0) return LineResult::kMalformed;
    const std::size_t dataCount = static_cast<std::size_t>(count) - 3;
    std::array<std::uint8_t, 256> data{};
    unsigned sum = static_cast<unsigned>(count + addressHigh + addressLow);
    for (std::size_t i = 0; i < dataCount; ++i) {
        const int b = HexByte(line, 8 + 2 * i);
        if (b < 0) return LineResult::kMalformed;
        data[i] = static_cast<std::uint8_t>(b);
        sum += static_cast<unsigned>(b);
    }
    const int checksum = HexByte(line, 8 + 2 * dataCount);
    if (checksum < 0) return LineResult::kMalformed;

    record.SetAddress(static_cast<std::uint16_t>(addressHigh * 256 + addressLow));
    record.SetData(data.data(), dataCount);  // at most 252 bytes: always fits
    record.SetChecksum(static_cast<std::uint8_t>(checksum));
    const auto expected = static_cast<std::uint8_t>(~sum & 0xFF);
    return expected == checksum ? LineResult::kRecord : LineResult::kBadChecksum;
}

S19Parser::Result S19Parser::Parse(std::string_view text) {
    Result result;
    std::size_t lineNumber = 0;
    while (!text.empty()) {
        ++lineNumber;
        const std::size_t end = text.find('\n');
        const std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
        CCVNFlashMemoryItem record;
        const LineResult r = ParseLine(line, record);
        if (r == LineResult::kSkipped) continue;
        if (r != LineResult::kRecord) {
            result.firstBadLine = lineNumber;
            result.firstBadKind = r;
            return result;
        }
        result.dataBytes += record.GetLength();
        result.records.push_back(record);
    }
    return result;
}

std::vector<CCVNFlashMemoryItem> S19Parser::BuildBlocks(std::vector<CCVNFlashMemoryItem> records) {
    std::stable_sort(records.begin(), records.end(),
                     [](const CCVNFlashMemoryItem& a, const CCVNFlashMemoryItem& b) {
                         return a.GetAddress() < b.GetAddress();
                     });
    // The merge scans forward from the record last appended for one starting exactly at the
    // block's end that still fits. Records are indexed by address so that the scan does not
    // walk the whole list for every block: a firmware file holds thousands of records.
    const std::size_t n = records.size();
    std::vector<bool> used(n, false);
    struct Candidates {
        std::vector<std::size_t> indices;  // ascending
        std::size_t head = 0;              // indices before head are all used
    };
    std::map<std::uint32_t, Candidates> byAddress;
    for (std::size_t i = 0; i < n; ++i) byAddress[records[i].GetAddress()].indices.push_back(i);

    std::vector<CCVNFlashMemoryItem> blocks;
    for (std::size_t next = 0; next < n; ++next) {
        if (used[next]) continue;
        used[next] = true;
        CCVNFlashMemoryItem block = records[next];
        std::size_t position = next;
        for (;;) {
            auto it = byAddress.find(block.GetEnd());
            if (it == byAddress.end()) break;
            Candidates& c = it->second;
            while (c.head < c.indices.size() && used[c.indices[c.head]]) ++c.head;
            bool appended = false;
            for (std::size_t k = c.head; k < c.indices.size(); ++k) {
                const std::size_t idx = c.indices[k];
                if (used[idx] || idx <= position) continue;
                if (block.Append(records[idx].GetData(), records[idx].GetLength())) {
                    used[idx] = true;
                    position = idx;
                    appended = true;
                    break;
                }
            }
            if (!appended) break;
        }
        blocks.push_back(std::move(block));
    }
    return blocks;
}

}  // namespace corvane
