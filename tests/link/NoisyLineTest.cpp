// READ, WRITE and the firmware upgrade through the real comms library over a line that damages
// 0.1 % of the bytes, loses another 0.1 % and puts garbage before 0.1 % of the module's frames,
// each way, with a fixed seed; and a line that goes dead for good.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>

#include "comms/ModuleComms.h"
#include "documents/CCorvaneMapsDoc.h"
#include "link/CFirmwareUpgrade.h"
#include "link/CLinkController.h"
#include "link/CModuleTransfer.h"
#include "link/LinkMessages.h"
#include "link/MapsDocumentLink.h"
#include "maps/CModuleMap.h"
#include "model/SettingsStore.h"
#include "sim/ModuleEmulator.h"
#include "sim/SimTransport.h"
#include "support/FastCommsOptions.h"
#include "support/RecordingPrompter.h"
#include "support/S19Writer.h"

namespace corvane::test {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

sim::PeerFaults NoisyLine() {
    sim::PeerFaults faults;
    faults.corruptRate = 0.001;
    faults.dropRate = 0.001;
    faults.garbageRate = 0.001;
    return faults;
}

// Turns the module off and on again whenever the upgrade asks the user to, as a user at the
// bench would: off at the first look, on at the next.
class PowerCyclingPrompter : public RecordingPrompter {
public:
    void ModuleDetectionBegin(const std::string& title, const std::string& text) override {
        RecordingPrompter::ModuleDetectionBegin(title, text);
        step = 1;
    }
    bool PollWait() override {
        if (peer != nullptr && step == 1) peer->PowerOff();
        if (peer != nullptr && step == 2) peer->PowerOn();
        if (step > 0) step = (step + 1) % 3;
        return ++polls < 2000;
    }
    sim::ModulePeer* peer = nullptr;
    int step = 0;
    int polls = 0;
};

// Records the library's reports.
class LinkEvents : public CommsEvents {
public:
    void OnLinkStatus(int status) override {
        std::lock_guard lock(mutex);
        statuses.push_back(status);
    }
    void OnModuleConnectionFailure() override {
        std::lock_guard lock(mutex);
        failedAt = Clock::now();
        ++failures;
    }
    std::mutex mutex;
    std::vector<int> statuses;
    int failures = 0;
    Clock::time_point failedAt{};
};

struct NoisyRig {
    explicit NoisyRig(comms::CommsOptions options, const sim::PeerFaults& faults = NoisyLine()) {
        app.productCode = 1;
        sim::EmulatorOptions module;
        module.productCode = 1;
        auto transport = std::make_unique<sim::SimTransport>(module, faults, 20261206);
        sim = transport.get();
        comms = std::make_unique<comms::ModuleComms>(std::move(transport), options);
        link = std::make_unique<CLinkController>(*comms, app, prompter, store);
        events = std::make_unique<LinkEvents>();
        comms->SetEventSink(events.get());
        transfer = std::make_unique<CModuleTransfer>(*link);
        doc = std::make_unique<CCorvaneMapsDoc>(app, comms.get(), link.get(), &prompter);
        docLink = std::make_unique<MapsDocumentLink>(*doc);
        prompter.peer = &sim->Peer();
    }
    ~NoisyRig() {
        comms->SetEventSink(nullptr);
        docLink.reset();
        doc.reset();
        transfer.reset();
        link.reset();
        comms.reset();
    }
    std::vector<std::uint8_t> Memory() {
        return sim->Peer().WithEmulator([](sim::ModuleEmulator& e) {
            auto m = e.Memory();
            return std::vector<std::uint8_t>(m.begin(), m.end());
        });
    }

