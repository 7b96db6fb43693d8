// How the library repeats requests: at once when a frame is seen lost, after a wait that follows
// the measured turnaround otherwise, within a time budget per request; frame sizes that follow
// the measured error rate.
#include <gtest/gtest.h>

#include <functional>
#include <future>
#include <map>
#include <mutex>
#include <set>

#include "CommsTestSupport.h"
#include "comms/LineEstimator.h"
#include "protocol/Crc.h"

using namespace corvane;
using namespace corvane::comms;
using namespace corvane::comms::test;
using namespace std::chrono_literals;

namespace {

// The in-process module, with chosen bytes of what it sends lost or damaged on the way to the
// host (counted from when they were chosen).
class LossyTransport : public Transport {
public:
    explicit LossyTransport(std::unique_ptr<sim::SimTransport> inner) : m_inner(std::move(inner)) {}
    bool Open() override { return m_inner->Open(); }
    void Close() override { m_inner->Close(); }
    bool IsOpen() const override { return m_inner->IsOpen(); }
    bool Write(std::span<const std::uint8_t> bytes) override { return m_inner->Write(bytes); }
    int Read(std::vector<std::uint8_t>& out, std::chrono::microseconds timeout) override {
        std::vector<std::uint8_t> got;
        const int n = m_inner->Read(got, timeout);
        if (n <= 0) return n;
        std::lock_guard lock(m_mutex);
        int kept = 0;
        bool damaged = false;
        for (std::uint8_t b : got) {
            if (auto d = m_damage.find(m_seen); d != m_damage.end()) {
                b ^= d->second;
                m_damage.erase(d);
                damaged = true;
            }
            if (auto i = m_insert.find(m_seen); i != m_insert.end()) {
                out.insert(out.end(), i->second.begin(), i->second.end());
                kept += static_cast<int>(i->second.size());
                m_insert.erase(i);
            }
            if (m_lose.erase(m_seen++) == 0) {
                out.push_back(b);
                ++kept;
            }
        }
        if (damaged && m_onDamage) m_onDamage();
        return kept;
    }
    void Wake() override { m_inner->Wake(); }
    bool Wakeable() const override { return true; }
    std::string Name() const override { return m_inner->Name(); }

    // Loses the bytes at these offsets of what the module sends from now on.
    void Lose(std::set<std::uint64_t> offsets) {
        std::lock_guard lock(m_mutex);
        m_lose.clear();
        for (auto o : offsets) m_lose.insert(m_seen + o);
    }

    // Puts these bytes in before the byte at `offset`.
    void Insert(std::uint64_t offset, std::vector<std::uint8_t> bytes) {
        std::lock_guard lock(m_mutex);
        m_insert[m_seen + offset] = std::move(bytes);
    }

    // Damages the bytes at these offsets (xor with the value); `then` runs once they passed.
    void Damage(std::map<std::uint64_t, std::uint8_t> offsets, std::function<void()> then = {}) {
        std::lock_guard lock(m_mutex);
        m_damage.clear();
        for (auto [o, x] : offsets) m_damage[m_seen + o] = x;
        m_onDamage = std::move(then);
    }

private:
    std::unique_ptr<sim::SimTransport> m_inner;
    std::mutex m_mutex;
    std::uint64_t m_seen = 0;
    std::set<std::uint64_t> m_lose;
    std::map<std::uint64_t, std::uint8_t> m_damage;
    std::map<std::uint64_t, std::vector<std::uint8_t>> m_insert;
    std::function<void()> m_onDamage;
};

struct LossyRig {
    explicit LossyRig(CommsOptions options) {
        auto inner = std::make_unique<sim::SimTransport>();
        sim = inner.get();
        auto lossy = std::make_unique<LossyTransport>(std::move(inner));
        transport = lossy.get();
        comms = std::make_unique<ModuleComms>(std::move(lossy), options);
        comms->SetEventSink(&events);
        // Memory without start bytes, so that a frame whose start byte is lost leaves nothing
        // that looks like a frame.
        sim->Peer().WithEmulator([](sim::ModuleEmulator& e) {
            const std::vector<std::uint8_t> fill(0x400, 0x11);
            e.Poke(0xA000, fill);
            return 0;
        });
    }
    ~LossyRig() { comms.reset(); }
    RecordingEvents events;
    sim::SimTransport* sim = nullptr;
    LossyTransport* transport = nullptr;
    std::unique_ptr<ModuleComms> comms;
};

CommsOptions SlowTimeouts() {
    CommsOptions o = FastOptions();
    // Waits long enough that a repeat made by a timeout would show in the statistics.
    o.answerTimeout = 2000ms;
    o.longAnswerTimeout = 2000ms;
    o.heartbeatInterval = 0ms;
    return o;
}

}  // namespace

