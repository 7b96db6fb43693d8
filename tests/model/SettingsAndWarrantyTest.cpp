#include <gtest/gtest.h>

#include "model/AppState.h"
#include "model/Archive.h"
#include "model/CBasicSettingsModuleValue.h"
#include "model/CModuleMemoryMapMirror.h"
#include "model/FirmwareVersionText.h"
#include "model/WarrantyValues.h"
#include "model/SettingsStore.h"
#include "model/TargetAfrSetting.h"
#include "support/TestDocument.h"

namespace corvane {
namespace {

using Doc = test::TestDocument;

TEST(BasicSettings, CatalogueOrderAndInitialValues) {
    Doc doc;
    auto s = CreateBasicSettings(&doc.ctx);
    ASSERT_EQ(s.size(), 29u);
    EXPECT_STREQ(s[0]->GetClassName(), "CEngineSize");
    EXPECT_STREQ(s[11]->GetClassName(), "CIACStopOffset");
    EXPECT_STREQ(s[26]->GetClassName(), "CIdleRpm");
    EXPECT_STREQ(s[28]->GetClassName(), "CMapSelectLock");
    // The initial value is shown, is the base, and is in the image.
    EXPECT_DOUBLE_EQ(s[kRevLimit]->GetDisplayValue(), 6144.0);
    EXPECT_EQ(s[kRevLimit]->GetBaseValue(), s[kRevLimit]->GetModuleValue());
    EXPECT_EQ(doc.image.ReadByte(0x040A), 192);
    EXPECT_EQ(doc.image.ReadByte(0x0400), 1340 >> 8);
    EXPECT_EQ(doc.image.ReadByte(0x0401), 1340 & 0xFF);
}

TEST(BasicSettings, ConversionsOfTheCatalogue) {
    Doc doc;
    auto s = CreateBasicSettings(&doc.ctx);
    auto& rev = *s[kRevLimit];
    rev.SetModuleValue(200);
    EXPECT_DOUBLE_EQ(rev.GetDisplayValue(), 6400.0);
    EXPECT_EQ(rev.DisplayToModule(rev.ClampDisplayValue(8100)), 250);

    auto& sync = *s[9];
    sync.LoadFromModuleBytes(0xF1);
    EXPECT_DOUBLE_EQ(sync.GetDisplayValue(), -15.0);

    auto& iac = *s[kIACStopOffset];
    iac.SetModuleValue(0);
    EXPECT_DOUBLE_EQ(iac.GetDisplayValue(), -20.0);
    iac.SetModuleValue(40);
    EXPECT_DOUBLE_EQ(iac.GetDisplayValue(), 20.0);
}

TEST(BasicSettings, FormatsAndFirmwareSupport) {
    Doc doc;
    auto s = CreateBasicSettings(&doc.ctx);
    EXPECT_EQ(s[2]->GetDisplayFormat(), 1);
    EXPECT_EQ(s[2]->FormatDisplay().find('.') != std::string::npos, true);
    int twoDecimals = 0;
    for (const auto& v : s) twoDecimals += v->GetDisplayFormat() == 2;
    EXPECT_EQ(twoDecimals, 8);
    EXPECT_EQ(FormatWithDisplayFormat(1.23456, 7), "1.2346");
    EXPECT_EQ(s[kRevLimit]->FormatValue(), " 6144.0");
    EXPECT_FALSE(s[kStartIgnRevsDelay]->IsSupportedByFirmware(80));
    EXPECT_TRUE(s[kStartIgnRevsDelay]->IsSupportedByFirmware(81));
    EXPECT_TRUE(s[0]->IsSupportedByFirmware(0));
    EXPECT_EQ(FindBasicSetting("CIdleRpm"), 26);
    EXPECT_EQ(FindBasicSetting("Nope"), -1);
}

TEST(Warranty, LayoutLabelsAndTimeDisplay) {
    Doc doc;
    auto w = CreateWarrantyValues(&doc.ctx);
    ASSERT_EQ(w.logs.size(), 60u);
    EXPECT_EQ(w.logs[59]->GetAddress(), 0x05EC);
    EXPECT_EQ(w.logs[59]->GetLabel(), "6400 Rpm");
    EXPECT_EQ(w.logs[0]->GetLabel(), "500 Rpm");
    EXPECT_EQ(FormatRunTime(3725), "01:02:05");
    EXPECT_EQ(FormatRunTime(360000), "100:00:00");
}

TEST(Warranty, ReadsBigEndianLogsAndKeepsAll32Bits) {
    Doc doc;
    auto w = CreateWarrantyValues(&doc.ctx);
    doc.comms.memory[0x0502] = 0x0E;
    doc.comms.memory[0x0503] = 0x10;
    ASSERT_TRUE(w.logs[0]->ReadFromModule(doc.comms));
    EXPECT_EQ(w.logs[0]->GetSeconds(), 3600u);
    w.logs[1]->SetModuleValueBigEndian(20 * 3600);  // 72000 needs more than 16 bits
    EXPECT_EQ(w.logs[1]->GetSeconds(), 72000u);
    EXPECT_EQ(doc.image.ReadByte(0x0505), 0x01);
    // The total of 60 logs near the 32-bit limit does not wrap.
    for (auto& log : w.logs) log->SetModuleValueBigEndian(0xFFFFFFF0u);
    EXPECT_EQ(w.TotalSeconds(), 60ull * 0xFFFFFFF0ull);
}

TEST(Warranty, HitsReadBackWhatWasWritten) {
    Doc doc;
    auto w = CreateWarrantyValues(&doc.ctx);
    w.revLimitHits->SetHitsFromFile(1234);
    for (int i = 0; i < 4; ++i) doc.comms.memory[0x05F0 + i] = doc.image.ReadByte(0x05F0 + i);
    w.revLimitHits->SetHitsFromFile(0);
    ASSERT_TRUE(w.revLimitHits->ReadFromModule(doc.comms));
    EXPECT_EQ(w.revLimitHits->GetModuleValue(), 1234);
    EXPECT_EQ(w.revLimitHits->FormatValue(), "1234");
}

TEST(Warranty, ClearSendsNothingWhileTheFailureEventIsSet) {
    Doc doc;
    auto w = CreateWarrantyValues(&doc.ctx);
    doc.comms.failedEvent = true;
    EXPECT_FALSE(w.logs[3]->ClearInModule(doc.comms));
    EXPECT_TRUE(doc.comms.writes.empty());
    doc.comms.failedEvent = false;
    EXPECT_TRUE(w.logs[3]->ClearInModule(doc.comms));
    ASSERT_EQ(doc.comms.writes.size(), 1u);
    EXPECT_EQ(doc.comms.writes[0].address, 0x050C);
    EXPECT_EQ(doc.comms.writes[0].bytes, std::vector<std::uint8_t>(4, 0));
}

TEST(Warranty, VinIsPaddedAndNeverSpills) {
    Doc doc;
    auto w = CreateWarrantyValues(&doc.ctx);
    const std::uint8_t marker = 0xAB;
    doc.image.WriteDataBlock(0x0614, &marker, 1);
    w.vin->SetText("1HD1KB4197Y123456");
    EXPECT_EQ(doc.image.ReadByte(0x05F4), '1');
    EXPECT_EQ(doc.image.ReadByte(0x05F4 + 16), '6');
    EXPECT_EQ(doc.image.ReadByte(0x05F4 + 17), 0);
    EXPECT_EQ(doc.image.ReadByte(0x0613), 0);
    w.vin->SetText(std::string(40, 'X'));
    EXPECT_EQ(w.vin->GetText().size(), 32u);
    EXPECT_EQ(doc.image.ReadByte(0x0613), 'X');
    EXPECT_EQ(doc.image.ReadByte(0x0614), marker);
}

TEST(ArchiveStrings, AllLengthPrefixesAndWideCharacters) {
    Archive out;
    out.WriteString("abc");
    out.WriteString(std::string(300, 'x'));
    out.WriteString(std::string(70000, 'y'));
    Archive in(out.Bytes());
    EXPECT_EQ(in.ReadString(), "abc");
    EXPECT_EQ(in.ReadString().size(), 300u);
    EXPECT_EQ(in.ReadString().size(), 70000u);
    EXPECT_EQ(in.Remaining(), 0u);

    const std::vector<std::uint8_t> wide = {0xFF, 0xFE, 0xFF, 2, 'H', 0, 'i', 0};
    Archive w(wide);
    EXPECT_EQ(w.ReadString(), "Hi");

    const std::vector<std::uint8_t> lying = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F, 'a'};
    Archive bad(lying);
    EXPECT_THROW(bad.ReadString(), ArchiveError);
    Archive empty(std::vector<std::uint8_t>{});
    EXPECT_THROW(empty.ReadU32(), ArchiveError);
}

}  // namespace
}  // namespace corvane


