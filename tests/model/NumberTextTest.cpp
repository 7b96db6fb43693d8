#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "model/NumberText.h"

namespace corvane {
namespace {

TEST(ParseNumber, TakesWhatATunerTypes) {
    EXPECT_DOUBLE_EQ(*ParseNumber("13.1"), 13.1);
    EXPECT_DOUBLE_EQ(*ParseNumber("  6400\t"), 6400.0);
    EXPECT_DOUBLE_EQ(*ParseNumber("-0.5"), -0.5);
    EXPECT_DOUBLE_EQ(*ParseNumber("+2"), 2.0);
    EXPECT_DOUBLE_EQ(*ParseNumber(".5"), 0.5);
    EXPECT_DOUBLE_EQ(*ParseNumber("5."), 5.0);
    // The exact text a value is written back in ("%.17g") reads again.
    EXPECT_DOUBLE_EQ(*ParseNumber("1.0000000000000001e-05"), 1.0000000000000001e-05);
    EXPECT_DOUBLE_EQ(*ParseNumber("1E3"), 1000.0);
}

TEST(ParseNumber, RefusesWhatIsNoNumber) {
    // A comma is no decimal point here: "1,340" must not become 1.34 (nor 1340).
    for (const char* text : {"", "   ", "-", "+", ".", "-.", "abc", "12abc", "13.1x", "1,340", "13,1", "1.2.3",
                             "1e", "1e+", "e5", "inf", "-inf", "nan", "0x10", "1e400", "- 5", "5 5", "++5"})
        EXPECT_FALSE(ParseNumber(text).has_value()) << '"' << text << '"';
}

TEST(FormatFixed, ShowsNoNegativeZero) {
    EXPECT_EQ(FormatFixed(-0.004, 2), "0.00");
    EXPECT_EQ(FormatFixed(-0.0, 1), "0.0");
    EXPECT_EQ(FormatFixed(-0.4, 0), "0");
    EXPECT_EQ(FormatFixed(-0.005001, 2), "-0.01");
    EXPECT_EQ(FormatFixed(-12.5, 1), "-12.5");
    // printf's rounding of the exact binary value: 2.675 is 2.67499999...
    EXPECT_EQ(FormatFixed(2.675, 2), "2.67");
    EXPECT_EQ(FormatFixed(6144.0, 0), "6144");
    EXPECT_EQ(FormatFixed(1.5, 99), FormatFixed(1.5, 17));
    std::string reused = "a long text the next value replaces";
    AssignFixed(reused, -0.001, 2);
    EXPECT_EQ(reused, "0.00");
}

TEST(FormatSigned, AlwaysCarriesOneSign) {
    EXPECT_EQ(FormatSigned(8.66, 1), "+8.7");
    EXPECT_EQ(FormatSigned(-0.04, 1), "+0.0");
    EXPECT_EQ(FormatSigned(-3.25, 2), "-3.25");
}

}  // namespace
}  // namespace corvane
