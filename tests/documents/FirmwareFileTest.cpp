#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "support/RecordingPrompter.h"
#include "support/S19Writer.h"
#include "TempDir.h"
#include "documents/FirmwareDataFile.h"
#include "documents/S19Parser.h"
#include "model/Archive.h"

using namespace corvane;
using corvane::test::TempDir;

namespace {

// An S1 line for the bytes at address with a correct checksum.
std::string S1(std::uint16_t address, const std::vector<std::uint8_t>& data) {
    const unsigned count = static_cast<unsigned>(data.size() + 3);
    unsigned sum = count + (address >> 8) + (address & 0xFF);
    char buf[8];
    std::string line = "S1";
    std::snprintf(buf, sizeof buf, "%02X%04X", count, address);
    line += buf;
    for (auto b : data) {
        std::snprintf(buf, sizeof buf, "%02X", b);
        line += buf;
        sum += b;
    }
    std::snprintf(buf, sizeof buf, "%02X", (~sum) & 0xFF);
    return line + buf;
}

std::vector<std::uint8_t> Bytes(std::size_t n, std::uint8_t first) {
    std::vector<std::uint8_t> v(n);
    for (std::size_t i = 0; i < n; ++i) v[i] = static_cast<std::uint8_t>(first + i);
    return v;
}

}  // namespace

TEST(S19Parser, ReadsAnS1RecordAndItsChecksum) {
    CCVNFlashMemoryItem r;
    ASSERT_EQ(S19Parser::ParseLine("S1130000285F245F2212226A000424290008237C2A\r", r),
              S19Parser::LineResult::kRecord);
    EXPECT_EQ(r.GetAddress(), 0x0000);
    EXPECT_EQ(r.GetLength(), 16);
    EXPECT_EQ(r.GetData()[0], 0x28);
    EXPECT_EQ(r.GetData()[15], 0x7C);
    EXPECT_EQ(r.GetChecksum(), 0x2A);
}

TEST(S19Parser, RejectsBadRecords) {
    CCVNFlashMemoryItem r;
    using LR = S19Parser::LineResult;
    EXPECT_EQ(S19Parser::ParseLine("S1130000285F245F2212226A000424290008237C2B", r), LR::kBadChecksum);
    EXPECT_EQ(S19Parser::ParseLine("S1020000FD", r), LR::kMalformed);        // count below 3
    EXPECT_EQ(S19Parser::ParseLine("S1130000285F245F22", r), LR::kMalformed);  // too short
    EXPECT_EQ(S19Parser::ParseLine("S1130000285F245F2212226A0004242900082G7C2A", r), LR::kMalformed);
    EXPECT_EQ(S19Parser::ParseLine("S1", r), LR::kMalformed);
    EXPECT_EQ(S19Parser::ParseLine("S0030000FC", r), LR::kSkipped);
    EXPECT_EQ(S19Parser::ParseLine("S9030000FC", r), LR::kSkipped);
    EXPECT_EQ(S19Parser::ParseLine("", r), LR::kSkipped);
}

TEST(S19Parser, ParseStopsAtTheFirstBadRecord) {
    const std::string text = "S0030000FC\n" + S1(0x8000, Bytes(4, 1)) + "\nS1060000010203FF\n" +
                             S1(0x8004, Bytes(4, 5)) + "\n";
    const auto result = S19Parser::Parse(text);
    EXPECT_FALSE(result.Ok());
    EXPECT_EQ(result.firstBadLine, 3u);
    EXPECT_EQ(result.firstBadKind, S19Parser::LineResult::kBadChecksum);
}

TEST(S19Blocks, AdjacentRecordsMergeInAddressOrder) {
    std::vector<CCVNFlashMemoryItem> records(3);
    const std::uint16_t addresses[] = {0x8020, 0x8000, 0x8010};
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(records[i].SetData(Bytes(16, static_cast<std::uint8_t>(addresses[i] & 0xFF)).data(), 16));
        records[i].SetAddress(addresses[i]);
    }
    const auto blocks = S19Parser::BuildBlocks(records);
    ASSERT_EQ(blocks.size(), 1u);
    EXPECT_EQ(blocks[0].GetAddress(), 0x8000);
    EXPECT_EQ(blocks[0].GetLength(), 48);
    for (int i = 0; i < 48; ++i) EXPECT_EQ(blocks[0].GetData()[i], i);
}

