#include <gtest/gtest.h>

#include "monitor/PacketRateMeter.h"

namespace corvane {
namespace {

TEST(PacketRateMeter, RateIsTakenOverTheLastWindowOnly) {
    PacketRateMeter meter;
    meter.Start(10.0, 1000, 4);
    EXPECT_EQ(meter.PacketsPerSecond(), 0.0);
    // 25 packets a second for four seconds, read every second.
    for (int k = 1; k <= 4; ++k) meter.Sample(10.0 + k, 1000 + 25 * k, 4);
    EXPECT_DOUBLE_EQ(meter.PacketsPerSecond(), 25.0);
    // The cable is pulled: no more packets. The old ones leave the window, so the rate falls
    // to nothing within it rather than being averaged away over the whole stream.
    meter.Sample(15.0, 1100, 4);
    EXPECT_DOUBLE_EQ(meter.PacketsPerSecond(), 12.5);
    meter.Sample(16.0, 1100, 4);
    EXPECT_EQ(meter.PacketsPerSecond(), 0.0);
    EXPECT_EQ(meter.Received(), 100u);
}

TEST(PacketRateMeter, LostCountsFromTheStartAndTheTextSaysBoth) {
    PacketRateMeter meter;
    meter.Start(0.0, 500, 7);  // losses of an earlier stream are not this one's
    meter.Sample(1.0, 524, 8);
    meter.Sample(2.0, 549, 8);
    EXPECT_EQ(meter.Lost(), 1u);
    EXPECT_EQ(meter.Received(), 49u);
    EXPECT_EQ(meter.StatusText(), "Stream: 24.5 packets/s, 1 lost (2.0 %)");
}

TEST(PacketRateMeter, TotalsGoingBackStartAfresh) {
    PacketRateMeter meter;
    EXPECT_FALSE(meter.Started());
    meter.Sample(3.0, 80, 2);  // the first sample starts it
    EXPECT_TRUE(meter.Started());
    meter.Sample(4.0, 105, 2);
    meter.Sample(5.0, 10, 0);  // a new comms library: its counts begin at zero
    EXPECT_EQ(meter.Received(), 0u);
    EXPECT_EQ(meter.Lost(), 0u);
    EXPECT_EQ(meter.PacketsPerSecond(), 0.0);
    meter.Sample(6.0, 35, 0);
    EXPECT_DOUBLE_EQ(meter.PacketsPerSecond(), 25.0);
    EXPECT_EQ(meter.StatusText(), "Stream: 25.0 packets/s, 0 lost (0.0 %)");
}

}  // namespace
}  // namespace corvane
