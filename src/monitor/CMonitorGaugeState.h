#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>

namespace corvane {

class CMonitoredItem;

// Palette indexes of the gauges.
inline constexpr std::uint8_t kGaugeBlack = 0;
inline constexpr std::uint8_t kGaugeAmber = 32;
inline constexpr std::uint8_t kGaugeGreen = 128;
inline constexpr std::uint8_t kGaugeRed = 205;

// Where the bar gauge's colours and needle fall in a bitmap `width` columns wide. Every
// column index lies inside the bitmap: bands end at `width` at most, and the three-pixel
// needle starts no later than width - 3.
struct BarColumns {
    int width = 0;
    bool bands = false;    // false: the range is undefined, the bar stays plain amber
    int amberEnd = 0;      // amber: [0, amberEnd)
    int greenEnd = 0;      // green: [amberEnd, greenEnd), red: [greenEnd, width)
    bool needle = false;   // false: no needle is drawn
    int needleColumn = 0;  // black: [needleColumn, needleColumn + 3)
};

// The state of one item's own window: moving average, needle and band fractions, colour
// state, and the texts of the caption and the value box. The window draws what this holds.
class CMonitorGaugeState {
public:
    static constexpr int kAveragedValues = 4;
    static constexpr int kNeedleWidth = 3;
    static constexpr double kNeedleOverRange = 0.985;

    // One refresh from the item: the value (the last AFR for the two EGO items), the moving
    // average over the last four values, the fractions, texts and colour state. Writes the
    // item's current value text. A zero or undefined gauge range switches the needle and the
    // bands off instead of producing undefined fractions.
    void Refresh(CMonitoredItem& item);

    [[nodiscard]] double Value() const { return m_value; }
    [[nodiscard]] double Average() const { return m_average; }
    [[nodiscard]] bool FractionsValid() const { return m_fractionsValid; }
    [[nodiscard]] double NeedleFraction() const { return m_needleFraction; }
    [[nodiscard]] double YellowFraction() const { return m_yellowFraction; }
    [[nodiscard]] double RedFraction() const { return m_redFraction; }
    [[nodiscard]] int ColourState() const { return m_colourState; }
    [[nodiscard]] std::uint8_t ColourIndex() const;
    [[nodiscard]] const std::string& Caption() const { return m_caption; }
    [[nodiscard]] const std::string& ValueBoxText() const { return m_valueBoxText; }

    [[nodiscard]] BarColumns Columns(int width) const;

private:
    std::array<double, kAveragedValues> m_kept{};
    double m_value = 0.0;
    double m_average = 0.0;
    bool m_fractionsValid = false;
    double m_needleFraction = 0.0;
    double m_yellowFraction = 0.0;
    double m_redFraction = 0.0;
    int m_colourState = 0;
    std::string m_caption;
    std::string m_valueBoxText;
};

// Columns of a bar `width` wide for the given fractions (see BarColumns).
[[nodiscard]] BarColumns ComputeBarColumns(int width, bool bandsValid, double yellowFraction,
                                           double redFraction, bool needleValid, double needleFraction);
// Paints one row of the bar: bands, then the needle. The row is `columns.width` long.
void PaintBarRow(std::span<std::uint8_t> row, const BarColumns& columns);

}  // namespace corvane
