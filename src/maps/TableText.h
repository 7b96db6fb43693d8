#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace corvane {

// Tables as text, the way spreadsheets exchange them: lines of cells split by one separator
// (a tab when pasted, a comma or semicolon in a .csv file), numbers in the C locale. Reading
// is strict, because a cell read wrongly would go to an engine: a cell is a number only when
// all of it is one (blanks around it aside), and nothing else is guessed.
class TableText {
public:
    using Grid = std::vector<std::vector<std::string>>;

    // The lines and cells of a text. "\r\n" ends a line as "\n" does; one line end at the end of
    // the text does not start another line. An empty text has no lines.
    [[nodiscard]] static Grid Split(std::string_view text, char separator);
    // The separator of a .csv file, from its first line: a tab, else a semicolon, else a comma.
    [[nodiscard]] static char DetectSeparator(std::string_view text);

    // The whole cell as a finite number ("12.5", "-3", "1e2", blanks around it allowed);
    // nothing otherwise ("", "12,5", "12 ms", "nan").
    [[nodiscard]] static std::optional<double> ParseNumber(std::string_view cell);
    // A number with `decimals` digits after the point, "-0" shown as "0".
    [[nodiscard]] static std::string FormatNumber(double value, int decimals);
    // The digits after the point that show every step of a value of this resolution (display
    // units per module unit) exactly enough to read the same step back: 2 for 0.02 ms steps,
    // 0 for whole degrees.
    [[nodiscard]] static int DecimalsFor(double resolution);

    // Lines of cells joined by the separator, every line ended by "\n".
    [[nodiscard]] static std::string Join(const Grid& grid, char separator);
};

}  // namespace corvane
