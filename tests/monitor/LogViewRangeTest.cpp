#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "monitor/CLogViewRange.h"

using namespace corvane;

namespace {

void ExpectInsideLog(const CLogViewRange& r) {
    EXPECT_GE(r.ShownFirst(), r.LogFirst() - 1e-9);
    EXPECT_LE(r.ShownLast(), r.LogLast() + 1e-9);
    EXPECT_GE(r.ShownSpan(), CLogViewRange::kMinimumSpan - 1e-12);
    EXPECT_GE(r.Cursor(), r.LogFirst());
    EXPECT_LE(r.Cursor(), r.LogLast());
}

}  // namespace

TEST(LogViewRange, ZoomKeepsThePointUnderTheMouseAndNeverLeavesTheLog) {
    CLogViewRange r;
    r.SetLogSpan(10.0, 110.0);
    EXPECT_DOUBLE_EQ(r.ShownFirst(), 10.0);
    EXPECT_DOUBLE_EQ(r.ShownLast(), 110.0);

    // The time at 30 % across stays at 30 % across.
    const double centre = r.TimeAt(0.3);
    r.ZoomAbout(centre, 4.0);
    EXPECT_NEAR(r.ShownSpan(), 25.0, 1e-9);
    EXPECT_NEAR(r.FractionOf(centre), 0.3, 1e-9);

    // Zooming out past the whole log shows the whole log, not more.
    r.ZoomAbout(centre, 0.01);
    EXPECT_DOUBLE_EQ(r.ShownFirst(), 10.0);
    EXPECT_DOUBLE_EQ(r.ShownLast(), 110.0);

    // Zooming in without end stops at the minimum span, at the edge too.
    for (int i = 0; i < 100; ++i) r.ZoomAbout(110.0, 2.0);
    EXPECT_NEAR(r.ShownSpan(), CLogViewRange::kMinimumSpan, 1e-12);
    EXPECT_NEAR(r.ShownLast(), 110.0, 1e-9);
    ExpectInsideLog(r);

    // Input that is no number changes nothing.
    const double first = r.ShownFirst();
    r.ZoomAbout(std::nan(""), 2.0);
    r.ZoomAbout(50.0, 0.0);
    r.ZoomAbout(50.0, -3.0);
    r.Pan(std::numeric_limits<double>::infinity());
    r.Show(std::nan(""), 3.0);
    EXPECT_DOUBLE_EQ(r.ShownFirst(), first);
    ExpectInsideLog(r);
}

TEST(LogViewRange, PanKeepsTheWidthAndStopsAtTheEnds) {
    CLogViewRange r;
    r.SetLogSpan(0.0, 100.0);
    r.Show(20.0, 30.0);
    r.PanPages(CLogViewRange::kKeyPanFraction);
    EXPECT_DOUBLE_EQ(r.ShownFirst(), 21.0);
    EXPECT_DOUBLE_EQ(r.ShownSpan(), 10.0);
    r.Pan(-1000.0);
    EXPECT_DOUBLE_EQ(r.ShownFirst(), 0.0);
    EXPECT_DOUBLE_EQ(r.ShownSpan(), 10.0);
    r.Pan(1000.0);
    EXPECT_DOUBLE_EQ(r.ShownLast(), 100.0);
    EXPECT_DOUBLE_EQ(r.ShownSpan(), 10.0);
    // A span asked for backwards or beyond the log is turned round and cut.
    r.Show(80.0, 60.0);
    EXPECT_DOUBLE_EQ(r.ShownFirst(), 60.0);
    EXPECT_DOUBLE_EQ(r.ShownLast(), 80.0);
    r.Show(-50.0, 500.0);
    EXPECT_DOUBLE_EQ(r.ShownFirst(), 0.0);
    EXPECT_DOUBLE_EQ(r.ShownLast(), 100.0);
}

TEST(LogViewRange, TheCursorStaysInTheLogAndTheViewFollowsIt) {
    CLogViewRange r;
    r.SetLogSpan(0.0, 100.0);
    r.Show(40.0, 50.0);
    r.SetCursor(45.0);
    r.StepCursor(10.0);  // past the right edge: the view comes along
    EXPECT_DOUBLE_EQ(r.Cursor(), 55.0);
    EXPECT_DOUBLE_EQ(r.ShownLast(), 55.0);
    EXPECT_DOUBLE_EQ(r.ShownSpan(), 10.0);
    r.StepCursor(-30.0);
    EXPECT_DOUBLE_EQ(r.Cursor(), 25.0);
    EXPECT_DOUBLE_EQ(r.ShownFirst(), 25.0);
    r.SetCursor(-5.0);
    EXPECT_DOUBLE_EQ(r.Cursor(), 0.0);
    r.SetCursor(1e9);
    EXPECT_DOUBLE_EQ(r.Cursor(), 100.0);

    // A log of one row (or times not in order) still has a span to show.
    r.SetLogSpan(7.0, 7.0);
    ExpectInsideLog(r);
    EXPECT_DOUBLE_EQ(r.Cursor(), 7.0);
    r.SetLogSpan(9.0, 3.0);
    ExpectInsideLog(r);
}

TEST(LogValueAxis, AConstantTraceGetsAnAxisWithRoom) {
    // 2304 rpm held: 5 % either side, so the ticks between carry different numbers.
    const ValueAxisRange held = FitValueAxis(2304.0, 2304.0);
    EXPECT_DOUBLE_EQ(held.lower, 2304.0 - 115.2);
    EXPECT_DOUBLE_EQ(held.upper, 2304.0 + 115.2);
    // A value at or near zero gets at least one unit either side.
    const ValueAxisRange zero = FitValueAxis(0.0, 0.0);
    EXPECT_DOUBLE_EQ(zero.lower, -1.0);
    EXPECT_DOUBLE_EQ(zero.upper, 1.0);
    // Differences in the last bits of a logged double are no span.
    const ValueAxisRange almost = FitValueAxis(13.1, 13.1 + 1e-14);
    EXPECT_LT(almost.lower, 12.2);
    EXPECT_GT(almost.upper, 14.0);
}

TEST(LogValueAxis, ARealSpanGetsFivePercentMargins) {
    const ValueAxisRange r = FitValueAxis(10.0, 30.0);
    EXPECT_DOUBLE_EQ(r.lower, 9.0);
    EXPECT_DOUBLE_EQ(r.upper, 31.0);
    const ValueAxisRange swapped = FitValueAxis(30.0, 10.0);
    EXPECT_DOUBLE_EQ(swapped.lower, 9.0);
    const ValueAxisRange bad = FitValueAxis(std::nan(""), 3.0);
    EXPECT_LT(bad.lower, bad.upper);
}
