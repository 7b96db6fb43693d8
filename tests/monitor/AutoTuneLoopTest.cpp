#include <gtest/gtest.h>

#include "monitor/AutoTuneLoopHarness.h"

namespace corvane {
namespace {

TEST(AutoTuneClosedLoop, OnePassOverALeanRowBringsTheVisitedSitesToTarget) {
    test::AutoTuneLoopOptions options;
    const auto figures = test::RunAutoTuneLoop(options);
    EXPECT_GT(figures.meanErrorBefore, 0.5);  // 10 % lean on most visited sites
    EXPECT_EQ(figures.correctedSites, options.sites) << "every visited site got one correction";
    EXPECT_LE(figures.meanErrorAfter, 0.2 * figures.meanErrorBefore)
        << "before " << figures.meanErrorBefore << " after " << figures.meanErrorAfter;
    // Points outside the visited span are never touched; inside it only the smoothing moves
    // the points between visited sites.
    for (int p : figures.changedPoints) {
        EXPECT_GE(p, options.sites.front()) << p;
        EXPECT_LE(p, options.sites.back()) << p;
    }
    for (int p = 0; p < 64; ++p) {
        if (p >= options.sites.front() && p <= options.sites.back()) continue;
        EXPECT_EQ(figures.after[static_cast<std::size_t>(p)], figures.before[static_cast<std::size_t>(p)]) << p;
    }
}

}  // namespace
}  // namespace corvane