// The third answer of eight pipelined reads loses its start byte: the fourth answer shows it
// lost, and that one request, not the batch, is sent again, without waiting for a timeout.
TEST(RetryRules, OneLostAnswerInAPipelinedBatchCostsOneRepeatOfThatRequest) {
    LossyRig rig(SlowTimeouts());
    ASSERT_TRUE(rig.comms->DetectModule());
    std::vector<Comms::MemoryBlock> blocks;
    for (int k = 0; k < 8; ++k) blocks.push_back({static_cast<std::uint16_t>(0xA000 + 32 * k), 32});
    const std::uint64_t answer = protocol::EncodedSize(32);
    const auto before = rig.comms->GetStats();
    rig.transport->Lose({2 * answer});
    std::vector<std::vector<std::uint8_t>> out;
    ASSERT_TRUE(rig.comms->ReadModuleMemoryBlocks(blocks, out));
    for (const auto& block : out) EXPECT_EQ(block, std::vector<std::uint8_t>(32, 0x11));
    const auto after = rig.comms->GetStats();
    EXPECT_EQ(after.requestsSent - before.requestsSent, 9u);
    EXPECT_EQ(after.repeats - before.repeats, 1u);
    EXPECT_EQ(after.earlyRepeats - before.earlyRepeats, 1u);
    EXPECT_EQ(after.timeouts - before.timeouts, 0u);
}

// One byte of the third answer of eight is damaged on the way: its CRC names the byte, and a
// 4-byte read confirms the repair instead of the whole block being read again. Two damaged
// bytes in one answer are beyond repair: that block is read again.
TEST(RetryRules, AnAnswerWithOneDamagedByteIsRepairedAndConfirmedByAShortRead) {
    LossyRig rig(SlowTimeouts());
    std::vector<std::uint8_t> memory(8 * 32);
    for (std::size_t i = 0; i < memory.size(); ++i) memory[i] = static_cast<std::uint8_t>(i * 7 % 160);
    rig.sim->Peer().WithEmulator([&](sim::ModuleEmulator& e) {
        e.Poke(0xA000, memory);
        return 0;
    });
    ASSERT_TRUE(rig.comms->DetectModule());
    std::vector<Comms::MemoryBlock> blocks;
    for (int k = 0; k < 8; ++k) blocks.push_back({static_cast<std::uint16_t>(0xA000 + 32 * k), 32});
    const std::uint64_t answer = protocol::EncodedSize(32);
    auto expectExact = [&](const std::vector<std::vector<std::uint8_t>>& out) {
        ASSERT_EQ(out.size(), 8u);
        for (std::size_t k = 0; k < 8; ++k)
            EXPECT_EQ(out[k], std::vector<std::uint8_t>(memory.begin() + 32 * k, memory.begin() + 32 * (k + 1)));
    };

    auto before = rig.comms->GetStats();
    rig.transport->Damage({{2 * answer + protocol::kHeaderSize + 20, 0x40}});
    std::vector<std::vector<std::uint8_t>> out;
    ASSERT_TRUE(rig.comms->ReadModuleMemoryBlocks(blocks, out));
    expectExact(out);
    auto after = rig.comms->GetStats();
    EXPECT_EQ(after.repairChecks - before.repairChecks, 1u);
    EXPECT_EQ(after.repairedAnswers - before.repairedAnswers, 1u);
    EXPECT_EQ(after.repeats - before.repeats, 0u);
    EXPECT_EQ(after.timeouts - before.timeouts, 0u);
    EXPECT_EQ(after.requestsSent - before.requestsSent, 9u);

    before = after;
    rig.transport->Damage({{5 * answer + protocol::kHeaderSize + 3, 0x21}, {5 * answer + protocol::kHeaderSize + 30, 0x02}});
    ASSERT_TRUE(rig.comms->ReadModuleMemoryBlocks(blocks, out));
    expectExact(out);
    after = rig.comms->GetStats();
    EXPECT_EQ(after.repairChecks - before.repairChecks, 0u);
    EXPECT_EQ(after.repeats - before.repeats, 1u);
}

