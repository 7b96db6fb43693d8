#include <gtest/gtest.h>

#include "CommsTestSupport.h"

using namespace corvane;
using namespace corvane::comms;
using namespace corvane::comms::test;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

namespace {

sim::EmulatorOptions FastStream() {
    sim::EmulatorOptions m;
    m.monitorRateHz = 100;
    return m;
}

std::vector<int> Statuses(RecordingEvents& ev) {
    return ev.Locked([&] { return ev.statuses; });
}

}  // namespace

TEST(LinkRecovery, PulledCableDuringMonitoringStopsAndRestoresTheStream) {
    SimRig rig({}, FastOptions(), FastStream());
    ASSERT_TRUE(rig.comms->DetectModule());
    rig.comms->StartMonitoring(kMonitorBlockAddress, kMonitorBlockLength);
    ASSERT_TRUE(rig.events.WaitFor([&] { return rig.events.packets.size() >= 5; }, 2s));

    rig.Peer().PullCable();
    ASSERT_TRUE(rig.events.WaitFor([&] { return !rig.events.statuses.empty(); }, 2s));
    EXPECT_EQ(Statuses(rig.events), std::vector<int>{kMonitorStreamLost});
    std::this_thread::sleep_for(300ms);

    const auto plugged = Clock::now();
    rig.Peer().PlugCable();
    ASSERT_TRUE(rig.events.WaitFor([&] { return rig.events.statuses.size() >= 2; }, 5s));
    EXPECT_LT(rig.events.Locked([&] { return rig.events.statusTimes[1]; }) - plugged, 3s);
    EXPECT_EQ(Statuses(rig.events), (std::vector<int>{kMonitorStreamLost, kMonitorStreamRestored}));
    const auto count = rig.events.Locked([&] { return rig.events.packets.size(); });
    EXPECT_TRUE(rig.events.WaitFor([&] { return rig.events.packets.size() > count + 5; }, 2s));
    EXPECT_TRUE(rig.comms->IsMonitoring());
    EXPECT_EQ(rig.events.Locked([&] { return rig.events.failures; }), 0);
}

TEST(LinkRecovery, ModulePowerCycleDuringMonitoringRestartsTheStream) {
    SimRig rig({}, FastOptions(), FastStream());
    ASSERT_TRUE(rig.comms->DetectModule());
    rig.comms->StartMonitoring(kMonitorBlockAddress, kMonitorBlockLength);
    ASSERT_TRUE(rig.events.WaitFor([&] { return rig.events.packets.size() >= 5; }, 2s));
    rig.Peer().PowerOff();
    ASSERT_TRUE(rig.events.WaitFor([&] { return !rig.events.statuses.empty(); }, 2s));
    std::this_thread::sleep_for(200ms);
    const auto on = Clock::now();
    rig.Peer().PowerOn();  // the module boots with its stream off: the library starts it again
    ASSERT_TRUE(rig.events.WaitFor([&] { return rig.events.statuses.size() >= 2; }, 5s));
    EXPECT_LT(rig.events.Locked([&] { return rig.events.statusTimes[1]; }) - on, 3s);
    EXPECT_EQ(Statuses(rig.events), (std::vector<int>{kMonitorStreamLost, kMonitorStreamRestored}));
    EXPECT_TRUE(rig.Peer().WithEmulator([](sim::ModuleEmulator& e) { return e.Monitoring(); }));
}

TEST(LinkRecovery, IdleLinkLossIsNoticedAndRestored) {
    SimRig rig;
    ASSERT_TRUE(rig.comms->DetectModule());
    rig.Peer().PowerOff();
    ASSERT_TRUE(rig.events.WaitFor([&] { return !rig.events.statuses.empty(); }, 2s));
    EXPECT_EQ(Statuses(rig.events), std::vector<int>{kDataLinkLost});
    std::this_thread::sleep_for(200ms);
    const auto on = Clock::now();
    rig.Peer().PowerOn();
    ASSERT_TRUE(rig.events.WaitFor([&] { return rig.events.statuses.size() >= 2; }, 5s));
    EXPECT_LT(rig.events.Locked([&] { return rig.events.statusTimes[1]; }) - on, 3s);
    EXPECT_EQ(Statuses(rig.events), (std::vector<int>{kDataLinkLost, kDataLinkRestored}));
    EXPECT_TRUE(rig.comms->IsLinked());
    EXPECT_TRUE(rig.comms->ReadModuleMemoryBlock(0x0F00, 16));
}

TEST(LinkRecovery, FailedCommandReportsTheDataLinkAndTheNextOneWorksOnceTheModuleIsBack) {
    auto options = FastOptions();
    options.heartbeatInterval = 0ms;
    SimRig rig({}, options);
    ASSERT_TRUE(rig.comms->DetectModule());
    rig.Peer().PullCable();
    EXPECT_FALSE(rig.comms->ReadModuleMemoryBlock(0x0400, 4));
    EXPECT_TRUE(rig.comms->ReadWriteCommandFailed());
    ASSERT_TRUE(rig.events.WaitFor([&] { return !rig.events.statuses.empty(); }, 1s));
    EXPECT_EQ(Statuses(rig.events), std::vector<int>{kDataLinkLost});
    rig.Peer().PlugCable();
    ASSERT_TRUE(rig.events.WaitFor([&] { return rig.events.statuses.size() >= 2; }, 3s));
    EXPECT_EQ(Statuses(rig.events), (std::vector<int>{kDataLinkLost, kDataLinkRestored}));
    EXPECT_TRUE(rig.comms->ReadModuleMemoryBlock(0x0400, 4));
    EXPECT_FALSE(rig.comms->ReadWriteCommandFailed());
}

