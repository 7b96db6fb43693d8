#include <gtest/gtest.h>

#include "sim/ModuleEmulator.h"
#include "sim/StockTune.h"

namespace corvane::sim {
namespace {

class StockTuneFamilies : public ::testing::TestWithParam<std::uint32_t> {};

TEST_P(StockTuneFamilies, IgnitionRowsStayWithinTheirRangeAndAdvanceWithSpeed) {
  ModuleEmulator module(GetParam());
  for (int row = 0; row < StockTune::kRows; ++row) {
    for (int p = 0; p < StockTune::kRowPoints; ++p) {
      const int deg = module.Peek(static_cast<std::uint16_t>(StockTune::kIgnitionAddress + 0x40 * row + p));
      EXPECT_GE(deg, 0);
      EXPECT_LE(deg, 45) << "row " << row << " point " << p;
    }
  }
  EXPECT_GT(module.Peek(StockTune::kIgnitionAddress + 0x40 * 20), module.Peek(StockTune::kIgnitionAddress + 0x40 * 2));
}

TEST_P(StockTuneFamilies, BasicSettingsHoldTheFactoryValues) {
  ModuleEmulator module(GetParam());
  EXPECT_EQ(module.PeekWord(0x0400), 1340);           // engine size
  EXPECT_EQ(module.Peek(0x0402), 2);                  // cylinders
  EXPECT_EQ(module.Peek(0x0405), 2);                  // injectors
  EXPECT_NEAR(module.PeekWord(0x0406) * 32.0 / 65535.0, 14.7, 0.001);
  const int revLimit = 4000 + (module.Peek(0x040A) - 125) * 32;
  EXPECT_EQ(revLimit, 6144);
  EXPECT_EQ(module.Peek(0x0410), 70);                 // TPS offset
  EXPECT_EQ(module.Peek(0x0418), 2);
  EXPECT_LE(module.Peek(0x041A), 1);
}

TEST_P(StockTuneFamilies, CalibrationCurvesAreMonotonicAndInRange) {
  ModuleEmulator module(GetParam());
  for (std::uint16_t base : {StockTune::kHeadTempCurve, StockTune::kAirTempCurve}) {
    for (int i = 1; i < StockTune::kCurvePoints; ++i) {
      const int a = module.PeekWord(static_cast<std::uint16_t>(base + 2 * (i - 1)));
      const int b = module.PeekWord(static_cast<std::uint16_t>(base + 2 * i));
      EXPECT_LE(b, a) << "thermistor: more counts, colder";
      EXPECT_LE(b, 1023);
    }
  }
  for (std::uint16_t base : {StockTune::kAdjTpsCurve, StockTune::kTpsPercentCurve}) {
    for (int i = 1; i < StockTune::kCurvePoints; ++i) {
      EXPECT_GE(module.PeekWord(static_cast<std::uint16_t>(base + 2 * i)),
                module.PeekWord(static_cast<std::uint16_t>(base + 2 * (i - 1))));
      EXPECT_LE(module.PeekWord(static_cast<std::uint16_t>(base + 2 * i)), 1023);
    }
  }
  // Room temperature through the air sensor reads back as room temperature.
  const int adc = StockTune::AirTempAdc(77.0);
  EXPECT_NEAR(-40.0 + module.PeekWord(static_cast<std::uint16_t>(StockTune::kAirTempCurve + 2 * adc)) * 0.5, 77.0, 1.5);
}

INSTANTIATE_TEST_SUITE_P(AllProductCodes, StockTuneFamilies, ::testing::Values(1u, 128u, 2u, 8u, 64u, 4u, 256u));

TEST(StockTuneFuel, EveryFuelRowRisesWithThrottleWithinTheMapRange) {
  ModuleEmulator module(1);
  for (int row = 0; row < StockTune::kRows; ++row) {
    int previous = -1;
    for (int p = 0; p < StockTune::kRowPoints; ++p) {
      const int value = module.PeekWord(static_cast<std::uint16_t>(StockTune::kFuelAddress + 0x80 * row + 2 * p));
      EXPECT_GE(value, previous) << "row " << row << " point " << p;
      EXPECT_LE(value, 1023);
      previous = value;
    }
    const int idle = module.PeekWord(static_cast<std::uint16_t>(StockTune::kFuelAddress + 0x80 * row));
    EXPECT_GT(previous, 2 * idle) << "full throttle needs far more fuel than closed throttle";
    EXPECT_NEAR(idle * StockTune::kFuelMsPerCount, 1.6, 0.05);
  }
}

TEST(StockTuneFuel, RearTrimIsNearZeroPercentAndInRange) {
  ModuleEmulator module(128);
  for (int row = 0; row < StockTune::kRows; ++row) {
    for (int p = 0; p < StockTune::kRowPoints; ++p) {
      const double percent =
          -50.0 + module.Peek(static_cast<std::uint16_t>(StockTune::kRearTrimAddress + 0x40 * row + p)) * 99.6 / 255.0;
      EXPECT_GT(percent, -3.0);
      EXPECT_LT(percent, 3.0);
    }
  }
}

TEST(StockTuneFuel, SingleMapsOfFamilyAAreFilledAndOthersErased) {
  ModuleEmulator a(1);
  ModuleEmulator c(4);
  EXPECT_NE(a.PeekWord(0x9000), 0xFFFF);                 // cranking fuel
  EXPECT_LE(a.PeekWord(0x9000), 1023);
  for (int p = 0; p < 64; ++p) {
    const int idle = a.Peek(static_cast<std::uint16_t>(0x9640 + p));
    EXPECT_GE(idle, 25);
    EXPECT_LE(idle, 96);
    for (std::uint16_t timing : {0xA000, 0xA040, 0xA080, 0xA0C0, 0xA100}) {
      EXPECT_GE(a.Peek(static_cast<std::uint16_t>(timing + p)), 118);
      EXPECT_LE(a.Peek(static_cast<std::uint16_t>(timing + p)), 138);
    }
    EXPECT_LE(a.Peek(static_cast<std::uint16_t>(0x9740 + p)), 179);
  }
  EXPECT_EQ(c.PeekWord(StockTune::kFuelAddress), 0xFFFF) << "ignition-only modules have no fuel map";
  EXPECT_NE(c.Peek(0xA080), 0xFF) << "rear timing vs speed exists in every family";
  EXPECT_NE(c.Peek(0x913F), 0xFF) << "dwell exists in every family";
}

}  // namespace
}  // namespace corvane::sim
