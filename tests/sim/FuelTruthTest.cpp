#include <gtest/gtest.h>

#include <string>

#include "sim/EgoSensorCurve.h"
#include "sim/FuelTruth.h"
#include "sim/ModuleEmulator.h"
#include "sim/MonitorLayout.h"
#include "sim/Scenario.h"

namespace corvane::sim {
namespace {

std::string Row(double factor, int columns = 64) {
  std::string row;
  for (int c = 0; c < columns; ++c) row += (c ? "," : "") + std::to_string(factor);
  return row + "\n";
}

std::string Block(double factor, int rows = 32) {
  std::string text;
  for (int r = 0; r < rows; ++r) text += Row(factor);
  return text;
}

TEST(FuelTruthFile, AFrontBlockServesBothCylindersAndASecondBlockIsTheRears) {
  std::string error;
  const auto front = FuelTruth::Parse("# need of a modified engine\n\n" + Block(1.1), &error);
  ASSERT_TRUE(front) << error;
  EXPECT_FALSE(front->HasRear());
  EXPECT_DOUBLE_EQ(front->Cell(31, 63, true), 1.1);
  const auto both = FuelTruth::Parse(Block(1.1) + "\r\n" + Block(0.95), &error);
  ASSERT_TRUE(both) << error;
  EXPECT_TRUE(both->HasRear());
  EXPECT_DOUBLE_EQ(both->Cell(4, 7, false), 1.1);
  EXPECT_DOUBLE_EQ(both->Cell(4, 7, true), 0.95);
  const auto again = FuelTruth::Parse(both->ToText(), &error);
  ASSERT_TRUE(again) << error;
  EXPECT_DOUBLE_EQ(again->Cell(4, 7, true), 0.95);
}

TEST(FuelTruthFile, AFileThatDoesNotFitIsRefusedWithItsLineAndColumn) {
  struct Case {
    std::string text;
    std::string expected;
  };
  const std::vector<Case> cases{
      {"", "line 1: 0 rows"},
      {Block(1.0, 31), "31 rows at the end of the file"},
      {Block(1.0, 33), "33 rows at the end of the file"},
      {Block(1.0, 64) + Row(1.0), "line 65: more than 64 rows"},
      {Block(1.0, 5) + Row(1.0, 63) + Block(1.0, 26), "line 6: 63 factors"},
      {Block(1.0, 5) + Row(1.0, 65) + Block(1.0, 26), "line 6, column 65: more than 64 factors"},
      {Block(1.0, 3) + "1.0,1.0,abc," + Row(1.0, 61) + Block(1.0, 28), "line 4, column 3: \"abc\" is not a number"},
      {Block(1.0, 7) + "1.0,2.5," + Row(1.0, 62) + Block(1.0, 24), "line 8, column 2: factor 2.5 is outside 0.5 ... 2.0"},
      {Block(1.0, 2) + "0.4," + Row(1.0, 63) + Block(1.0, 29), "line 3, column 1: factor 0.4"},
      {Block(1.0, 2) + "1.0,," + Row(1.0, 62) + Block(1.0, 29), "line 3, column 2: \"\" is not a number"},
  };
  for (const Case& c : cases) {
    std::string error;
    EXPECT_FALSE(FuelTruth::Parse(c.text, &error));
    EXPECT_NE(error.find(c.expected), std::string::npos) << "expected \"" << c.expected << "\" in \"" << error << "\"";
  }
  std::string error;
  EXPECT_FALSE(FuelTruth::Load("/no/such/truth.csv", &error));
  EXPECT_NE(error.find("cannot open"), std::string::npos);
}

TEST(FuelTruthFile, BetweenCellsTheNeedIsBlendedAsTheModuleBlendsItsTable) {
  FuelTruth truth;
  truth.SetCell(10, 20, 1.2);
  EXPECT_DOUBLE_EQ(truth.At(2560.0, 320.0), 1.2) << "the cell's centre";
  EXPECT_DOUBLE_EQ(truth.At(2560.0 + 128.0, 320.0), 1.1) << "half way to the next row";
  EXPECT_DOUBLE_EQ(truth.At(2560.0, 328.0), 1.1) << "half way to the next site";
  EXPECT_DOUBLE_EQ(truth.At(2560.0, 320.0, true), 1.2) << "without a rear block the rear needs the same";
  EXPECT_DOUBLE_EQ(truth.At(99999.0, -5.0), 1.0) << "clamped at the table's edges";
  const FuelTruth smooth = FuelTruth::Smooth(0.15, 7, 3.0, 0.05);
  double low = 2.0, high = 0.0;
  for (int r = 0; r < 32; ++r)
    for (int c = 0; c < 64; ++c) {
      low = std::min(low, smooth.Cell(r, c));
      high = std::max(high, smooth.Cell(r, c));
      EXPECT_NEAR(smooth.Cell(r, c, true) / smooth.Cell(r, c), 1.0, 0.05 + 1e-9);
    }
  EXPECT_NEAR(low, 0.85, 0.03);
  EXPECT_NEAR(high, 1.15, 0.03);
  EXPECT_DOUBLE_EQ(FuelTruth::Smooth(0.15, 7, 3.0).Cell(9, 9), smooth.Cell(9, 9)) << "a seed gives its table";
}

double MeasuredAfr(ModuleEmulator& module, bool rear) {
  double sum = 0.0;
  for (int i = 0; i < 20; ++i) {
    module.Advance(0.05);
    sum += EgoSensorCurve::AfrForRaw(MonitorLayout::GetRaw(module.MonitorBlock(), rear ? Live::RearEgo : Live::FrontEgo));
  }
  return sum / 20.0;
}

TEST(FuelTruthFile, TheSimulatedEngineNeedsWhatTheTableSaysEachCylinderItsOwn) {
  FuelTruth truth;
  for (int r = 0; r < 32; ++r)
    for (int c = 0; c < 64; ++c) {
      truth.SetCell(r, c, 1.08, false);
      truth.SetCell(r, c, 0.97, true);
    }
  EmulatorOptions options;
  options.fuelTruth = std::make_shared<const FuelTruth>(truth);
  ModuleEmulator module(options);
  ASSERT_TRUE(module.StartScenario("hold rpm=3072 sites=30 dwell=1000"));
  module.Advance(3.0);
  EXPECT_NEAR(MeasuredAfr(module, false), 13.1 * 1.08, 0.03) << "needs 8 % more than the stock tune gives: lean";
  EXPECT_NEAR(MeasuredAfr(module, true), 13.1 * 0.97, 0.03) << "the rear needs 3 % less: rich";
}

}  // namespace
}  // namespace corvane::sim
