#include <gtest/gtest.h>

#include "link/CLinkController.h"
#include "link/LinkMessages.h"
#include "LinkTestSupport.h"

namespace corvane::test {
namespace {

struct LinkFixture : ::testing::Test {
    ScriptedComms comms;
    AppState app;
    RecordingPrompter prompter;
    MemorySettingsStore store;
    CLinkController link{comms, app, prompter, store};
};

TEST_F(LinkFixture, PortChoiceIsStoredAsIndexAndRestored) {
    link.SelectPort(5);
    EXPECT_EQ(comms.comPort, 5);
    EXPECT_EQ(store.GetInt("Settings", "Port"), 4);
    link.SelectPort(13);  // not a port: ignored
    EXPECT_EQ(store.GetInt("Settings", "Port"), 4);

    ScriptedComms other;
    CLinkController restored(other, app, prompter, store);
    restored.RestorePort();
    EXPECT_EQ(other.comPort, 5);
    store.SetInt("Settings", "Port", 99);  // damaged value falls back to Com 1
    restored.RestorePort();
    EXPECT_EQ(other.comPort, 1);
}

TEST_F(LinkFixture, PortsByNameAreStoredAsTextAndComPortsAsIndex) {
    link.SelectPortByName("sim");
    EXPECT_EQ(comms.port, "sim");
    EXPECT_EQ(store.GetText("Settings", "Port"), "sim");
    ScriptedComms other;
    CLinkController restored(other, app, prompter, store);
    restored.RestorePort();
    EXPECT_EQ(other.port, "sim");

    link.SelectPortByName("COM7");
    EXPECT_EQ(comms.comPort, 7);
    EXPECT_EQ(store.GetInt("Settings", "Port"), 6);
    link.SelectPortByName("Com 13");  // no such port: nothing changes
    EXPECT_EQ(store.GetInt("Settings", "Port"), 6);

    // A port given for one run only is used but not kept.
    link.SelectPortByName("/dev/ttyACM0", false);
    EXPECT_EQ(link.CurrentPort(), "/dev/ttyACM0");
    EXPECT_EQ(store.GetInt("Settings", "Port"), 6);
    link.SelectPortByName("Com 3", false);
    EXPECT_EQ(comms.comPort, 3);
    EXPECT_EQ(store.GetInt("Settings", "Port"), 6);

    // A stored text naming a Com port is not a port by name; a missing value is Com 1.
    MemorySettingsStore fresh;
    ScriptedComms third;
    CLinkController empty(third, app, prompter, fresh);
    empty.RestorePort();
    EXPECT_EQ(third.comPort, 1);
}

TEST_F(LinkFixture, LinkReadsFirmwareVersionAndTellsListeners) {
    comms.memory[0xF18] = 82;
    std::vector<bool> told;
    int dummy = 0;
    link.RegisterLinkListener(&dummy, [&](bool linked) { told.push_back(linked); });
    link.ToggleLink();
    EXPECT_TRUE(app.moduleLinked);
    EXPECT_EQ(app.moduleFirmwareVersion, 82);
    EXPECT_EQ(link.GetLinkImage(), CLinkController::kImageLinked);
    EXPECT_TRUE(prompter.shown.empty());

    comms.monitoring = true;
    link.ToggleLink();
    EXPECT_FALSE(app.moduleLinked);
    EXPECT_FALSE(comms.monitoring);
    EXPECT_EQ(comms.closeCount, 1);
    EXPECT_EQ(app.moduleFirmwareVersion, 0);
    EXPECT_EQ(told, (std::vector<bool>{true, false}));

    link.UnregisterLinkListener(&dummy);
    link.ToggleLink();
    EXPECT_EQ(told.size(), 2u);
}

TEST_F(LinkFixture, FailedDetectionLinksNothingAndSaysNothing) {
    comms.detectResult = false;
    link.ToggleLink();
    EXPECT_FALSE(app.moduleLinked);
    EXPECT_TRUE(prompter.shown.empty());
    bool wasMonitoring = false;
    EXPECT_FALSE(link.EnsureLinked(wasMonitoring));
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(prompter.shown[0].text, msg::kNoModuleLink);
}

TEST_F(LinkFixture, ModuleInUpgradeModeWarnsUnlessUpgrading) {
    comms.moduleId = kUpgradeModeModuleId;
    link.ToggleLink();
    EXPECT_TRUE(app.moduleLinked);
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(prompter.shown[0].title, msg::kUpgradeModeTitle);
    link.ToggleLink();
    app.firmwareUpgradeInProgress = true;
    link.ToggleLink();
    EXPECT_EQ(prompter.shown.size(), 1u);
}

TEST_F(LinkFixture, MonitoringLinksFirstAndRefusesDuringTransfer) {
    int started = 0, stopped = 0;
    link.SetViewHooks([&] { ++started; }, [&] { ++stopped; });
    link.ToggleMonitoring();  // unlinked: links first
    EXPECT_TRUE(app.moduleLinked);
    EXPECT_TRUE(comms.monitoring);
    EXPECT_EQ(link.GetLinkImage(), CLinkController::kImageMonitoring);
    EXPECT_EQ(started, 1);

    bool wasMonitoring = false;
    EXPECT_TRUE(link.EnsureLinked(wasMonitoring));
    EXPECT_TRUE(wasMonitoring);
    EXPECT_FALSE(comms.monitoring);
    EXPECT_EQ(stopped, 1);

    app.transferInProgress = true;
    link.ToggleMonitoring();
    EXPECT_FALSE(comms.monitoring);
    EXPECT_EQ(prompter.shown.back().text, msg::kMonitoringTransfer);
    EXPECT_EQ(prompter.shown.back().title, msg::kMonitoringErrorTitle);

    comms.detectResult = false;
    app.transferInProgress = false;
    link.ToggleLink();
    link.ToggleMonitoring();
    EXPECT_EQ(prompter.shown.back().text, msg::kMonitoringNoLink);
}

TEST_F(LinkFixture, StatusBoxesFollowTheLibrarysReports) {
    link.OnLinkStatus(kMonitorStreamLost);
    EXPECT_TRUE(link.MonitorStreamBox().visible);
    EXPECT_EQ(link.MonitorStreamBox().text, msg::kMonitorStreamStopped);
    link.OnLinkStatus(kDataLinkLost);
    EXPECT_TRUE(link.DataLinkBox().visible);
    EXPECT_EQ(link.DataLinkBox().text, msg::kDataLinkInterrupted);
    link.OnLinkStatus(kMonitorStreamRestored);
    link.OnLinkStatus(7);
    EXPECT_FALSE(link.MonitorStreamBox().visible);
    EXPECT_TRUE(link.DataLinkBox().visible);
    link.OnLinkStatus(kDataLinkRestored);
    EXPECT_FALSE(link.DataLinkBox().visible);
}

TEST_F(LinkFixture, StatusBoxesHideWhenNobodyTriesToReachTheModuleAnyMore) {
    comms.memory[0xF18] = 81;
    link.ToggleLink();
    link.OnLinkStatus(kMonitorStreamLost);
    link.OnLinkStatus(kDataLinkLost);
    link.OnModuleConnectionFailure();
    EXPECT_FALSE(link.MonitorStreamBox().visible);
    EXPECT_FALSE(link.DataLinkBox().visible);

    link.ToggleLink();
    ASSERT_TRUE(app.moduleLinked);
    link.OnLinkStatus(kDataLinkLost);
    link.ToggleLink();  // unlink
    EXPECT_FALSE(app.moduleLinked);
    EXPECT_FALSE(link.DataLinkBox().visible);
}

TEST_F(LinkFixture, ConnectionFailureUnlinksWithoutCallingTheLibrary) {
    comms.memory[0xF18] = 81;
    link.ToggleLink();
    bool told = true;
    link.RegisterLinkListener(this, [&](bool linked) { told = linked; });
    link.OnModuleConnectionFailure();
    EXPECT_FALSE(app.moduleLinked);
    EXPECT_EQ(app.moduleFirmwareVersion, 0);
    EXPECT_FALSE(told);
    EXPECT_EQ(comms.closeCount, 0);
    EXPECT_EQ(link.GetLinkImage(), CLinkController::kImageUnlinked);
    EXPECT_FALSE(link.WriteBlock(0x9000, std::vector<std::uint8_t>{1}));
}

TEST_F(LinkFixture, BaseMapNameDiscrepancyAsksWithBothNames) {
    const std::string name = "TUNE-A";
    std::copy(name.begin(), name.end(), comms.memory.begin() + 0xF00);
    std::string read;
    ASSERT_TRUE(link.GetModuleBaseMapName(read));
    EXPECT_EQ(read, "TUNE-A");
    EXPECT_TRUE(link.CheckBaseMapName(CLinkController::kUpload, "TUNE-A"));
    EXPECT_TRUE(prompter.shown.empty());

    prompter.answers = {Prompter::Answer::Cancel};
    EXPECT_FALSE(link.CheckBaseMapName(CLinkController::kDownload, "OTHER"));
    EXPECT_EQ(prompter.shown.back().text,
              "Downloading... File Base Map [ OTHER ]\nWill overwrite Module Base Map [ TUNE-A ]");
    EXPECT_EQ(prompter.shown.back().title, msg::kBaseMapNameTitle);
    EXPECT_TRUE(link.CheckBaseMapName(CLinkController::kUpload, "OTHER"));
    EXPECT_EQ(prompter.shown.back().text,
              "Uploading... Module Base Map [ TUNE-A ]\nWill overwrite File Base Map [ OTHER ]");

    // The names are bytes from the module and the file: the question shows them printable,
    // and compares the bytes themselves.
    const std::string damaged = "TUNE-\xF3\x01";
    std::copy(damaged.begin(), damaged.end(), comms.memory.begin() + 0xF00);
    EXPECT_TRUE(link.CheckBaseMapName(CLinkController::kUpload, "OTHER\\"));
    EXPECT_EQ(prompter.shown.back().text,
              "Uploading... Module Base Map [ TUNE-\\xF3\\x01 ]\nWill overwrite File Base Map [ OTHER\\\\ ]");
    const auto asked = prompter.shown.size();
    EXPECT_TRUE(link.CheckBaseMapName(CLinkController::kUpload, damaged));
    EXPECT_EQ(prompter.shown.size(), asked);

    comms.failAddresses = {0xF00};
    EXPECT_TRUE(link.CheckBaseMapName(CLinkController::kUpload, "OTHER"));  // unreadable: go on
}

TEST_F(LinkFixture, UpgradeMarkerAndModuleId) {
    comms.memory[0xF10] = 42;
    EXPECT_EQ(link.ReadModuleId(), 42);
    ASSERT_TRUE(link.SetUpgradeState(true));
    EXPECT_EQ(comms.memory[0xF1C], 0xAA);
    EXPECT_EQ(comms.memory[0xF1F], 0xDD);
    EXPECT_FALSE(comms.queueWriting);
    ASSERT_TRUE(link.SetUpgradeState(false));
    EXPECT_EQ(comms.memory[0xF1C], 0);
    comms.failAddresses = {0xF10};
    EXPECT_EQ(link.ReadModuleId(), -1);
}

}  // namespace
}  // namespace corvane::test
