// READ and WRITE through the real comms library against the emulated module.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include <filesystem>

#include "comms/ModuleComms.h"
#include "sim/SimTransport.h"
#include "documents/CCorvaneMapsDoc.h"
#include "link/CLinkController.h"
#include "link/CModuleTransfer.h"
#include "link/LinkMessages.h"
#include "link/MapsDocumentLink.h"
#include "maps/CModuleMap.h"
#include "maps/TuneSnapshot.h"
#include "model/SettingsStore.h"
#include "sim/ModuleEmulator.h"
#include "support/FastCommsOptions.h"
#include "support/RecordingPrompter.h"

namespace corvane::test {
namespace {

namespace fs = std::filesystem;

// Transfers run without heartbeats and give up reconnecting soon.
comms::CommsOptions FastOptions() {
    comms::CommsOptions o = FastCommsOptions();
    o.heartbeatInterval = std::chrono::milliseconds(0);
    o.reconnectInterval = std::chrono::milliseconds(20);
    o.reconnectAttempts = 3;
    return o;
}

struct Rig {
    explicit Rig(std::uint32_t productCode, const sim::PeerFaults& faults = {}) {
        app.productCode = productCode;
        sim::EmulatorOptions module;
        module.productCode = productCode;
        auto transport = std::make_unique<sim::SimTransport>(module, faults);
        sim = transport.get();
        comms = std::make_unique<comms::ModuleComms>(std::move(transport), FastOptions());
        link = std::make_unique<CLinkController>(*comms, app, prompter, store);
        transfer = std::make_unique<CModuleTransfer>(*link);
        doc = std::make_unique<CCorvaneMapsDoc>(app, comms.get(), link.get(), &prompter);
        docLink = std::make_unique<MapsDocumentLink>(*doc);
    }
    ~Rig() {
        docLink.reset();
        doc.reset();
        transfer.reset();
        link.reset();
        comms.reset();
    }
    template <class F>
    auto Module(F&& f) {
        return sim->Peer().WithEmulator(std::forward<F>(f));
    }
    // Every basic map's bytes in the document's image equal the module's, every point in sync.
    void ExpectDocumentEqualsModule() {
        const auto memory = Module([](sim::ModuleEmulator& e) {
            auto m = e.Memory();
            return std::vector<std::uint8_t>(m.begin(), m.end());
        });
        for (int i = 0; i < doc->GetMapCount(); ++i) {
            CModuleMap* map = doc->GetMap(i);
            if (i < doc->GetBasicMapCount()) {
                for (int a = 0; a < map->GetMapSizeBytes(); ++a)
                    ASSERT_EQ(doc->ReadByte(map->GetStartAddress() + a), memory[map->GetStartAddress() + a])
                        << map->GetTitle() << " byte " << a;
            }
            for (int j = 0; j < map->GetNumberOfPoints(); ++j) ASSERT_TRUE(map->IsPointInSync(j)) << map->GetTitle();
        }
    }

