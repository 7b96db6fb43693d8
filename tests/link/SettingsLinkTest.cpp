#include <gtest/gtest.h>

#include "link/CBasicSettingsLink.h"
#include "link/CLinkController.h"
#include "link/LinkMessages.h"
#include "LinkTestSupport.h"

namespace corvane::test {
namespace {

struct SettingsFixture : ::testing::Test {
    ScriptedComms comms;
    AppState app;
    RecordingPrompter prompter;
    MemorySettingsStore store;
    CLinkController link{comms, app, prompter, store};
    CBasicSettingsLink settings{link};
    SettingsOnlyDocument doc;

    void Link() {
        link.ToggleLink();
        comms.reads.clear();
        comms.writes.clear();
    }
};

TEST_F(SettingsFixture, EditWhileUnlinkedChangesOnlyTheDocument) {
    EXPECT_EQ(settings.EditSetting(doc, kRevLimit, "6400"), CBasicSettingsLink::ApplyResult::kChanged);
    EXPECT_EQ(doc.GetSetting(kRevLimit)->GetModuleValue(), 200);
    EXPECT_TRUE(comms.writes.empty());
    EXPECT_TRUE(doc.modified);
    EXPECT_FALSE(comms.queueWriting);
}

TEST_F(SettingsFixture, ByteSettingWriteKeepsTheModulesOtherBytes) {
    comms.memory[0x408] = 0x11;
    comms.memory[0x409] = 0x22;
    comms.memory[0x40A] = 150;
    comms.memory[0x40B] = 0x33;
    Link();
    EXPECT_EQ(settings.ApplyValueText(doc, kRevLimit, "8100"), CBasicSettingsLink::ApplyResult::kWritten);
    ASSERT_EQ(comms.writes.size(), 1u);
    EXPECT_EQ(comms.writes[0].address, 0x408);
    EXPECT_EQ(comms.writes[0].bytes, (std::vector<std::uint8_t>{0x11, 0x22, 250, 0x33}));
    // Writing the same value again sends nothing.
    comms.writes.clear();
    EXPECT_EQ(settings.ApplyValueText(doc, kRevLimit, "8000"), CBasicSettingsLink::ApplyResult::kUnchanged);
    EXPECT_TRUE(comms.writes.empty());
}

TEST_F(SettingsFixture, WordSpanningTwoBlocksPatchesBoth) {
    // The injector size's high byte is the last byte of block 0x400, its low byte the first
    // of block 0x404.
    for (int a = 0x400; a < 0x408; ++a) comms.memory[a] = 0xEE;
    Link();
    ASSERT_EQ(settings.ApplyValueText(doc, 2, "1024"), CBasicSettingsLink::ApplyResult::kWritten);
    const int m = doc.GetSetting(2)->GetModuleValue();
    ASSERT_EQ(comms.writes.size(), 2u);
    EXPECT_EQ(comms.writes[0].address, 0x400);
    EXPECT_EQ(comms.writes[0].bytes, (std::vector<std::uint8_t>{0xEE, 0xEE, 0xEE, std::uint8_t(m >> 8)}));
    EXPECT_EQ(comms.writes[1].address, 0x404);
    EXPECT_EQ(comms.writes[1].bytes, (std::vector<std::uint8_t>{std::uint8_t(m & 0xFF), 0xEE, 0xEE, 0xEE}));
}

TEST_F(SettingsFixture, FailedBlockWriteKeepsTheOldValueAndSaysSo) {
    Link();
    const int before = doc.GetSetting(kRevLimit)->GetModuleValue();
    comms.failAddresses = {0x408};
    EXPECT_EQ(settings.EditSetting(doc, kRevLimit, "5000"), CBasicSettingsLink::ApplyResult::kWriteFailed);
    EXPECT_EQ(doc.GetSetting(kRevLimit)->GetModuleValue(), before);
    EXPECT_EQ(doc.Image().ReadByte(0x40A), before);
    ASSERT_FALSE(prompter.shown.empty());
    EXPECT_EQ(prompter.shown.back().text, std::string(msg::kSettingNotWritten) + "Rev Limit");
    EXPECT_TRUE(doc.followUps.empty());
}

TEST_F(SettingsFixture, SecondBlockFailureRestoresTheFirst) {
    for (int a = 0x400; a < 0x408; ++a) comms.memory[a] = 0x5A;
    Link();
    comms.failAddresses = {0x404};
    // Reading 0x404 fails too, so nothing is written at all.
    EXPECT_EQ(settings.ApplyValueText(doc, 2, "100"), CBasicSettingsLink::ApplyResult::kWriteFailed);
    EXPECT_TRUE(comms.writes.empty());
    EXPECT_EQ(comms.memory[0x403], 0x5A);
}

TEST_F(SettingsFixture, IdleSettingsHaveTheirFollowUps) {
    settings.EditSetting(doc, kIACStopOffset, "5");
    settings.EditSetting(doc, kIdleRpm, "1000");
    settings.EditSetting(doc, kRevLimit, "5000");
    EXPECT_EQ(doc.followUps, (std::vector<int>{kIACStopOffset, kIdleRpm}));
}

TEST_F(SettingsFixture, EnteringTheSameIdleValueAgainRunsItsFollowUpAgain) {
    // How trims and idle points edited by hand are put back from the setting.
    settings.EditSetting(doc, kIACStopOffset, "5");
    EXPECT_EQ(settings.EditSetting(doc, kIACStopOffset, "5"), CBasicSettingsLink::ApplyResult::kUnchanged);
    const double idle = doc.GetSetting(kIdleRpm)->GetDisplayValue();
    EXPECT_EQ(settings.EditSetting(doc, kIdleRpm, idle), CBasicSettingsLink::ApplyResult::kUnchanged);
    EXPECT_EQ(doc.followUps, (std::vector<int>{kIACStopOffset, kIACStopOffset, kIdleRpm}));
}

TEST_F(SettingsFixture, NoFollowUpAfterAFailedWriteOrForTextThatIsNoNumber) {
    Link();
    comms.failAddresses = {0x004};
    EXPECT_EQ(settings.EditSetting(doc, kIACStopOffset, "7"), CBasicSettingsLink::ApplyResult::kWriteFailed);
    comms.failAddresses.clear();
    const int before = doc.GetSetting(kIACStopOffset)->GetModuleValue();
    doc.modified = false;
    EXPECT_EQ(settings.EditSetting(doc, kIACStopOffset, "7 steps"), CBasicSettingsLink::ApplyResult::kNotANumber);
    EXPECT_EQ(settings.ApplyValueText(doc, kIACStopOffset, "1,5"), CBasicSettingsLink::ApplyResult::kNotANumber);
    EXPECT_EQ(doc.GetSetting(kIACStopOffset)->GetModuleValue(), before);
    EXPECT_FALSE(doc.modified);
    EXPECT_TRUE(doc.followUps.empty());
}

TEST_F(SettingsFixture, SettingsBlocksAreReadModifyWriteAndSkipTheTpsOffset) {
    for (int a = 0x400; a < 0x420; ++a) comms.memory[a] = 0xA5;
    for (int a = 0xF14; a < 0xF18; ++a) comms.memory[a] = 0xC3;
    doc.GetSetting(kMapSelectLock)->SetModuleValue(1);
    doc.GetSetting(kAuthorizationLevel)->SetModuleValue(1);
    Link();
    std::vector<std::uint16_t> written;
    ASSERT_TRUE(settings.WriteSettingsBlocks(doc, 82, &written));
    EXPECT_EQ(written, (std::vector<std::uint16_t>{0x400, 0x404, 0x408, 0x40C, 0x414, 0x418, 0xF14}));
    // Bytes no setting owns stay the module's.
    EXPECT_EQ(comms.memory[0x411], 0xA5);
    EXPECT_EQ(comms.memory[0x419], 0xA5);
    EXPECT_EQ(comms.memory[0x41B], 0xA5);
    EXPECT_EQ(comms.memory[0x41A], 1);
    EXPECT_EQ(comms.memory[0xF14], 1);
    EXPECT_EQ(comms.memory[0xF15], 0xC3);
    EXPECT_EQ(comms.memory[0xF17], 0xC3);
    EXPECT_EQ(comms.memory[0x410], 0xA5);  // TPS offset block never written

    written.clear();
    ASSERT_TRUE(settings.WriteSettingsBlocks(doc, 80, &written));
    EXPECT_EQ(written, (std::vector<std::uint16_t>{0x400, 0x404, 0x408, 0x40C, 0x414}));
}

TEST_F(SettingsFixture, ReadSettingsSkipsIdleSettingsAndBoundsRetries) {
    comms.memory[0x40A] = 200;       // rev limit
    comms.memory[0x40C] = 0xF1;      // crank sensor sync, signed
    Link();
    ASSERT_TRUE(settings.ReadSettingsFromModule(doc));
    EXPECT_EQ(doc.GetSetting(kRevLimit)->GetDisplayValue(), 6400);
    EXPECT_EQ(doc.GetSetting(9)->GetDisplayValue(), -15);
    EXPECT_EQ(comms.reads.size(), 27u);

    comms.reads.clear();
    comms.failAddresses = {0x40C};
    comms.memory[0x40A] = 210;
    EXPECT_FALSE(settings.ReadSettingsFromModule(doc));
    // A read that did not finish changes no setting, not even those read before the failure.
    EXPECT_EQ(doc.GetSetting(kRevLimit)->GetDisplayValue(), 6400);
    int attempts = 0;
    for (const auto& r : comms.reads) attempts += r.address == 0x40C;
    EXPECT_GE(attempts, CBasicSettingsLink::kReadAttempts);
    EXPECT_LE(attempts, CBasicSettingsLink::kReadAttempts + 1);  // the batch's try and the repeats
}

TEST_F(SettingsFixture, ReadModuleSettingsCommand) {
    comms.detectResult = false;
    EXPECT_FALSE(settings.ReadModuleSettings(doc));
    EXPECT_EQ(prompter.shown.back().text, msg::kNoModuleLink);

    comms.detectResult = true;
    comms.memory[0x40A] = 125;
    comms.monitoring = true;
    app.moduleLinked = true;
    EXPECT_TRUE(settings.ReadModuleSettings(doc));
    EXPECT_EQ(doc.GetSetting(kRevLimit)->GetDisplayValue(), 4000);
    EXPECT_TRUE(comms.monitoring);  // resumed
    EXPECT_EQ(prompter.waits.back(), std::string(msg::kBasicSettingsTitle) + "|" + msg::kReadingFromModule);

    comms.failAddresses = {0x400};
    EXPECT_FALSE(settings.ReadModuleSettings(doc));
    EXPECT_EQ(prompter.shown.back().text, msg::kUploadAborted);
}

}  // namespace
}  // namespace corvane::test
