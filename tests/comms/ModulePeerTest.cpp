#include <gtest/gtest.h>

#include "protocol/FrameDecoder.h"
#include "sim/ModuleEmulator.h"
#include "sim/peer/ModulePeer.h"

using namespace corvane;
using namespace corvane::sim;
using protocol::Command;
using protocol::Frame;

// The peer is clocked from outside, so its line timing can be checked on a virtual clock.
namespace {

struct PeerOnVirtualClock {
    explicit PeerOnVirtualClock(const PeerFaults& faults = {}) : peer(emulator, 9) { peer.SetFaults(faults); }

    void Send(const Frame& f, double at) { peer.Receive(protocol::EncodeFrame(f), at); }
    // Runs the peer up to `at` and returns the frames that reached the host by then.
    std::vector<Frame> Until(double at) {
        peer.Service(at);
        std::vector<std::uint8_t> bytes;
        peer.TakeOutput(bytes, at);
        decoder.Feed(bytes);
        std::vector<Frame> frames;
        protocol::FrameDecoder::Event e;
        while (decoder.Next(e))
            if (e.kind == protocol::FrameDecoder::EventKind::Frame) frames.push_back(e.frame);
        return frames;
    }

    ModuleEmulator emulator;
    ModulePeer peer;
    protocol::FrameDecoder decoder;
};

}  // namespace

TEST(ModulePeer, PacesBothDirectionsAtTheLineRate) {
    PeerFaults faults;
    faults.baud = 115200;
    PeerOnVirtualClock rig(faults);
    const double byteTime = 10.0 / 115200;
    rig.Send(protocol::MakeRead(1, 0x8000, 128), 0.0);
    const double requestArrives = 15 * byteTime;
    const double answerDone = requestArrives + 139 * byteTime;
    EXPECT_TRUE(rig.Until(requestArrives - byteTime / 2).empty()) << "request not fully received yet";
    EXPECT_TRUE(rig.Until(answerDone - byteTime / 2).empty()) << "answer still on the line";
    auto frames = rig.Until(answerDone + byteTime / 2);
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0].command, Command::ReadAnswer);
    EXPECT_EQ(frames[0].payload.size(), 128u);
}

TEST(ModulePeer, LatencyDelaysEveryAnswer) {
    PeerFaults faults;
    faults.latencySeconds = 0.016;
    PeerOnVirtualClock rig(faults);
    rig.Send(protocol::MakeIdentify(1), 0.0);
    EXPECT_TRUE(rig.Until(0.0159).empty());
    EXPECT_EQ(rig.Until(0.0161).size(), 1u);
}

TEST(ModulePeer, AnswersEachRequestWithItsSequenceNumberAndTheRightError) {
    PeerOnVirtualClock rig;
    rig.Send(protocol::MakeRead(10, 0xDFFF, 2), 0);                        // runs past memory
    rig.Send(Frame{11, static_cast<Command>(0x33), {}}, 0);                  // no such command
    rig.Send(Frame{12, Command::Read, {1, 2, 3}}, 0);                        // short payload
    rig.Send(protocol::MakeFlashWrite(13, 0x4000, std::vector<std::uint8_t>{1}), 0);  // not in the loader
    rig.Send(protocol::MakeWrite(14, 0x0400, std::vector<std::uint8_t>{9}), 0);
    auto frames = rig.Until(0.001);
    ASSERT_EQ(frames.size(), 5u);
    EXPECT_EQ(frames[0], protocol::MakeError(10, Command::ErrorOutOfRange, Command::Read));
    EXPECT_EQ(frames[1], protocol::MakeError(11, Command::ErrorUnknownCommand, static_cast<Command>(0x33)));
    EXPECT_EQ(frames[2], protocol::MakeError(12, Command::ErrorBadLength, Command::Read));
    EXPECT_EQ(frames[3], protocol::MakeError(13, Command::ErrorRefused, Command::FlashWrite));
    EXPECT_EQ(frames[4], (Frame{14, Command::WriteAnswer, {}}));
}

