// Backups before WRITE, READ and the firmware upgrade, and the read-back after WRITE, through
// the real comms library against the emulated module.
#include <gtest/gtest.h>

#include <algorithm>
#include <ctime>
#include <filesystem>
#include <fstream>

#include "comms/ModuleComms.h"
#include "documents/AtomicFile.h"
#include "documents/CCorvaneMapsDoc.h"
#include "link/CFirmwareUpgrade.h"
#include "link/CLinkController.h"
#include "link/CModuleBackup.h"
#include "link/CModuleTransfer.h"
#include "link/LinkMessages.h"
#include "link/MapsDocumentLink.h"
#include "link/ModuleBackups.h"
#include "maps/CModuleMap.h"
#include "model/SettingsStore.h"
#include "sim/ModuleEmulator.h"
#include "sim/SimTransport.h"
#include "support/FastCommsOptions.h"
#include "support/RecordingPrompter.h"

namespace corvane::test {
namespace {

namespace fs = std::filesystem;

struct TempFolder {
    TempFolder() {
        path = fs::temp_directory_path() / ("corvane_backup_test_" + std::to_string(::getpid()) + "_" +
                                            std::to_string(counter++));
        fs::remove_all(path);
        fs::create_directories(path);
    }
    ~TempFolder() { fs::remove_all(path); }
    static inline int counter = 0;
    fs::path path;
};

// A basic map that WRITE sends once: inside the map regions but outside the part the second
// region sends again (a damaged byte there would be repaired by the second pass).
CModuleMap* OnceWrittenMap(CCorvaneMapsDoc& doc) {
    for (int i = 0; i < doc.GetBasicMapCount(); ++i) {
        CModuleMap* map = doc.GetMap(i);
        const std::uint32_t start = map->GetStartAddress();
        const std::uint32_t end = start + static_cast<std::uint32_t>(map->GetMapSizeBytes());
        if ((start >= 0x9000 && end <= 0x9A00) || (start >= 0xA400 && end <= 0xAA00)) return map;
    }
    return nullptr;
}

struct Rig {
    explicit Rig(std::uint32_t productCode) : files((folder.path / "backups").string()) {
        app.productCode = productCode;
        sim::EmulatorOptions module;
        module.productCode = productCode;
        auto transport = std::make_unique<sim::SimTransport>(module);
        sim = transport.get();
        comms::CommsOptions o = FastCommsOptions();
        o.heartbeatInterval = std::chrono::milliseconds(0);
        comms = std::make_unique<comms::ModuleComms>(std::move(transport), o);
        link = std::make_unique<CLinkController>(*comms, app, prompter, store);
        backup = std::make_unique<CModuleBackup>(*link, files);
        transfer = std::make_unique<CModuleTransfer>(*link);
        transfer->SetBackup(backup.get());
        transfer->SetVerifyAfterWrite(true);
        doc = std::make_unique<CCorvaneMapsDoc>(app, comms.get(), link.get(), &prompter);
        docLink = std::make_unique<MapsDocumentLink>(*doc);
    }
    ~Rig() {
        docLink.reset();
        doc.reset();
        transfer.reset();
        backup.reset();
        link.reset();
        comms.reset();
    }
    template <class F>
    auto Module(F&& f) {
        return sim->Peer().WithEmulator(std::forward<F>(f));
    }
    std::vector<std::uint8_t> Memory() {
        return Module([](sim::ModuleEmulator& e) {
            auto m = e.Memory();
            return std::vector<std::uint8_t>(m.begin(), m.end());
        });
    }
    // A document that differs from the module: the module's tune, edited, saved to a file.
    void PrepareEditedDocument() {
        ASSERT_TRUE(transfer->ReadModuleMapsAndSettings(docLink.get(), FirstViewKind::kMaps));
        link->ToggleLink();
        CModuleMap* map = OnceWrittenMap(*doc);
        ASSERT_NE(map, nullptr);
        map->StepPointByModuleUnits(7, -3);
        map->StepPointByModuleUnits(8, 4);
        doc->GetSetting(kRevLimit)->SetModuleValue(222);
        ASSERT_TRUE(doc->Save((folder.path / "tune.crv").string()));
        prompter.shown.clear();
    }

