#include "comms/MonitorLog.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "comms/MonitorBlockLayout.h"
#include "platform/Utf8Path.h"

namespace corvane::comms {

namespace {

std::string CsvField(const std::string& text) {
    if (text.find_first_of(",\"\n") == std::string::npos) return text;
    std::string quoted = "\"";
    for (char c : text) {
        if (c == '"') quoted += '"';
        quoted += c;
    }
    return quoted + "\"";
}

// Splits one CSV row, honouring quotes.
std::vector<std::string> CsvSplit(const std::string& line) {
    std::vector<std::string> fields(1);
    bool quoted = false;
    for (std::size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (quoted) {
            if (c == '"' && i + 1 < line.size() && line[i + 1] == '"') {
                fields.back() += '"';
                ++i;
            } else if (c == '"') {
                quoted = false;
            } else {
                fields.back() += c;
            }
        } else if (c == '"') {
            quoted = true;
        } else if (c == ',') {
            fields.emplace_back();
        } else if (c != '\r') {
            fields.back() += c;
        }
    }
    return fields;
}

// The same split into `fields`, reusing its strings: a long log is read without an allocation
// per field and row.
void CsvSplitInto(const std::string& line, std::vector<std::string>& fields) {
    std::size_t count = 1;
    auto field = [&]() -> std::string& {
        if (fields.size() < count) fields.resize(count);
        return fields[count - 1];
    };
    field().clear();
    bool quoted = false;
    for (std::size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (quoted) {
            if (c == '"' && i + 1 < line.size() && line[i + 1] == '"') {
                field() += '"';
                ++i;
            } else if (c == '"') {
                quoted = false;
            } else {
                field() += c;
            }
        } else if (c == '"') {
            quoted = true;
        } else if (c == ',') {
            ++count;
            field().clear();
        } else if (c != '\r') {
            field() += c;
        }
    }
    fields.resize(count);
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

// The column of the raw block in a heading row; 0 when the row is not a monitor log's heading
// (its first column is always the time).
std::size_t RawColumn(const std::vector<std::string>& heading) {
    if (heading.empty() || heading[0] != MonitorLog::kTimeHeading) return 0;
    for (std::size_t i = 1; i < heading.size(); ++i)
        if (heading[i] == MonitorLog::kRawHeading) return i;
    return 0;
}

// A number and nothing else: an optional '+', then what std::from_chars reads (no blanks).
std::optional<double> Number(std::string_view field) {
    if (!field.empty() && field.front() == '+') field.remove_prefix(1);
    if (field.empty()) return std::nullopt;
    double value = 0.0;
    const char* end = field.data() + field.size();
    const auto [ptr, ec] = std::from_chars(field.data(), end, value);
    if (ec != std::errc{} || ptr != end) return std::nullopt;
    return value;
}

// A row's time: a finite number of seconds, not negative, below a billion.
std::optional<double> RowSeconds(std::string_view field) {
    const auto seconds = Number(field);
    if (!seconds || !(*seconds >= 0.0) || *seconds > 1e9) return std::nullopt;
    return seconds;
}

// A value field: a finite number and nothing else.
std::optional<double> RowValue(std::string_view field) {
    const auto value = Number(field);
    if (!value || !std::isfinite(*value)) return std::nullopt;
    return value;
}

// The raw block: an even number of hexadecimal digits, at most 4096 bytes.
bool DecodeBlock(std::string_view hex, std::vector<std::uint8_t>& block) {
    if (hex.empty() || hex.size() % 2 != 0 || hex.size() > 2 * 4096) return false;
    block.resize(hex.size() / 2);
    for (std::size_t i = 0; i < hex.size(); i += 2) {
        const int hi = HexDigit(hex[i]);
        const int lo = HexDigit(hex[i + 1]);
        if (hi < 0 || lo < 0) return false;
        block[i / 2] = static_cast<std::uint8_t>((hi << 4) | lo);
    }
    return true;
}

// Splits a row without quotes at its commas, as views into the row.
void SplitPlain(std::string_view line, std::vector<std::string_view>& fields) {
    fields.clear();
    std::size_t start = 0;
    while (true) {
        const std::size_t comma = line.find(',', start);
        if (comma == std::string_view::npos) {
            fields.push_back(line.substr(start));
            return;
        }
        fields.push_back(line.substr(start, comma - start));
        start = comma + 1;
    }
}

// Lines of a stream read in large pieces: a long log is read without a copy per line.
class LineReader {
public:
    explicit LineReader(std::istream& in) : m_in(in), m_buffer(1u << 20) {}

    bool Next(std::string_view& line) {
        while (true) {
            const char* begin = m_buffer.data() + m_start;
            const void* newline = std::memchr(begin, '\n', m_end - m_start);
            if (newline) {
                const auto length = static_cast<std::size_t>(static_cast<const char*>(newline) - begin);
                line = std::string_view(begin, length);
                m_start += length + 1;
                return true;
            }
            if (m_eof) {
                if (m_start == m_end) return false;
                line = std::string_view(begin, m_end - m_start);
                m_start = m_end;
                return true;
            }
            // Keep the unfinished line at the front; a line longer than the buffer grows it.
            std::memmove(m_buffer.data(), begin, m_end - m_start);
            m_end -= m_start;
            m_start = 0;
            if (m_end == m_buffer.size()) m_buffer.resize(m_buffer.size() * 2);
            m_in.read(m_buffer.data() + m_end, static_cast<std::streamsize>(m_buffer.size() - m_end));
            const auto got = static_cast<std::size_t>(m_in.gcount());
            m_end += got;
            if (got == 0 || !m_in) m_eof = true;
        }
    }

private:
    std::istream& m_in;
    std::vector<char> m_buffer;
    std::size_t m_start = 0;
    std::size_t m_end = 0;
    bool m_eof = false;
};

// The heading row and the column of the raw block; none (with `error` set) when the stream is
// empty or its first line is not a monitor log's heading row.
std::optional<std::pair<std::vector<std::string>, std::size_t>> ReadHeading(std::istream& in, std::string* error,
                                                                           const char* notALog) {
    std::string line;
    if (!std::getline(in, line)) {
        if (error) *error = "empty file";
        return std::nullopt;
    }
    auto heading = CsvSplit(line);
    const std::size_t rawColumn = RawColumn(heading);
    if (rawColumn == 0) {
        if (error) *error = notALog;
        return std::nullopt;
    }
    return std::pair{std::move(heading), rawColumn};
}

}  // namespace

std::unique_ptr<MonitorLog> MonitorLog::Create(const std::string& folder, MonitorColumns columns) {
    std::time_t t = std::time(nullptr);
    std::tm tm{};
#ifdef _WIN32
    localtime_s(&tm, &t);
#else
    localtime_r(&t, &tm);
#endif
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &tm);
    namespace fs = std::filesystem;
    const fs::path dir = folder.empty() ? fs::path(".") : PathFromUtf8(folder);
    for (int n = 1; n < 1000; ++n) {
        std::string name = std::string("MonitorLog-") + stamp + (n > 1 ? "-" + std::to_string(n) : "") + ".csv";
        fs::path path = dir / name;
        std::error_code ec;
        if (fs::exists(path, ec)) continue;
        return CreateAt(Utf8FromPath(path), std::move(columns));
    }
    return nullptr;
}

std::unique_ptr<MonitorLog> MonitorLog::CreateAt(const std::string& path, MonitorColumns columns) {
    std::FILE* file = OpenFile(path, "wb");
    if (!file) return nullptr;
    const std::string heading = HeadingRow(columns) + "\r\n";
    std::fputs(heading.c_str(), file);
    std::fflush(file);
    return std::unique_ptr<MonitorLog>(new MonitorLog(file, path, std::move(columns)));
}

std::string MonitorLog::HeadingRow(const MonitorColumns& columns) {
    std::string heading = kTimeHeading;
    for (const auto& c : columns.Columns()) heading += "," + CsvField(c.heading);
    return heading + "," + kRawHeading;
}

std::string MonitorLog::Row(const MonitorColumns& columns, double seconds, std::span<const std::uint8_t> block) {
    std::string row;
    row.reserve(640);
    char number[64];
    std::snprintf(number, sizeof number, "%.3f", seconds);
    row += number;
    columns.AppendValues(row, block);
    row += ',';
    static const char* kHex = "0123456789ABCDEF";
    for (std::uint8_t b : block) {
        row += kHex[b >> 4];
        row += kHex[b & 0x0F];
    }
    return row;
}

MonitorLog::MonitorLog(std::FILE* file, std::string path, MonitorColumns columns)
    : m_file(file), m_path(std::move(path)), m_columns(std::move(columns)) {}

MonitorLog::~MonitorLog() {
    if (m_file) std::fclose(m_file);
}

void MonitorLog::Append(std::chrono::steady_clock::time_point when, std::span<const std::uint8_t> block) {
    if (!m_start) m_start = when;
    Append(std::chrono::duration<double>(when - *m_start).count(), block);
}

void MonitorLog::Append(double seconds, std::span<const std::uint8_t> block) {
    const std::string row = Row(m_columns, seconds, block) + "\r\n";
    std::fputs(row.c_str(), m_file);
    // Flushed row by row: the log is worth most after a crash or a pulled cable.
    std::fflush(m_file);
}

std::optional<std::vector<MonitorLog::Record>> MonitorLog::Read(const std::string& path, std::string* error) {
    std::ifstream in(PathFromUtf8(path), std::ios::binary);
    if (!in) {
        if (error) *error = "cannot open " + path;
        return std::nullopt;
    }
    return Parse(in, error);
}

std::optional<std::vector<MonitorLog::Record>> MonitorLog::Parse(std::istream& in, std::string* error,
                                                                 std::size_t* damagedRows, std::size_t* firstDamagedLine) {
    std::size_t damaged = 0;
    std::size_t firstDamaged = 0;
    std::size_t lineNumber = 1;
    const auto head = ReadHeading(in, error, "not a monitor log");
    if (!head) return std::nullopt;
    const std::size_t rawColumn = head->second;
    std::string line;
    std::vector<Record> records;
    auto skip = [&] {
        if (damaged++ == 0) firstDamaged = lineNumber;
    };
    while (std::getline(in, line)) {
        ++lineNumber;
        if (line.empty() || line == "\r") continue;
        const auto fields = CsvSplit(line);
        if (fields.size() <= rawColumn) {
            skip();
            continue;
        }
        const auto seconds = RowSeconds(fields[0]);
        Record r;
        if (!seconds || !DecodeBlock(fields[rawColumn], r.block)) {
            skip();
            continue;
        }
        r.seconds = *seconds;
        records.push_back(std::move(r));
    }
    if (damagedRows) *damagedRows = damaged;
    if (firstDamagedLine) *firstDamagedLine = firstDamaged;
    return records;
}

std::optional<std::vector<MonitorLog::Record>> MonitorLog::ReadForReplay(const std::string& path, std::string* error) {
    std::ifstream in(PathFromUtf8(path), std::ios::binary);
    if (!in) {
        if (error) *error = "cannot open " + path;
        return std::nullopt;
    }
    std::size_t damaged = 0, first = 0;
    auto records = Parse(in, error, &damaged, &first);
    if (!records) return std::nullopt;
    if (damaged > 0) {
        if (error)
            *error = std::to_string(damaged) + " damaged row" + (damaged == 1 ? "" : "s") + ", the first on line " +
                     std::to_string(first);
        return std::nullopt;
    }
    if (records->empty()) {
        if (error) *error = "the log holds no packets";
        return std::nullopt;
    }
    return records;
}

std::optional<MonitorLogTable> MonitorLog::ParseTable(std::istream& in, std::string* error) {
    MonitorLogTable table;
    auto headings = Scan(
        in,
        [&](const ScannedRow& row, std::string&) {
            if (table.values.size() < row.values.size()) table.values.resize(row.values.size());
            for (std::size_t c = 0; c < row.values.size(); ++c) table.values[c].push_back(row.values[c]);
            table.seconds.push_back(row.seconds);
            return true;
        },
        error);
    if (!headings) return std::nullopt;
    table.headings = std::move(*headings);
    table.values.resize(table.headings.size());
    return table;
}

std::optional<std::vector<std::string>> MonitorLog::Scan(std::istream& in, const RowVisitor& visit, std::string* error) {
    auto fail = [error](std::size_t lineNumber, const std::string& why) -> std::optional<std::vector<std::string>> {
        if (error) *error = "line " + std::to_string(lineNumber) + ": " + why;
        return std::nullopt;
    };
    const auto head = ReadHeading(in, error, "not a monitor log (the first line is not its heading row)");
    if (!head) return std::nullopt;
    const auto& [heading, rawColumn] = *head;
    // Value columns: every column but the time and the raw block.
    std::vector<std::string> headings;
    for (std::size_t i = 1; i < heading.size(); ++i)
        if (i != rawColumn) headings.push_back(heading[i]);
    std::vector<double> values(headings.size());
    std::vector<std::uint8_t> block;
    std::vector<std::string_view> fields;
    std::vector<std::string> quoted;
    LineReader lines(in);
    std::string_view line;
    std::size_t lineNumber = 1;
    std::size_t rows = 0;
    double lastSeconds = 0.0;
    std::string why;
    while (lines.Next(line)) {
        ++lineNumber;
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (line.empty()) continue;
        if (line.find('"') == std::string_view::npos) {
            SplitPlain(line, fields);
        } else {
            // Quotes belong in the heading row; a row with them is read the slow, general way.
            CsvSplitInto(std::string(line), quoted);
            fields.assign(quoted.begin(), quoted.end());
        }
        if (fields.size() != heading.size())
            return fail(lineNumber, std::to_string(fields.size()) + " fields where the heading row has " +
                                        std::to_string(heading.size()));
        const auto seconds = RowSeconds(fields[0]);
        if (!seconds) return fail(lineNumber, "the time \"" + std::string(fields[0]) + "\" is not a number of seconds");
        if (rows > 0 && *seconds < lastSeconds)
            return fail(lineNumber, "the time goes back (" + std::string(fields[0]) + " s after " + std::to_string(lastSeconds) +
                                        " s)");
        if (!DecodeBlock(fields[rawColumn], block)) return fail(lineNumber, "the raw block is not hexadecimal bytes");
        for (std::size_t f = 1, c = 0; f < fields.size(); ++f) {
            if (f == rawColumn) continue;
            const auto value = RowValue(fields[f]);
            if (!value)
                return fail(lineNumber, "\"" + std::string(fields[f]) + "\" under \"" + headings[c] + "\" is not a number");
            values[c++] = *value;
        }
        lastSeconds = *seconds;
        ++rows;
        why.clear();
        if (visit && !visit(ScannedRow{lineNumber, *seconds, values, block}, why)) return fail(lineNumber, why);
    }
    if (rows == 0) {
        if (error) *error = "the log holds no packets";
        return std::nullopt;
    }
    return headings;
}

std::optional<std::vector<std::string>> MonitorLog::ScanFile(const std::string& path, const RowVisitor& row,
                                                             std::string* error) {
    std::ifstream in(PathFromUtf8(path), std::ios::binary);
    if (!in) {
        if (error) *error = "cannot open " + path;
        return std::nullopt;
    }
    return Scan(in, row, error);
}

std::optional<MonitorLogTable> MonitorLog::ReadTable(const std::string& path, std::string* error) {
    std::ifstream in(PathFromUtf8(path), std::ios::binary);
    if (!in) {
        if (error) *error = "cannot open " + path;
        return std::nullopt;
    }
    return ParseTable(in, error);
}

}  // namespace corvane::comms