TEST(S19Blocks, SplitAt512BytesAndAtGaps) {
    // 33 records of 16 bytes from 0x8000: the 33rd would pass 512 bytes and starts a block.
    std::vector<CCVNFlashMemoryItem> records;
    for (int i = 0; i < 33; ++i) {
        CCVNFlashMemoryItem r;
        ASSERT_TRUE(r.SetData(Bytes(16, 0).data(), 16));
        r.SetAddress(static_cast<std::uint16_t>(0x8000 + 16 * i));
        records.push_back(r);
    }
    CCVNFlashMemoryItem gap;  // not adjacent: a block of its own
    ASSERT_TRUE(gap.SetData(Bytes(8, 0).data(), 8));
    gap.SetAddress(0x9000);
    records.push_back(gap);
    const auto blocks = S19Parser::BuildBlocks(records);
    ASSERT_EQ(blocks.size(), 3u);
    EXPECT_EQ(blocks[0].GetAddress(), 0x8000);
    EXPECT_EQ(blocks[0].GetLength(), 512);
    EXPECT_EQ(blocks[1].GetAddress(), 0x8200);
    EXPECT_EQ(blocks[1].GetLength(), 16);
    EXPECT_EQ(blocks[2].GetAddress(), 0x9000);
}

TEST(S19Blocks, AShorterLaterRecordStillFitsWhenALongerOneDoesNot) {
    std::vector<CCVNFlashMemoryItem> records(3);
    records[0].SetData(Bytes(250, 0).data(), 250);
    records[0].SetAddress(0x1000);
    records[1].SetData(Bytes(252, 0).data(), 252);
    records[1].SetAddress(0x1000 + 250);  // 250 + 252 = 502: fits
    records[2].SetData(Bytes(20, 0).data(), 20);
    records[2].SetAddress(0x1000 + 502);  // 522: does not fit, starts the next block
    const auto blocks = S19Parser::BuildBlocks(records);
    ASSERT_EQ(blocks.size(), 2u);
    EXPECT_EQ(blocks[0].GetLength(), 502);
    EXPECT_EQ(blocks[1].GetAddress(), 0x1000 + 502);
}

TEST(FirmwareDataFile, B19NameReplacesTheFileNamesExtension) {
    EXPECT_EQ(FirmwareDataFile::B19PathFor("/fw/v1.2/Mod_12_V0x1A.S19"), "/fw/v1.2/Mod_12_V0x1A.B19");
    EXPECT_EQ(FirmwareDataFile::B19PathFor("C:\\fw.d\\a_1_V2.s19"), "C:\\fw.d\\a_1_V2.B19");
    EXPECT_EQ(FirmwareDataFile::B19PathFor("/fw.d/noext"), "/fw.d/noext.B19");
    EXPECT_EQ(FirmwareDataFile::B19PathFor("a.b.S19"), "a.b.B19");
}

TEST(FirmwareDataFile, ConvertWritesMergedBlocksAndSkipsOtherRecords) {
    TempDir dir;
    const std::string s19 = dir.File("Mod_12_V26.S19");
    TempDir::WriteText(s19, "S00600004844521B\r\n" + S1(0x8010, Bytes(16, 16)) + "\r\n" +
                                S1(0x8000, Bytes(16, 0)) + "\r\n" + S1(0xC000, Bytes(4, 9)) +
                                "\r\nS9030000FC\r\n");
    test::RecordingPrompter prompter;
    FirmwareDataFile file(&prompter);
    ASSERT_EQ(file.ConvertS19ToB19(s19, 26), FirmwareDataFile::ConvertResult::kOk);
    EXPECT_TRUE(prompter.shown.empty());

    FirmwareDataFile loaded;
    ASSERT_TRUE(loaded.LoadB19(dir.File("Mod_12_V26.B19")));
    EXPECT_EQ(loaded.GetFirmwareVersion(), 26);
    ASSERT_EQ(loaded.GetBlocks().size(), 2u);
    EXPECT_EQ(loaded.GetBlocks()[0].GetAddress(), 0x8000);
    EXPECT_EQ(loaded.GetBlocks()[0].GetLength(), 32);
    EXPECT_EQ(loaded.GetBlocks()[1].GetAddress(), 0xC000);  // kept in the file
    EXPECT_EQ(loaded.DataBytes(), 36u);
}

