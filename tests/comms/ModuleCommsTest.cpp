#include <gtest/gtest.h>

#include <numeric>

#include "CommsTestSupport.h"

using namespace corvane;
using namespace corvane::comms;
using namespace corvane::comms::test;
using namespace std::chrono_literals;

namespace {

std::vector<std::uint8_t> Pattern(std::size_t n, std::uint8_t seed) {
    std::vector<std::uint8_t> v(n);
    for (std::size_t i = 0; i < n; ++i) v[i] = static_cast<std::uint8_t>(seed + i * 7);
    return v;
}

}  // namespace

TEST(ModuleComms, DetectsTheModuleAndReportsItsIdentity) {
    SimRig rig;
    rig.Peer().WithEmulator([](sim::ModuleEmulator& e) {
        const std::uint8_t id = 3, fw = 0x52;
        e.Poke(0x0F10, std::span<const std::uint8_t>(&id, 1));
        e.Poke(0x0F18, std::span<const std::uint8_t>(&fw, 1));
        return 0;
    });
    ASSERT_TRUE(rig.comms->DetectModule());
    EXPECT_TRUE(rig.comms->IsLinked());
    EXPECT_EQ(rig.comms->ConnectedModuleId(), 3);
    EXPECT_EQ(rig.comms->ConnectedFirmwareVersion(), 0x52);
}

TEST(ModuleComms, ReadsAndWritesBlocksExactly) {
    SimRig rig;
    ASSERT_TRUE(rig.comms->DetectModule());
    const auto bytes = Pattern(512, 9);
    ASSERT_TRUE(rig.comms->WriteModuleMemoryBlock(0x9000, bytes.data(), 512));
    ASSERT_TRUE(rig.comms->ReadModuleMemoryBlock(0x9000, 512));
    auto got = rig.comms->GetReceivedData();
    EXPECT_EQ(std::vector<std::uint8_t>(got.begin(), got.end()), bytes);
    rig.Peer().WithEmulator([&](sim::ModuleEmulator& e) {
        for (std::size_t i = 0; i < bytes.size(); ++i) EXPECT_EQ(e.Peek(static_cast<std::uint16_t>(0x9000 + i)), bytes[i]);
        return 0;
    });
    // Larger than one frame: split into several and put together again.
    const auto big = Pattern(3000, 1);
    ASSERT_TRUE(rig.comms->WriteModuleMemoryBlock(0x8000, big.data(), 3000));
    ASSERT_TRUE(rig.comms->ReadModuleMemoryBlock(0x8000, 3000));
    got = rig.comms->GetReceivedData();
    EXPECT_EQ(std::vector<std::uint8_t>(got.begin(), got.end()), big);
    EXPECT_FALSE(rig.comms->ReadWriteCommandFailed());
}

TEST(ModuleComms, PipelinedMultiBlockReadReturnsEveryBlockInOrder) {
    SimRig rig;
    ASSERT_TRUE(rig.comms->DetectModule());
    const auto bytes = Pattern(0x2000, 77);
    rig.Peer().WithEmulator([&](sim::ModuleEmulator& e) {
        e.Poke(0x8000, bytes);
        return 0;
    });
    std::vector<Comms::MemoryBlock> blocks;
    for (std::uint16_t a = 0x8000; a < 0xA000; a += 0x80) blocks.push_back({a, static_cast<std::uint16_t>(a % 0x100 ? 64 : 128)});
    std::vector<std::vector<std::uint8_t>> out;
    ASSERT_TRUE(rig.comms->ReadModuleMemoryBlocks(blocks, out));
    ASSERT_EQ(out.size(), blocks.size());
    for (std::size_t i = 0; i < blocks.size(); ++i) {
        const auto off = static_cast<std::size_t>(blocks[i].address - 0x8000);
        EXPECT_EQ(out[i], std::vector<std::uint8_t>(bytes.begin() + off, bytes.begin() + off + blocks[i].length));
    }
}

