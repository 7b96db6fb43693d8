#include <gtest/gtest.h>

#include <string>

#include "TempDir.h"
#include "documents/ServiceDataFile.h"
#include "model/CModuleMemoryMapMirror.h"
#include "model/WarrantyValues.h"

using namespace corvane;
using corvane::test::TempDir;

namespace {

struct Record {
    CModuleMemoryMapMirror image;
    DocumentContext context;
    WarrantyValues values;
    Record() {
        context.image = &image;
        values = CreateWarrantyValues(&context);
    }
};

}  // namespace

TEST(ServiceDataFile, SavesHitsLogsAndVinLineByLine) {
    Record r;
    r.values.revLimitHits->SetHitsFromFile(12);
    for (int i = 0; i < kWarrantyLogCount; ++i) r.values.logs[i]->SetModuleValueBigEndian(3600 * i);
    r.values.vin->SetText("1HD1");
    const std::string text = ServiceDataFile::ToText(r.values);
    std::string expected = "12\r\n";
    for (int i = 0; i < kWarrantyLogCount; ++i) expected += std::to_string(3600 * i) + "\r\n";
    expected += "0\r\n1HD1\r\n0\r\n";
    EXPECT_EQ(text, expected);
}

TEST(ServiceDataFile, RoundTripKeepsTwentyHourLogsAndTheVin) {
    TempDir dir;
    Record saved;
    saved.values.revLimitHits->SetHitsFromFile(513);
    for (int i = 0; i < kWarrantyLogCount; ++i)
        saved.values.logs[i]->SetModuleValueBigEndian(20 * 3600 + i);  // 20 h: above 16 bits
    saved.values.logs[59]->SetModuleValueBigEndian(0xFFFFFFFFll);
    saved.values.vin->SetText("1HD1KHM17CB123456");
    const std::string path = dir.File("w.ssd");
    ASSERT_TRUE(ServiceDataFile::Save(path, saved.values));

    Record loaded;
    ASSERT_TRUE(ServiceDataFile::Load(path, loaded.values));
    EXPECT_EQ(loaded.values.revLimitHits->GetModuleValue(), 513);
    for (int i = 0; i < 59; ++i) EXPECT_EQ(loaded.values.logs[i]->GetSeconds(), 72000u + i);
    EXPECT_EQ(loaded.values.logs[59]->GetSeconds(), 0xFFFFFFFFu);
    EXPECT_EQ(loaded.values.vin->GetText(), "1HD1KHM17CB123456");
    // The image holds the same bytes as the saved document's.
    for (int a = 0x0500; a < 0x0614; ++a)
        EXPECT_EQ(loaded.image.ReadByte(static_cast<std::uint16_t>(a)),
                  saved.image.ReadByte(static_cast<std::uint16_t>(a))) << a;
    // 59 logs of 20 h + i s and one of 2^32-1 s: the total does not overflow.
    std::uint64_t total = 0xFFFFFFFFull;
    for (int i = 0; i < 59; ++i) total += 72000u + i;
    EXPECT_EQ(loaded.values.TotalSeconds(), total);
}

TEST(ServiceDataFile, LoadedVinOccupiesItsFieldZeroPadded) {
    Record r;
    // Fill the whole field and the byte after it first, to see what loading leaves.
    r.values.vin->SetText(std::string(32, 'X'));
    const std::uint8_t marker = 0x5A;
    r.image.WriteDataBlock(0x0614, &marker, 1);
    std::string text = "0\r\n";
    for (int i = 0; i < kWarrantyLogCount; ++i) text += "0\r\n";
    ServiceDataFile::FromText(text + "0\r\nABCD\r\n0\r\n", r.values);
    EXPECT_EQ(r.image.ReadByte(0x05F4), 'A');
    EXPECT_EQ(r.image.ReadByte(0x05F7), 'D');
    for (int a = 0x05F8; a < 0x0614; ++a) EXPECT_EQ(r.image.ReadByte(static_cast<std::uint16_t>(a)), 0) << a;
    EXPECT_EQ(r.image.ReadByte(0x0614), marker);
}

TEST(ServiceDataFile, AnOverlongVinIsCutToItsField) {
    Record r;
    const std::uint8_t marker = 0x5A;
    r.image.WriteDataBlock(0x0614, &marker, 1);
    std::string text = "0\n";
    for (int i = 0; i < kWarrantyLogCount; ++i) text += "0\n";
    ServiceDataFile::FromText(text + "0\n" + std::string(40, 'V') + "\n0\n", r.values);
    EXPECT_EQ(r.values.vin->GetText().size(), 32u);
    EXPECT_EQ(r.image.ReadByte(0x0613), 'V');
    EXPECT_EQ(r.image.ReadByte(0x0614), marker);
}

TEST(ServiceDataFile, NumbersAreReadLeniently) {
    EXPECT_EQ(ServiceDataFile::ParseNumber("  12  "), 12);
    EXPECT_EQ(ServiceDataFile::ParseNumber("12abc"), 12);
    EXPECT_EQ(ServiceDataFile::ParseNumber(""), 0);
    EXPECT_EQ(ServiceDataFile::ParseNumber("abc"), 0);
    EXPECT_EQ(ServiceDataFile::ParseNumber("-7"), -7);
    EXPECT_EQ(ServiceDataFile::ParseNumber("99999999999999999999999"), INT64_MAX);
}

// Missing values are empty; run times outside what a log holds stop at its ends.
TEST(ServiceDataFile, AShortFileLeavesMissingValuesEmptyAndRunTimesStopAtTheirEnds) {
    Record r;
    r.values.vin->SetText("OLDVIN");
    for (auto& log : r.values.logs) log->SetModuleValueBigEndian(5);
    ServiceDataFile::FromText(" 12 \r\n100\r\n-5\r\n4294967301\r\n", r.values);
    EXPECT_EQ(r.values.revLimitHits->GetModuleValue(), 12);
    EXPECT_EQ(r.values.logs[0]->GetSeconds(), 100u);
    EXPECT_EQ(r.values.logs[1]->GetSeconds(), 0u);
    EXPECT_EQ(r.values.logs[2]->GetSeconds(), 0xFFFFFFFFu);
    EXPECT_EQ(r.values.logs[3]->GetSeconds(), 0u);
    EXPECT_EQ(r.values.vin->GetText(), "");
}

TEST(ServiceDataFile, AMissingFileChangesNothing) {
    TempDir dir;
    Record r;
    r.values.revLimitHits->SetHitsFromFile(9);
    EXPECT_FALSE(ServiceDataFile::Load(dir.File("none.ssd"), r.values));
    EXPECT_EQ(r.values.revLimitHits->GetModuleValue(), 9);
}

TEST(ServiceDataFile, AModuleReadVinWithZeroPaddingSavesItsVisibleText) {
    Record r;
    r.values.vin->StoreText(std::string("AB\0\0\0", 5));
    const std::string text = ServiceDataFile::ToText(r.values);
    EXPECT_NE(text.find("\r\n0\r\nAB\r\n0\r\n"), std::string::npos);
}

TEST(ServiceDataFile, SavedTextLoadsBackToItself) {
    // A VIN with a blank before a zero byte: the saved line must be what loading gives back.
    Record r;
    r.values.vin->SetText(std::string("1HD1\v\0" "456", 8));
    const std::string text = ServiceDataFile::ToText(r.values);
    Record again;
    ServiceDataFile::FromText(text, again.values);
    EXPECT_EQ(ServiceDataFile::ToText(again.values), text);
    EXPECT_EQ(again.values.vin->GetText(), "1HD1");
}