// A repair the confirming read disagrees with is never used: here the byte changed in the
// module between the answer and the check, so the block is read again, whole and as it is now.
TEST(RetryRules, ARepairTheCheckDisagreesWithIsRefused) {
    LossyRig rig(SlowTimeouts());
    ASSERT_TRUE(rig.comms->DetectModule());
    const auto before = rig.comms->GetStats();
    rig.transport->Damage({{protocol::kHeaderSize + 10, 0x08}}, [&] {
        rig.sim->Peer().WithEmulator([](sim::ModuleEmulator& e) {
            e.Poke(0xA00A, std::vector<std::uint8_t>{0x33});
            return 0;
        });
    });
    ASSERT_TRUE(rig.comms->ReadModuleMemoryBlock(0xA000, 32));
    std::vector<std::uint8_t> now(32, 0x11);
    now[10] = 0x33;
    const auto got = rig.comms->GetReceivedData();
    EXPECT_EQ(std::vector<std::uint8_t>(got.begin(), got.end()), now);
    const auto after = rig.comms->GetStats();
    EXPECT_EQ(after.repairChecks - before.repairChecks, 1u);
    EXPECT_EQ(after.repairedAnswers - before.repairedAnswers, 0u);
    EXPECT_EQ(after.repeats - before.repeats, 1u);
}

// Noise before the second of eight short answers looks like a frame start with an intact
// header that claims 900 bytes. The library waits only for frames as long as an answer it
// expects: the answers behind the false start are read at once, nothing times out.
TEST(RetryRules, AFalseFrameStartClaimingALongFrameHoldsNothingUp) {
    LossyRig rig(SlowTimeouts());
    ASSERT_TRUE(rig.comms->DetectModule());
    std::vector<Comms::MemoryBlock> blocks;
    for (int k = 0; k < 8; ++k) blocks.push_back({static_cast<std::uint16_t>(0xA000 + 2 * k), 2});
    std::vector<std::uint8_t> falseStart{protocol::kStartByte, 0x03, 0x84, 0x00, 0x01, 0x82};
    falseStart.push_back(protocol::Crc8(std::span<const std::uint8_t>(falseStart.data() + 1, 5)));
    const auto before = rig.comms->GetStats();
    rig.transport->Insert(protocol::EncodedSize(2), falseStart);
    const auto start = std::chrono::steady_clock::now();
    std::vector<std::vector<std::uint8_t>> out;
    ASSERT_TRUE(rig.comms->ReadModuleMemoryBlocks(blocks, out));
    EXPECT_LT(std::chrono::steady_clock::now() - start, 500ms);
    for (const auto& block : out) EXPECT_EQ(block, std::vector<std::uint8_t>(2, 0x11));
    const auto after = rig.comms->GetStats();
    EXPECT_EQ(after.timeouts - before.timeouts, 0u);
    EXPECT_EQ(after.repeats - before.repeats, 0u);
}

// The last answer on the line is lost whole: nothing follows to show it, so the wait runs
// out, but the wait is the measured turnaround, far below the configured one.
TEST(RetryRules, AnAnswerLostLastIsRepeatedAfterTheMeasuredTurnaround) {
    LossyRig rig(SlowTimeouts());
    ASSERT_TRUE(rig.comms->DetectModule());
    for (int i = 0; i < 20; ++i) ASSERT_TRUE(rig.comms->ReadModuleMemoryBlock(0xA000, 16));
    rig.transport->Lose({0});
    const auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(rig.comms->ReadModuleMemoryBlock(0xA000, 16));
    EXPECT_LT(std::chrono::steady_clock::now() - start, 1000ms);  // the configured wait is 2 s
    EXPECT_GE(rig.comms->GetStats().timeouts, 1u);
}