TEST(ModuleComms, OutOfRangeFailsAtOnceAndSetsTheFailureEventUntilTheNextSuccess) {
    SimRig rig;
    ASSERT_TRUE(rig.comms->DetectModule());
    const auto sent = rig.comms->GetStats().requestsSent;
    EXPECT_FALSE(rig.comms->ReadModuleMemoryBlock(0xDFF0, 0x20));  // runs past module memory
    EXPECT_EQ(rig.comms->GetStats().requestsSent, sent + 1) << "a refusal is not asked again";
    EXPECT_TRUE(rig.comms->ReadWriteCommandFailed());
    EXPECT_TRUE(rig.comms->ReadModuleMemoryBlock(0x0400, 4));
    EXPECT_FALSE(rig.comms->ReadWriteCommandFailed());
    EXPECT_TRUE(rig.events.Locked([&] { return rig.events.statuses.empty(); })) << "a refusal is no link loss";
}

TEST(ModuleComms, FailsWithinItsBoundWhenTheModuleNeverAnswers) {
    sim::PeerFaults faults;
    faults.noAnswerRate = 1.0;
    SimRig rig(faults);
    const auto t0 = std::chrono::steady_clock::now();
    EXPECT_FALSE(rig.comms->DetectModule());
    const auto took = std::chrono::steady_clock::now() - t0;
    EXPECT_GE(took, 4 * 25ms);  // every attempt was given its time
    EXPECT_LT(took, 2s);
    EXPECT_FALSE(rig.comms->IsLinked());
    EXPECT_TRUE(rig.comms->ReadWriteCommandFailed());
}

TEST(ModuleComms, ARequestAnsweredOnlyOnItsSecondCopyIsCarriedOutOnce) {
    sim::PeerFaults faults;
    faults.answerOnSecondTry = true;
    SimRig rig(faults);
    ASSERT_TRUE(rig.comms->DetectModule());
    const auto bytes = Pattern(100, 3);
    ASSERT_TRUE(rig.comms->WriteModuleMemoryBlock(0x9100, bytes.data(), 100));
    ASSERT_TRUE(rig.comms->ReadModuleMemoryBlock(0x9100, 100));
    auto got = rig.comms->GetReceivedData();
    EXPECT_EQ(std::vector<std::uint8_t>(got.begin(), got.end()), bytes);
    EXPECT_GE(rig.comms->GetStats().repeats, 3u);
    EXPECT_EQ(rig.Peer().GetStats().executed, 3u);  // identify, write, read
}

TEST(ModuleComms, RepeatedWriteIsAnsweredFromTheCacheNotAppliedTwice) {
    // The answer to a write is lost; meanwhile the block changed; the repeat must not write the
    // old bytes again.
    sim::ModuleEmulator emulator;
    sim::ModulePeer peer(emulator, 5);
    std::vector<std::uint8_t> out;
    auto send = [&](const protocol::Frame& f) {
        peer.Receive(protocol::EncodeFrame(f), 0.0);
        peer.Service(0.0);
        out.clear();
        peer.TakeOutput(out, 0.0);
        protocol::FrameDecoder d;
        d.Feed(out);
        protocol::FrameDecoder::Event e;
        EXPECT_TRUE(d.Next(e));
        return e.frame;
    };
    const std::vector<std::uint8_t> a{1, 2, 3}, b{7, 8, 9};
    EXPECT_EQ(send(protocol::MakeWrite(100, 0x400, a)).command, protocol::Command::WriteAnswer);
    emulator.Poke(0x400, b);  // the block changes after the write was carried out
    EXPECT_EQ(send(protocol::MakeWrite(100, 0x400, a)).command, protocol::Command::WriteAnswer);
    EXPECT_EQ(emulator.Peek(0x400), 7);
    EXPECT_EQ(peer.GetStats().repeatsAnswered, 1u);
    // A different request under the same number is new, and carried out.
    EXPECT_EQ(send(protocol::MakeWrite(100, 0x400, std::vector<std::uint8_t>{4})).command,
              protocol::Command::WriteAnswer);
    EXPECT_EQ(emulator.Peek(0x400), 4);
}

