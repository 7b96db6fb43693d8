#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace corvane {

// Tables as text, the way spreadsheets exchange them: lines of cells split by one separator
// (a tab when pasted, a comma or semicolon in a .csv file). Cells are numbers by the one rule
// of typed numbers (ParseNumber: the whole cell, no decimal comma guessed) and shown by
// FormatFixed, because a cell read wrongly would go to an engine.
class TableText {
public:
    using Grid = std::vector<std::vector<std::string>>;

    // The lines and cells of a text. "\r\n" ends a line as "\n" does; one line end at the end of
    // the text does not start another line. An empty text has no lines.
    [[nodiscard]] static Grid Split(std::string_view text, char separator);
    // The separator of a .csv file, from its first line: a tab, else a semicolon, else a comma.
    [[nodiscard]] static char DetectSeparator(std::string_view text);

    // The digits after the point that show every step of a value of this resolution (display
    // units per module unit) exactly enough to read the same step back: 2 for 0.02 ms steps,
    // 0 for whole degrees.
    [[nodiscard]] static int DecimalsFor(double resolution);

    // Lines of cells joined by the separator, every line ended by "\n".
    [[nodiscard]] static std::string Join(const Grid& grid, char separator);
};

}  // namespace corvane
