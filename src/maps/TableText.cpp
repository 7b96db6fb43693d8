#include "maps/TableText.h"

#include <charconv>
#include <cmath>
#include <cstdio>

namespace corvane {

TableText::Grid TableText::Split(std::string_view text, char separator) {
    Grid grid;
    if (text.empty()) return grid;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find('\n', start);
        const bool last = end == std::string_view::npos;
        if (last) end = text.size();
        std::string_view line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        // The line end that closes the text opens no further line.
        if (last && start == text.size()) break;
        auto& cells = grid.emplace_back();
        std::size_t cellStart = 0;
        while (true) {
            const std::size_t cellEnd = line.find(separator, cellStart);
            if (cellEnd == std::string_view::npos) {
                cells.emplace_back(line.substr(cellStart));
                break;
            }
            cells.emplace_back(line.substr(cellStart, cellEnd - cellStart));
            cellStart = cellEnd + 1;
        }
        if (last) break;
        start = end + 1;
    }
    return grid;
}

char TableText::DetectSeparator(std::string_view text) {
    const std::string_view first = text.substr(0, text.find('\n'));
    if (first.find('\t') != std::string_view::npos) return '\t';
    if (first.find(';') != std::string_view::npos) return ';';
    return ',';
}

std::optional<double> TableText::ParseNumber(std::string_view cell) {
    auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r'; };
    while (!cell.empty() && blank(cell.front())) cell.remove_prefix(1);
    while (!cell.empty() && blank(cell.back())) cell.remove_suffix(1);
    // A leading plus is what spreadsheets write for positive changes; from_chars does not take it.
    if (cell.size() > 1 && cell.front() == '+' && cell[1] != '-' && cell[1] != '+') cell.remove_prefix(1);
    if (cell.empty()) return std::nullopt;
    double value = 0.0;
    const auto [end, error] = std::from_chars(cell.data(), cell.data() + cell.size(), value,
                                              std::chars_format::general);
    if (error != std::errc() || end != cell.data() + cell.size() || !std::isfinite(value)) return std::nullopt;
    return value;
}

std::string TableText::FormatNumber(double value, int decimals) {
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    std::string s = text;
    // "-0.00" is zero.
    if (s.front() == '-' && s.find_first_not_of("-0.") == std::string::npos) s.erase(0, 1);
    return s;
}

int TableText::DecimalsFor(double resolution) {
    resolution = std::fabs(resolution);
    if (!(resolution > 0.0) || !std::isfinite(resolution)) return 2;
    // 10^-d no coarser than one step: a shown value then lies within half a step of the
    // value, and reading it back rounds to that same step.
    const int d = static_cast<int>(std::ceil(-std::log10(resolution) - 1e-9));
    return d < 0 ? 0 : (d > 6 ? 6 : d);
}

std::string TableText::Join(const Grid& grid, char separator) {
    std::string text;
    for (const auto& line : grid) {
        for (std::size_t i = 0; i < line.size(); ++i) {
            if (i > 0) text += separator;
            text += line[i];
        }
        text += '\n';
    }
    return text;
}

}  // namespace corvane