    TempFolder folder;
    ModuleBackups files;
    AppState app;
    RecordingPrompter prompter;
    MemorySettingsStore store;
    sim::SimTransport* sim = nullptr;
    std::unique_ptr<comms::ModuleComms> comms;
    std::unique_ptr<CLinkController> link;
    std::unique_ptr<CModuleBackup> backup;
    std::unique_ptr<CModuleTransfer> transfer;
    std::unique_ptr<CCorvaneMapsDoc> doc;
    std::unique_ptr<MapsDocumentLink> docLink;
};

// Every byte a backup document holds for a map point, a basic setting or the base map name
// equals the memory snapshot.
void ExpectBackupEquals(const std::string& path, const std::vector<std::uint8_t>& memory, AppState& app) {
    auto opened = CCorvaneMapsDoc::Open(path, app);
    ASSERT_NE(opened.document, nullptr) << opened.Message();
    const CCorvaneMapsDoc& backup = *opened.document;
    int bytes = 0;
    for (int i = 0; i < backup.GetBasicMapCount(); ++i) {
        const CModuleMap* map = backup.GetMap(i);
        for (int a = 0; a < map->GetMapSizeBytes(); ++a, ++bytes)
            ASSERT_EQ(backup.ReadByte(map->GetStartAddress() + a), memory[map->GetStartAddress() + a])
                << map->GetTitle() << " byte " << a;
    }
    for (int k = 0; k < backup.GetSettingCount(); ++k) {
        const auto* s = backup.GetSetting(k);
        if (k == kIACStopOffset || k == kIdleRpm) continue;  // derived from the idle maps
        for (int b = 0; b < s->GetByteWidth(); ++b)
            ASSERT_EQ(backup.ReadByte(s->GetAddress() + b), memory[s->GetAddress() + b]) << s->GetName();
    }
    for (int i = 0; i < 16 && memory[0xF00 + i] != 0; ++i) ASSERT_EQ(backup.ReadByte(0xF00 + i), memory[0xF00 + i]);
    EXPECT_GT(bytes, 1000);
}

// --- The backup folder -------------------------------------------------------------------------

TEST(ModuleBackups, NamesSayWhenWhatAndWhyAndParseBack) {
    std::tm t{};
    t.tm_year = 2026 - 1900;
    t.tm_mon = 11;
    t.tm_mday = 6;
    t.tm_hour = 9;
    t.tm_min = 5;
    t.tm_sec = 7;
    const std::string name = ModuleBackups::FileName(t, "STAGE1/..\\x_y", BackupReason::kBeforeUpgrade, 2);
    EXPECT_EQ(name, "20261206-090507-2_STAGE1-..-x-y_upgrade.crv");
    const auto entry = ModuleBackups::ParseFileName(name);
    ASSERT_TRUE(entry);
    EXPECT_EQ(entry->date, "2026-12-06 09:05:07");
    EXPECT_EQ(entry->reason, BackupReason::kBeforeUpgrade);
    EXPECT_EQ(entry->baseMapName, "STAGE1-..-x-y");
    EXPECT_EQ(ModuleBackups::FileName(t, "", BackupReason::kBeforeRead), "20261206-090507_unnamed_read.crv");

    // Other files in the folder are not backups.
    for (const char* other : {"tune.crv", "20261206-090507_x_write.txt", "2026120-090507_x_write.crv",
                              "20261206-090507_x_erase.crv", "20261206-090507-a_x_write.crv"})
        EXPECT_FALSE(ModuleBackups::ParseFileName(other)) << other;
}

TEST(ModuleBackups, KeepsTheNewestThirtyAndNothingElseIsTouched) {
    TempFolder folder;
    auto now = std::chrono::system_clock::from_time_t(1'800'000'000);
    ModuleBackups files(folder.path.string(), [&] { return now; });
    fs::create_directories(folder.path);
    std::ofstream(folder.path / "mine.crv") << "x";
    const std::vector<std::uint8_t> bytes{1, 2, 3};
    std::vector<std::string> made;
    for (int i = 0; i < 33; ++i) {
        // Two in one second: told apart, neither overwritten.
        if (i % 2 == 0) now += std::chrono::seconds(1);
        const auto r = files.Store(bytes, "BASE" + std::to_string(i), BackupReason::kBeforeWrite);
        ASSERT_TRUE(r.ok) << r.error;
        made.push_back(r.path);
    }
    const auto list = files.List();
    ASSERT_EQ(list.size(), 30u);
    EXPECT_EQ(list.front().path, made.back());   // newest first
    EXPECT_EQ(list.back().path, made[3]);        // the three oldest went
    EXPECT_FALSE(fs::exists(made[2]));
    EXPECT_TRUE(fs::exists(folder.path / "mine.crv"));
}

// Many backups in one second, of names that sort in no particular order: the list is the order
// they were made in (newest first) and pruning removes the oldest, whatever order the folder
// lists its files in.
TEST(ModuleBackups, OneSecondsBackupsKeepTheOrderTheyWereMadeIn) {
    TempFolder folder;
    const auto now = std::chrono::system_clock::from_time_t(1'800'000'000);
    ModuleBackups files(folder.path.string(), [&] { return now; });
    const std::vector<std::uint8_t> bytes{1, 2, 3};
    const char* names[] = {"M", "B", "Z", "A", "Q", "C", "Y", "D", "K", "E", "X", "F"};
    std::vector<std::string> made;
    for (const char* name : names) {
        const auto r = files.Store(bytes, name, made.size() % 2 ? BackupReason::kBeforeRead : BackupReason::kBeforeWrite);
        ASSERT_TRUE(r.ok) << r.error;
        made.push_back(r.path);
    }
    auto list = files.List();
    ASSERT_EQ(list.size(), made.size());
    for (std::size_t i = 0; i < made.size(); ++i) EXPECT_EQ(list[i].path, made[made.size() - 1 - i]) << i;
    files.Prune(5);
    list = files.List();
    ASSERT_EQ(list.size(), 5u);
    for (std::size_t i = 0; i < made.size(); ++i) EXPECT_EQ(fs::exists(made[i]), i >= made.size() - 5) << i;
}

// Backups that carry the same time and serial (two programs in the same second) are ordered by
// name: the same list, and the same one pruned, on every system.
TEST(ModuleBackups, BackupsOfTheSameTimeAndSerialAreOrderedByName) {
    TempFolder folder;
    const std::vector<std::string> names = {"20270115-080000_P_write.crv", "20270115-080000_C_read.crv",
                                            "20270115-080000_X_write.crv", "20270115-080000_A_upgrade.crv",
                                            "20270115-080000_M_write.crv", "20270115-080000_K_read.crv",
                                            "20270115-080000_F_write.crv", "20270115-080000_T_write.crv"};
    for (const auto& name : names) std::ofstream(folder.path / name) << "x";
    std::vector<std::string> expected = names;
    std::sort(expected.rbegin(), expected.rend());
    ModuleBackups files(folder.path.string());
    auto list = files.List();
    ASSERT_EQ(list.size(), names.size());
    for (std::size_t i = 0; i < list.size(); ++i) EXPECT_EQ(list[i].fileName, expected[i]) << i;
    files.Prune(3);
    list = files.List();
    ASSERT_EQ(list.size(), 3u);
    for (std::size_t i = 0; i < list.size(); ++i) EXPECT_EQ(list[i].fileName, expected[i]) << i;
}

TEST(ModuleBackups, AFolderThatCannotBeMadeIsAnErrorNotAnException) {
    TempFolder folder;
    fs::create_directories(folder.path);
    std::ofstream(folder.path / "file") << "x";
    ModuleBackups files((folder.path / "file" / "backups").string());
    const auto r = files.Store(std::vector<std::uint8_t>{1}, "N", BackupReason::kBeforeWrite);
    EXPECT_FALSE(r.ok);
    EXPECT_FALSE(r.error.empty());
    EXPECT_TRUE(files.List().empty());
}

// --- Backups of each reason ----------------------------------------------------------------------

class BackupEachFamily : public ::testing::TestWithParam<std::uint32_t> {};

TEST_P(BackupEachFamily, WriteBacksUpTheModuleAsItWasBeforeTheWrite) {
    Rig rig(GetParam());
    rig.PrepareEditedDocument();
    const auto before = rig.Memory();
    ASSERT_TRUE(rig.transfer->WriteModuleMapsAndSettings(rig.docLink.get()));

    const auto list = rig.files.List();
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0].reason, BackupReason::kBeforeWrite);
    EXPECT_EQ(rig.transfer->LastWriteReport().backupPath, list[0].path);
    EXPECT_TRUE(rig.transfer->LastWriteReport().backedUp);
    ExpectBackupEquals(list[0].path, before, rig.app);
    // The backup was read under its own progress box, before the WRITE's.
    ASSERT_GE(rig.prompter.progressTexts.size(), 3u);
    EXPECT_EQ(rig.prompter.progressTexts[rig.prompter.progressTexts.size() - 3], CModuleBackup::kReadingText);
    // ... and the module now holds the document, not the backup.
    EXPECT_NE(rig.Memory(), before);
}

INSTANTIATE_TEST_SUITE_P(Families, BackupEachFamily, ::testing::Values(1u, 2u, 4u));

TEST(Backups, SettingOffWritesWithoutReadingTheModuleFirst) {
    Rig rig(4);
    rig.PrepareEditedDocument();
    rig.transfer->SetBackupBeforeWrite(false);
    ASSERT_TRUE(rig.transfer->WriteModuleMapsAndSettings(rig.docLink.get()));
    EXPECT_TRUE(rig.files.List().empty());
    EXPECT_FALSE(rig.transfer->LastWriteReport().backupAttempted);
}

TEST(Backups, ReadSavesAModifiedDocumentFirstAndOnlyThen) {
    Rig rig(2);
    rig.PrepareEditedDocument();
    // Saved: nothing to lose, no backup.
    ASSERT_TRUE(rig.transfer->ReadModuleMapsAndSettings(rig.docLink.get(), FirstViewKind::kMaps));
    EXPECT_TRUE(rig.files.List().empty());

    CModuleMap* map = rig.doc->GetMap(3);
    rig.link->ToggleLink();
    map->StepPointByModuleUnits(2, 6);
    rig.doc->SetModifiedFlag();
    const auto edited = rig.doc->SaveToBytes();
    const int editedValue = map->GetPointModuleValue(2);
    ASSERT_TRUE(rig.transfer->ReadModuleMapsAndSettings(rig.docLink.get(), FirstViewKind::kMaps));
    EXPECT_NE(map->GetPointModuleValue(2), editedValue);  // the READ replaced the edit...

    const auto list = rig.files.List();
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0].reason, BackupReason::kBeforeRead);
    EXPECT_EQ(AtomicFile::Read(list[0].path), edited);  // ... which the backup kept
}

