#include <gtest/gtest.h>

#include "support/RecordingPrompter.h"
#include "monitor/CCorvaneMonitorDoc.h"
#include "monitor/MonitorTestSupport.h"

namespace corvane {
namespace {

using test::BlockBuilder;

TEST(MonitorCatalogue, PositionsWidthsAndScalesFollowTheTable) {
    CCorvaneMonitorDoc doc;
    EXPECT_EQ(doc.GetValueAddress(44), 70);
    EXPECT_EQ(doc.GetMonitorValue(44).GetByteWidth(), 2);
    EXPECT_EQ(doc.GetMonitorValue(1).GetByteWidth(), 1);
    EXPECT_EQ(doc.GetValueRawMax(19), 1008);
    EXPECT_EQ(doc.GetMonitorValue(20).GetByteWidth(), 2);  // word although its maximum is 255
    EXPECT_DOUBLE_EQ(doc.GetMonitorValue(0).GetResolution(), 16.0 / 1023.0);
    EXPECT_DOUBLE_EQ(doc.GetMonitorValue(10).GetResolution(), 25599.6 / 65535.0);
    EXPECT_EQ(doc.GetValueName(30), "Front Cylinder");
    EXPECT_EQ(doc.GetValueUnits(10), "");
    EXPECT_EQ(doc.GetValueBaseAddress(7), 0x1400);
    EXPECT_STREQ(doc.GetMonitorValue(31).GetClassName(), "KnockMonitor");
    EXPECT_FALSE(doc.GetMonitorValue(3).IsSupportedByFirmware());
}

TEST(MonitorDecode, WordsAreHighByteFirstAndScaled) {
    CCorvaneMonitorDoc doc;
    doc.DecodeMonitorBlock(BlockBuilder().Set(4, 0x0123).Set(1, 30).Block());
    EXPECT_EQ(doc.GetValueRaw(4), 0x0123);
    EXPECT_DOUBLE_EQ(doc.GetValueDisplay(4), 0x0123 * 16.0);
    EXPECT_EQ(doc.GetValueRaw(1), 30);
    EXPECT_DOUBLE_EQ(doc.GetValueDisplay(1), 30.0);
}

TEST(MonitorDecode, FullScaleReadsAsTheMaximumNotAsOverRange) {
    CCorvaneMonitorDoc doc;
    doc.DecodeMonitorBlock(BlockBuilder().Set(10, 0xFFFF).Set(0, 1023).Block());
    EXPECT_NEAR(doc.GetValueDisplay(10), 12799.6, 1e-9);
    EXPECT_NEAR(doc.GetValueDisplay(0), 16.0, 1e-12);
}

TEST(MonitorDecode, MidScaleAfr) {
    CCorvaneMonitorDoc doc;
    doc.DecodeMonitorBlock(BlockBuilder().Set(10, 0x8000).Block());
    EXPECT_EQ(doc.GetValueRaw(10), 32768);
    EXPECT_NEAR(doc.GetValueDisplay(10), -12800.0 + 32768 * 25599.6 / 65535.0, 1e-9);
    EXPECT_LT(doc.GetValueDisplay(10), 0.0);
}

TEST(MonitorDecode, OverRangeIsZeroExceptStdThrottleWhichHoldsItsMaximum) {
    CCorvaneMonitorDoc doc;
    doc.DecodeMonitorBlock(BlockBuilder().Set(19, 0xFFFF).Set(18, 0xFFFF).Block());
    EXPECT_DOUBLE_EQ(doc.GetValueDisplay(19), 88.68);
    EXPECT_DOUBLE_EQ(doc.GetValueDisplay(18), 0.0);
    EXPECT_EQ(doc.GetValueRaw(19), 1008);  // the raw value is clamped to the raw range
}

TEST(MonitorDecode, WirePacketDropsItsLastByte) {
    CCorvaneMonitorDoc doc;
    auto packet = BlockBuilder().Set(44, 0x0203).Packet();
    doc.DecodeMonitorPacket(packet);
    EXPECT_EQ(doc.GetValueRaw(44), 0x0203);
    // A 72-byte wire packet lacks the block's last byte: it reads as 0.
    packet.resize(72);
    doc.DecodeMonitorPacket(packet);
    EXPECT_EQ(doc.GetValueRaw(44), 0x0200);
}

TEST(MonitorDecode, ShortPacketDecodesFromZeroesNotFromThePreviousPacket) {
    CCorvaneMonitorDoc doc;
    doc.DecodeMonitorBlock(BlockBuilder().Set(43, 500).Set(0, 700).Block());
    ASSERT_EQ(doc.GetValueRaw(43), 500);
    std::vector<std::uint8_t> shortBlock = BlockBuilder().Set(0, 600).Block();
    shortBlock.resize(10);
    doc.DecodeMonitorBlock(shortBlock);
    EXPECT_EQ(doc.GetValueRaw(0), 600);
    EXPECT_EQ(doc.GetValueRaw(43), 0);
    EXPECT_DOUBLE_EQ(doc.GetValueDisplay(43), 0.0);
    doc.DecodeMonitorPacket({});
    EXPECT_EQ(doc.GetValueRaw(0), 0);
}

TEST(MonitorDecode, OversizePacketIsCutAtTheBuffer) {
    CCorvaneMonitorDoc doc;
    std::vector<std::uint8_t> huge(100000, 0xFF);
    auto block = BlockBuilder().Set(4, 100).Block();
    std::copy(block.begin(), block.end(), huge.begin());
    doc.DecodeMonitorPacket(huge);
    EXPECT_EQ(doc.GetValueRaw(4), 100);
    EXPECT_EQ(doc.GetPacketCount(), 1u);
}

TEST(MonitorDocument, SavingIsRefusedWithTheFilesaveBox) {
    CCorvaneMonitorDoc doc;
    test::RecordingPrompter prompter;
    EXPECT_FALSE(doc.OnSaveDocument(&prompter));
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(prompter.shown[0].text, "Monitor Data Cannot Be Saved");
    EXPECT_EQ(prompter.shown[0].title, "Filesave Error");
    EXPECT_EQ(prompter.shown[0].icon, Prompter::Icon::Error);
}

}  // namespace
}  // namespace corvane
