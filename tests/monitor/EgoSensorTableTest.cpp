#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "monitor/CEgoSensorTable.h"

namespace corvane {
namespace {

constexpr double kScale = 5.0 / 1023.0;

TEST(EgoSensorTable, SmallAfrStepsAreInterpolatedBelowOneHundredth) {
    CEgoSensorTable table;
    table.Parse("12.0,1.00\n12.05,1.10\n", kScale);
    ASSERT_EQ(table.Size(), 7u);  // first line, 5 between, second line
    EXPECT_DOUBLE_EQ(table.Entries()[0].afr, 12.0);
    EXPECT_NEAR(table.Entries()[1].afr, 12.0 + 0.05 / 6, 1e-12);
    EXPECT_NEAR(table.Entries()[3].volt, 1.05, 1e-12);
    EXPECT_EQ(table.Entries()[0].raw, static_cast<int>(1.00 / kScale));
    EXPECT_DOUBLE_EQ(table.Entries()[6].afr, 12.05);
}

TEST(EgoSensorTable, FallingOrCloseLinesAddNothingBetween) {
    CEgoSensorTable table;
    table.Parse("14.0,1.0\r\n13.0,2.0\r\n13.005,2.1\r\n", kScale);
    EXPECT_EQ(table.Size(), 3u);
}

TEST(EgoSensorTable, LookupPicksTheNearerEntryAndTheLowerOnATie) {
    CEgoSensorTable coarse;
    coarse.Parse("10,2.5\n9,7.5\n", 0.5);  // falling AFR: no interpolation; raws 5 and 15
    EXPECT_DOUBLE_EQ(coarse.LookupEgoAfr(0), 10.0);   // below the first
    EXPECT_DOUBLE_EQ(coarse.LookupEgoAfr(10), 10.0);  // exactly half-way: the lower entry
    EXPECT_DOUBLE_EQ(coarse.LookupEgoAfr(11), 9.0);
    EXPECT_DOUBLE_EQ(coarse.LookupEgoAfr(99), 9.0);   // above the last
    EXPECT_DOUBLE_EQ(CEgoSensorTable().LookupEgoAfr(5), 0.0);
}

TEST(EgoSensorTable, GarbageReadsAsZeroAndNeverAsNonFiniteNumbers) {
    CEgoSensorTable table;
    table.Parse("nan,inf\nabc,1e999\n\n   \n14.7", kScale);
    // 0, 0, then 14.7 with the bounded number of entries between
    ASSERT_EQ(table.Size(), 3u + CEgoSensorTable::kMaxInterpolatedPerLine);
    for (const auto& e : table.Entries()) {
        EXPECT_TRUE(std::isfinite(e.afr));
        EXPECT_TRUE(std::isfinite(e.volt));
    }
}

TEST(EgoSensorTable, InterpolationIsBoundedWhateverTheFileSays) {
    CEgoSensorTable table;
    table.Parse("0,0\n1e300,5\n", kScale);
    EXPECT_EQ(table.Size(), 2u + CEgoSensorTable::kMaxInterpolatedPerLine);
    std::string many;
    for (int i = 0; i < 500; ++i) many += i % 2 ? "0,0\n" : "1000,5\n";
    table.Parse(many, kScale);
    EXPECT_LE(table.Size(), CEgoSensorTable::kMaxEntries);
}

TEST(EgoSensorTable, LinesAreReadToSeventyNineCharacters) {
    CEgoSensorTable table;
    table.Parse("13.5," + std::string(74, '0') + "4.5\n", kScale);  // the voltage is past the limit
    ASSERT_EQ(table.Size(), 1u);
    EXPECT_DOUBLE_EQ(table.Entries()[0].volt, 0.0);
}

TEST(EgoSensorTable, UnusableScaleLeavesTheTableEmpty) {
    CEgoSensorTable table;
    table.Parse("13,1\n14,2\n", 0.0);
    EXPECT_TRUE(table.IsEmpty());
    table.Parse("13,1\n14,2\n", std::nan(""));
    EXPECT_TRUE(table.IsEmpty());
}

}  // namespace
}  // namespace corvane