// The cable is out for many times the measured wait, but shorter than the request's time
// budget: the read rides it out with repeat after repeat, no link loss is reported.
TEST(RetryRules, AShortDropOutIsRiddenOutWithinTheTimeBudget) {
    CommsOptions options = FastOptions();
    options.answerTimeout = 150ms;  // budget: four of these
    options.heartbeatInterval = 0ms;
    SimRig rig({}, options);
    ASSERT_TRUE(rig.comms->DetectModule());
    for (int i = 0; i < 20; ++i) ASSERT_TRUE(rig.comms->ReadModuleMemoryBlock(0x8000, 64));
    const auto before = rig.comms->GetStats();
    rig.Peer().PullCable();
    auto read = std::async(std::launch::async, [&] { return rig.comms->ReadModuleMemoryBlock(0x8000, 64); });
    std::this_thread::sleep_for(250ms);
    rig.Peer().PlugCable();
    EXPECT_TRUE(read.get());
    EXPECT_GE(rig.comms->GetStats().requestsSent - before.requestsSent, 3u);
    EXPECT_TRUE(rig.events.Locked([&] { return rig.events.statuses.empty(); }));
}

TEST(LineEstimator, FrameSizeFollowsTheErrorRate) {
    // A clean line keeps the largest frames; a bad one makes smaller ones cheaper. Writes
    // (each try pays request, turnaround and answer) and pipelined reads (each try pays its
    // answer only).
    EXPECT_EQ(LineEstimator::BestFrameData(0.0, 30.0, 24.0, 1024), 1024u);
    EXPECT_EQ(LineEstimator::BestFrameData(0.00001, 30.0, 24.0, 1024), 1024u);
    EXPECT_EQ(LineEstimator::BestFrameData(0.002, 30.0, 24.0, 1024), 128u);
    EXPECT_LT(LineEstimator::BestFrameData(0.0005, 30.0, 24.0, 1024), 1024u);
    EXPECT_EQ(LineEstimator::BestFrameData(0.002, 11.0, 26.0, 1024), 64u);
    EXPECT_EQ(LineEstimator::BestFrameData(0.0005, 11.0, 26.0, 128), 128u);
    EXPECT_EQ(LineEstimator::BestFrameData(0.01, 30.0, 24.0, 100), 64u);
    EXPECT_EQ(LineEstimator::BestFrameData(0.0, 30.0, 24.0, 100), 100u);  // never above the module's largest

    // 139-byte frames with 0.2 % of the bytes bad: about a quarter of them fail.
    LineEstimator line;
    EXPECT_EQ(line.ByteErrorRate(), 0.0);
    for (int i = 0; i < 30; ++i) line.AddOutcome(i % 4 != 0, 139);
    EXPECT_EQ(line.ByteErrorRate(), 0.0);  // too few frames to say
    for (int i = 0; i < 2000; ++i) line.AddOutcome(i % 33 >= 8, 139);  // 1 - 0.998^139 = 0.243
    EXPECT_NEAR(line.ByteErrorRate(), 0.002, 0.0003);
    line.ForgetErrors();
    EXPECT_EQ(line.ByteErrorRate(), 0.0);
}

TEST(LineEstimator, AllowanceFollowsTheMeasuredTurnaround) {
    LineEstimator line;
    using Kind = LineEstimator::Kind;
    EXPECT_EQ(line.Allowance(Kind::Flash, 0.01, 1.0), 1.0);  // nothing measured: the configured wait
    for (int i = 0; i < 50; ++i) line.AddTurnaround(Kind::Memory, 0.002);
    EXPECT_NEAR(line.Allowance(Kind::Memory, 0.01, 1.0), 0.012, 0.001);
    line.AddTurnaround(Kind::Memory, 0.050);  // one slow answer widens it at once
    EXPECT_GT(line.Allowance(Kind::Memory, 0.01, 1.0), 0.05);
    EXPECT_EQ(line.Allowance(Kind::Flash, 0.01, 1.0), 1.0);  // kinds are measured apart
}