TEST(LinkRecovery, UnpluggedAdapterIsReopenedWhenItComesBack) {
    SimRig rig;
    ASSERT_TRUE(rig.comms->DetectModule());
    rig.sim->SetPortBroken(true);
    ASSERT_TRUE(rig.events.WaitFor([&] { return !rig.events.statuses.empty(); }, 2s));
    EXPECT_EQ(Statuses(rig.events), std::vector<int>{kDataLinkLost});
    std::this_thread::sleep_for(150ms);
    const auto back = Clock::now();
    rig.sim->SetPortBroken(false);
    ASSERT_TRUE(rig.events.WaitFor([&] { return rig.events.statuses.size() >= 2; }, 5s));
    EXPECT_LT(rig.events.Locked([&] { return rig.events.statusTimes[1]; }) - back, 3s);
    EXPECT_EQ(Statuses(rig.events), (std::vector<int>{kDataLinkLost, kDataLinkRestored}));
    EXPECT_TRUE(rig.comms->ReadModuleMemoryBlock(0x0400, 4));
}

TEST(LinkRecovery, ModuleThatStaysAwayEndsInConnectionFailure) {
    SimRig rig({}, FastOptions(), FastStream());
    ASSERT_TRUE(rig.comms->DetectModule());
    rig.comms->StartMonitoring(kMonitorBlockAddress, kMonitorBlockLength);
    ASSERT_TRUE(rig.events.WaitFor([&] { return rig.events.packets.size() >= 3; }, 2s));
    rig.Peer().PowerOff();
    ASSERT_TRUE(rig.events.WaitFor([&] { return rig.events.failures == 1; }, 5s));
    EXPECT_EQ(Statuses(rig.events), std::vector<int>{kMonitorStreamLost});
    EXPECT_FALSE(rig.comms->IsLinked());
    EXPECT_FALSE(rig.comms->IsMonitoring());
    // Reported once; the library has given up and stays quiet.
    std::this_thread::sleep_for(300ms);
    EXPECT_EQ(rig.events.Locked([&] { return rig.events.failures; }), 1);
    // Linking again works once the module is back.
    rig.Peer().PowerOn();
    EXPECT_TRUE(rig.comms->DetectModule());
}

// Power fails in the middle of programming a flash block: the write is reported failed, the
// link is reported lost, and when power returns the module is found again in its loader.
TEST(LinkRecovery, PowerLossDuringAFlashWriteIsReportedAndTheLoaderIsFoundAgain) {
    SimRig rig;
    rig.Peer().WithEmulator([](sim::ModuleEmulator& e) {
        e.Poke(sim::kUpgradeMarkerAddress, sim::kUpgradeMarkerOn);
        return 0;
    });
    rig.Peer().PowerCycle();  // boots into the firmware upgrade loader
    ASSERT_TRUE(rig.comms->DetectModule());
    EXPECT_EQ(rig.comms->ConnectedModuleId(), kUpgradeModeModuleId);

    std::vector<std::uint8_t> block(512);
    for (std::size_t i = 0; i < block.size(); ++i) block[i] = static_cast<std::uint8_t>(i ^ 0x5A);
    ASSERT_TRUE(rig.comms->WriteFlashBlock(0x4000, block.data(), 512));
    EXPECT_EQ(rig.Peer().WithEmulator([](sim::ModuleEmulator& e) { return e.Peek(0x4001); }), block[1]);

    rig.Peer().ArmPowerLossDuringFlash(100);
    EXPECT_FALSE(rig.comms->WriteFlashBlock(0x4200, block.data(), 512));
    EXPECT_TRUE(rig.comms->ReadWriteCommandFailed());
    ASSERT_TRUE(rig.events.WaitFor([&] { return !rig.events.statuses.empty(); }, 1s));
    EXPECT_EQ(rig.events.Locked([&] { return rig.events.statuses.front(); }), kDataLinkLost);

    rig.Peer().PowerOn();
    ASSERT_TRUE(rig.events.WaitFor([&] { return rig.events.statuses.size() >= 2; }, 3s));
    EXPECT_EQ(rig.events.Locked([&] { return rig.events.statuses[1]; }), kDataLinkRestored);
    EXPECT_EQ(rig.comms->ConnectedModuleId(), kUpgradeModeModuleId);
    EXPECT_FALSE(rig.Peer().WithEmulator([](sim::ModuleEmulator& e) { return e.FirmwareIntact(); }));
    ASSERT_TRUE(rig.comms->WriteFlashBlock(0x4200, block.data(), 512));
    EXPECT_FALSE(rig.comms->ReadWriteCommandFailed());
}

TEST(LinkRecovery, MonitoringARefusingLoaderIsNotTakenForAStream) {
    SimRig rig;
    rig.Peer().WithEmulator([](sim::ModuleEmulator& e) {
        e.Poke(sim::kUpgradeMarkerAddress, sim::kUpgradeMarkerOn);
        return 0;
    });
    rig.Peer().PowerCycle();
    ASSERT_TRUE(rig.comms->DetectModule());
    rig.comms->StartMonitoring(kMonitorBlockAddress, kMonitorBlockLength);
    std::this_thread::sleep_for(500ms);
    EXPECT_TRUE(rig.events.Locked([&] { return rig.events.packets.empty() && rig.events.statuses.empty(); }));
    EXPECT_TRUE(rig.comms->IsLinked());
}
