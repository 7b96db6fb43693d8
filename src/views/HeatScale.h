#pragma once

#include <QColor>

namespace corvane {

// The colours of the table view's cells: a perceptually even scale from dark blue-violet over
// teal and green to yellow, whose lightness rises steadily, so that it reads the same to
// tuners with red-green colour blindness and in grey print. Text on a cell is black or white,
// whichever stands out more.
class HeatScale {
public:
    // t from 0 (lowest) to 1 (highest), held inside.
    [[nodiscard]] static QColor At(double t);
    // The same in kSteps steps, with the text colour for it: what a table paints per cell
    // (thousands of cells a paint), from a table made once.
    static constexpr int kSteps = 512;
    struct Swatch {
        QColor fill;
        QColor text;
    };
    [[nodiscard]] static const Swatch& SwatchAt(double t);
    // Where value lies between low and high (0.5 when they are equal).
    [[nodiscard]] static double Fraction(double value, double low, double high);
    [[nodiscard]] static QColor TextOn(const QColor& background);
};

}  // namespace corvane