TEST(Backups, UpgradeBacksUpTheModuleBeforeItBegins) {
    Rig rig(1);
    const auto before = rig.Memory();
    CFirmwareUpgrade upgrade(*rig.link);
    upgrade.SetBackup(rig.backup.get());
    upgrade.SetPollInterval(std::chrono::milliseconds(0));
    rig.prompter.cancelWait = true;  // the user gives up at the first power-cycle prompt
    EXPECT_FALSE(upgrade.Run());
    const auto list = rig.files.List();
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0].reason, BackupReason::kBeforeUpgrade);
    ExpectBackupEquals(list[0].path, before, rig.app);
    EXPECT_FALSE(rig.app.moduleLinked);  // the procedure works on a module it does not link
    EXPECT_FALSE(rig.app.firmwareUpgradeInProgress);
}

// --- A backup that cannot be made ----------------------------------------------------------------

struct BlockedRig : Rig {
    explicit BlockedRig(std::uint32_t code) : Rig(code), blocked((folder.path / "file" / "backups").string()) {
        fs::create_directories(folder.path);
        std::ofstream(folder.path / "file") << "x";
        backup = std::make_unique<CModuleBackup>(*link, blocked);
        transfer->SetBackup(backup.get());
    }
    ModuleBackups blocked;
};