TEST(ModuleComms, BusyModuleIsAskedAgainUntilItAnswers) {
    SimRig rig;
    ASSERT_TRUE(rig.comms->DetectModule());
    rig.Peer().WithEmulator([](sim::ModuleEmulator& e) {
        e.SetBusyForCalls(5);
        return 0;
    });
    const auto bytes = Pattern(16, 4);
    ASSERT_TRUE(rig.comms->WriteModuleMemoryBlock(0x0400, bytes.data(), 16));
    EXPECT_GE(rig.comms->GetStats().busyAnswers, 1u);
}

TEST(ModuleComms, CloseLinkReturnsInBoundedTimeEvenWhenTheModuleIsGone) {
    SimRig rig;
    ASSERT_TRUE(rig.comms->DetectModule());
    rig.comms->StartMonitoring(kMonitorBlockAddress, kMonitorBlockLength);
    ASSERT_TRUE(rig.events.WaitFor([&] { return !rig.events.packets.empty(); }, 2s));
    rig.Peer().PullCable();
    const auto t0 = std::chrono::steady_clock::now();
    rig.comms->CloseLink();
    EXPECT_LT(std::chrono::steady_clock::now() - t0, 1500ms);
    EXPECT_FALSE(rig.comms->IsLinked());
    EXPECT_FALSE(rig.comms->IsMonitoring());
}

TEST(ModuleComms, MonitorStreamDeliversTheModulesBlockAndStopsOnRequest) {
    sim::EmulatorOptions module;
    module.monitorRateHz = 100;
    SimRig rig({}, FastOptions(), module);
    ASSERT_TRUE(rig.comms->DetectModule());
    rig.comms->StartMonitoring(kMonitorBlockAddress, kMonitorBlockLength);
    EXPECT_TRUE(rig.comms->IsMonitoring());
    ASSERT_TRUE(rig.events.WaitFor([&] { return rig.events.packets.size() >= 10; }, 2s));
    const auto expected = rig.Peer().WithEmulator([](sim::ModuleEmulator& e) { return e.MonitorBlock(); });
    rig.events.Locked([&] {
        EXPECT_EQ(rig.events.packets.back().size(), kMonitorBlockLength);
        return 0;
    });
    (void)expected;
    rig.comms->StopMonitoring();
    EXPECT_FALSE(rig.comms->IsMonitoring());
    ASSERT_TRUE(rig.events.WaitFor([&] { return true; }, 10ms));
    std::this_thread::sleep_for(100ms);
    EXPECT_FALSE(rig.Peer().WithEmulator([](sim::ModuleEmulator& e) { return e.Monitoring(); }));
    const auto count = rig.events.Locked([&] { return rig.events.packets.size(); });
    std::this_thread::sleep_for(100ms);
    EXPECT_EQ(rig.events.Locked([&] { return rig.events.packets.size(); }), count);
}

TEST(ModuleComms, PacketQueueWriteFlagKeepsTheStreamOffWhileBlocksAreWritten) {
    sim::EmulatorOptions module;
    module.monitorRateHz = 200;
    SimRig rig({}, FastOptions(), module);
    ASSERT_TRUE(rig.comms->DetectModule());
    rig.comms->StartMonitoring(kMonitorBlockAddress, kMonitorBlockLength);
    ASSERT_TRUE(rig.events.WaitFor([&] { return rig.events.packets.size() >= 3; }, 2s));
    rig.comms->SetPacketQueueWriting(true);
    const auto bytes = Pattern(512, 2);
    ASSERT_TRUE(rig.comms->WriteModuleMemoryBlock(0x9000, bytes.data(), 512));
    EXPECT_FALSE(rig.Peer().WithEmulator([](sim::ModuleEmulator& e) { return e.Monitoring(); }))
        << "the stream is stopped before the block goes out";
    const auto during = rig.events.Locked([&] { return rig.events.packets.size(); });
    std::this_thread::sleep_for(50ms);
    EXPECT_EQ(rig.events.Locked([&] { return rig.events.packets.size(); }), during);
    rig.comms->SetPacketQueueWriting(false);
    EXPECT_TRUE(rig.events.WaitFor([&] { return rig.events.packets.size() > during + 3; }, 2s));
    EXPECT_TRUE(rig.events.Locked([&] { return rig.events.statuses.empty(); }));
}

