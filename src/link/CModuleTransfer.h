#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "link/CBasicSettingsLink.h"
#include "link/LinkDocument.h"
#include "link/WriteVerification.h"

namespace corvane {

class CLinkController;
class CModuleBackup;
class CModuleMap;

// READ (module to document, "Upload") and WRITE (document to module, "Download") of a maps
// document's maps and basic settings, under the prompter's progress box. A communication
// failure ends the transfer with its message; what was already read or written stays.
//
// Invariants: AppState::transferInProgress is true for the whole of a transfer and false
// after it on every way out; a point is marked in sync only when its bytes were read from or
// written to the module (or found equal to them) by this transfer.
class CModuleTransfer {
public:
    // Map regions WRITE sends, in order (end exclusive): the module's own two (the second
    // sends part of the first again), then the fuel table (the 32 "Fuelflow vs TPS" rows) of
    // a document that has maps there. The fuel table goes last so that the module's regions
    // go out chunk for chunk as they always did, and the settings and the base map name still
    // close the WRITE: a module that holds the document's name got all of its maps.
    struct Region {
        std::uint16_t start;
        std::uint32_t end;
    };
    static constexpr std::array<Region, 2> kMapRegions{{{0x9000, 0xAA00}, {0x9A00, 0xA400}}};
    static constexpr Region kFuelTableRegion{0x8000, 0x9000};
    // The regions WRITE sends, in order, with or without the fuel table.
    [[nodiscard]] static std::vector<Region> MapRegions(bool withFuelTable);
    // Whether any of the document's basic maps lies in the fuel table region.
    [[nodiscard]] static bool HasFuelTable(LinkDocument& doc);
    // Whether [first, end) lies wholly inside one of the regions.
    [[nodiscard]] static bool InRegions(const std::vector<Region>& regions, std::uint32_t first, std::uint32_t end);
    static constexpr std::uint16_t kChunkSize = 512;
    // Maps READ asks for in one pipelined request.
    static constexpr int kReadBatchMaps = 49;
    static constexpr std::array<std::uint16_t, 4> kBaseMapNameBlocks{0xF00, 0xF04, 0xF08, 0xF0C};
    // Maps an interrupted WRITE's message names at most.
    static constexpr std::size_t kNamedMaps = 8;

    enum WritePhase : int {
        kPhaseMaps = 0,
        kPhaseSettings = 1,
        kPhaseBaseMapName = 2,
        kPhaseDone = 4,
        kPhaseAbandoned = 5,
    };

    explicit CModuleTransfer(CLinkController& link) : m_link(link), m_settings(link) {}

    // What guards a WRITE and a READ, and what follows a WRITE. Without a backup object no
    // backups are made (the seed behaviour); with one, a READ into a modified document saves
    // it first, and a WRITE reads the module into a backup first while backupBeforeWrite holds.
    void SetBackup(CModuleBackup* backup) { m_backup = backup; }
    void SetBackupBeforeWrite(bool on) { m_backupBeforeWrite = on; }
    // Read back and compare what WRITE sent; only verified points are then marked in sync.
    void SetVerifyAfterWrite(bool on) { m_verify = on; }
    // After a failed verification: ask whether to WRITE again (the windows), or only report
    // (the command-line tool).
    void SetOfferWriteAgain(bool on) { m_offerWriteAgain = on; }

    // What the last WRITE did beyond writing.
    struct WriteReport {
        bool backupAttempted = false;
        bool backedUp = false;
        std::string backupPath;
        bool verifyRan = false;
        VerifyResult verify;
        std::vector<std::string> mismatchLines;  // WriteVerification::Describe of the last try
        int attempts = 0;                        // WRITEs sent (more than 1 after "WRITE again")
        int mapChunks = 0;                       // map chunks one WRITE sends
        // The document's maps WRITE does not send (their groups and addresses), empty when it
        // sends them all: a verification covers only what was sent.
        std::string notSent;
    };
    [[nodiscard]] const WriteReport& LastWriteReport() const { return m_report; }

    // Loads the module's bytes of one map into it as READ does into a maps view: every point
    // takes the module's value as its value and base, in sync, with the map's edit margins.
    // False when the bytes are fewer than the map's.
    static bool LoadMapFromModuleBytes(CModuleMap& map, std::span<const std::uint8_t> data);

    // READ into `doc` (null: no maps document is active). `firstView` is the kind of the
    // document's first view: an advanced user maps view only checks its maps against the
    // module and stops at the first map out of step.
    bool ReadModuleMapsAndSettings(LinkDocument* doc, FirstViewKind firstView);
    // WRITE from `doc` (null: no maps document is active); asks first.
    bool WriteModuleMapsAndSettings(LinkDocument* doc);

    [[nodiscard]] int GetWritePhase() const { return m_writePhase; }
    [[nodiscard]] int GetWriteProgressCount() const { return m_writeProgress; }
    // Chunks phase 0 writes (18, or 26 with the fuel table).
    [[nodiscard]] static int MapChunkCount(bool withFuelTable);
    // The maps of the document that lie outside every region WRITE sends, by group with their
    // address ranges ("Head Temperature Sensor Calibration 0xC000-0xC7FF, ..."); empty when
    // WRITE sends them all.
    [[nodiscard]] static std::string MapsNotSent(LinkDocument& doc);

private:
    // Applies the module's bytes of one map; false when they are too short. Sets outOfStep
    // when an advanced user maps view's map differs from the module.
    bool ApplyMap(LinkDocument& doc, int index, std::span<const std::uint8_t> data,
                  FirstViewKind firstView, bool& outOfStep);
    bool WriteMapRegions(LinkDocument& doc);
    // After a WRITE cut short: the points and settings whose bytes the module may now hold in
    // part are marked not in sync, and the text says which regions got what.
    std::string DescribeInterruptedWrite(LinkDocument& doc, const std::vector<std::uint16_t>& settingsBlocks);
    bool WriteBaseMapName(LinkDocument& doc);
    // The three phases under one progress box; the blocks of the settings phase written go to
    // settingsBlocks. Marks the map points in sync after phase 0 unless verifying.
    bool WritePhases(LinkDocument& doc, std::vector<std::uint16_t>& settingsBlocks);
    // Marks in sync every point whose bytes lie wholly inside the map regions; with a
    // verification, only those whose bytes were read back as written (the others not in sync).
    static void MarkWrittenPointsInSync(LinkDocument& doc, const VerifyResult* verified = nullptr);
    void EndRead(bool wasMonitoring, bool resume);

    CLinkController& m_link;
    CBasicSettingsLink m_settings;
    int m_writePhase = kPhaseDone;
    int m_writeProgress = 0;
    // The regions of the WRITE under way (those of its document).
    std::vector<Region> m_regions;
    // The map chunk being written when the WRITE stopped (end exclusive); 0, 0 when none.
    std::uint32_t m_failedChunkStart = 0;
    std::uint32_t m_failedChunkEnd = 0;
    int m_stoppedPhase = kPhaseDone;  // the phase a WRITE cut short was in
    CModuleBackup* m_backup = nullptr;
    bool m_backupBeforeWrite = true;
    bool m_verify = false;
    bool m_offerWriteAgain = true;
    WriteReport m_report;
};

}  // namespace corvane
