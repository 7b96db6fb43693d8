#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "sim/EgoSensorCurve.h"
#include "sim/ModuleEmulator.h"
#include "sim/MonitorLayout.h"

namespace corvane::sim {
namespace {

TEST(MonitorLayoutTable, OffsetsAreTheRunningSumOfWidthsOver72Bytes) {
  int offset = 0;
  for (const MonitorField& f : MonitorLayout::Fields()) {
    EXPECT_EQ(f.offset, offset);
    EXPECT_TRUE(f.width == 1 || f.width == 2);
    EXPECT_LE(f.rawMaximum, f.width == 1 ? 0xFF : 0xFFFF);
    offset += f.width;
  }
  EXPECT_EQ(offset, MonitorLayout::kBlockLength);
  EXPECT_EQ(MonitorLayout::Field(Live::StandardThrottlePosition).offset, 31);
  EXPECT_EQ(MonitorLayout::Field(Live::FrontEgo).offset, 49);
  EXPECT_EQ(MonitorLayout::Field(Live::RearEgo).offset, 51);
}

TEST(MonitorLayoutTable, ValuesClampToTheirRawRange) {
  std::vector<std::uint8_t> block(72, 0);
  MonitorLayout::Put(block, Live::ThrottlePosition, 200.0);
  EXPECT_EQ(MonitorLayout::GetRaw(block, Live::ThrottlePosition), 1008);
  MonitorLayout::Put(block, Live::HeadTemperature, -100.0);
  EXPECT_EQ(MonitorLayout::GetRaw(block, Live::HeadTemperature), 0);
}

class MonitorBlockDecoding : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_TRUE(m_module.StartScenario("hold rpm=2048 sites=20 dwell=100"));
    m_module.StartMonitor(kMonitorBlockAddress, kMonitorBlockLength);
    m_module.Advance(5.0);
    m_block = m_module.MonitorBlock();
    ASSERT_EQ(m_block.size(), 72u);
  }
  ModuleEmulator m_module{1, 7};
  std::vector<std::uint8_t> m_block;
};

TEST_F(MonitorBlockDecoding, SpeedAndBothThrottleValuesDecodeBack) {
  EXPECT_EQ(MonitorLayout::GetRaw(m_block, Live::EngineSpeed), 128) << "2048 rpm at 16 rpm per count";
  EXPECT_EQ(MonitorLayout::GetRaw(m_block, Live::ThrottlePosition), 320) << "site 20 = 16 x 20 counts";
  EXPECT_EQ(MonitorLayout::GetRaw(m_block, Live::StandardThrottlePosition), 320);
  EXPECT_EQ(m_block[31], 0x01) << "words go high byte first";
  EXPECT_EQ(m_block[32], 0x40);
}

TEST_F(MonitorBlockDecoding, EgoVoltagesShowTheTargetAfrOnTheStockTune) {
  const int front = MonitorLayout::GetRaw(m_block, Live::FrontEgo);
  const int rear = MonitorLayout::GetRaw(m_block, Live::RearEgo);
  EXPECT_NEAR(EgoSensorCurve::AfrForRaw(front), 13.1, 0.02);
  EXPECT_NEAR(EgoSensorCurve::AfrForRaw(rear), 13.1, 0.02);
  EXPECT_NEAR(MonitorLayout::Get(m_block, Live::FrontEgo), EgoSensorCurve::VoltsForAfr(13.1), 0.01);
}

TEST_F(MonitorBlockDecoding, OtherLiveValuesArePlausible) {
  EXPECT_NEAR(MonitorLayout::Get(m_block, Live::BatteryVoltage), 14.1, 0.05);
  const double head = MonitorLayout::Get(m_block, Live::HeadTemperature);
  EXPECT_GT(head, 100.0);
  EXPECT_LT(head, 350.0);
  EXPECT_NEAR(MonitorLayout::Get(m_block, Live::AirTemperature), 77.0, 2.0);
  EXPECT_NEAR(MonitorLayout::Get(m_block, Live::BarometricPressure), 29.92, 0.05);
  EXPECT_GT(MonitorLayout::Get(m_block, Live::StoichiometricFuel), 1.6);
  EXPECT_GT(MonitorLayout::Get(m_block, Live::FrontSparkAdvance), 5.0);
  EXPECT_GT(MonitorLayout::Get(m_block, Live::RunTime), 4.0);
  EXPECT_NEAR(MonitorLayout::Get(m_block, Live::RearTrim), 0.0, 1.0);
}

TEST_F(MonitorBlockDecoding, BlockIsAlsoReadableAtItsModuleAddress) {
  std::vector<std::uint8_t> read;
  ASSERT_EQ(m_module.Read(kMonitorBlockAddress, kMonitorBlockLength, read), ModuleEmulator::Result::Ok);
  EXPECT_EQ(read, m_block);
}

