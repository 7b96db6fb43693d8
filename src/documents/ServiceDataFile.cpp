#include "documents/ServiceDataFile.h"

#include <limits>
#include <vector>

#include "documents/AtomicFile.h"
#include "model/WarrantyValues.h"

namespace corvane {

namespace {

constexpr const char* kLineEnd = "\r\n";
// A sound file is about 700 bytes; anything far larger is not a service data file.
constexpr std::size_t kMaxFileBytes = 1024 * 1024;

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v'; }

std::string_view TrimRight(std::string_view s) {
    while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
    return s;
}

std::vector<std::string_view> SplitLines(std::string_view text) {
    std::vector<std::string_view> lines;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        lines.push_back(text.substr(0, end));
        if (end == std::string_view::npos) break;
        text.remove_prefix(end + 1);
    }
    return lines;
}

}  // namespace

std::int64_t ServiceDataFile::ParseNumber(std::string_view line) {
    std::size_t i = 0;
    while (i < line.size() && IsBlank(line[i])) ++i;
    bool negative = false;
    if (i < line.size() && (line[i] == '+' || line[i] == '-')) negative = line[i++] == '-';
    constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();
    std::int64_t v = 0;
    for (; i < line.size() && line[i] >= '0' && line[i] <= '9'; ++i) {
        const int digit = line[i] - '0';
        v = v > (kMax - digit) / 10 ? kMax : v * 10 + digit;
    }
    return negative ? -v : v;
}

std::string ServiceDataFile::ToText(const WarrantyValues& values) {
    std::string text;
    text += std::to_string(values.revLimitHits ? values.revLimitHits->GetModuleValue() : 0) + kLineEnd;
    for (const auto& log : values.logs) text += std::to_string(log->GetSeconds()) + kLineEnd;
    text += std::string("0") + kLineEnd;
    // The VIN as the user sees it: up to its first zero byte (a VIN read from the module is
    // zero padded) and never across a line, which would shift the lines after it.
    std::string vin = values.vin ? values.vin->GetText() : std::string();
    // Trailing blanks are dropped as loading drops them, so a saved file loads back to
    // exactly what it holds.
    const std::size_t stop = vin.find_first_of(std::string("\0\r\n", 3));
    if (stop != std::string::npos) vin.resize(stop);
    text += std::string(TrimRight(vin)) + kLineEnd;
    text += std::string("0") + kLineEnd;
    return text;
}

void ServiceDataFile::FromText(std::string_view text, WarrantyValues& values) {
    const std::vector<std::string_view> lines = SplitLines(text);
    auto line = [&](std::size_t i) { return i < lines.size() ? TrimRight(lines[i]) : std::string_view{}; };

    if (values.revLimitHits) values.revLimitHits->SetHitsFromFile(ParseNumber(line(0)));
    // Logs are 32-bit second counts: all 32 bits are kept so that long run times survive.
    constexpr std::int64_t kMaxLog = std::numeric_limits<std::uint32_t>::max();
    for (std::size_t i = 0; i < values.logs.size(); ++i) {
        std::int64_t seconds = ParseNumber(line(1 + i));
        if (seconds < 0) seconds = 0;
        if (seconds > kMaxLog) seconds = kMaxLog;
        values.logs[i]->SetModuleValueBigEndian(seconds);
    }
    const std::size_t vinLine = 1 + values.logs.size() + 1;
    if (values.vin) values.vin->SetText(std::string(line(vinLine)));
}

bool ServiceDataFile::Save(const std::string& path, const WarrantyValues& values) {
    return AtomicFile::WriteText(path, ToText(values));
}

bool ServiceDataFile::Load(const std::string& path, WarrantyValues& values) {
    const auto bytes = AtomicFile::Read(path, kMaxFileBytes);
    if (!bytes) return false;
    FromText(std::string_view(reinterpret_cast<const char*>(bytes->data()), bytes->size()), values);
    return true;
}

}  // namespace corvane
