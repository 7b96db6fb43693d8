#include <gtest/gtest.h>

#include "comms/api/Rounding.h"
#include "model/Archive.h"
#include "model/CModuleMemoryMapMirror.h"
#include "model/ModuleValue.h"
#include "support/TestDocument.h"

namespace corvane {
namespace {

using Doc = test::TestDocument;

TEST(ModuleValueBytes, WordIsBigEndianInTheImage) {
    Doc doc;
    WordModuleValue v(&doc.ctx);
    v.InitializeForMap(0x2000, 0x2000, 0, 65535, 0, 65535, 0, 0, 0);
    v.SetModuleValue(0x1234);
    EXPECT_EQ(doc.image.ReadByte(0x2000), 0x12);
    EXPECT_EQ(doc.image.ReadByte(0x2001), 0x34);
}

TEST(ModuleValueBytes, SignedByteRoundTripsTwosComplement) {
    Doc doc;
    ByteSignedModuleValue v(&doc.ctx);
    v.InitializeForMap(0x10, 0x10, -128, 127, -128, 127, 0, 0, 0);
    v.LoadFromModuleBytes(0xF6);
    EXPECT_EQ(v.GetModuleValue(), -10);
    EXPECT_TRUE(v.IsInSync());
    v.SetModuleValue(-20);
    v.SetModuleValue(-10);
    EXPECT_EQ(doc.image.ReadByte(0x10), 0xF6);
}

TEST(ModuleValueBytes, WordFromModuleBytesTakesFirstByteAsHigh) {
    Doc doc;
    WordModuleValue v(&doc.ctx);
    v.InitializeForMap(0x100, 0x100, 0, 65535, 0, 65535, 0, 0, 0);
    v.LoadBaseFromModuleBytes(0x3412);  // read as 0x12, 0x34
    EXPECT_EQ(v.GetBaseValue(), 0x1234);
    v.LoadFromModuleBytes(0x3412);
    EXPECT_EQ(v.GetModuleValue(), 0x1234);
    EXPECT_EQ(doc.image.ReadByte(0x100), 0x12);
    EXPECT_EQ(doc.image.ReadByte(0x101), 0x34);
}

TEST(ModuleValueConversion, LinearWithRoundingAndClamping) {
    Doc doc;
    ByteModuleValue v(&doc.ctx);
    v.InitializeForMap(0x10, 0x10, 0.0, 10.2, 0, 255, 0, 0, 0);
    EXPECT_EQ(v.DisplayToModule(5.0), 125);
    EXPECT_DOUBLE_EQ(v.ModuleToDisplay(128), 5.12);
    EXPECT_TRUE(v.SetModuleValue(300));
    EXPECT_EQ(v.GetModuleValue(), 255);
    EXPECT_EQ(doc.image.ReadByte(0x10), 255);
    EXPECT_FALSE(v.SetModuleValue(999));  // clamps to the same value
}

// The one rounding rule of every display-to-module conversion and every AutoTune and quick-AFR
// step: halves away from zero on both sides (a rich correction of -2.5 counts is -3).
TEST(ModuleValueConversion, RoundingTakesHalvesAwayFromZeroOnBothSides) {
    const std::pair<double, int> table[] = {{0.5, 1},   {1.5, 2},   {2.5, 3},    {-0.5, -1}, {-1.5, -2},
                                            {-2.5, -3}, {1.49, 1},  {-1.49, -1}, {-0.49, 0}, {0.0, 0},
                                            {3e9, 2147483647},      {-3e9, -2147483647 - 1}};
    for (const auto& [x, want] : table) EXPECT_EQ(RoundToInteger(x), want) << x;
    EXPECT_EQ(RoundToInteger(std::nan("")), 0);
}

TEST(ModuleValueConversion, DegenerateRangesPassThroughOrTruncate) {
    ByteModuleValue v;
    v.InitializeForMap(0, 0, 3.0, 3.0, 7, 7, 0, 0, 0);
    EXPECT_EQ(v.DisplayToModule(7.9), 7);
    EXPECT_DOUBLE_EQ(v.ModuleToDisplay(7), 7.0);
    EXPECT_EQ(v.ClampModuleValue(1000), 1000);
}

TEST(ModuleValueInitialize, ComputesResolutionWhenNoneGiven) {
    ByteModuleValue v;
    v.Initialize(0x20, 0x0, 1.0, 0.0, 25.5, 0, 255, 0.0, 0, 0, 0);
    EXPECT_DOUBLE_EQ(v.GetResolution(), 0.1);
    EXPECT_EQ(v.GetModuleValue(), 10);
}

TEST(ModuleValueMargins, PercentBandAroundBase) {
    ByteModuleValue v;
    v.InitializeForMap(0, 0, 0.0, 25.5, 0, 255, -10, 10, 1);
    v.SetBaseAndTrim(200, 0);  // 20.0
    EXPECT_DOUBLE_EQ(v.GetMarginBandLow(), 18.0);
    EXPECT_DOUBLE_EQ(v.GetMarginBandHigh(), 22.0);
    EXPECT_EQ(v.GetLowerMarginLimit(), 180);
    EXPECT_EQ(v.GetUpperMarginLimit(), 220);
    // A trim beyond the band is clamped to it.
    v.SetTrimValue(50);
    EXPECT_EQ(v.GetTrimValue(), 20);
    v.SetTrimValue(-50);
    EXPECT_EQ(v.GetTrimValue(), -20);
}

// A percent band that runs past the display range stops at its edge (the AFR curve's lambda
// range 0.496 ... 1.5 with -25 % / +10 %): trims cannot push the module value beyond it.
TEST(ModuleValueMargins, PercentBandStopsAtTheDisplayRange) {
    ByteModuleValue v;
    v.InitializeForMap(0, 0, 0.496, 1.5, 0, 255, -25, 10, 1);
    v.SetBaseAndTrim(250, 0);
    EXPECT_DOUBLE_EQ(v.GetMarginBandHigh(), 1.5);
    EXPECT_EQ(v.GetUpperMarginLimit(), 255);
    v.SetTrimValue(100);
    EXPECT_EQ(v.GetTrimValue(), 5);
    v.SetBaseAndTrim(20, 0);
    EXPECT_DOUBLE_EQ(v.GetMarginBandLow(), 0.496);
    EXPECT_EQ(v.GetLowerMarginLimit(), 0);
    v.SetTrimValue(-100);
    EXPECT_EQ(v.GetTrimValue(), -20);
}

TEST(ModuleValueMargins, DisplayUnitMarginsClampTrimOffsets) {
    ByteModuleValue v;
    v.InitializeForMap(0, 0, 0.0, 45.0, 0, 45, -10, 10, 2);
    v.SetBaseAndTrim(30, 0);
    EXPECT_EQ(v.GetLowerMarginLimit(), 20);
    EXPECT_EQ(v.GetUpperMarginLimit(), 40);
    EXPECT_DOUBLE_EQ(v.SetTrimDisplayValue(15.0), 10.0);
    EXPECT_EQ(v.GetTrimValue(), 10);
    // A base edit moves the band with it; near the ends the band stops at the display range.
    EXPECT_TRUE(v.SetBaseValue(40));
    EXPECT_EQ(v.GetLowerMarginLimit(), 30);
    EXPECT_EQ(v.GetUpperMarginLimit(), 45);
    v.SetTrimValue(10);
    EXPECT_EQ(v.GetTrimValue(), 5);
    EXPECT_TRUE(v.SetBaseValue(3));
    EXPECT_EQ(v.GetLowerMarginLimit(), 0);
    EXPECT_EQ(v.GetUpperMarginLimit(), 13);
}

TEST(ModuleValueMargins, WholeRangeResetsAnOutOfBandTrim) {
    ByteModuleValue v;
    v.InitializeForMap(0, 0, 0.0, 100.0, 0, 100, 10, 20, 3);
    v.SetBaseAndTrim(50, 0);
    v.StoreTrimDisplayValue(90.0);
    v.SetMargins(10, 20);
    EXPECT_DOUBLE_EQ(v.GetTrimDisplayValue(), v.GetBaseDisplayValue());
    EXPECT_EQ(v.GetTrimValue(), 0);
    EXPECT_DOUBLE_EQ(v.GetMarginBandLow(), 0.0);
    EXPECT_DOUBLE_EQ(v.GetMarginBandHigh(), 100.0);
}

TEST(ModuleValueMargins, ZeroTrimOffsetIsZeroWhateverTheDisplayOrigin) {
    // Display range not starting at 0: an offset must not be converted as an absolute value.
    ByteModuleValue v;
    v.InitializeForMap(0, 0, -50.0, 49.6, 0, 255, -20, 20, 2);
    v.SetBaseAndTrim(128, 0);
    EXPECT_EQ(v.TrimOffsetToModule(0.0), 0);
    v.SetTrimDisplayValue(0.0);
    EXPECT_EQ(v.GetTrimValue(), 0);
    v.SetTrimDisplayValue(3.9);
    EXPECT_EQ(v.GetTrimValue(), 10);
}

TEST(ModuleValueMargins, ShownValueWithEmptyBandIsZero) {
    ByteModuleValue v;
    v.InitializeForMap(0, 0, 0.0, 25.5, 0, 255, 0, 0, 1);
    v.SetBaseAndTrim(0, 0);  // base 0: band collapses
    v.RefreshTrimShownValue();
    EXPECT_DOUBLE_EQ(v.GetTrimShownValue(), 0.0);
    EXPECT_DOUBLE_EQ(v.SetTrimShownFromDisplay(1.0), 0.0);
    EXPECT_DOUBLE_EQ(v.ShownUnitsPerModuleStep(1), 0.0);
}

TEST(ModuleValueFile, RecordKeepsOwnAddressAndRebuildsImage) {
    Doc doc;
    WordModuleValue v(&doc.ctx);
    v.InitializeForMap(0x8000, 0x8000, 0, 20.95104, 0, 1023, -25, 25, 1);
    Archive out;
    out.WriteU16(0x1234);  // a foreign address in the record
    out.WriteI32(500);
    out.WriteI32(-3);
    Archive in(out.Bytes());
    v.MarkInSync();
    v.Serialize(in, 12);
    EXPECT_EQ(v.GetAddress(), 0x8000);
    EXPECT_EQ(v.GetBaseValue(), 500);
    EXPECT_EQ(v.GetTrimValue(), -3);
    EXPECT_EQ(v.GetModuleValue(), 497);
    EXPECT_FALSE(v.IsInSync());
    EXPECT_EQ(doc.image.ReadByte(0x8000), 497 >> 8);
    EXPECT_EQ(doc.image.ReadByte(0x8001), 497 & 0xFF);

    Archive store;
    v.Serialize(store, 12);
    ASSERT_EQ(store.Bytes().size(), 10u);
    EXPECT_EQ(store.Bytes()[0], 0x00);
    EXPECT_EQ(store.Bytes()[1], 0x80);
}

TEST(ModuleValueOwnership, ValuesWriteOnlyIntoTheirOwnDocument) {
    Doc a, b;
    ByteModuleValue va(&a.ctx), vb(&b.ctx);
    va.InitializeForMap(0x50, 0x50, 0, 255, 0, 255, 0, 0, 0);
    vb.InitializeForMap(0x50, 0x50, 0, 255, 0, 255, 0, 0, 0);
    va.SetModuleValue(77);
    EXPECT_EQ(a.image.ReadByte(0x50), 77);
    EXPECT_EQ(b.image.ReadByte(0x50), 0);
}

TEST(ModuleValueText, SeventeenCharactersGoOutAsFourBlocksAndOneByte) {
    Doc doc;
    ModuleValueNByteString s(17, &doc.ctx);
    s.SetAddress(0x600);
    EXPECT_TRUE(s.SetStringAndDownload("ABCDEFGHIJKLMNOPQRS"));  // cut to 17
    ASSERT_EQ(doc.comms.writes.size(), 5u);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(doc.comms.writes[i].bytes.size(), 4u);
    EXPECT_EQ(doc.comms.writes[4].address, 0x610);
    EXPECT_EQ(doc.comms.writes[4].bytes.size(), 1u);
    EXPECT_EQ(doc.comms.writes[4].bytes[0], 'Q');
    EXPECT_FALSE(doc.comms.queueWriting);
}

TEST(ModuleValueText, FailureIsReportedAndStopsTheDownload) {
    Doc doc;
    ModuleValueNByteString s(12, &doc.ctx);
    s.SetAddress(0x600);
    doc.comms.failAddresses = {0x604};
    EXPECT_FALSE(s.SetStringAndDownload("123456789012"));
    EXPECT_EQ(doc.comms.writes.size(), 1u);
}

TEST(ModuleValueText, ReadStopsAtThePadding) {
    Doc doc;
    ModuleValueNByteString s(8, &doc.ctx);
    s.SetAddress(0x700);
    doc.comms.memory[0x700] = 'V';
    doc.comms.memory[0x701] = 'I';
    doc.comms.memory[0x703] = 'X';  // left over behind the padding of a shorter text
    ASSERT_TRUE(s.ReadStringFromModule());
    EXPECT_EQ(s.GetText(), "VI");
}

TEST(ModuleMemoryImage, BoundsAndFill) {
    CModuleMemoryMapMirror image;
    std::string reported;
    image.SetErrorReporter([&](const std::string& m) { reported = m; });
    const std::uint8_t two[2] = {1, 2};
    EXPECT_EQ(image.WriteDataBlock(0xDFFF, two, 1), 1);
    EXPECT_TRUE(reported.empty());
    EXPECT_EQ(image.WriteDataBlock(0xDFFF, two, 2), 0);
    EXPECT_EQ(reported, "Bounding error in CModuleMemoryMapMirror::WriteDataBlock");
    EXPECT_EQ(image.ReadByte(0xDFFF), 1);
    EXPECT_EQ(image.WriteDataBlock(0x10, two, 0), 0);
    image.Fill(0);
    image.Fill(-5);
    EXPECT_EQ(image.ReadByte(0), 0);
    image.Fill(3);
    EXPECT_EQ(image.ReadByte(2), 0xFF);
    EXPECT_EQ(image.ReadByte(3), 0);
}

}  // namespace
}  // namespace corvane
