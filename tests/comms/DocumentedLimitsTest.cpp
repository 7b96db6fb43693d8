// Limits docs/protocol.md states in numbers for people who write their own tools: what the
// host tolerates before it gives up, and how it meets the module's length rule.
#include <gtest/gtest.h>

#include "CommsTestSupport.h"

using namespace corvane;
using namespace corvane::comms;
using namespace corvane::comms::test;

namespace {

void BusyFor(SimRig& rig, int calls) {
    rig.Peer().WithEmulator([calls](sim::ModuleEmulator& e) {
        e.SetBusyForCalls(calls);
        return 0;
    });
}

}  // namespace

TEST(DocumentedLimits, TheHundredthBusyAnswerIsToleratedTheHundredAndFirstFailsTheCall) {
    SimRig rig;
    ASSERT_TRUE(rig.comms->DetectModule());
    const std::uint8_t bytes[4] = {1, 2, 3, 4};

    BusyFor(rig, 100);
    EXPECT_TRUE(rig.comms->WriteModuleMemoryBlock(0x0400, bytes, 4));
    EXPECT_EQ(rig.comms->GetStats().busyAnswers, 100u);
    EXPECT_EQ(rig.comms->GetStats().repeats, 100u) << "a busy repeat does not use one of the attempts";

    BusyFor(rig, 101);
    EXPECT_FALSE(rig.comms->WriteModuleMemoryBlock(0x0400, bytes, 4));
    EXPECT_EQ(rig.comms->GetStats().busyAnswers, 201u);
    EXPECT_TRUE(rig.comms->ReadWriteCommandFailed());
    EXPECT_TRUE(rig.comms->IsLinked()) << "a module that keeps saying busy is not a lost link";
    EXPECT_TRUE(rig.events.Locked([&] { return rig.events.statuses.empty(); }));
}

TEST(DocumentedLimits, ReadsLongerThanABlockAreSplitAndEmptyOnesNeverSent) {
    SimRig rig;
    ASSERT_TRUE(rig.comms->DetectModule());
    // Requests as the library made them, not counting copies of a request sent again (a slow
    // host may time out early on the quick waits the library measures on this line).
    auto made = [&] {
        const auto stats = rig.comms->GetStats();
        return stats.requestsSent - stats.repeats;
    };
    const auto before = made();
    ASSERT_TRUE(rig.comms->ReadModuleMemoryBlock(0x8000, 0));
    EXPECT_TRUE(rig.comms->GetReceivedData().empty());
    EXPECT_EQ(made(), before) << "a read of length 0 goes nowhere";
    ASSERT_TRUE(rig.comms->ReadModuleMemoryBlock(0x8000, 1025));
    EXPECT_EQ(rig.comms->GetReceivedData().size(), 1025u);
    EXPECT_EQ(made(), before + 2) << "1024 + 1 bytes: two frames";
    EXPECT_FALSE(rig.comms->ReadModuleMemoryBlock(0xDFF0, 0x20)) << "past the end of memory: out of range";
    EXPECT_TRUE(rig.comms->IsLinked());
}
