#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

#include "documents/FirmwareDataFile.h"
#include "link/CFirmwareUpgrade.h"
#include "link/CLinkController.h"
#include "link/LinkMessages.h"
#include "LinkTestSupport.h"
#include "support/S19Writer.h"

namespace corvane::test {
namespace {

namespace fs = std::filesystem;

TEST(FirmwareFileNameTest, FieldsAndVersions) {
    auto n = ParseFirmwareFileName("/x/y_z/ECM_33_V0x1A.S19");
    ASSERT_TRUE(n);
    EXPECT_EQ(n->moduleIdText, "33");
    EXPECT_EQ(n->moduleId, 33);
    EXPECT_EQ(n->versionText, "0x1A");
    EXPECT_EQ(n->version, 26);
    EXPECT_TRUE(n->isS19);
    n = ParseFirmwareFileName("ECM_33_V12.b19");
    ASSERT_TRUE(n);
    EXPECT_EQ(n->version, 12);
    EXPECT_FALSE(n->isS19);
    EXPECT_FALSE(ParseFirmwareFileName("ECM_V12.S19"));   // no module ID field
    EXPECT_FALSE(ParseFirmwareFileName("ECM33V12.S19"));
    EXPECT_FALSE(ParseFirmwareFileName("ECM_33_V12"));
    EXPECT_FALSE(ParseFirmwareFileName("E.CM_33_V12"));   // the '.' must follow the version
}

// Firmware laid out as srec_cat makes it from a binary image at 0x8000 and one at 0xC000.
class UpgradeFixture : public ::testing::Test {
protected:
    void SetUp() override {
        m_dir = fs::temp_directory_path() / ("link_upgrade_" + std::to_string(::getpid()) + "_" +
                                             ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(m_dir);
        comms.moduleId = kUpgradeModeModuleId;  // what detection reports once the loader runs
        comms.memory[0xF10] = 33;
        comms.memory[0xF18] = 0x50;
        comms.memory[0xF19] = 0x77;
        comms.memory[0xF1B] = 0x78;
        comms.detectScript = {false, true, false, true, false, true};
        upgrade.SetPollInterval(std::chrono::milliseconds(0));
        std::mt19937 rng(7);
        m_image.resize(1100);
        for (auto& b : m_image) b = static_cast<std::uint8_t>(rng());
    }
    void TearDown() override { fs::remove_all(m_dir); }

    std::string MakeS19(const std::string& name) {
        const std::vector<std::uint8_t> high{'C', 'A', 'L', 'I', 'B', 'R', 'A', 'T', 'I', 'O', 'N', 'D', 'A', 'T', 'A', '!'};
        const fs::path out = m_dir / name;
        S19Writer::Write(out, {{0x8000, m_image}, {0xC000, high}});
        return out.string();
    }

    bool FlashedImage() const {
        return std::equal(m_image.begin(), m_image.end(), comms.memory.begin() + 0x8000);
    }
    bool MarkerOff() const {
        return comms.memory[0xF1C] == 0 && comms.memory[0xF1D] == 0 && comms.memory[0xF1F] == 0;
    }
    int FlashWrites() const {
        int n = 0;
        for (const auto& w : comms.writes) n += w.flash;
        return n;
    }

    ScriptedComms comms;
    AppState app;
    RecordingPrompter prompter;
    MemorySettingsStore store;
    CLinkController link{comms, app, prompter, store};
    CFirmwareUpgrade upgrade{link};
    fs::path m_dir;
    std::vector<std::uint8_t> m_image;
};

TEST_F(UpgradeFixture, FlashesBelowC000AndRestoresInitializationBytes) {
    const std::string s19 = MakeS19("ECM_33_V0x52.S19");
    prompter.openFile = s19;
    app.moduleLinked = true;
    ASSERT_TRUE(upgrade.Run());
    EXPECT_FALSE(app.moduleLinked);  // unlinked first
    EXPECT_TRUE(FlashedImage());
    for (const auto& w : comms.writes) {
        if (w.flash) {
            EXPECT_LT(w.address + w.bytes.size(), 0xC001u);
        }
    }
    EXPECT_EQ(comms.memory[0xC000], 0);  // kept in the file, never flashed
    EXPECT_EQ(comms.memory[0xF18], 0x52);
    EXPECT_EQ(comms.memory[0xF19], 0x77);
    EXPECT_EQ(comms.memory[0xF1B], 0x78);
    EXPECT_TRUE(MarkerOff());
    EXPECT_EQ(prompter.shown.back().text, msg::kUpgradeCompleted);
    EXPECT_EQ(prompter.shown.back().title, msg::kFirmwareUpgradeTitle);
    EXPECT_FALSE(app.firmwareUpgradeInProgress);
    EXPECT_TRUE(fs::exists(m_dir / "ECM_33_V0x52.B19"));
    EXPECT_EQ(comms.timeoutMode, 0);
    EXPECT_FALSE(comms.queueWriting);
    EXPECT_EQ(prompter.progressMax, 4);  // three flash blocks and the one at 0xC000
}

TEST_F(UpgradeFixture, ModuleIdMismatchTurnsTheStateOffAgain) {
    const std::string s19 = MakeS19("ECM_34_V0x52.S19");
    prompter.openFile = s19;
    EXPECT_FALSE(upgrade.Run());
    EXPECT_EQ(prompter.shown.back().text, "Module ID:33  Incompatible with File Module ID:34");
    EXPECT_TRUE(MarkerOff());
    EXPECT_EQ(FlashWrites(), 0);
    EXPECT_FALSE(upgrade.FirmwareIncomplete());  // nothing was flashed: nothing to repair
    EXPECT_FALSE(app.firmwareUpgradeInProgress);
}

TEST_F(UpgradeFixture, OlderFileVersionIsRefusedAndTheModulesOwnIsFlashedAgain) {
    const std::string s19 = MakeS19("ECM_33_V0x40.S19");
    prompter.openFile = s19;
    EXPECT_FALSE(upgrade.Run());
    EXPECT_EQ(prompter.shown.back().text, "Module Firmware Version: 0x50\nFile Firmware Version: 0x40");
    EXPECT_EQ(prompter.shown.back().title, msg::kIncompatibleVersionsTitle);
    EXPECT_TRUE(MarkerOff());
    EXPECT_EQ(FlashWrites(), 0);

    // The version the module runs may be flashed again: that is how a damaged firmware is mended.
    prompter.openFile = MakeS19("ECM_33_V0x50.S19");
    comms.failedEvent = false;
    comms.detectScript = {false, true, false, true};
    ASSERT_TRUE(upgrade.Run());
    EXPECT_TRUE(FlashedImage());
}

TEST_F(UpgradeFixture, CorruptRecordNeverFlashesAnOlderB19) {
    const std::string s19 = MakeS19("ECM_33_V0x52.S19");
    // A good .B19 from an earlier conversion lies beside it.
    FirmwareDataFile earlier;
    ASSERT_EQ(earlier.ConvertS19ToB19(s19, 0x52), FirmwareDataFile::ConvertResult::kOk);
    std::stringstream text;
    text << std::ifstream(s19).rdbuf();
    std::string s = text.str();
    const auto line = s.find("S123");
    s[line + 20] = s[line + 20] == '0' ? '1' : '0';  // one data digit changed: checksum wrong
    std::ofstream(s19, std::ios::trunc) << s;
    prompter.openFile = s19;
    EXPECT_FALSE(upgrade.Run());
    EXPECT_EQ(prompter.shown.back().text, FirmwareDataFile::kChecksumMessage);
    EXPECT_EQ(FlashWrites(), 0);
    EXPECT_TRUE(MarkerOff());
}

TEST_F(UpgradeFixture, PowerLossMidFlashFailsAndASecondRunRecovers) {
    const std::string s19 = MakeS19("ECM_33_V0x52.S19");
    prompter.openFile = s19;
    comms.flashFailAt = 1;
    EXPECT_FALSE(upgrade.Run());
    EXPECT_EQ(prompter.shown.back().text, msg::kUpgradeFailed);
    EXPECT_EQ(comms.memory[0xF18], 0x50);  // initialization bytes skipped
    EXPECT_FALSE(app.firmwareUpgradeInProgress);
    EXPECT_TRUE(upgrade.FirmwareIncomplete());

    comms.flashFailAt = -1;
    comms.failedEvent = false;
    comms.detectScript = {false, true, false, true};
    ASSERT_TRUE(upgrade.Run());
    EXPECT_TRUE(FlashedImage());
    EXPECT_EQ(comms.memory[0xF18], 0x52);
    EXPECT_FALSE(upgrade.FirmwareIncomplete());
}

TEST_F(UpgradeFixture, FailedClosingWritesReportFailure) {
    const std::string s19 = MakeS19("ECM_33_V0x52.S19");
    prompter.openFile = s19;
    comms.failAddresses = {0xF18};
    EXPECT_FALSE(upgrade.Run());
    EXPECT_TRUE(FlashedImage());
    EXPECT_EQ(prompter.shown.back().text, msg::kUpgradeFailed);
    EXPECT_TRUE(upgrade.FirmwareIncomplete());  // the version byte marks a whole firmware
}

TEST_F(UpgradeFixture, EarlyEnds) {
    // Cancelled first wait: nothing written.
    prompter.cancelWait = true;
    EXPECT_FALSE(upgrade.Run());
    EXPECT_TRUE(comms.writes.empty());
    EXPECT_FALSE(app.firmwareUpgradeInProgress);

    // Invalid name.
    prompter.cancelWait = false;
    prompter.openFile = (m_dir / "ECM_V12.S19").string();
    EXPECT_FALSE(upgrade.Run());
    EXPECT_EQ(prompter.shown.back().text, std::string(msg::kInvalidFileName) + *prompter.openFile);
    EXPECT_TRUE(MarkerOff());

    // No file picked.
    comms.detectScript = {false, true};
    prompter.openFile.reset();
    EXPECT_FALSE(upgrade.Run());
    EXPECT_TRUE(MarkerOff());

    // Marker cannot be set.
    comms.detectScript = {false, true};
    comms.failAddresses = {0xF1C};
    const auto shown = prompter.shown.size();
    EXPECT_FALSE(upgrade.Run());
    ASSERT_EQ(prompter.shown.size(), shown + 1);
    EXPECT_EQ(prompter.shown.back().text, msg::kUpgradeStateOnFailed);
}

// A module that misbehaves: the host must see each step it waits for, never assume it. The
// test's tuner gives up on a wait that does not end (the prompter's patience), which ends the
// upgrade; what matters is that nothing was flashed meanwhile.
TEST_F(UpgradeFixture, ModuleThatIsNeverSwitchedOffIsNotUpgraded) {
    prompter.openFile = MakeS19("ECM_33_V0x52.S19");
    comms.detectScript = {true};  // it always answers: its power was never cycled
    prompter.waitPatience = 20;
    EXPECT_FALSE(upgrade.Run());
    EXPECT_EQ(FlashWrites(), 0);
    EXPECT_TRUE(comms.writes.empty());  // not even the upgrade marker
    EXPECT_FALSE(app.firmwareUpgradeInProgress);
}

TEST_F(UpgradeFixture, ModuleBackInItsOwnFirmwareIsNotFlashed) {
    prompter.openFile = MakeS19("ECM_33_V0x52.S19");
    comms.moduleId = 33;  // its loader never starts: it comes back with its normal firmware
    prompter.waitPatience = 40;
    EXPECT_FALSE(upgrade.Run());
    EXPECT_EQ(FlashWrites(), 0);
    EXPECT_TRUE(MarkerOff());
    EXPECT_FALSE(upgrade.FirmwareIncomplete());

    // The loader answers after one more cycle: the same wait goes on to flash.
    comms.failedEvent = false;
    comms.detectScript = {false, true, false, true, false, true, false, true};
    comms.idScript = {33, 33, kUpgradeModeModuleId};
    prompter.polls = 0;
    ASSERT_TRUE(upgrade.Run());
    EXPECT_TRUE(FlashedImage());
}

TEST_F(UpgradeFixture, UpgradeStateThatStaysOnIsAFailure) {
    prompter.openFile = MakeS19("ECM_33_V0x52.S19");
    comms.markerStaysOn = true;
    EXPECT_FALSE(upgrade.Run());
    EXPECT_TRUE(FlashedImage());
    EXPECT_EQ(prompter.shown.back().text, msg::kUpgradeFailed);
    EXPECT_TRUE(upgrade.FirmwareIncomplete());
}

TEST_F(UpgradeFixture, RefusedFlashBlockStopsTheFlashThere) {
    prompter.openFile = MakeS19("ECM_33_V0x52.S19");
    comms.failAddresses = {0x8200};  // the second block
    EXPECT_FALSE(upgrade.Run());
    EXPECT_EQ(FlashWrites(), 1);  // nothing written past the hole
    EXPECT_EQ(prompter.shown.back().text, msg::kUpgradeFailed);
    EXPECT_EQ(comms.memory[0xF18], 0x50);  // a firmware with a hole is not marked whole
    EXPECT_TRUE(upgrade.FirmwareIncomplete());
}

TEST_F(UpgradeFixture, DamagedFirmwareGivesItsIdAfterThePowerCycle) {
    prompter.openFile = MakeS19("ECM_33_V0x52.S19");
    comms.idReadsFailing = 1;
    comms.detectScript = {false, true, false, true, false, true, false, true};
    ASSERT_TRUE(upgrade.Run());
    EXPECT_TRUE(FlashedImage());
    EXPECT_EQ(prompter.shown.back().text, msg::kUpgradeCompleted);
}

TEST_F(UpgradeFixture, NotAFirmwareFile) {
    const fs::path bogus = m_dir / "ECM_33_V0x52.B19";
    std::ofstream(bogus) << "not firmware";
    prompter.openFile = bogus.string();
    EXPECT_FALSE(upgrade.Run());
    EXPECT_EQ(prompter.shown.back().text,
              "Selected file:" + bogus.string() + "\nIs not a valid Halvark Firmware Data File.");
    EXPECT_TRUE(MarkerOff());
}

TEST_F(UpgradeFixture, InitializationBytesKeepTheModulesOtherBytes) {
    ASSERT_TRUE(upgrade.WriteInitializationBytes(0x1234));
    EXPECT_EQ(comms.memory[0xF18], 0x34);
    EXPECT_EQ(comms.memory[0xF19], 0x77);
    comms.failAddresses = {0xF18};
    EXPECT_FALSE(upgrade.WriteInitializationBytes(0x60));
}

}  // namespace
}  // namespace corvane::test
