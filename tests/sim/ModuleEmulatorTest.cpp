#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "sim/EngineModel.h"
#include "sim/ModuleEmulator.h"

namespace corvane::sim {
namespace {

using Result = ModuleEmulator::Result;

std::vector<std::uint8_t> ReadBytes(ModuleEmulator& module, std::uint16_t address, std::uint16_t length) {
  std::vector<std::uint8_t> out;
  EXPECT_EQ(module.Read(address, length, out), Result::Ok);
  return out;
}

void SetMarker(ModuleEmulator& module, bool on) {
  const std::array<std::uint8_t, 4> off{0, 0, 0, 0};
  ASSERT_EQ(module.Write(kUpgradeMarkerAddress, on ? std::span<const std::uint8_t>(kUpgradeMarkerOn)
                                                   : std::span<const std::uint8_t>(off)),
            Result::Ok);
}

TEST(ModuleEmulatorIdentity, AnswersItsFamilyIdentityAndVersion) {
  EmulatorOptions options;
  options.productCode = 2;
  options.firmwareVersion = 81;
  ModuleEmulator module(options);
  EXPECT_EQ(module.ProductFamily(), Family::B);
  EXPECT_EQ(module.FirmwareVersion(), 81);
  EXPECT_EQ(ReadBytes(module, kFirmwareVersionAddress, 1)[0], 81);
  EXPECT_NE(module.ModuleId(), kUpgradeLoaderModuleId);
  EXPECT_EQ(ReadBytes(module, kModuleIdAddress, 4)[0], module.ModuleId());

  const std::vector<std::uint8_t> name = ReadBytes(module, kBaseMapNameAddress, kBaseMapNameLength);
  for (std::uint8_t c : name) EXPECT_TRUE(c >= 0x20 && c < 0x7F) << "base map name is printable text";
  EXPECT_GE(ModuleEmulator(1, 1).FirmwareVersion(), 81);
}

TEST(ModuleEmulatorIdentity, FamiliesFollowProductCodes) {
  for (std::uint32_t code : {1u, 128u}) EXPECT_EQ(FamilyOfProductCode(code), Family::A);
  for (std::uint32_t code : {2u, 8u, 64u}) EXPECT_EQ(FamilyOfProductCode(code), Family::B);
  for (std::uint32_t code : {4u, 256u}) EXPECT_EQ(FamilyOfProductCode(code), Family::C);
}

TEST(ModuleEmulatorIdentity, ModuleIdBytesCannotBeOverwritten) {
  ModuleEmulator module;
  const int id = module.ModuleId();
  const std::uint8_t nameByte = module.Peek(0x0F0C);
  const std::array<std::uint8_t, 8> bytes{1, 2, 3, 4, 5, 6, 7, 8};
  EXPECT_EQ(module.Write(0x0F0C, bytes), Result::Refused);
  EXPECT_EQ(module.ModuleId(), id);
  EXPECT_EQ(module.Peek(0x0F0C), nameByte) << "a refused write changes nothing";
  const std::array<std::uint8_t, 4> name{'A', 'B', 'C', 'D'};
  EXPECT_EQ(module.Write(0x0F0C, name), Result::Ok) << "the base map name next to it is writable";
}

TEST(ModuleEmulatorUpgrade, MarkerTakesEffectOnlyAtPowerCycle) {
  ModuleEmulator module;
  const int normalId = module.ModuleId();
  SetMarker(module, true);
  EXPECT_TRUE(module.UpgradeMarkerOn());
  EXPECT_EQ(module.ModuleId(), normalId) << "the marker is read at boot";

  module.PowerCycle();
  EXPECT_TRUE(module.InUpgradeMode());
  EXPECT_EQ(module.ModuleId(), kUpgradeLoaderModuleId);
  EXPECT_EQ(ReadBytes(module, kModuleIdAddress, 4)[0], normalId) << "the stored ID stays readable for the tool";

  module.PowerCycle();
  EXPECT_EQ(module.ModuleId(), kUpgradeLoaderModuleId) << "stays in the loader while the marker is on";

  SetMarker(module, false);
  EXPECT_EQ(module.ModuleId(), kUpgradeLoaderModuleId) << "until the next power cycle";
  module.PowerCycle();
  EXPECT_FALSE(module.InUpgradeMode());
  EXPECT_EQ(module.ModuleId(), normalId);
}

TEST(ModuleEmulatorUpgrade, LoaderAcceptsOnlyIdentityPageWritesAndNoEngine) {
  ModuleEmulator module;
  SetMarker(module, true);
  module.PowerCycle();
  const std::array<std::uint8_t, 2> bytes{1, 2};
  EXPECT_EQ(module.Write(0x8000, bytes), Result::Refused);
  EXPECT_EQ(module.Write(0x0F18, bytes), Result::Ok);
  module.StartMonitor(kMonitorBlockAddress, kMonitorBlockLength);
  EXPECT_FALSE(module.Monitoring());
}

TEST(ModuleEmulatorFlash, WritesOnlyInUpgradeModeAndBelowC000) {
  ModuleEmulator module;
  const std::vector<std::uint8_t> block(512, 0x5A);
  EXPECT_EQ(module.FlashWrite(0x8000, block), Result::Refused) << "normal firmware refuses flash writes";

  SetMarker(module, true);
  module.PowerCycle();
  EXPECT_EQ(module.FlashWrite(0x8000, block), Result::Ok);
  EXPECT_EQ(module.Peek(0x8000), 0x5A);
  EXPECT_EQ(module.FlashWrite(0xBE00, block), Result::Ok) << "ends exactly at 0xC000";
  EXPECT_EQ(module.FlashWrite(0xBF00, block), Result::OutOfRange) << "would cross 0xC000";
  EXPECT_EQ(module.Peek(0xBF00), 0x5A) << "from the block before, not from the refused one";
  EXPECT_EQ(module.FlashWrite(0xC000, block), Result::OutOfRange);
  EXPECT_EQ(module.FlashWrite(0x10000, block), Result::OutOfRange);
  EXPECT_EQ(module.FlashWriteCount(), 2u);
}

TEST(ModuleEmulatorFlash, FlashDoesNotOverwriteTheLoaderIdentityPage) {
  ModuleEmulator module;
  SetMarker(module, true);
  module.PowerCycle();
  const std::vector<std::uint8_t> block(512, 0x00);
  ASSERT_EQ(module.FlashWrite(0x0E00, block), Result::Ok);
  EXPECT_TRUE(module.UpgradeMarkerOn());
  EXPECT_EQ(module.Peek(0x0EFF), 0x00);
}

TEST(ModuleEmulatorFlash, CompleteUpgradeReturnsToNormalWithNewVersion) {
  ModuleEmulator module;
  const int normalId = module.ModuleId();
  SetMarker(module, true);
  module.PowerCycle();
  const std::vector<std::uint8_t> block(256, 0x11);
  ASSERT_EQ(module.FlashWrite(0x2000, block), Result::Ok);
  EXPECT_FALSE(module.FirmwareIntact());
  SetMarker(module, false);
  const std::array<std::uint8_t, 4> init{0x60, 0, 0, 0};
  ASSERT_EQ(module.Write(kFirmwareVersionAddress, init), Result::Ok);
  EXPECT_TRUE(module.FirmwareIntact());
  module.PowerCycle();
  EXPECT_EQ(module.ModuleId(), normalId);
  EXPECT_EQ(module.FirmwareVersion(), 0x60);
}

TEST(ModuleEmulatorFlash, PowerLossMidFlashLeavesPartialDataAndBootsTheLoader) {
  ModuleEmulator module;
  SetMarker(module, true);
  module.PowerCycle();
  const std::vector<std::uint8_t> block(512, 0x77);
  module.ArmPowerLossDuringFlash(100);
  EXPECT_EQ(module.FlashWrite(0x3000, block), Result::Refused);
  EXPECT_FALSE(module.Powered());
  EXPECT_EQ(module.Peek(0x3000 + 99), 0x77);
  EXPECT_NE(module.Peek(0x3000 + 100), 0x77) << "only the first 100 bytes made it";

  module.PowerOn();
  EXPECT_EQ(module.ModuleId(), kUpgradeLoaderModuleId);
  // Recovery: the whole image again, marker off, initialization bytes.
  ASSERT_EQ(module.FlashWrite(0x3000, block), Result::Ok);
  SetMarker(module, false);
  const std::array<std::uint8_t, 4> init{0x53, 0, 0, 0};
  ASSERT_EQ(module.Write(kFirmwareVersionAddress, init), Result::Ok);
  module.PowerCycle();
  EXPECT_FALSE(module.InUpgradeMode());
  EXPECT_EQ(module.Peek(0x3000 + 511), 0x77);
}

TEST(ModuleEmulatorFlash, FailedUpgradeWithMarkerOffStillBootsTheLoader) {
  // The upgrade tool turns the marker off after a failed block but skips the initialization
  // bytes; half a firmware must not be started.
  ModuleEmulator module;
  SetMarker(module, true);
  module.PowerCycle();
  const std::vector<std::uint8_t> block(64, 0x22);
  ASSERT_EQ(module.FlashWrite(0x1000, block), Result::Ok);
  SetMarker(module, false);
  module.PowerCycle();
  EXPECT_EQ(module.ModuleId(), kUpgradeLoaderModuleId);
}

TEST(ModuleEmulatorMemory, BoundsAreTheModuleMemory) {
  ModuleEmulator module;
  std::vector<std::uint8_t> out;
  EXPECT_EQ(module.Read(0xDFFF, 1, out), Result::Ok);
  EXPECT_EQ(module.Read(0xDFFF, 2, out), Result::OutOfRange);
  EXPECT_EQ(module.Read(0xE000, 1, out), Result::OutOfRange);
  EXPECT_EQ(module.Read(0xFFFF, 0xFFFF, out), Result::OutOfRange) << "no wrap-around";
  const std::array<std::uint8_t, 2> two{1, 2};
  EXPECT_EQ(module.Write(0xDFFE, two), Result::Ok);
  EXPECT_EQ(module.Write(0xDFFF, two), Result::OutOfRange);
  EXPECT_EQ(module.PeekWord(0xDFFE), 0x0102);
}

TEST(ModuleEmulatorMemory, WriteThenReadBack) {
  ModuleEmulator module;
  const std::vector<std::uint8_t> bytes{9, 8, 7, 6};
  ASSERT_EQ(module.Write(0x8100, bytes), Result::Ok);
  EXPECT_EQ(ReadBytes(module, 0x8100, 4), bytes);
}

TEST(ModuleEmulatorFaults, BusyCountsDownAndPowerOffRefuses) {
  ModuleEmulator module;
  std::vector<std::uint8_t> out;
  module.SetBusyForCalls(2);
  EXPECT_EQ(module.Read(0, 1, out), Result::Busy);
  EXPECT_EQ(module.Write(0x8000, std::vector<std::uint8_t>{1}), Result::Busy);
  EXPECT_EQ(module.Read(0, 1, out), Result::Ok);

  module.PowerOff();
  EXPECT_EQ(module.Read(0, 1, out), Result::Refused);
  EXPECT_TRUE(module.MonitorBlock().empty());
  module.PowerOn();
  EXPECT_EQ(module.Read(0, 1, out), Result::Ok);
}

TEST(ModuleEmulatorFaults, FlakyCellDamagesOnlyItsByteOfTheArmedWrites) {
  ModuleEmulator module;
  const std::vector<std::uint8_t> bytes(16, 0x5A);
  module.ArmFlakyWrite(0x9A05, 1);
  // A write elsewhere does not use up the fault.
  ASSERT_EQ(module.Write(0x9000, bytes), Result::Ok);
  EXPECT_EQ(ReadBytes(module, 0x9000, 16), bytes);
  // The write is answered Ok; only its byte at the cell differs.
  ASSERT_EQ(module.Write(0x9A00, bytes), Result::Ok);
  auto back = ReadBytes(module, 0x9A00, 16);
  EXPECT_EQ(back[5], 0xA5);
  back[5] = 0x5A;
  EXPECT_EQ(back, bytes);
  EXPECT_EQ(module.FlakyWritesDamaged(), 1);
  // Used up: the next write over it is stored intact.
  ASSERT_EQ(module.Write(0x9A00, bytes), Result::Ok);
  EXPECT_EQ(ReadBytes(module, 0x9A00, 16), bytes);

  // For good (a dead cell): every write over it.
  module.ArmFlakyWrite(0x9A05, -1);
  for (int i = 0; i < 3; ++i) {
    ASSERT_EQ(module.Write(0x9A04, std::span(bytes).first(2)), Result::Ok);
    EXPECT_EQ(module.Peek(0x9A05), 0xA5);
  }
}

TEST(ModuleEmulatorFaults, PowerLossStopsTheStream) {
  ModuleEmulator module;
  module.StartMonitor(kMonitorBlockAddress, kMonitorBlockLength);
  EXPECT_TRUE(module.Monitoring());
  module.PowerCycle();
  EXPECT_FALSE(module.Monitoring());
}

TEST(ModuleEmulatorWarranty, RunTimeLogsAdvanceInTheBandOfTheEngineSpeed) {
  ModuleEmulator module;
  ASSERT_TRUE(module.StartScenario("hold rpm=3050 tps=20 dwell=4000"));
  module.Advance(5.0);     // spin up
  const std::uint32_t before = module.PeekLong(kWarrantyAddress + 4 * 25);   // 3000 .. 3099 rpm
  module.Advance(3600.0);
  const std::uint32_t after = module.PeekLong(kWarrantyAddress + 4 * 25);
  EXPECT_NEAR(static_cast<double>(after - before), 3600.0, 2.0);
  EXPECT_EQ(module.PeekLong(kWarrantyAddress + 4 * 40), 0u) << "never ran at 4500 rpm";
}

TEST(ModuleEmulatorWarranty, IdleCountsInItsBandAndStoppedEngineCountsNothing) {
  ModuleEmulator module;     // idles at 950 rpm: band 4 (900 .. 999)
  module.Advance(120.0);
  EXPECT_GE(module.PeekLong(kWarrantyAddress + 4 * 4), 115u);
  module.PowerOff();
  const std::vector<std::uint8_t> before(module.Memory().begin() + kWarrantyAddress,
                                         module.Memory().begin() + kRevLimitHitsAddress);
  module.Advance(100.0);
  EXPECT_TRUE(std::equal(before.begin(), before.end(), module.Memory().begin() + kWarrantyAddress));
}

// Each arrival at the limiter counts once; a full counter stays full. A second scenario starts
// from its own beginning, not where the first one ended.
TEST(ModuleEmulatorWarranty, RevLimitHitsCountEachArrivalAndStopAtTheMaximum) {
  ModuleEmulator module;     // rev limit 6144 rpm
  ASSERT_TRUE(module.StartScenario("hold rpm=7000,3000,7000 tps=80 dwell=5"));
  module.Advance(16.0);
  EXPECT_EQ(module.PeekWord(kRevLimitHitsAddress), 2);
  EXPECT_LT(module.Engine().Rpm(), 6200.0);
  ASSERT_TRUE(module.ScenarioFinished());
  module.PokeWord(kRevLimitHitsAddress, 0xFFFF);
  ASSERT_TRUE(module.StartScenario("hold rpm=7000,3000 tps=80 dwell=5"));  // shorter than the first
  EXPECT_FALSE(module.ScenarioFinished());
  module.Advance(11.0);
  EXPECT_EQ(module.PeekWord(kRevLimitHitsAddress), 0xFFFF);
}

TEST(ModuleEmulatorWarranty, ClearedCountersReadBackZeroAndVinIsThere) {
  ModuleEmulator module(2);
  module.Advance(30.0);
  const std::array<std::uint8_t, 4> zeros{0, 0, 0, 0};
  ASSERT_EQ(module.Write(kWarrantyAddress + 16, zeros), Result::Ok);
  ASSERT_EQ(module.Write(kRevLimitHitsAddress, zeros), Result::Ok);
  EXPECT_EQ(module.PeekLong(kWarrantyAddress + 16), 0u);
  EXPECT_EQ(module.PeekWord(kRevLimitHitsAddress), 0);
  const std::vector<std::uint8_t> vin = ReadBytes(module, kVinAddress, kVinLength);
  EXPECT_EQ(std::string(vin.begin(), vin.begin() + 17).size(), 17u);
  EXPECT_NE(vin[0], 0);
  EXPECT_EQ(vin[17], 0) << "VIN padded with zero bytes";
}

}  // namespace
}  // namespace corvane::sim
