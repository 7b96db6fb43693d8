#include <gtest/gtest.h>

#include <string>

#include "sim/Scenario.h"

namespace corvane::sim {
namespace {

TEST(ScenarioParse, HoldVisitsEverySiteOfEveryRowForItsDwell) {
  std::string error;
  auto hold = Scenario::Parse("hold row=8,9 sites=0..63/21 dwell=2", 1, &error);
  ASSERT_TRUE(hold) << error;
  EXPECT_DOUBLE_EQ(hold->Duration(), 2 * 4 * 2.0);
  EXPECT_DOUBLE_EQ(hold->TargetAt(0.5).rpm, 2048.0);
  EXPECT_NEAR(hold->TargetAt(2.5).throttleDeg, 21 * 16 * 88.68 / 1008, 1e-9);
  EXPECT_DOUBLE_EQ(hold->TargetAt(8.5).rpm, 2304.0);
  EXPECT_DOUBLE_EQ(hold->TargetAt(100.0).rpm, 0.0) << "idles once finished";
}

TEST(ScenarioParse, SweepRampsBetweenItsEnds) {
  auto sweep = Scenario::Parse("sweep rpm=1000..5000 tps=0..80 duration=10", 1);
  ASSERT_TRUE(sweep);
  EXPECT_DOUBLE_EQ(sweep->TargetAt(5.0).rpm, 3000.0);
  EXPECT_DOUBLE_EQ(sweep->TargetAt(5.0).throttleDeg, 40.0);
}

TEST(ScenarioParse, RideDependsOnlyOnItsSeed) {
  auto a = Scenario::Parse("ride duration=60", 5);
  auto b = Scenario::Parse("ride duration=60", 5);
  auto c = Scenario::Parse("ride duration=60 seed=6", 5);
  ASSERT_TRUE(a && b && c);
  bool differs = false;
  for (double t = 0; t < 60; t += 0.7) {
    EXPECT_DOUBLE_EQ(a->TargetAt(t).rpm, b->TargetAt(t).rpm);
    EXPECT_GE(a->TargetAt(t).rpm, 1000.0);
    EXPECT_LE(a->TargetAt(t).throttleDeg, 88.68);
    differs = differs || a->TargetAt(t).rpm != c->TargetAt(t).rpm;
  }
  EXPECT_TRUE(differs);
}

TEST(ScenarioParse, RejectsWhatItDoesNotUnderstand) {
  for (const char* bad : {"", "fly", "hold sites=1", "hold rpm=2048", "hold rpm=x sites=1", "hold rpm=2048 sites=1 dwell=0",
                          "idle speed=3", "sweep rpm=1..", "hold rpm=0..100000/0.001 sites=1", "hold rpm=1000 sites=1 colour", "ride seed=-3", "ride seed=1.5"}) {
    std::string error;
    EXPECT_FALSE(Scenario::Parse(bad, 1, &error)) << bad;
    EXPECT_FALSE(error.empty()) << bad;
  }
}

}  // namespace
}  // namespace corvane::sim
