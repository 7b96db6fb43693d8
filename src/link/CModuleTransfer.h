#pragma once

#include <array>
#include <cstdint>
#include <span>

#include "link/CBasicSettingsLink.h"
#include "link/LinkDocument.h"

namespace corvane {

class CLinkController;

// READ (module to document, "Upload") and WRITE (document to module, "Download") of a maps
// document's maps and basic settings, under the prompter's progress box. A communication
// failure ends the transfer with its message; what was already read or written stays.
//
// Invariants: AppState::transferInProgress is true for the whole of a transfer and false
// after it on every way out; a point is marked in sync only when its bytes were read from or
// written to the module (or found equal to them) by this transfer.
class CModuleTransfer {
public:
    // Map regions WRITE sends, in order (end exclusive).
    struct Region {
        std::uint16_t start;
        std::uint32_t end;
    };
    static constexpr std::array<Region, 2> kMapRegions{{{0x9000, 0xAA00}, {0x9A00, 0xA400}}};
    static constexpr std::uint16_t kChunkSize = 512;
    // Maps READ asks for in one pipelined request.
    static constexpr int kReadBatchMaps = 49;
    static constexpr std::array<std::uint16_t, 4> kBaseMapNameBlocks{0xF00, 0xF04, 0xF08, 0xF0C};

    enum WritePhase : int {
        kPhaseMaps = 0,
        kPhaseSettings = 1,
        kPhaseBaseMapName = 2,
        kPhaseDone = 4,
        kPhaseAbandoned = 5,
    };

    explicit CModuleTransfer(CLinkController& link) : m_link(link), m_settings(link) {}

    // READ into `doc` (null: no maps document is active). `firstView` is the kind of the
    // document's first view: an advanced user maps view only checks its maps against the
    // module and stops at the first map out of step.
    bool ReadModuleMapsAndSettings(LinkDocument* doc, FirstViewKind firstView);
    // WRITE from `doc` (null: no maps document is active); asks first.
    bool WriteModuleMapsAndSettings(LinkDocument* doc);

    [[nodiscard]] int GetWritePhase() const { return m_writePhase; }
    [[nodiscard]] int GetWriteProgressCount() const { return m_writeProgress; }
    // Chunks phase 0 writes (18).
    [[nodiscard]] static int MapChunkCount();

private:
    // Applies the module's bytes of one map; false when they are too short. Sets outOfStep
    // when an advanced user maps view's map differs from the module.
    bool ApplyMap(LinkDocument& doc, int index, std::span<const std::uint8_t> data,
                  FirstViewKind firstView, bool& outOfStep);
    bool WriteMapRegions(LinkDocument& doc);
    bool WriteBaseMapName(LinkDocument& doc);
    // Marks in sync every point whose bytes lie wholly inside the map regions.
    static void MarkWrittenPointsInSync(LinkDocument& doc);
    void EndRead(bool wasMonitoring, bool resume);

    CLinkController& m_link;
    CBasicSettingsLink m_settings;
    int m_writePhase = kPhaseDone;
    int m_writeProgress = 0;
};

}  // namespace corvane