// The test firmware files are laid out as the usual tool makes them: its own output for two
// images (`srec_cat fw.bin -binary -offset 0x8000 high.bin -binary -offset 0xC000 -o out.S19
// -motorola -address-length=2`, fw.bin 70 bytes (i*37+11) mod 256, high.bin "CALIBRATIONDATA!")
// matches S19Writer's record for record, and converts to the same blocks.
TEST(FirmwareDataFile, TestFirmwareFilesMatchTheUsualToolsLayout) {
    const std::string tool =
        "S0220000687474703A2F2F737265636F72642E736F75726365666F7267652E6E65742F1D\n"
        "S12380000B30557A9FC4E90E33587DA2C7EC11365B80A5CAEF14395E83A8CDF2173C61864C\n"
        "S1238020ABD0F51A3F6489AED3F81D42678CB1D6FB20456A8FB4D9FE23486D92B7DC01262C\n"
        "S10980404B7095BADF0449\n"
        "S113C00043414C4942524154494F4E4441544121C9\n"
        "S5030004F8\n";
    std::vector<std::uint8_t> image(70);
    for (std::size_t i = 0; i < image.size(); ++i) image[i] = static_cast<std::uint8_t>((i * 37 + 11) % 256);
    const std::string high = "CALIBRATIONDATA!";
    const std::string ours = test::S19Writer::Text({{0x8000, image}, {0xC000, {high.begin(), high.end()}}});
    auto withoutHeader = [](const std::string& text) { return text.substr(text.find('\n') + 1); };
    EXPECT_EQ(withoutHeader(ours), withoutHeader(tool));

    TempDir dir;
    std::vector<std::vector<std::uint8_t>> converted;
    for (const std::string* text : {&tool, &ours}) {
        const std::string s19 = dir.File("Mod_12_V3.S19");
        TempDir::WriteText(s19, *text);
        FirmwareDataFile file;
        ASSERT_EQ(file.ConvertS19ToB19(s19, 3), FirmwareDataFile::ConvertResult::kOk);
        converted.push_back(TempDir::ReadBytes(dir.File("Mod_12_V3.B19")));
    }
    EXPECT_EQ(converted[0], converted[1]);
}

TEST(FirmwareDataFile, ABadChecksumFailsAndWritesNothing) {
    TempDir dir;
    const std::string s19 = dir.File("fw_1_V2.S19");
    std::string bad = S1(0x8010, Bytes(16, 16));
    bad.back() = bad.back() == '0' ? '1' : '0';
    TempDir::WriteText(s19, S1(0x8000, Bytes(16, 0)) + "\n" + bad + "\n");
    test::RecordingPrompter prompter;
    FirmwareDataFile file(&prompter);
    EXPECT_EQ(file.ConvertS19ToB19(s19, 2), FirmwareDataFile::ConvertResult::kBadRecord);
    ASSERT_EQ(prompter.Texts(), std::vector<std::string>{"File and Calculated CheckSum Do Not Match"});
    EXPECT_FALSE(std::filesystem::exists(dir.File("fw_1_V2.B19")));
}

TEST(FirmwareDataFile, AMalformedRecordFailsTheSameWay) {
    TempDir dir;
    const std::string s19 = dir.File("fw_1_V2.S19");
    TempDir::WriteText(s19, S1(0x8000, Bytes(16, 0)) + "\nS10280007D\n");
    test::RecordingPrompter prompter;
    FirmwareDataFile file(&prompter);
    EXPECT_EQ(file.ConvertS19ToB19(s19, 2), FirmwareDataFile::ConvertResult::kBadRecord);
    EXPECT_EQ(prompter.Texts(), std::vector<std::string>{"File and Calculated CheckSum Do Not Match"});
    EXPECT_FALSE(std::filesystem::exists(dir.File("fw_1_V2.B19")));
}

TEST(FirmwareDataFile, NoDataOrNoFileFails) {
    TempDir dir;
    FirmwareDataFile file;
    EXPECT_EQ(file.ConvertS19ToB19(dir.File("missing.S19"), 1), FirmwareDataFile::ConvertResult::kCannotOpen);
    TempDir::WriteText(dir.File("empty.S19"), "S0030000FC\nS9030000FC\n");
    EXPECT_EQ(file.ConvertS19ToB19(dir.File("empty.S19"), 1), FirmwareDataFile::ConvertResult::kNoData);
    EXPECT_FALSE(std::filesystem::exists(dir.File("empty.B19")));
}

TEST(FirmwareDataFile, B19LayoutIsByteExact) {
    FirmwareDataFile file;
    CCVNFlashMemoryItem block;
    const std::uint8_t data[] = {0xAA, 0xBB, 0xCC};
    block.SetData(data, 3);
    block.SetAddress(0x1234);
    file.SetBlocks({block});
    const auto bytes = file.ToBytes(0x51);
    ASSERT_EQ(bytes.size(), 1 + 68 + 1 + 4 + 4 + 4 + 4 + 3u);
    EXPECT_EQ(bytes[0], 68);
    EXPECT_EQ(bytes[1], ' ');
    EXPECT_EQ(bytes[69], 4);
    EXPECT_EQ(std::string(bytes.begin() + 70, bytes.begin() + 74), "1000");
    EXPECT_EQ(bytes[74], 0x51);
    EXPECT_EQ(bytes[78], 1);  // block count
    const std::vector<std::uint8_t> record(bytes.begin() + 82, bytes.end());
    EXPECT_EQ(record, (std::vector<std::uint8_t>{3, 0, 0x34, 0x12, 0xAA, 0xBB, 0xCC}));
}