TEST(ModulePeer, ADamagedRequestIsAnsweredBadCrcAndNotCarriedOut) {
    PeerOnVirtualClock rig;
    auto bytes = protocol::EncodeFrame(protocol::MakeWrite(20, 0x0400, std::vector<std::uint8_t>{0x77}));
    bytes[9] ^= 0xFF;  // the data byte
    rig.peer.Receive(bytes, 0);
    auto frames = rig.Until(0.001);
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0], protocol::MakeError(20, Command::ErrorBadCrc, Command::Write));
    EXPECT_NE(rig.emulator.Peek(0x0400), 0x77);
    EXPECT_NE(rig.emulator.Peek(0x0400), 0x88);
}

TEST(ModulePeer, StreamsMonitorPacketsWithTheirOwnCounterAtTheModulesRate) {
    PeerOnVirtualClock rig;
    rig.emulator.SetMonitorRateHz(50);
    rig.Send(protocol::MakeMonitorStart(5, 0x1400, 72), 0.0);
    std::vector<Frame> packets;
    for (int ms = 0; ms <= 1000; ++ms)
        for (auto& f : rig.Until(ms / 1000.0))
            if (f.command == Command::MonitorPacket) packets.push_back(f);
    EXPECT_GE(packets.size(), 50u);
    EXPECT_LE(packets.size(), 52u);
    for (std::size_t i = 1; i < packets.size(); ++i)
        EXPECT_EQ(packets[i].sequence, static_cast<std::uint16_t>(packets[i - 1].sequence + 1));
    EXPECT_EQ(packets.back().payload.size(), 72u);
    rig.Send(protocol::MakeMonitorStop(6), 1.0);
    auto frames = rig.Until(1.001);
    rig.Until(1.5);
    EXPECT_TRUE(rig.Until(2.0).empty());
}

TEST(ModulePeer, PulledCableAndPowerOffSilenceTheModule) {
    PeerOnVirtualClock rig;
    rig.peer.PullCable();
    rig.Send(protocol::MakeIdentify(1), 0);
    EXPECT_TRUE(rig.Until(0.1).empty());
    rig.peer.PlugCable();
    rig.peer.PowerOff();
    rig.Send(protocol::MakeIdentify(2), 0.2);
    EXPECT_TRUE(rig.Until(0.3).empty());
    rig.peer.PowerOn();
    rig.Send(protocol::MakeIdentify(3), 0.4);
    auto frames = rig.Until(0.5);
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0].sequence, 3);
}

TEST(ModulePeer, GarbageBeforeFramesDoesNotHideThem) {
    PeerFaults faults;
    faults.garbageRate = 1.0;
    faults.garbageMaxBytes = 40;
    PeerOnVirtualClock rig(faults);
    for (std::uint16_t s = 0; s < 50; ++s) rig.Send(protocol::MakeRead(s, 0x0400, 8), 0);
    EXPECT_EQ(rig.Until(0.01).size(), 50u);
}