TEST(BackupFailure, StopsTheWriteUnlessTheUserChoosesToGoOn) {
    BlockedRig rig(4);
    rig.PrepareEditedDocument();
    const auto writes = [&] { return rig.Module([](sim::ModuleEmulator& e) { return e.WriteCount(); }); };
    const auto before = writes();

    // The command-line way: stop, say why, write nothing.
    rig.backup->SetOnFailure(CModuleBackup::OnFailure::kStop);
    EXPECT_FALSE(rig.transfer->WriteModuleMapsAndSettings(rig.docLink.get()));
    EXPECT_EQ(writes(), before);
    EXPECT_EQ(rig.prompter.shown.back().title, CModuleBackup::kFailedTitle);
    EXPECT_NE(rig.prompter.shown.back().text.find("was not started"), std::string::npos);
    EXPECT_FALSE(rig.app.transferInProgress);

    // The windows' way: asked; No writes nothing, Yes writes and the report says no backup.
    rig.backup->SetOnFailure(CModuleBackup::OnFailure::kAsk);
    rig.prompter.answers = {Prompter::Answer::Yes, Prompter::Answer::No};
    EXPECT_FALSE(rig.transfer->WriteModuleMapsAndSettings(rig.docLink.get()));
    EXPECT_EQ(writes(), before);
    EXPECT_EQ(rig.prompter.shown.back().buttons, Prompter::Buttons::YesNo);

    rig.prompter.answers = {Prompter::Answer::Yes, Prompter::Answer::Yes};
    EXPECT_TRUE(rig.transfer->WriteModuleMapsAndSettings(rig.docLink.get()));
    EXPECT_GT(writes(), before);
    EXPECT_TRUE(rig.transfer->LastWriteReport().backupAttempted);
    EXPECT_FALSE(rig.transfer->LastWriteReport().backedUp);
}