TEST(MonitorBlock, HoldGivesEverySiteSeveralPacketsInsideTheTrackingWindows) {
  EmulatorOptions options;
  options.speedNoiseRpm = 15.0;
  options.egoNoiseAfr = 0.05;
  ModuleEmulator module(options);
  ASSERT_TRUE(module.StartScenario("hold rpm=2048 sites=10,40,12,63,0 dwell=1"));
  module.Advance(1.0);     // first site: the engine comes up from idle
  for (int site : {40, 12, 63, 0}) {
    int inWindow = 0;
    for (int packet = 0; packet < 20; ++packet) {   // one dwell at 20 packets per second
      module.Advance(1.0 / module.MonitorRateHz());
      const std::vector<std::uint8_t> block = module.MonitorBlock();
      const int rpm = MonitorLayout::GetRaw(block, Live::EngineSpeed) * 16;
      const int throttle = MonitorLayout::GetRaw(block, Live::StandardThrottlePosition);
      if (std::abs(rpm - 2048) <= 64 && std::abs(throttle - 16 * site) <= 6) ++inWindow;
    }
    EXPECT_GE(inWindow, 12) << "site " << site;
  }
}

TEST(MonitorBlock, LiveValuesFollowTheMapsAndCurvesInModuleMemory) {
  ModuleEmulator module;
  ASSERT_TRUE(module.StartScenario("hold rpm=2048 sites=20 dwell=100"));
  const std::vector<std::uint8_t> twenty(64, 20);
  ASSERT_EQ(module.Write(0x9800 + 0x40 * 8, twenty), ModuleEmulator::Result::Ok);   // ignition row 2048
  std::vector<std::uint8_t> curve(2048);
  for (std::size_t i = 0; i < curve.size(); i += 2) curve[i] = 0x01;                 // every point 0x0100
  ASSERT_EQ(module.Write(0xC800, curve), ModuleEmulator::Result::Ok);                // air temperature
  module.Advance(3.0);
  const std::vector<std::uint8_t> block = module.MonitorBlock();
  EXPECT_EQ(MonitorLayout::GetRaw(block, Live::FrontSparkAdvance), 20);
  EXPECT_EQ(MonitorLayout::GetRaw(block, Live::AirTemperature), 0x100);
}

TEST(MonitorBlock, IdleSpeedAndRevLimitComeFromTheSettings) {
  ModuleEmulator module;
  const std::vector<std::uint8_t> idle{static_cast<std::uint8_t>(25 + (1200 - 400) / 16)};
  ASSERT_EQ(module.Write(0x0004, idle), ModuleEmulator::Result::Ok);
  module.Advance(5.0);
  EXPECT_EQ(MonitorLayout::GetRaw(module.MonitorBlock(), Live::EngineSpeed) * 16, 1200);

  const std::vector<std::uint8_t> limit{static_cast<std::uint8_t>(125 + (5024 - 4000) / 32)};
  ASSERT_EQ(module.Write(0x040A, limit), ModuleEmulator::Result::Ok);
  ASSERT_TRUE(module.StartScenario("hold rpm=7000 tps=80 dwell=100"));
  module.Advance(5.0);
  EXPECT_LE(MonitorLayout::GetRaw(module.MonitorBlock(), Live::EngineSpeed) * 16, 5024);
  EXPECT_EQ(module.PeekWord(kRevLimitHitsAddress), 1);
}

TEST(MonitorBlock, StartMonitorRejectsBlocksPastModuleMemory) {
  ModuleEmulator module;
  module.StartMonitor(0xDFF0, 72);
  EXPECT_FALSE(module.Monitoring());
  module.StartMonitor(kMonitorBlockAddress, kMonitorBlockLength);
  EXPECT_TRUE(module.Monitoring());
  module.StopMonitor();
  EXPECT_FALSE(module.Monitoring());
}

TEST(MonitorBlock, IgnitionFamilyReportsNoFuelButStillSpeedAndEgo) {
  ModuleEmulator module(4);
  ASSERT_TRUE(module.StartScenario("hold rpm=3072 tps=30 dwell=100"));
  module.Advance(5.0);
  const std::vector<std::uint8_t> block = module.MonitorBlock();
  EXPECT_EQ(MonitorLayout::GetRaw(block, Live::EngineSpeed), 192);
  EXPECT_EQ(MonitorLayout::GetRaw(block, Live::StoichiometricFuel), 0);
  EXPECT_NEAR(EgoSensorCurve::AfrForRaw(MonitorLayout::GetRaw(block, Live::FrontEgo)), 13.1, 0.02);
}

}  // namespace
}  // namespace corvane::sim