TEST(FirmwareDataFile, AnEmptyRecordMakesAnEmptyBlockThatReadsBack) {
    // An S1 record may carry no data bytes; its block has no bytes to copy on either side
    // (the sanitizer builds catch a copy from or to no buffer at all).
    const auto parsed = S19Parser::Parse(S1(0x8000, {}) + "\n" + S1(0x9000, {1, 2}) + "\n");
    ASSERT_TRUE(parsed.Ok());
    FirmwareDataFile file;
    file.SetBlocks(S19Parser::BuildBlocks(parsed.records));
    FirmwareDataFile back;
    ASSERT_TRUE(back.LoadB19FromBytes(file.ToBytes(3)));
    EXPECT_EQ(back.GetBlocks(), file.GetBlocks());
    EXPECT_FALSE(FirmwareDataFile().LoadB19FromBytes(std::vector<std::uint8_t>{}));

    Archive empty(nullptr, 0);
    EXPECT_NO_THROW(empty.ReadBytes(nullptr, 0));
    EXPECT_THROW(empty.ReadBytes(nullptr, 1), ArchiveError);
}

// The module takes flash blocks of at most 512 bytes: a file holding a block one byte longer,
// whole and well formed, is refused before anything could be flashed from it.
TEST(FirmwareDataFile, ABlockOfTheLargestSizeLoadsAndOneByteMoreIsRefused) {
    FirmwareDataFile source;
    CCVNFlashMemoryItem block;
    ASSERT_TRUE(block.SetData(Bytes(512, 7).data(), 512));
    EXPECT_FALSE(CCVNFlashMemoryItem().SetData(Bytes(513, 7).data(), 513));
    block.SetAddress(0x8000);
    source.SetBlocks({block});
    const auto bytes = source.ToBytes(7);
    ASSERT_EQ(bytes[82], 0x00);
    ASSERT_EQ(bytes[83], 0x02);
    FirmwareDataFile loaded;
    ASSERT_TRUE(loaded.LoadB19FromBytes(bytes));
    EXPECT_EQ(loaded.GetBlocks().front().GetLength(), 512);

    auto longer = bytes;
    longer[82] = 0x01;  // 513, and the 513th byte is there
    longer.push_back(7);
    EXPECT_FALSE(FirmwareDataFile().LoadB19FromBytes(longer));
}

TEST(FirmwareDataFile, LoadChecksSignatureCaseInsensitivelyAndRejectsBadBlocks) {
    FirmwareDataFile source;
    CCVNFlashMemoryItem block;
    block.SetData(Bytes(8, 0).data(), 8);
    block.SetAddress(0x8000);
    source.SetBlocks({block});
    auto bytes = source.ToBytes(7);

    auto upper = bytes;
    for (std::size_t i = 1; i <= 68; ++i) upper[i] = static_cast<std::uint8_t>(std::toupper(upper[i]));
    FirmwareDataFile loaded;
    EXPECT_TRUE(loaded.LoadB19FromBytes(upper));

    auto wrongFormat = bytes;
    wrongFormat[70] = '2';
    EXPECT_FALSE(FirmwareDataFile().LoadB19FromBytes(wrongFormat));

    auto tooLong = bytes;  // a block length above 512
    tooLong[82] = 0x01;
    tooLong[83] = 0x02;
    EXPECT_FALSE(FirmwareDataFile().LoadB19FromBytes(tooLong));

    auto hugeCount = bytes;  // more blocks announced than bytes left
    hugeCount[78] = 0xFF;
    hugeCount[79] = 0xFF;
    hugeCount[80] = 0xFF;
    hugeCount[81] = 0x7F;
    EXPECT_FALSE(FirmwareDataFile().LoadB19FromBytes(hugeCount));

    // A failed load leaves what was loaded before.
    EXPECT_FALSE(loaded.LoadB19FromBytes(std::vector<std::uint8_t>(bytes.begin(), bytes.end() - 1)));
    EXPECT_EQ(loaded.GetBlocks().size(), 1u);
    EXPECT_EQ(loaded.GetFirmwareVersion(), 7);
}