TEST(ModuleComms, PortsByNameAreSerialDevicesAndTheSimulatedModuleIsNotAmongThem) {
    // On its own the comms library opens serial ports only: the emulator sits above it, and
    // the program maps "sim" to it (sim::MakePortTransportMaker).
    ModuleComms comms(FastOptions(), TransportOptions{});
    EXPECT_EQ(comms.Port(), "sim");
    EXPECT_FALSE(comms.DetectModule());
    std::string error;
    EXPECT_EQ(MakeTransport("sim", {}, &error), nullptr);
    EXPECT_FALSE(error.empty());

    comms.SetComPort(5);
    EXPECT_EQ(comms.Port(), "Com 5");
    comms.SetPort("/dev/corvane-no-such-device");
    EXPECT_FALSE(comms.DetectModule());
    EXPECT_FALSE(comms.IsLinked());
}

TEST(ModuleComms, FakeLikeDefaultsOfTheInterfaceStillWork) {
    // The multi-block read of the interface falls back on single reads for implementations
    // that do not pipeline.
    struct OneAtATime : Comms {
        void SetComPort(int) override {}
        bool DetectModule() override { return true; }
        int ConnectedModuleId() const override { return 1; }
        void CloseLink() override {}
        bool ReadModuleMemoryBlock(std::uint16_t address, std::uint16_t length) override {
            if (address == 0xBAD) return false;
            data.assign(length, static_cast<std::uint8_t>(address));
            return true;
        }
        std::span<const std::uint8_t> GetReceivedData() const override { return data; }
        bool WriteModuleMemoryBlock(std::uint16_t, const std::uint8_t*, std::uint16_t) override { return true; }
        bool WriteFlashBlock(std::uint32_t, const std::uint8_t*, std::uint16_t) override { return true; }
        bool ReadWriteCommandFailed() const override { return false; }
        void StartMonitoring(std::uint16_t, std::uint16_t) override {}
        void StopMonitoring() override {}
        bool IsMonitoring() const override { return false; }
        void SetPacketQueueWriting(bool) override {}
        bool IsPacketQueueWriting() const override { return false; }
        void SetCommunicationTimeoutMode(int) override {}
        void SetEventSink(CommsEvents*) override {}
        std::vector<std::uint8_t> data;
    } c;
    const Comms::MemoryBlock blocks[] = {{1, 2}, {3, 4}};
    std::vector<std::vector<std::uint8_t>> out;
    ASSERT_TRUE(c.ReadModuleMemoryBlocks(blocks, out));
    EXPECT_EQ(out, (std::vector<std::vector<std::uint8_t>>{{1, 1}, {3, 3, 3, 3}}));
    const Comms::MemoryBlock bad[] = {{1, 2}, {0xBAD, 1}};
    EXPECT_FALSE(c.ReadModuleMemoryBlocks(bad, out));
    EXPECT_TRUE(out.empty());
}

TEST(ModuleComms, ANotificationHandlerCallingBackInFailsAtOnceInsteadOfHanging) {
    struct CallsBack : CommsEvents {
        void OnMonitorPacket(const std::vector<std::uint8_t>&) override {
            if (done.exchange(true)) return;
            result = comms->ReadModuleMemoryBlock(0x0400, 4);
            reached = true;
        }
        ModuleComms* comms = nullptr;
        std::atomic<bool> done{false}, reached{false};
        bool result = true;
    } sink;
    SimRig rig;
    sink.comms = rig.comms.get();
    rig.comms->SetEventSink(&sink);
    ASSERT_TRUE(rig.comms->DetectModule());
    rig.comms->StartMonitoring(kMonitorBlockAddress, kMonitorBlockLength);
    for (int i = 0; i < 200 && !sink.reached; ++i) std::this_thread::sleep_for(10ms);
    ASSERT_TRUE(sink.reached);
    EXPECT_FALSE(sink.result);
    rig.comms->SetEventSink(nullptr);
}
