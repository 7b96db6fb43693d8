#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

#include "documents/CCVNFlashMemoryItem.h"

namespace corvane {

// Motorola S-record text as firmware arrives in it. Only S1 records (16-bit address) carry
// data; every other line is skipped. An S1 record is "S1", the count byte, the address (high,
// low), count - 3 data bytes and the checksum, all as pairs of hex digits; the checksum is the
// ones' complement of the low byte of the sum of count, address bytes and data bytes.
class S19Parser {
public:
    enum class LineResult {
        kRecord,    // an S1 record, parsed
        kSkipped,   // not an S1 line
        kMalformed, // an S1 line whose fields cannot be read
        kBadChecksum,
    };

    struct Result {
        std::vector<CCVNFlashMemoryItem> records;
        std::size_t dataBytes = 0;     // sum of the records' lengths
        std::size_t firstBadLine = 0;  // 1-based line of the first bad record; 0 when none
        LineResult firstBadKind = LineResult::kRecord;
        [[nodiscard]] bool Ok() const { return firstBadLine == 0; }
    };

    // Parses one line (without its line break; a trailing '\r' and blanks are ignored).
    [[nodiscard]] static LineResult ParseLine(std::string_view line, CCVNFlashMemoryItem& record);

    // Parses a whole file. Stops at the first malformed record or checksum mismatch: firmware
    // built from a damaged file must never reach a module.
    [[nodiscard]] static Result Parse(std::string_view text);

    // Sorts records by address (stable) and merges each run of adjacent records into blocks of
    // at most CCVNFlashMemoryItem::kMaxLength bytes: a record joins the block being built when
    // it starts exactly where the block ends and still fits; a record that would pass the limit
    // starts the next block.
    [[nodiscard]] static std::vector<CCVNFlashMemoryItem> BuildBlocks(
        std::vector<CCVNFlashMemoryItem> records);
};

}  // namespace corvane