TEST(BackupFailure, AModuleInItsUpgradeLoaderIsNotBackedUpAsIfItHeldATune) {
    Rig rig(4);
    rig.Module([](sim::ModuleEmulator& e) {
        e.Poke(0xF1C, sim::kUpgradeMarkerOn);
        e.PowerCycle();
    });
    CFirmwareUpgrade upgrade(*rig.link);
    upgrade.SetBackup(rig.backup.get());
    rig.backup->SetOnFailure(CModuleBackup::OnFailure::kStop);
    EXPECT_FALSE(upgrade.Run());
    EXPECT_TRUE(rig.files.List().empty());
    EXPECT_NE(rig.prompter.shown.back().text.find("firmware upgrade mode"), std::string::npos);
    EXPECT_FALSE(rig.app.moduleLinked);
    EXPECT_FALSE(rig.app.firmwareUpgradeInProgress);
}

// --- Verify after WRITE --------------------------------------------------------------------------

TEST(VerifyAfterWrite, ACleanWriteIsVerifiedAndEveryWrittenPointInSync) {
    Rig rig(1);
    rig.transfer->SetBackupBeforeWrite(false);
    rig.PrepareEditedDocument();
    ASSERT_TRUE(rig.transfer->WriteModuleMapsAndSettings(rig.docLink.get()));
    const auto& report = rig.transfer->LastWriteReport();
    EXPECT_TRUE(report.verifyRan);
    EXPECT_TRUE(report.verify.Verified());
    EXPECT_EQ(rig.prompter.progressTexts.back(), WriteVerification::kProgressText);
    EXPECT_TRUE(OnceWrittenMap(*rig.doc)->IsPointInSync(7));
    // What "verified" covered: the map regions WRITE sends (the fuel table at 0x8000 and the
    // module's regions after it, one span), the settings blocks and the name.
    const std::string coverage = WriteVerification::CoverageText(*rig.docLink, report.verify);
    EXPECT_EQ(report.verify.mapBytes, 0xAA00u - 0x8000u);
    EXPECT_NE(coverage.find(" maps (10752 bytes at 0x8000-0xA9FF), "), std::string::npos) << coverage;
    EXPECT_NE(coverage.find(" settings blocks and the base map name: all read back as written"), std::string::npos)
        << coverage;
    int written = 0;
    int elsewhere = 0;  // the sensor calibrations above
    for (int i = 0; i < rig.doc->GetBasicMapCount(); ++i) {
        const auto start = rig.doc->GetMap(i)->GetStartAddress();
        (start >= 0x8000 && start < 0xAA00 ? written : elsewhere) += 1;
    }
    EXPECT_GT(elsewhere, 0);
    EXPECT_EQ(std::stoi(coverage.substr(std::string("verified ").size())), written);
}