    AppState app;
    PowerCyclingPrompter prompter;
    MemorySettingsStore store;
    sim::SimTransport* sim = nullptr;
    std::unique_ptr<comms::ModuleComms> comms;
    std::unique_ptr<CLinkController> link;
    std::unique_ptr<LinkEvents> events;
    std::unique_ptr<CModuleTransfer> transfer;
    std::unique_ptr<CCorvaneMapsDoc> doc;
    std::unique_ptr<MapsDocumentLink> docLink;
};

comms::CommsOptions TestTimings() {
    comms::CommsOptions o = FastCommsOptions();
    o.heartbeatInterval = std::chrono::milliseconds(0);
#ifdef _WIN32
    // Under Wine every hand-over between the line's threads passes through wineserver; on a
    // loaded machine an answer can take longer than the fast timings allow, and a flash step
    // then runs out of tries. What is tested is how losses are repeated, not how fast.
    o.answerTimeout *= 3;
    o.longAnswerTimeout *= 3;
    o.flashTimeout *= 3;
#endif
    return o;
}

// Five READs and five WRITEs of a family-A module, alternating, each changing the tune a
// little: every one completes, and afterwards the document and the module agree byte for byte.
TEST(NoisyLine, EveryReadAndWriteCompletesExactly) {
    NoisyRig rig(TestTimings());
    const auto path = (fs::temp_directory_path() / ("noisy_line_" + std::to_string(::getpid()) + ".crv")).string();
    std::mt19937 rng(5);
    for (int round = 0; round < 5; ++round) {
        // READ: the module's tune, changed behind the document's back (one fuel row takes
        // another's values), comes in exactly.
        const auto from = static_cast<std::uint16_t>(0x8000 + 0x80 * (rng() % 32));
        const auto to = static_cast<std::uint16_t>(0x8000 + 0x80 * (rng() % 32));
        rig.sim->Peer().WithEmulator([&](sim::ModuleEmulator& e) {
            auto m = e.Memory();
            const std::vector<std::uint8_t> row(m.begin() + from, m.begin() + from + 0x80);
            e.Poke(to, row);
            return 0;
        });
        ASSERT_TRUE(rig.transfer->ReadModuleMapsAndSettings(rig.docLink.get(), FirstViewKind::kMaps)) << "READ " << round;
        const auto memory = rig.Memory();
        for (int i = 0; i < rig.doc->GetBasicMapCount(); ++i) {
            const CModuleMap* map = rig.doc->GetMap(i);
            for (int a = 0; a < map->GetMapSizeBytes(); ++a)
                ASSERT_EQ(rig.doc->ReadByte(map->GetStartAddress() + a), memory[map->GetStartAddress() + a])
                    << "READ " << round << ": " << map->GetTitle() << " byte " << a;
        }
        // WRITE: a changed point of the document lands, and the written regions equal the
        // document's image afterwards.
        std::vector<CModuleMap*> written;
        for (int i = 0; i < rig.doc->GetBasicMapCount(); ++i)
            if (rig.doc->GetMap(i)->GetStartAddress() >= 0x9000 && rig.doc->GetMap(i)->GetStartAddress() < 0xAA00)
                written.push_back(rig.doc->GetMap(i));
        ASSERT_FALSE(written.empty());
        CModuleMap* map = written[rng() % written.size()];
        map->LoadPointFromModule(0, (map->GetPointModuleValue(0) + 1) & 0xFF);
        ASSERT_TRUE(rig.doc->Save(path));
        ASSERT_TRUE(rig.transfer->WriteModuleMapsAndSettings(rig.docLink.get())) << "WRITE " << round;
        const auto after = rig.Memory();
        for (const auto& region : CModuleTransfer::kMapRegions)
            for (std::uint32_t a = region.start; a < region.end; ++a)
                ASSERT_EQ(after[a], rig.doc->ReadByte(static_cast<std::uint16_t>(a))) << "WRITE " << round << " at " << a;
        ASSERT_EQ(after[map->GetStartAddress()], static_cast<std::uint8_t>(map->GetPointModuleValue(0) & 0xFF));
    }
    fs::remove(path);
    EXPECT_TRUE(rig.app.moduleLinked);
    const auto stats = rig.comms->GetStats();
    EXPECT_EQ(stats.failedCommands, 0u);
    EXPECT_GT(stats.earlyRepeats, 50u);  // the noise was real, and mostly answered at once
    EXPECT_TRUE(rig.prompter.Texts().empty() || rig.prompter.Texts().back().rfind(msg::kUploadAborted, 0) != 0);
}

// The whole upgrade on the same line: every flash block lands, each is programmed exactly
// once however many of its copies or answers the line spoils, and the module boots the new
// firmware.
TEST(NoisyLine, FirmwareUpgradeCompletesAndFlashesEveryBlockOnce) {
    const fs::path dir = fs::temp_directory_path() / ("noisy_upgrade_" + std::to_string(::getpid()));
    fs::create_directories(dir);
    std::vector<std::uint8_t> image(6000);
    std::mt19937 rng(11);
    for (auto& b : image) b = static_cast<std::uint8_t>(rng());
    const fs::path s19 = dir / "ECM_12_V0x53.S19";
    S19Writer::Write(s19, {{0x8000, image}});

    NoisyRig rig(TestTimings());
    rig.prompter.openFile = s19.string();
    CFirmwareUpgrade upgrade(*rig.link);
    upgrade.SetPollInterval(std::chrono::milliseconds(5));
    ASSERT_TRUE(upgrade.Run());
    EXPECT_EQ(rig.prompter.shown.back().text, msg::kUpgradeCompleted);
    const auto memory = rig.Memory();
    EXPECT_TRUE(std::equal(image.begin(), image.end(), memory.begin() + 0x8000));
    EXPECT_EQ(rig.sim->Peer().WithEmulator([](sim::ModuleEmulator& e) { return e.FirmwareVersion(); }), 0x53);
    // Copies of writes whose answers were lost reached the module and were answered from its
    // cache; none was carried out a second time.
    const auto peer = rig.sim->Peer().GetStats();
    EXPECT_GT(peer.repeatsAnswered, 0u);
    EXPECT_EQ(peer.repeatsExecuted, 0u);
    fs::remove_all(dir);
}

// The cable is pulled for good on a noisy line, with the library's own timings: the data link
// is reported lost once, and the connection failure follows within the usual ten seconds of
// reconnection attempts.
TEST(NoisyLine, DeadLineEndsInConnectionFailureWithinTheUsualBounds) {
    comms::CommsOptions options;  // the defaults: these bounds are what a user sees
    sim::PeerFaults faults = NoisyLine();
    faults.baud = 115200;
    NoisyRig rig(options, faults);
    rig.link->ToggleLink();
    ASSERT_TRUE(rig.app.moduleLinked);
    rig.comms->SetCommunicationTimeoutMode(1);  // as during a READ: the longest waits
    rig.sim->Peer().PullCable();
    const auto pulled = Clock::now();
    EXPECT_FALSE(rig.comms->ReadModuleMemoryBlock(0x8000, 128));
    const auto failedRead = Clock::now();
    rig.comms->SetCommunicationTimeoutMode(0);
    // Four of the longest waits, as the fixed count of attempts gave. Under Wine every hand-over
    // between threads goes through the Wine server, which on a loaded machine adds a few hundred
    // milliseconds, so there the bound only catches a budget gone far astray; the exact count of
    // waits is held by the native run.
#ifdef _WIN32
    constexpr auto kBound = std::chrono::milliseconds(2900);
#else
    constexpr auto kBound = std::chrono::milliseconds(2400);
#endif
    EXPECT_LT(failedRead - pulled, kBound);
    const auto deadline = pulled + std::chrono::seconds(20);
    auto failures = [&] {
        std::lock_guard lock(rig.events->mutex);
        return rig.events->failures;
    };
    while (Clock::now() < deadline && failures() == 0) std::this_thread::sleep_for(std::chrono::milliseconds(50));
    std::lock_guard lock(rig.events->mutex);
    ASSERT_EQ(rig.events->failures, 1);
    EXPECT_EQ(rig.events->statuses, std::vector<int>{kDataLinkLost});
    const auto toFailure = rig.events->failedAt - failedRead;
    EXPECT_GT(toFailure, std::chrono::milliseconds(9500));  // 40 attempts, 250 ms apart
    EXPECT_LT(toFailure, std::chrono::milliseconds(11500));
    EXPECT_FALSE(rig.comms->IsLinked());
}

}  // namespace
}  // namespace corvane::test