namespace corvane {
namespace {

TEST(TargetAfrSetting, KeptAsDecimalTextWithTenSignificantDigits) {
    MemorySettingsStore store;
    EXPECT_DOUBLE_EQ(ReadTargetAfr(store), 13.1);  // nothing kept yet
    WriteTargetAfr(store, 13.25);
    EXPECT_EQ(store.GetText("AFR", "Target"), "13.25");
    EXPECT_DOUBLE_EQ(ReadTargetAfr(store), 13.25);
    WriteTargetAfr(store, 1.0 / 3.0 + 12.0);
    EXPECT_EQ(store.GetText("AFR", "Target"), "12.33333333");
    for (const char* bad : {"", "abc", "-3", "nan", "inf", "0"}) {
        store.SetText("AFR", "Target", bad);
        EXPECT_DOUBLE_EQ(ReadTargetAfr(store), 13.1) << bad;
    }
}

}  // namespace
}  // namespace corvane

namespace corvane {
namespace {

TEST(FirmwareVersionText, UpperCaseHexWhileLinkedElseNotAvailable) {
    AppState state;
    EXPECT_EQ(FirmwareVersionText(state), "Firmware Version: N/A");
    state.moduleLinked = true;
    state.moduleFirmwareVersion = 42;
    EXPECT_EQ(FirmwareVersionText(state), "Firmware Version: 0x2A");
    EXPECT_EQ(FirmwareVersionHex(5), "0x05");
    state.moduleFirmwareVersion = 0;  // linked, version not read
    EXPECT_EQ(FirmwareVersionText(state), "Firmware Version: N/A");
}

}  // namespace
}  // namespace corvane
