#include "maps/TableText.h"

#include <cmath>

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
