// The real serial path end to end: Qt SerialPort on one side of a pseudo-terminal, the module
// peer on the other. Built only where the serial transport is.
#ifdef CORVANE_HAVE_QT_SERIAL

#include <gtest/gtest.h>

#include "../CommsTestSupport.h"
#include "comms/TransportFactory.h"
#include "sim/peer/PtyPeerHost.h"

using namespace corvane;
using namespace corvane::comms;
using namespace corvane::comms::test;
using namespace std::chrono_literals;

TEST(SerialPty, LinksReadsWritesAndStreamsThroughARealTerminal) {
    sim::EmulatorOptions module;
    module.monitorRateHz = 50;
    sim::ModuleEmulator emulator(module);
    const std::uint8_t name[] = "PTY BASE MAP";
    emulator.Poke(0x0F00, std::span<const std::uint8_t>(name, sizeof name));
    sim::ModulePeer peer(emulator, 3);
    sim::PtyPeerHost host(peer);
    std::string error;
    ASSERT_TRUE(host.Open(&error)) << error;
    host.Start();

    ModuleComms comms(FastOptions(), TransportOptions{});
    RecordingEvents events;
    comms.SetEventSink(&events);
    comms.SetPort(host.DevicePath());
    ASSERT_TRUE(comms.DetectModule());

    ASSERT_TRUE(comms.ReadModuleMemoryBlock(0x0F00, 16));
    auto got = comms.GetReceivedData();
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(got.data())), "PTY BASE MAP");

    std::vector<std::uint8_t> block(512);
    for (std::size_t i = 0; i < block.size(); ++i) block[i] = static_cast<std::uint8_t>(i * 13);
    ASSERT_TRUE(comms.WriteModuleMemoryBlock(0x9000, block.data(), 512));
    ASSERT_TRUE(comms.ReadModuleMemoryBlock(0x9000, 512));
    got = comms.GetReceivedData();
    EXPECT_EQ(std::vector<std::uint8_t>(got.begin(), got.end()), block);

    comms.StartMonitoring(kMonitorBlockAddress, kMonitorBlockLength);
    EXPECT_TRUE(events.WaitFor([&] { return events.packets.size() >= 5; }, 3s));
    comms.StopMonitoring();
    comms.CloseLink();
    EXPECT_FALSE(comms.IsLinked());
    host.Stop();
    EXPECT_TRUE(events.Locked([&] { return events.statuses.empty(); }));
}

TEST(SerialPty, ComPortNamesMapToDevicePaths) {
    EXPECT_EQ(ParseComPort("Com 5"), 5);
    EXPECT_EQ(ParseComPort("COM12"), 12);
    EXPECT_FALSE(ParseComPort("/dev/ttyUSB0"));
    EXPECT_FALSE(ParseComPort("Com"));
    EXPECT_FALSE(ParseComPort("Com 0"));
#ifndef _WIN32
    EXPECT_EQ(SerialDeviceForComPort(1), "/dev/ttyUSB0");
    TransportOptions o;
    o.serialDevicePattern = "/dev/ttyS%d";
    EXPECT_EQ(SerialDeviceForComPort(3, o), "/dev/ttyS2");
#endif
    EXPECT_TRUE(SerialPortsAvailable());
}

TEST(SerialPty, AMissingDeviceFailsDetectionQuickly) {
    ModuleComms comms(FastOptions(), TransportOptions{});
    comms.SetPort("/dev/corvane-no-such-port");
    const auto t0 = std::chrono::steady_clock::now();
    EXPECT_FALSE(comms.DetectModule());
    EXPECT_LT(std::chrono::steady_clock::now() - t0, 1s);
}

#endif
