#include <gtest/gtest.h>

#include <filesystem>

#include "link/CLinkController.h"
#include "link/CWarrantyLink.h"
#include "link/LinkMessages.h"
#include "LinkTestSupport.h"

namespace corvane::test {
namespace {

struct WarrantyFixture : ::testing::Test {
    ScriptedComms comms;
    AppState app;
    RecordingPrompter prompter;
    MemorySettingsStore store;
    CLinkController link{comms, app, prompter, store};
    CWarrantyLink warranty{link};
    SettingsOnlyDocument doc;

    void PutLong(std::uint16_t a, std::uint32_t v) {
        for (int i = 0; i < 4; ++i) comms.memory[a + i] = std::uint8_t(v >> (24 - 8 * i));
    }
};

TEST_F(WarrantyFixture, ReadTakesTheWholeRecord) {
    const std::string vin = "1HD1KB4197Y123456";
    std::copy(vin.begin(), vin.end(), comms.memory.begin() + 0x5F4);
    comms.memory[0x5F0] = 0x01;
    comms.memory[0x5F1] = 0x02;
    PutLong(0x500, 3600);
    PutLong(0x5EC, 45296);
    ASSERT_TRUE(warranty.ReadWarranty(doc));
    const WarrantyValues& w = *doc.GetWarranty();
    EXPECT_EQ(w.vin->GetText(), vin);
    EXPECT_EQ(w.revLimitHits->GetModuleValue(), 0x0102);
    EXPECT_EQ(FormatRunTime(w.logs[0]->GetSeconds()), "01:00:00");
    EXPECT_EQ(FormatRunTime(w.logs[59]->GetSeconds()), "12:34:56");
    EXPECT_EQ(doc.Image().ReadByte(0x5F4), '1');
    EXPECT_EQ(prompter.waits.back(), std::string(msg::kWarrantyInfoTitle) + "|" + msg::kRetrievingWarranty);
}

TEST_F(WarrantyFixture, FailedReadNamesTheStepAndKeepsEarlierValues) {
    PutLong(0x500, 60);
    PutLong(0x504, 120);
    comms.failAddresses = {0x504};
    EXPECT_FALSE(warranty.ReadWarranty(doc));
    EXPECT_EQ(prompter.shown.back().text, std::string(msg::kWarrantyReadFailed) + "600 Rpm");
    EXPECT_EQ(doc.GetWarranty()->logs[0]->GetSeconds(), 60u);
    EXPECT_EQ(doc.GetWarranty()->logs[1]->GetSeconds(), 0u);
}

TEST_F(WarrantyFixture, NoLinkStopsEveryOperation) {
    comms.detectResult = false;
    EXPECT_FALSE(warranty.ReadWarranty(doc));
    EXPECT_FALSE(warranty.CheckAndSendVin(doc, "ABC"));
    EXPECT_FALSE(warranty.EditVin(doc, std::string("ABC")));
    for (const auto& s : prompter.shown) EXPECT_EQ(s.text, msg::kNoModuleLink);
    EXPECT_EQ(prompter.shown.size(), 3u);
    EXPECT_TRUE(comms.writes.empty());
}

TEST_F(WarrantyFixture, ClearAnsweredCancelChangesNothing) {
    PutLong(0x500, 60);
    prompter.answers = {Prompter::Answer::Cancel};
    EXPECT_FALSE(warranty.ClearWarranty(doc));
    EXPECT_TRUE(comms.writes.empty());
    EXPECT_FALSE(app.moduleLinked);
}

TEST_F(WarrantyFixture, ClearZeroesHitsAndEveryLog) {
    for (int i = 0; i < 60; ++i) PutLong(0x500 + 4 * i, 1000 + i);
    PutLong(0x5F0, 0x00070000);
    ASSERT_TRUE(warranty.ClearWarranty(doc));
    for (int a = 0x500; a < 0x5F4; ++a) ASSERT_EQ(comms.memory[a], 0) << a;
    EXPECT_EQ(doc.GetWarranty()->TotalSeconds(), 0u);
    EXPECT_EQ(doc.GetWarranty()->revLimitHits->GetModuleValue(), 0);
    EXPECT_FALSE(comms.queueWriting);
}

TEST_F(WarrantyFixture, ClearFailureNamesTheLog) {
    comms.failAddresses = {0x508};
    EXPECT_FALSE(warranty.ClearWarranty(doc));
    EXPECT_EQ(prompter.shown.back().text, std::string(msg::kWarrantyClearFailed) + "700 Rpm");
}

TEST_F(WarrantyFixture, VinLongerThan32IsRefused) {
    app.moduleLinked = true;
    EXPECT_FALSE(warranty.CheckAndSendVin(doc, std::string(33, 'A')));
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(prompter.shown[0].text, "Number of Characters for VIN must be less than or equal to 32.");
    EXPECT_EQ(prompter.shown[0].title, msg::kVinNotSetTitle);
    EXPECT_TRUE(comms.writes.empty());
}

TEST_F(WarrantyFixture, TheFieldsShownVinIsSentAsTheBytesItStandsFor) {
    // The field shows a VIN byte 0xF3 as the four characters \xF3: Enter sends the byte, and
    // the length counts bytes, so 31 letters and one escape fit.
    const std::string shown = std::string(31, 'A') + "\\xF3";
    ASSERT_TRUE(warranty.CheckAndSendVin(doc, shown));
    EXPECT_EQ(comms.memory[0x5F4 + 30], 'A');
    EXPECT_EQ(comms.memory[0x5F4 + 31], 0xF3);
    EXPECT_EQ(doc.GetWarranty()->vin->GetText(), std::string(31, 'A') + "\xF3");
    EXPECT_TRUE(prompter.shown.empty());
}

TEST_F(WarrantyFixture, AVinThatDoesNotReadBackIsRefusedUnsent) {
    app.moduleLinked = true;
    EXPECT_FALSE(warranty.CheckAndSendVin(doc, "1HD1\\QB4"));
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(prompter.shown[0].text, msg::kVinNotPrintable);
    EXPECT_EQ(prompter.shown[0].title, msg::kVinNotSetTitle);
    EXPECT_TRUE(comms.writes.empty());
}

TEST_F(WarrantyFixture, VinIsSentZeroPaddedInBlocks) {
    std::fill(comms.memory.begin() + 0x5F4, comms.memory.begin() + 0x614, 0x7E);
    ASSERT_TRUE(warranty.EditVin(doc, std::string("ABCDE")));
    EXPECT_EQ(comms.writes.size(), 8u);
    EXPECT_EQ(comms.memory[0x5F4], 'A');
    EXPECT_EQ(comms.memory[0x5F8], 'E');
    for (int a = 0x5F9; a < 0x614; ++a) EXPECT_EQ(comms.memory[a], 0);
    EXPECT_FALSE(warranty.EditVin(doc, std::nullopt));

    comms.failAddresses = {0x600};
    EXPECT_FALSE(warranty.CheckAndSendVin(doc, "XYZ"));
    EXPECT_EQ(prompter.shown.back().text, msg::kVinWriteFailed);
}

TEST_F(WarrantyFixture, ServiceDataFileRoundTrip) {
    auto& w = *doc.GetWarranty();
    w.revLimitHits->SetHitsFromFile(17);
    for (int i = 0; i < 60; ++i) w.logs[i]->SetModuleValueBigEndian(3600 * i);
    w.vin->SetText("VIN4");
    const auto path = (std::filesystem::temp_directory_path() / "link_warranty_test.ssd").string();
    ASSERT_TRUE(CWarrantyLink::SaveServiceData(doc, path));

    SettingsOnlyDocument other;
    ASSERT_TRUE(CWarrantyLink::LoadServiceData(other, path));
    const auto& o = *other.GetWarranty();
    EXPECT_EQ(o.revLimitHits->GetModuleValue(), 17);
    for (int i = 0; i < 60; ++i) EXPECT_EQ(o.logs[i]->GetSeconds(), 3600u * i);
    EXPECT_EQ(o.vin->GetText(), "VIN4");
    EXPECT_EQ(other.Image().ReadByte(0x5F7), '4');
    EXPECT_EQ(other.Image().ReadByte(0x5F8), 0);
    EXPECT_EQ(other.viewUpdates, 1);
    std::filesystem::remove(path);
    EXPECT_FALSE(CWarrantyLink::LoadServiceData(other, path));
}

}  // namespace
}  // namespace corvane::test