TEST(ModulePeer, OneLengthRuleForEveryCommandBadLengthBeforeOutOfRange) {
    PeerOnVirtualClock rig;
    const std::vector<std::uint8_t> none;
    const std::vector<std::uint8_t> tooMuch(1025, 0);
    const std::vector<std::uint8_t> two{1, 2};
    struct Case {
        Frame request;
        Command expected;
    };
    const std::vector<Case> cases{
        {protocol::MakeRead(1, 0x0400, 0), Command::ErrorBadLength},
        {protocol::MakeRead(2, 0x0400, 1025), Command::ErrorBadLength},
        {protocol::MakeRead(3, 0xDFFF, 2), Command::ErrorOutOfRange},
        {protocol::MakeMonitorStart(4, 0x1400, 0), Command::ErrorBadLength},
        {protocol::MakeMonitorStart(5, 0x1400, 1025), Command::ErrorBadLength},
        {protocol::MakeMonitorStart(6, 0xDFC0, 72), Command::ErrorOutOfRange},
        {protocol::MakeWrite(7, 0x0400, none), Command::ErrorBadLength},
        {protocol::MakeWrite(8, 0x0400, tooMuch), Command::ErrorBadLength},
        {protocol::MakeWrite(9, 0xDFFF, two), Command::ErrorOutOfRange},
        {protocol::MakeFlashWrite(10, 0x4000, none), Command::ErrorBadLength},
        {protocol::MakeFlashWrite(11, 0x4000, tooMuch), Command::ErrorBadLength},
        {Frame{12, Command::Identify, {0}}, Command::ErrorBadLength},
        {Frame{13, Command::MonitorStop, {0}}, Command::ErrorBadLength},
    };
    for (const Case& c : cases) rig.Send(c.request, 0);
    auto frames = rig.Until(0.001);
    ASSERT_EQ(frames.size(), cases.size());
    for (std::size_t i = 0; i < cases.size(); ++i)
        EXPECT_EQ(frames[i], protocol::MakeError(cases[i].request.sequence, cases[i].expected, cases[i].request.command))
            << protocol::CommandName(cases[i].request.command) << " #" << cases[i].request.sequence;
    EXPECT_FALSE(rig.emulator.Monitoring()) << "a refused start streams nothing";

    // In the upgrade loader a flash block that runs past 0xC000 is out of range.
    rig.emulator.Poke(kUpgradeMarkerAddress, kUpgradeMarkerOn);
    rig.peer.PowerCycle();
    rig.Send(protocol::MakeFlashWrite(20, 0xBFFF, two), 1.0);
    rig.Send(protocol::MakeFlashWrite(21, 0xBFFE, two), 1.0);
    frames = rig.Until(1.001);
    ASSERT_EQ(frames.size(), 2u);
    EXPECT_EQ(frames[0], protocol::MakeError(20, Command::ErrorOutOfRange, Command::FlashWrite));
    EXPECT_EQ(frames[1], (Frame{21, Command::FlashWriteAnswer, {}}));
}

TEST(ModulePeer, PacketCounterRunsOnAcrossStopAndStartAndRestartsAtBoot) {
    PeerOnVirtualClock rig;
    rig.emulator.SetMonitorRateHz(100);
    auto packets = [&](double from, double to) {
        std::vector<Frame> got;
        for (double t = from; t <= to + 1e-9; t += 0.001)
            for (auto& f : rig.Until(t))
                if (f.command == Command::MonitorPacket) got.push_back(f);
        return got;
    };
    rig.Send(protocol::MakeMonitorStop(1), 0.0);  // stop while idle: answered, nothing else
    auto frames = rig.Until(0.001);
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0], (Frame{1, Command::MonitorStopAnswer, {}}));

    rig.Send(protocol::MakeMonitorStart(2, 0x1400, 72), 0.01);
    auto first = packets(0.01, 0.1);
    ASSERT_FALSE(first.empty());
    EXPECT_EQ(first.front().sequence, 0);
    // A start while streaming switches the block at once; the numbering goes on.
    rig.Send(protocol::MakeMonitorStart(3, 0x0F00, 16), 0.1005);
    auto switched = packets(0.101, 0.2);
    ASSERT_FALSE(switched.empty());
    EXPECT_EQ(switched.front().sequence, static_cast<std::uint16_t>(first.back().sequence + 1));
    EXPECT_EQ(switched.back().payload.size(), 16u);
    rig.Send(protocol::MakeMonitorStop(4), 0.2005);
    (void)packets(0.201, 0.3);
    rig.Send(protocol::MakeMonitorStart(5, 0x1400, 72), 0.3);
    auto resumed = packets(0.3, 0.35);
    ASSERT_FALSE(resumed.empty());
    EXPECT_EQ(resumed.front().sequence, static_cast<std::uint16_t>(switched.back().sequence + 1));

    rig.peer.PowerCycle();
    EXPECT_TRUE(packets(0.36, 0.4).empty()) << "a booted module streams nothing";
    rig.Send(protocol::MakeMonitorStart(6, 0x1400, 72), 0.4);
    auto afterBoot = packets(0.4, 0.45);
    ASSERT_FALSE(afterBoot.empty());
    EXPECT_EQ(afterBoot.front().sequence, 0);
}