TEST(VerifyAfterWrite, AFlakyCellIsReportedByMapAndPointAndOnlyVerifiedPointsAreInSync) {
    Rig rig(1);
    rig.transfer->SetBackupBeforeWrite(false);
    rig.transfer->SetOfferWriteAgain(false);
    rig.PrepareEditedDocument();
    CModuleMap* crank = OnceWrittenMap(*rig.doc);
    const int w = crank->GetBytesPerPoint();
    const std::uint16_t cell = static_cast<std::uint16_t>(crank->GetStartAddress() + 8 * w + (w - 1));
    rig.Module([&](sim::ModuleEmulator& e) { e.ArmFlakyWrite(cell); });

    EXPECT_FALSE(rig.transfer->WriteModuleMapsAndSettings(rig.docLink.get()));
    const auto& report = rig.transfer->LastWriteReport();
    ASSERT_EQ(report.verify.mismatches.size(), 1u);
    EXPECT_EQ(report.verify.mismatches[0].address, cell);
    ASSERT_EQ(report.mismatchLines.size(), 1u);
    EXPECT_EQ(report.mismatchLines[0], "Map: " + crank->GetTitle() + " (" + crank->GetClassName() + "), point 8");
    EXPECT_EQ(rig.prompter.shown.back().title, WriteVerification::kTitle);
    EXPECT_NE(rig.prompter.shown.back().text.find(report.mismatchLines[0]), std::string::npos);
    EXPECT_EQ(rig.prompter.shown.back().buttons, Prompter::Buttons::Ok);  // no offer: only told
    EXPECT_FALSE(crank->IsPointInSync(8));
    EXPECT_TRUE(crank->IsPointInSync(7));
    EXPECT_EQ(report.attempts, 1);
    const std::string coverage = WriteVerification::CoverageText(*rig.docLink, report.verify);
    // A failed check never reads as "verified".
    EXPECT_EQ(coverage.rfind("NOT verified: 1 byte differs in ", 0), 0u) << coverage;
    EXPECT_EQ(coverage.find("; verified"), std::string::npos) << coverage;
    VerifyResult unread;
    unread.readOk = false;
    EXPECT_EQ(WriteVerification::CoverageText(*rig.docLink, unread).rfind("NOT verified", 0), 0u);
}