    AppState app;
    RecordingPrompter prompter;
    MemorySettingsStore store;
    sim::SimTransport* sim = nullptr;
    std::unique_ptr<comms::ModuleComms> comms;
    std::unique_ptr<CLinkController> link;
    std::unique_ptr<CModuleTransfer> transfer;
    std::unique_ptr<CCorvaneMapsDoc> doc;
    std::unique_ptr<MapsDocumentLink> docLink;
};

class ReadEachFamily : public ::testing::TestWithParam<std::uint32_t> {};

TEST_P(ReadEachFamily, DocumentEqualsTheModuleAfterRead) {
    Rig rig(GetParam());
    ASSERT_TRUE(rig.transfer->ReadModuleMapsAndSettings(rig.docLink.get(), FirstViewKind::kMaps));
    rig.ExpectDocumentEqualsModule();
    const int revLimit = rig.Module([](sim::ModuleEmulator& e) { return int(e.Peek(0x40A)); });
    EXPECT_EQ(rig.doc->GetSetting(kRevLimit)->GetModuleValue(), revLimit);
    EXPECT_FALSE(rig.app.transferInProgress);
    EXPECT_EQ(rig.prompter.progressText, msg::kReadProgress);
    EXPECT_EQ(rig.prompter.progressMax, rig.doc->GetBasicMapCount());
    EXPECT_FALSE(rig.prompter.progressOpen);
    // The document takes the module's name with its tune and counts as changed.
    std::string moduleName;
    for (int i = 0; i < 16; ++i) {
        const int c = rig.Module([i](sim::ModuleEmulator& e) { return int(e.Peek(0xF00 + i)); });
        if (c == 0) break;
        moduleName.push_back(static_cast<char>(c));
    }
    EXPECT_EQ(rig.doc->GetBaseMapName().substr(0, moduleName.size()), moduleName);
    EXPECT_TRUE(rig.doc->IsModified());
}

INSTANTIATE_TEST_SUITE_P(Families, ReadEachFamily, ::testing::Values(1u, 2u, 4u));

TEST(TransferIntegration, AdvancedViewStopsAtTheFirstMapOutOfStep) {
    Rig rig(2);
    ASSERT_TRUE(rig.transfer->ReadModuleMapsAndSettings(rig.docLink.get(), FirstViewKind::kMaps));
    for (int i = 0; i < rig.doc->GetMapCount(); ++i)
        for (int j = 0; j < rig.doc->GetMap(i)->GetNumberOfPoints(); ++j) rig.doc->GetMap(i)->GetMapPoint(j)->MarkNotInSync();
    CModuleMap* changed = rig.doc->GetMap(5);
    const std::uint16_t at = changed->GetStartAddress() + 3;
    rig.Module([&](sim::ModuleEmulator& e) {
        const std::uint8_t b = static_cast<std::uint8_t>(e.Peek(at) ^ 0x01);
        e.Poke(at, std::span<const std::uint8_t>(&b, 1));
    });
    const int before = changed->GetPointModuleValue(3);

    EXPECT_FALSE(rig.transfer->ReadModuleMapsAndSettings(rig.docLink.get(), FirstViewKind::kAdvancedUserMaps));
    ASSERT_FALSE(rig.prompter.shown.empty());
    const auto& shown = rig.prompter.shown.back();
    EXPECT_EQ(shown.text, "Map: " + changed->GetTitle() + msg::kOutOfStepTail);
    EXPECT_EQ(shown.title, msg::kOutOfStepTitle);
    EXPECT_EQ(changed->GetPointModuleValue(3), before);  // checked, never loaded
    EXPECT_TRUE(rig.doc->GetMap(4)->IsPointInSync(63));
    EXPECT_TRUE(changed->IsPointInSync(2));
    EXPECT_FALSE(changed->IsPointInSync(3));
    EXPECT_FALSE(rig.doc->GetMap(6)->IsPointInSync(0));
    // Composites: the row composite follows its rows, the others were not confirmed.
    const int composites = rig.doc->GetBasicMapCount();
    EXPECT_TRUE(rig.doc->GetMap(composites)->IsPointInSync(0));
    EXPECT_FALSE(rig.doc->GetMap(composites)->IsPointInSync(10));
    EXPECT_FALSE(rig.doc->GetMap(composites + 1)->IsPointInSync(0));
}

TEST(TransferIntegration, WriteSendsTheWrittenRegionsAndMarksOnlyThem) {
    Rig rig(1);
    ASSERT_TRUE(rig.transfer->ReadModuleMapsAndSettings(rig.docLink.get(), FirstViewKind::kMaps));
    // Just read: the advanced view's check finds every map, the word maps too, in step.
    ASSERT_TRUE(rig.transfer->ReadModuleMapsAndSettings(rig.docLink.get(), FirstViewKind::kAdvancedUserMaps));
    rig.link->ToggleLink();  // edits while unlinked stay out of sync
    ASSERT_FALSE(rig.app.moduleLinked);
    const int fuel = rig.doc->FindMap("Stoichiometric2048Map");
    const int crank = rig.doc->FindMap("CrankMap");
    const int headTemp = rig.doc->FindMap("HeadTemp0_63Map");
    ASSERT_GE(fuel, 0);
    ASSERT_GE(crank, 0);
    ASSERT_GE(headTemp, 0);
    rig.doc->GetMap(fuel)->StepPointByModuleUnits(4, 5);
    rig.doc->GetMap(crank)->StepPointByModuleUnits(7, -3);
    rig.doc->GetMap(headTemp)->StepPointByModuleUnits(0, 2);
    const int lastRear = rig.doc->FindMap("RearTrimVsThrottle8192Map");  // ends where the region ends
    rig.doc->GetMap(lastRear)->StepPointByModuleUnits(63, 1);
    rig.doc->GetSetting(kRevLimit)->SetModuleValue(222);
    rig.doc->SetBaseMapName("WRITTEN_NAME_XYZ");

    const fs::path file = fs::temp_directory_path() / "link_write_test.crv";
    ASSERT_TRUE(rig.doc->Save(file.string()));
    const auto writesBefore = rig.Module([](sim::ModuleEmulator& e) { return e.WriteCount(); });
    rig.prompter.shown.clear();
    ASSERT_TRUE(rig.transfer->WriteModuleMapsAndSettings(rig.docLink.get()));
    fs::remove(file);
    const auto writes = rig.Module([](sim::ModuleEmulator& e) { return e.WriteCount(); }) - writesBefore;
    EXPECT_EQ(writes, 26u + 7u + 4u);  // map chunks (with the fuel table), settings blocks (firmware 0x52), name blocks
    EXPECT_EQ(rig.transfer->GetWriteProgressCount(), 26);
    EXPECT_EQ(rig.transfer->GetWritePhase(), CModuleTransfer::kPhaseDone);

    rig.Module([&](sim::ModuleEmulator& e) {
        for (std::uint32_t a = 0x8000; a < 0xAA00; ++a) ASSERT_EQ(e.Peek(a), rig.doc->ReadByte(a)) << a;
        EXPECT_EQ(e.Peek(0x40A), 222);
        for (std::uint16_t a = 0xF00; a < 0xF10; ++a) EXPECT_EQ(e.Peek(a), rig.doc->ReadByte(a)) << "name byte " << a;
        EXPECT_NE(e.Peek(0x410), 0xFF);
    });
    EXPECT_TRUE(rig.doc->GetMap(crank)->IsPointInSync(7));
    EXPECT_TRUE(rig.doc->GetMap(lastRear)->IsPointInSync(63));
    EXPECT_TRUE(rig.doc->GetMap(fuel)->IsPointInSync(4));       // the fuel table is sent too
    EXPECT_FALSE(rig.doc->GetMap(headTemp)->IsPointInSync(0));  // 0xC000 area: not sent, and said so
    const std::string notSent = rig.transfer->LastWriteReport().notSent;
    EXPECT_EQ(notSent, "Head Temperature Sensor Calibration (0xC000-0xC7FF), Air Temperature Sensor Calibration "
                       "(0xC800-0xCFFF), Adj TPS Sensor Calibration (0xD000-0xD7FF), TPS Percent Sensor Calibration "
                       "(0xD800-0xDFFF)");
    EXPECT_EQ(rig.transfer->LastWriteReport().mapChunks, 26);
    EXPECT_FALSE(rig.app.transferInProgress);
}

TEST(TransferIntegration, NeverSavedDocumentStopsBeforeTouchingTheModule) {
    Rig rig(4);
    const auto writesBefore = rig.Module([](sim::ModuleEmulator& e) { return e.WriteCount(); });
    EXPECT_FALSE(rig.transfer->WriteModuleMapsAndSettings(rig.docLink.get()));
    EXPECT_EQ(rig.prompter.shown.back().text, msg::kDocumentFileNotSelected);
    EXPECT_EQ(rig.Module([](sim::ModuleEmulator& e) { return e.WriteCount(); }), writesBefore);

    rig.prompter.answers = {Prompter::Answer::No};
    const auto shown = rig.prompter.shown.size();
    EXPECT_FALSE(rig.transfer->WriteModuleMapsAndSettings(rig.docLink.get()));
    EXPECT_EQ(rig.prompter.shown.size(), shown + 1);  // only the question
}

TEST(TransferIntegration, PulledCableAbortsAndMonitoringCanStartAgain) {
    Rig rig(2);
    rig.link->ToggleLink();
    ASSERT_TRUE(rig.app.moduleLinked);
    rig.sim->Peer().PullCable();
    EXPECT_FALSE(rig.transfer->ReadModuleMapsAndSettings(rig.docLink.get(), FirstViewKind::kMaps));
    EXPECT_EQ(rig.prompter.shown.back().text, std::string(msg::kUploadAborted) + msg::kReadLeftDocumentTail);
    EXPECT_FALSE(rig.app.transferInProgress);
    EXPECT_FALSE(rig.prompter.progressOpen);

    const fs::path file = fs::temp_directory_path() / "link_pulled_test.crv";
    ASSERT_TRUE(rig.doc->Save(file.string()));
    EXPECT_FALSE(rig.transfer->WriteModuleMapsAndSettings(rig.docLink.get()));
    fs::remove(file);
    EXPECT_EQ(rig.prompter.shown.back().text.rfind(msg::kDownloadAborted, 0), 0u);
    EXPECT_NE(rig.prompter.shown.back().text.find("0x9000-0x91FF: may be written in part"), std::string::npos)
        << rig.prompter.shown.back().text;
    EXPECT_EQ(rig.transfer->GetWritePhase(), CModuleTransfer::kPhaseAbandoned);
    EXPECT_FALSE(rig.app.transferInProgress);

    rig.sim->Peer().PlugCable();
    // As a tuner would: wait (at most the reconnect time) until the module answers again.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(3);
    while (!rig.comms->DetectModule() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    if (!rig.app.moduleLinked) rig.link->ToggleLink();
    rig.link->ToggleMonitoring();
    EXPECT_TRUE(rig.comms->IsMonitoring());
    rig.link->ToggleMonitoring();
}

TEST(TransferIntegration, ReadIsACheckpointAndUndoSendsTheReadValuesBack) {
    Rig rig(1);
    rig.link->ToggleLink();
    ASSERT_TRUE(rig.app.moduleLinked);
    CModuleMap* map = rig.doc->GetMap(7);
    map->StepPointByModuleUnits(0, 3);  // an edit before the READ: forgotten by it
    ASSERT_TRUE(rig.transfer->ReadModuleMapsAndSettings(rig.docLink.get(), FirstViewKind::kMaps));
    EXPECT_EQ(rig.doc->History().Baseline(), msg::kReadCheckpoint);
    EXPECT_FALSE(rig.doc->History().CanUndo());
    const int read = map->GetPointModuleValue(5);
    auto moduleValue = [&] {
        const CModuleMapPoint* p = map->GetMapPoint(5);
        return rig.Module([&](sim::ModuleEmulator& e) {
            int v = 0;
            for (int b = 0; b < p->GetByteWidth(); ++b) v = v * 256 + e.Peek(p->GetAddress() + b);
            return v;
        });
    };
    map->StepPointByModuleUnits(5, 4);
    ASSERT_EQ(moduleValue(), map->GetPointModuleValue(5));
    ASSERT_TRUE(rig.doc->History().Undo());
    EXPECT_EQ(map->GetPointModuleValue(5), read);
    EXPECT_EQ(moduleValue(), read);
    EXPECT_TRUE(map->IsPointInSync(5));
    EXPECT_FALSE(rig.doc->History().Undo());
    rig.ExpectDocumentEqualsModule();
}

TEST(TransferIntegration, ReadCutShortLeavesTheDocumentAsItWasAndSaysSo) {
    Rig rig(1);
    rig.link->ToggleLink();
    rig.doc->GetMap(3)->StepPointByModuleUnits(2, 9);
    const TuneSnapshot before = TuneSnapshot::Capture(*rig.doc);
    const std::size_t steps = rig.doc->History().StepCount();
    rig.prompter.onProgress = [&](int position) {
        if (position == 90) rig.sim->Peer().PullCable();
    };
    EXPECT_FALSE(rig.transfer->ReadModuleMapsAndSettings(rig.docLink.get(), FirstViewKind::kMaps));
    EXPECT_EQ(rig.prompter.shown.back().text, std::string(msg::kUploadAborted) + msg::kReadLeftDocumentTail);
    EXPECT_EQ(TuneSnapshot::Capture(*rig.doc), before);
    EXPECT_EQ(rig.doc->History().StepCount(), steps);
    EXPECT_TRUE(rig.doc->IsModified());
    EXPECT_FALSE(rig.app.transferInProgress);
}

TEST(TransferIntegration, UndoAllAfterReadReturnsToTheReadValues) {
    Rig rig(1);
    ASSERT_TRUE(rig.transfer->ReadModuleMapsAndSettings(rig.docLink.get(), FirstViewKind::kMaps));
    CModuleMap* map = rig.doc->GetMap(rig.doc->FindMap("StoichiometricFuelFlowVsThrottle2304"));
    if (map == nullptr) map = rig.doc->GetMap(10);
    std::vector<int> read;
    for (int i = 0; i < map->GetNumberOfPoints(); ++i) read.push_back(map->GetPointModuleValue(i));
    map->StepPointByModuleUnits(10, 1);
    map->StepPointTrimByModuleUnits(11, 2);
    map->RestoreBlock(0, map->GetNumberOfPoints() - 1);
    map->RestoreTrims(0, map->GetNumberOfPoints() - 1);
    for (int i = 0; i < map->GetNumberOfPoints(); ++i) EXPECT_EQ(map->GetPointModuleValue(i), read[i]) << i;
}

TEST(TransferIntegration, WriteCutShortMarksWhatTheModuleMayHoldInPart) {
    Rig rig(1);
    rig.link->ToggleLink();
    ASSERT_TRUE(rig.transfer->ReadModuleMapsAndSettings(rig.docLink.get(), FirstViewKind::kMaps));
    const fs::path file = fs::temp_directory_path() / "link_write_cut_test.crv";
    ASSERT_TRUE(rig.doc->Save(file.string()));
    rig.prompter.answers = {Prompter::Answer::Yes};
    rig.prompter.onProgress = [&](int position) {
        if (position == 3) rig.sim->Peer().PullCable();
    };
    EXPECT_FALSE(rig.transfer->WriteModuleMapsAndSettings(rig.docLink.get()));
    fs::remove(file);
    const std::string text = rig.prompter.shown.back().text;
    EXPECT_EQ(text.rfind(msg::kDownloadAborted, 0), 0u);
    EXPECT_NE(text.find("may be written in part"), std::string::npos) << text;
    // The chunk that was on the line when the cable went: its points are not in sync.
    const std::uint16_t chunk = CModuleTransfer::kMapRegions.front().start + 3 * CModuleTransfer::kChunkSize;
    int outOfSync = 0;
    for (int i = 0; i < rig.doc->GetBasicMapCount(); ++i) {
        CModuleMap* map = rig.doc->GetMap(i);
        for (int j = 0; j < map->GetNumberOfPoints(); ++j) {
            const auto address = map->GetMapPoint(j)->GetAddress();
            if (address >= chunk && address < chunk + CModuleTransfer::kChunkSize) {
                EXPECT_FALSE(map->IsPointInSync(j)) << map->GetTitle() << " " << j;
                ++outOfSync;
            }
        }
    }
    EXPECT_GT(outOfSync, 0);
}

// The fuel table goes after the module's own regions: a cable pulled while it is on the line
// leaves those regions written, and the report and the marks say so by address.
TEST(TransferIntegration, WriteCutShortInTheFuelTableSaysWhatWasWritten) {
    Rig rig(1);
    rig.link->ToggleLink();
    ASSERT_TRUE(rig.transfer->ReadModuleMapsAndSettings(rig.docLink.get(), FirstViewKind::kMaps));
    CModuleMap* row = rig.doc->GetMap(rig.doc->FindMap("Stoichiometric2048Map"));  // 0x8380: chunk 0x8200
    CModuleMap* late = rig.doc->GetMap(rig.doc->FindMap("Stoichiometric8192Map"));  // 0x8F80: never sent
    rig.link->ToggleLink();
    row->StepPointByModuleUnits(3, 2);
    late->StepPointByModuleUnits(3, 2);
    rig.link->ToggleLink();
    const fs::path file = fs::temp_directory_path() / "link_write_cut_fuel_test.crv";
    ASSERT_TRUE(rig.doc->Save(file.string()));
    rig.prompter.answers = {Prompter::Answer::Yes};
    rig.prompter.onProgress = [&](int position) {
        if (position == 19) rig.sim->Peer().PullCable();  // 18 module chunks and the first fuel chunk are done
    };
    EXPECT_FALSE(rig.transfer->WriteModuleMapsAndSettings(rig.docLink.get()));
    fs::remove(file);
    const std::string text = rig.prompter.shown.back().text;
    EXPECT_NE(text.find("- maps 0x8000-0x81FF: written\n- maps 0x8200-0x83FF: may be written in part\n"
                        "- maps 0x8400-0x8FFF: not written\n- maps 0x9000-0xA9FF: written\n"
                        "- basic settings, base map name: not written"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("Fuelflow vs TPS @ 1792 rpm"), std::string::npos) << text;
    EXPECT_FALSE(row->IsPointInSync(3));
    EXPECT_FALSE(late->IsPointInSync(3));
    EXPECT_EQ(rig.transfer->GetWriteProgressCount(), 19);
}

// A family without maps in the fuel table's region sends the module's regions only.
TEST(TransferIntegration, WriteOfAFamilyWithoutAFuelTableSendsTheModuleRegionsOnly) {
    Rig rig(4);
    const fs::path file = fs::temp_directory_path() / "link_write_family_c_test.crv";
    ASSERT_TRUE(rig.doc->Save(file.string()));
    const auto writesBefore = rig.Module([](sim::ModuleEmulator& e) { return e.WriteCount(); });
    ASSERT_TRUE(rig.transfer->WriteModuleMapsAndSettings(rig.docLink.get()));
    fs::remove(file);
    const auto writes = rig.Module([](sim::ModuleEmulator& e) { return e.WriteCount(); }) - writesBefore;
    EXPECT_EQ(rig.transfer->GetWriteProgressCount(), 18);
    EXPECT_EQ(rig.transfer->LastWriteReport().mapChunks, 18);
    EXPECT_EQ(rig.transfer->LastWriteReport().notSent, "");
    EXPECT_GE(writes, 18u);
}

TEST(TransferIntegration, WriteRefusesADocumentWithValuesOutsideTheirLimits) {
    Rig rig(1);
    MapFileRecords records = rig.doc->ToRecords();
    records.mapPoints[0][20].trim = 38800000;
    auto loaded = CCorvaneMapsDoc::Load(records.ToBytes(), rig.app, rig.comms.get(), rig.link.get(), &rig.prompter);
    ASSERT_NE(loaded.document, nullptr);
    rig.docLink.reset();
    rig.doc = std::move(loaded.document);
    rig.docLink = std::make_unique<MapsDocumentLink>(*rig.doc);
    const fs::path file = fs::temp_directory_path() / "link_out_of_limits_test.crv";
    ASSERT_TRUE(rig.doc->Save(file.string()));
    const int before = rig.Module([](sim::ModuleEmulator& e) { return int(e.Peek(0x9028)); });
    rig.prompter.answers = {Prompter::Answer::Yes};
    EXPECT_FALSE(rig.transfer->WriteModuleMapsAndSettings(rig.docLink.get()));
    fs::remove(file);
    EXPECT_EQ(rig.prompter.shown.back().text.rfind(msg::kWriteRefusedHead, 0), 0u);
    EXPECT_EQ(rig.Module([](sim::ModuleEmulator& e) { return int(e.Peek(0x9028)); }), before);
}

TEST(TransferIntegration, CorruptedLineStillReadsEveryByte) {
    sim::PeerFaults faults;
    faults.corruptRate = 0.0005;
    Rig rig(2, faults);
    ASSERT_TRUE(rig.transfer->ReadModuleMapsAndSettings(rig.docLink.get(), FirstViewKind::kMaps));
    rig.ExpectDocumentEqualsModule();
}

}  // namespace
}  // namespace corvane::test
