#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace corvane {

// One entry of the EGO sensor table: an air/fuel ratio, the sensor voltage that reads it and
// that voltage in monitor raw counts.
struct CEgoItem {
    double afr = 0.0;
    double volt = 0.0;
    std::int32_t raw = 0;
};

// The table that turns the exhaust-oxygen sensor readings into air/fuel ratios. Built from the
// text of "EgoSensorTable.txt": "afr,volt" per line, in increasing voltage order, with entries
// interpolated between lines so that neighbouring entries differ by less than 0.01 AFR.
class CEgoSensorTable {
public:
    static constexpr const char* kFileName = "EgoSensorTable.txt";
    static constexpr const char* kNotFoundText =
        "EgoSensorTable.txt file not found.  AFR readings will be disabled.";
    // Characters of a line that are read; the rest of a longer line is ignored.
    static constexpr std::size_t kLineLimit = 79;
    // Whatever AFR jump two lines hold, at most this many entries are put between them, and
    // the table never grows past kMaxEntries.
    static constexpr int kMaxInterpolatedPerLine = 1000;
    static constexpr std::size_t kMaxEntries = 65536;
    static constexpr double kAfrStep = 0.01;

    CEgoSensorTable() = default;

    // Parses the text with `scale` volts per raw count. A scale that is not a positive finite
    // number cannot place any entry, so the table stays empty. Any text is safe.
    void Parse(std::string_view text, double scale);
    void Clear() { m_entries.clear(); }

    [[nodiscard]] bool IsEmpty() const { return m_entries.empty(); }
    [[nodiscard]] std::size_t Size() const { return m_entries.size(); }
    [[nodiscard]] const std::vector<CEgoItem>& Entries() const { return m_entries; }
    [[nodiscard]] double FirstAfr() const { return m_entries.empty() ? 0.0 : m_entries.front().afr; }
    [[nodiscard]] double LastAfr() const { return m_entries.empty() ? 0.0 : m_entries.back().afr; }

    // The AFR of the entry nearest to `raw` among the first entry at or above it and the one
    // before; the lower on a tie. 0.0 for an empty table.
    [[nodiscard]] double LookupEgoAfr(std::int64_t raw) const;

private:
    void Append(double afr, double volt, double scale);

    std::vector<CEgoItem> m_entries;
    bool m_sortedByRaw = true;
};

}  // namespace corvane
