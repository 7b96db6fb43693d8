#pragma once

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <iosfwd>
#include <string>
#include <vector>

#include "comms/MonitorColumns.h"
#include "comms/MonitorLogTable.h"

namespace corvane::comms {

// The monitor log: a CSV file a spreadsheet opens. One heading row, then one row per monitor
// packet: the time in seconds since the first packet of the log, the live values in the
// columns of MonitorColumns (each heading names the unit of its numbers), and the raw block as
// hexadecimal, so that a replay gives back exactly the bytes that were received.
class MonitorLog {
public:
    static constexpr const char* kTimeHeading = "Time (s)";
    static constexpr const char* kRawHeading = "Raw Block (hex)";

    // A new log file in `folder` (empty: the working folder) named after the date and time;
    // nullptr when it cannot be created.
    [[nodiscard]] static std::unique_ptr<MonitorLog> Create(const std::string& folder,
                                                            MonitorColumns columns = MonitorColumns());
    // A new log file at exactly `path` (replacing any file there).
    [[nodiscard]] static std::unique_ptr<MonitorLog> CreateAt(const std::string& path,
                                                              MonitorColumns columns = MonitorColumns());
    // The heading row and one packet's row as the log writes them, without the line end.
    [[nodiscard]] static std::string HeadingRow(const MonitorColumns& columns);
    [[nodiscard]] static std::string Row(const MonitorColumns& columns, double seconds,
                                         std::span<const std::uint8_t> block);
    ~MonitorLog();
    MonitorLog(const MonitorLog&) = delete;
    MonitorLog& operator=(const MonitorLog&) = delete;

    void Append(std::chrono::steady_clock::time_point when, std::span<const std::uint8_t> block);
    void Append(double seconds, std::span<const std::uint8_t> block);
    [[nodiscard]] const std::string& Path() const { return m_path; }

    struct Record {
        double seconds = 0.0;
        std::vector<std::uint8_t> block;
    };
    // Reads a log back. nullopt (reason in *error) when the file cannot be read or is not a
    // monitor log; rows that are damaged are skipped, rows out of time order keep their place.
    [[nodiscard]] static std::optional<std::vector<Record>> Read(const std::string& path,
                                                                 std::string* error = nullptr);
    // The same from a stream; `damagedRows` counts the rows skipped, `firstDamagedLine` names
    // the first of them (1 is the heading).
    [[nodiscard]] static std::optional<std::vector<Record>> Parse(std::istream& in, std::string* error = nullptr,
                                                                  std::size_t* damagedRows = nullptr,
                                                                  std::size_t* firstDamagedLine = nullptr);
    // A log to replay: refused whole, with the reason, when any row is damaged or no row holds
    // a packet, so that a replay never plays half a file.
    [[nodiscard]] static std::optional<std::vector<Record>> ReadForReplay(const std::string& path, std::string* error);

    // A log to plot: the time and every value column, in file order. Stricter than Parse: it
    // is refused whole, with the line and the reason, when any row is damaged (a field missing
    // or not a number, or a time before the row above), or no row holds a packet, so that a
    // plot never shows a gap that is really a damaged file.
    [[nodiscard]] static std::optional<MonitorLogTable> ParseTable(std::istream& in, std::string* error = nullptr);
    [[nodiscard]] static std::optional<MonitorLogTable> ReadTable(const std::string& path, std::string* error = nullptr);

    // The same reader row by row, for logs too long to hold as a table: every row is checked
    // as ParseTable checks it and handed to `row` (which may refuse it too, with the reason in
    // its `why`). The value columns' headings on success; nullopt with "line N: reason" in
    // *error as soon as a row is damaged, so that whatever `row` gathered must then be dropped
    // whole. A data row never holds quotes, commas inside fields or blanks around numbers.
    struct ScannedRow {
        std::size_t line = 0;
        double seconds = 0.0;
        std::span<const double> values;          // in the order of the headings
        std::span<const std::uint8_t> block;     // the raw block
    };
    using RowVisitor = std::function<bool(const ScannedRow& row, std::string& why)>;
    [[nodiscard]] static std::optional<std::vector<std::string>> Scan(std::istream& in, const RowVisitor& row,
                                                                      std::string* error = nullptr);
    [[nodiscard]] static std::optional<std::vector<std::string>> ScanFile(const std::string& path, const RowVisitor& row,
                                                                          std::string* error = nullptr);

private:
    MonitorLog(std::FILE* file, std::string path, MonitorColumns columns);

    std::FILE* m_file;
    std::string m_path;
    MonitorColumns m_columns;
    std::optional<std::chrono::steady_clock::time_point> m_start;
};

}  // namespace corvane::comms