// The main fuel table is written and read back like the rest of the maps.
TEST(VerifyAfterWrite, AFlakyCellInTheFuelTableIsFound) {
    Rig rig(1);
    rig.transfer->SetBackupBeforeWrite(false);
    rig.transfer->SetOfferWriteAgain(false);
    rig.PrepareEditedDocument();
    CModuleMap* row = rig.doc->GetMap(rig.doc->FindMap("Stoichiometric2560Map"));
    ASSERT_NE(row, nullptr);
    const std::uint16_t cell = static_cast<std::uint16_t>(row->GetStartAddress() + 20 * 2 + 1);
    rig.Module([&](sim::ModuleEmulator& e) { e.ArmFlakyWrite(cell); });
    EXPECT_FALSE(rig.transfer->WriteModuleMapsAndSettings(rig.docLink.get()));
    const auto& report = rig.transfer->LastWriteReport();
    ASSERT_EQ(report.verify.mismatches.size(), 1u);
    EXPECT_EQ(report.verify.mismatches[0].address, cell);
    ASSERT_EQ(report.mismatchLines.size(), 1u);
    EXPECT_EQ(report.mismatchLines[0], "Map: " + row->GetTitle() + " (Stoichiometric2560Map), point 20");
    EXPECT_FALSE(row->IsPointInSync(20));
    EXPECT_TRUE(row->IsPointInSync(19));
}

TEST(VerifyAfterWrite, WriteAgainRepairsAOneTimeFault) {
    Rig rig(2);
    rig.transfer->SetBackupBeforeWrite(false);
    rig.PrepareEditedDocument();
    const std::uint16_t cell = OnceWrittenMap(*rig.doc)->GetStartAddress() + 1;
    rig.Module([&](sim::ModuleEmulator& e) { e.ArmFlakyWrite(cell); });
    // Yes to the WRITE question, Yes to "WRITE again?".
    rig.prompter.answers = {Prompter::Answer::Yes, Prompter::Answer::Yes};
    EXPECT_TRUE(rig.transfer->WriteModuleMapsAndSettings(rig.docLink.get()));
    const auto& report = rig.transfer->LastWriteReport();
    EXPECT_EQ(report.attempts, 2);
    EXPECT_TRUE(report.verify.Verified());
    const auto& question = rig.prompter.shown.back();
    EXPECT_EQ(question.buttons, Prompter::Buttons::YesNo);
    EXPECT_NE(question.text.find(msg::kWriteAgainQuestion), std::string::npos);
    rig.Module([&](sim::ModuleEmulator& e) { EXPECT_EQ(e.Peek(cell), rig.doc->ReadByte(cell)); });
}

TEST(VerifyAfterWrite, ADamagedSettingIsNamed) {
    Rig rig(4);
    rig.transfer->SetBackupBeforeWrite(false);
    rig.transfer->SetOfferWriteAgain(false);
    rig.PrepareEditedDocument();
    const auto* revLimit = rig.doc->GetSetting(kRevLimit);
    rig.Module([&](sim::ModuleEmulator& e) { e.ArmFlakyWrite(revLimit->GetAddress()); });
    EXPECT_FALSE(rig.transfer->WriteModuleMapsAndSettings(rig.docLink.get()));
    ASSERT_FALSE(rig.transfer->LastWriteReport().mismatchLines.empty());
    EXPECT_EQ(rig.transfer->LastWriteReport().mismatchLines[0], "Setting: " + revLimit->GetName());
}

TEST(VerifyAfterWrite, DescribeGroupsPointsAndCountsWhatItDoesNotList) {
    Rig rig(1);
    std::vector<VerifyMismatch> mismatches;
    CModuleMap* crank = OnceWrittenMap(*rig.doc);
    const int w = crank->GetBytesPerPoint();
    for (int j : {1, 1, 4}) mismatches.push_back({static_cast<std::uint16_t>(crank->GetStartAddress() + j * w), 0, 1});
    mismatches.push_back({0xF03, 0, 1});
    auto lines = WriteVerification::Describe(*rig.docLink, mismatches);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], "Map: " + crank->GetTitle() + " (" + crank->GetClassName() + "), points 1, 4");
    EXPECT_EQ(lines[1], "Base map name");

    mismatches.clear();
    for (int i = 0; i < 40; ++i) mismatches.push_back({static_cast<std::uint16_t>(0x9000 + i * 64), 0, 1});
    lines = WriteVerification::Describe(*rig.docLink, mismatches);
    ASSERT_EQ(lines.size(), WriteVerification::kMaxLines + 1);
    EXPECT_EQ(lines.back().rfind("... and ", 0), 0u);
}

}  // namespace
}  // namespace corvane::test
