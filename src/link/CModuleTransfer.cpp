#include "link/CModuleTransfer.h"

#include <algorithm>
#include <cstdio>
#include <vector>

#include "comms/api/Comms.h"
#include "link/CLinkController.h"
#include "link/CModuleBackup.h"
#include "link/LinkMessages.h"
#include "link/PacketQueueWriting.h"
#include "maps/CModuleMap.h"
#include "maps/EditHistory.h"
#include "model/AppState.h"
#include "model/CBasicSettingsModuleValue.h"
#include "model/CModuleMemoryMapMirror.h"
#include "model/Prompter.h"

namespace corvane {

std::vector<CModuleTransfer::Region> CModuleTransfer::MapRegions(bool withFuelTable) {
    std::vector<Region> regions(kMapRegions.begin(), kMapRegions.end());
    if (withFuelTable) regions.push_back(kFuelTableRegion);
    return regions;
}

bool CModuleTransfer::HasFuelTable(LinkDocument& doc) {
    for (int i = 0; i < doc.GetBasicMapCount(); ++i) {
        const CModuleMap* map = doc.GetMap(i);
        if (map != nullptr && map->GetStartAddress() >= kFuelTableRegion.start &&
            map->GetStartAddress() < kFuelTableRegion.end)
            return true;
    }
    return false;
}

bool CModuleTransfer::InRegions(const std::vector<Region>& regions, std::uint32_t first, std::uint32_t end) {
    return std::any_of(regions.begin(), regions.end(),
                       [&](const Region& r) { return first >= r.start && end <= r.end; });
}

int CModuleTransfer::MapChunkCount(bool withFuelTable) {
    int chunks = 0;
    for (const Region& r : MapRegions(withFuelTable))
        chunks += static_cast<int>((r.end - r.start + kChunkSize - 1) / kChunkSize);
    return chunks;
}

namespace {

std::string Hex(std::uint32_t v) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%04X", static_cast<unsigned>(v));
    return text;
}

}  // namespace

std::string CModuleTransfer::MapsNotSent(LinkDocument& doc) {
    const std::vector<Region> regions = MapRegions(HasFuelTable(doc));
    // Groups in document order, each with the address range of its maps left out.
    struct Group {
        std::string text;
        std::uint32_t from;
        std::uint32_t to;
    };
    std::vector<Group> groups;
    for (int i = 0; i < doc.GetBasicMapCount(); ++i) {
        const CModuleMap* map = doc.GetMap(i);
        if (map == nullptr || map->GetMapSizeBytes() <= 0) continue;
        const std::uint32_t first = map->GetStartAddress();
        const std::uint32_t end = first + static_cast<std::uint32_t>(map->GetMapSizeBytes());
        if (InRegions(regions, first, end)) continue;
        auto it = std::find_if(groups.begin(), groups.end(),
                               [&](const Group& g) { return g.text == map->GetGroupText(); });
        if (it == groups.end()) {
            groups.push_back({map->GetGroupText(), first, end - 1});
        } else {
            it->from = std::min(it->from, first);
            it->to = std::max(it->to, end - 1);
        }
    }
    std::string text;
    for (const Group& g : groups)
        text += (text.empty() ? "" : ", ") + g.text + " (" + Hex(g.from) + "-" + Hex(g.to) + ")";
    return text;
}

// --- READ --------------------------------------------------------------------------------------

bool CModuleTransfer::ApplyMap(LinkDocument& doc, int index, std::span<const std::uint8_t> data,
                               FirstViewKind firstView, bool& outOfStep) {
    CModuleMap* map = doc.GetMap(index);
    if (map == nullptr) return true;
    if (firstView != FirstViewKind::kAdvancedUserMaps) return LoadMapFromModuleBytes(*map, data);
    const int size = map->GetMapSizeBytes();
    if (data.size() < static_cast<std::size_t>(size)) return false;

    const int w = map->GetBytesPerPoint();
    const int n = map->GetNumberOfPoints();
    for (int j = 0; j < n && (j + 1) * w <= size; ++j) {
        const std::uint8_t* p = data.data() + j * w;
        // Only checked: the module's value must be what the document would write.
        const int moduleValue = w == 1 ? p[0] : p[0] * 256 + p[1];
        if (moduleValue != map->GetPointBaseValue(j) + map->GetPointTrimValue(j)) {
            outOfStep = true;
            m_link.GetPrompter().Message("Map: " + map->GetTitle() + msg::kOutOfStepTail,
                                         msg::kOutOfStepTitle, Prompter::Icon::Error);
            return true;
        }
        map->MarkPointInSync(j);
    }
    return true;
}

bool CModuleTransfer::LoadMapFromModuleBytes(CModuleMap& map, std::span<const std::uint8_t> data) {
    const int size = map.GetMapSizeBytes();
    if (data.size() < static_cast<std::size_t>(size)) return false;
    const int w = map.GetBytesPerPoint();
    for (int j = 0; j < map.GetNumberOfPoints() && (j + 1) * w <= size; ++j) {
        const std::uint8_t* p = data.data() + j * w;
        int raw = 0;
        for (int b = 0; b < w; ++b) raw |= static_cast<int>(p[b]) << (8 * b);
        map.LoadPointFromModule(j, raw);
        map.LoadPointBaseFromModule(j, raw);
        map.MarkPointInSync(j);
        map.SetPointMargins(j, map.GetLowerMargin().y, map.GetUpperMargin().y);
    }
    return true;
}

void CModuleTransfer::EndRead(bool wasMonitoring, bool resume) {
    m_link.GetComms().SetCommunicationTimeoutMode(0);
    m_link.GetAppState().transferInProgress = false;
    if (resume && wasMonitoring) m_link.ToggleMonitoring();
    m_link.GetPrompter().ProgressEnd();
}

bool CModuleTransfer::ReadModuleMapsAndSettings(LinkDocument* doc, FirstViewKind firstView) {
    Prompter& prompter = m_link.GetPrompter();
    if (doc == nullptr) {
        prompter.Message(msg::kUploadNoDocument, msg::kUploadErrorTitle, Prompter::Icon::Error);
        return false;
    }
    bool wasMonitoring = false;
    if (!m_link.EnsureLinked(wasMonitoring)) return false;
    if (!m_link.CheckBaseMapName(CLinkController::kUpload, doc->GetBaseMapName())) {
        if (wasMonitoring) m_link.ToggleMonitoring();
        return false;
    }
    // A document first shown elsewhere than in a maps view is loaded as a maps view loads it.
    const bool checkOnly = firstView == FirstViewKind::kAdvancedUserMaps;
    // The READ replaces the document's values: edits not saved anywhere go to a backup first.
    if (!checkOnly && m_backup != nullptr && doc->IsModified() &&
        !m_backup->Guard(BackupReason::kBeforeRead, doc)) {
        if (wasMonitoring) m_link.ToggleMonitoring();
        return false;
    }

    const int n = doc->GetBasicMapCount();
    prompter.ProgressBegin(msg::kReadProgress, n);
    prompter.ProgressStep(0);
    m_link.GetAppState().transferInProgress = true;
    m_link.GetComms().SetCommunicationTimeoutMode(1);

    // The maps are asked for in batches, so the comms library can keep several requests on
    // the line. What the module sends is kept aside: the document takes it only when the
    // whole READ has come in, so a READ cut short leaves the document exactly as it was.
    // (A check-only READ changes no value: it compares and marks in sync as it goes.)
    Comms& comms = m_link.GetComms();
    bool outOfStep = false;
    std::vector<Comms::MemoryBlock> blocks;
    std::vector<int> indices;
    std::vector<std::vector<std::uint8_t>> answers;
    std::vector<std::pair<int, std::vector<std::uint8_t>>> staged;
    auto abort = [&] {
        prompter.Message(checkOnly ? std::string(msg::kUploadAborted)
                                   : std::string(msg::kUploadAborted) + msg::kReadLeftDocumentTail);
        doc->UpdateAllViews();
        EndRead(wasMonitoring, false);
        return false;
    };
    for (int first = 0; first < n && !outOfStep; first += kReadBatchMaps) {
        blocks.clear();
        indices.clear();
        for (int i = first; i < std::min(n, first + kReadBatchMaps); ++i) {
            const CModuleMap* map = doc->GetMap(i);
            if (map == nullptr || map->GetMapSizeBytes() <= 0) continue;
            blocks.push_back({map->GetStartAddress(), static_cast<std::uint16_t>(map->GetMapSizeBytes())});
            indices.push_back(i);
        }
        bool ok = comms.ReadModuleMemoryBlocks(blocks, answers) && answers.size() == blocks.size();
        for (std::size_t k = 0; ok && k < indices.size() && !outOfStep; ++k) {
            if (checkOnly) {
                ok = ApplyMap(*doc, indices[k], answers[k], firstView, outOfStep);
                doc->UpdateAllViews();
            } else {
                ok = answers[k].size() >= blocks[k].length;
                if (ok) staged.emplace_back(indices[k], std::move(answers[k]));
            }
            prompter.ProgressStep(indices[k] + 1);
        }
        if (!ok) return abort();
    }

    std::vector<CBasicSettingsLink::SettingBytes> settings;
    if (!m_settings.ReadSettingsBytes(*doc, settings)) return abort();
    std::string moduleName;
    const bool haveName = !checkOnly && m_link.GetModuleBaseMapName(moduleName);
    m_link.GetComms().SetCommunicationTimeoutMode(0);

    // Everything came in: the document takes it in one go.
    for (const auto& [index, data] : staged) (void)LoadMapFromModuleBytes(*doc->GetMap(index), data);
    CBasicSettingsLink::ApplySettingsBytes(*doc, settings);

    // Composites stand for their rows: rebuilt from what was just loaded, and in sync only
    // when every map they could stand for was loaded or matched. A check-only READ changed no
    // row, and rebuilding would drop the composites' own trims.
    const int total = n + doc->GetCompositeMapCount();
    for (int i = n; i < total; ++i) {
        CModuleMap* composite = doc->GetMap(i);
        if (composite == nullptr) continue;
        if (!checkOnly) composite->CreateMapPoints();
        for (int j = 0; j < composite->GetNumberOfPoints(); ++j) {
            if (outOfStep) {
                if (CModuleMapPoint* point = composite->GetMapPoint(j)) point->MarkNotInSync();
            } else {
                composite->MarkPointInSync(j);
            }
        }
    }
    if (!checkOnly) {
        // The document now holds the module's tune, so it carries the module's name too and a
        // later WRITE does not warn about overwriting it.
        if (haveName) doc->SetBaseMapName(moduleName);
        // "Undo all edits" of a map returns to what was just read, never to older values.
        for (int i = 0; i < total; ++i)
            if (CModuleMap* map = doc->GetMap(i)) map->SaveUndoCopies();
        // Undo never goes back past a READ: it would send the module values it no longer
        // holds, from a document the tuner has replaced.
        if (EditHistory* history = doc->History()) history->Checkpoint(msg::kReadCheckpoint, false);
        doc->SetModifiedFlag();
    }
    doc->UpdateAllViews();
    EndRead(wasMonitoring, true);
    return !outOfStep;
}

// --- WRITE -------------------------------------------------------------------------------------

bool CModuleTransfer::WriteMapRegions(LinkDocument& doc) {
    Comms& comms = m_link.GetComms();
    Prompter& prompter = m_link.GetPrompter();
    const CModuleMemoryMapMirror& image = doc.GetImage();
    std::vector<std::uint8_t> chunk;
    for (const Region& region : m_regions) {
        for (std::uint32_t address = region.start; address < region.end; address += kChunkSize) {
            const auto length = static_cast<std::uint16_t>(std::min<std::uint32_t>(kChunkSize, region.end - address));
            chunk.resize(length);
            for (std::uint16_t i = 0; i < length; ++i) chunk[i] = image.ReadByte(static_cast<std::uint16_t>(address + i));
            if (!comms.WriteModuleMemoryBlock(static_cast<std::uint16_t>(address), chunk.data(), length)) {
                m_failedChunkStart = address;
                m_failedChunkEnd = address + length;
                return false;
            }
            ++m_writeProgress;
            prompter.ProgressStep(m_writeProgress);
        }
    }
    return true;
}

void CModuleTransfer::MarkWrittenPointsInSync(LinkDocument& doc, const VerifyResult* verified) {
    const std::vector<Region> regions = MapRegions(HasFuelTable(doc));
    const int total = doc.GetBasicMapCount() + doc.GetCompositeMapCount();
    for (int i = 0; i < total; ++i) {
        CModuleMap* map = doc.GetMap(i);
        if (map == nullptr) continue;
        for (int j = 0; j < map->GetNumberOfPoints(); ++j) {
            const CModuleMapPoint* point = map->GetMapPoint(j);
            if (point == nullptr) continue;
            const std::uint32_t first = point->GetAddress();
            const std::uint32_t end = first + static_cast<std::uint32_t>(point->GetByteWidth());
            if (!InRegions(regions, first, end)) continue;
            if (verified == nullptr || verified->BytesVerified(first, point->GetByteWidth()))
                map->MarkPointInSync(j);
            else if (CModuleMapPoint* p = map->GetMapPoint(j))
                p->MarkNotInSync();
        }
    }
}

std::string CModuleTransfer::DescribeInterruptedWrite(LinkDocument& doc,
                                                      const std::vector<std::uint16_t>& settingsBlocks) {
    std::string text = msg::kWriteInterruptedHead;
    if (m_stoppedPhase == kPhaseMaps) {
        // Chunks go out in order: the m_writeProgress before the failed one were taken whole,
        // the failed one may have been taken in part, the bytes of no chunk sent were never
        // written. (The regions overlap and the fuel table comes after the higher addresses,
        // so this is said by address, not as "everything before".)
        enum : std::uint8_t { kOutside, kNotWritten, kWritten, kInPart };
        std::vector<std::uint8_t> state(0x10000, kOutside);
        int index = 0;
        for (const Region& region : m_regions) {
            for (std::uint32_t address = region.start; address < region.end; address += kChunkSize, ++index) {
                const std::uint32_t end = std::min<std::uint32_t>(address + kChunkSize, region.end);
                for (std::uint32_t a = address; a < end; ++a) {
                    if (index < m_writeProgress)
                        state[a] = kWritten;
                    else if (state[a] == kOutside)
                        state[a] = kNotWritten;
                }
            }
        }
        for (std::uint32_t a = m_failedChunkStart; a < m_failedChunkEnd; ++a) state[a] = kInPart;
        static constexpr const char* kSaid[] = {"", ": not written", ": written", ": may be written in part"};
        for (std::uint32_t a = 0; a < state.size();) {
            std::uint32_t b = a;
            while (b + 1 < state.size() && state[b + 1] == state[a]) ++b;
            if (state[a] != kOutside) text += "\n- maps " + Hex(a) + "-" + Hex(b) + kSaid[state[a]];
            a = b + 1;
        }
        text += "\n- basic settings, base map name: not written";
        std::vector<std::string> titles;
        const int total = doc.GetBasicMapCount() + doc.GetCompositeMapCount();
        for (int i = 0; i < total; ++i) {
            CModuleMap* map = doc.GetMap(i);
            if (map == nullptr) continue;
            bool touched = false;
            for (int j = 0; j < map->GetNumberOfPoints(); ++j) {
                CModuleMapPoint* point = map->GetMapPoint(j);
                if (point == nullptr) continue;
                const std::uint32_t first = point->GetAddress();
                const std::uint32_t end = first + static_cast<std::uint32_t>(point->GetByteWidth());
                if (first < m_failedChunkEnd && end > m_failedChunkStart) {
                    point->MarkNotInSync();
                    touched = true;
                }
            }
            if (touched && i < doc.GetBasicMapCount() && titles.size() < kNamedMaps) titles.push_back(map->GetTitle());
        }
        if (!titles.empty()) {
            text += msg::kWriteInterruptedMaps;
            for (const std::string& title : titles) text += "\n  " + title;
        }
    } else if (m_stoppedPhase == kPhaseSettings) {
        text += "\n- maps: written\n- basic settings: ";
        text += std::to_string(settingsBlocks.size()) + " blocks written, the next may be written in part";
        text += "\n- base map name: not written";
        // Settings outside the blocks written may hold their old or their new value.
        for (int k = 0; k < kBasicSettingCount; ++k) {
            CBasicSettingsModuleValue* setting = doc.GetSetting(k);
            if (setting == nullptr) continue;
            const auto block = static_cast<std::uint16_t>(setting->GetAddress() & ~3u);
            if (std::find(settingsBlocks.begin(), settingsBlocks.end(), block) == settingsBlocks.end())
                setting->MarkNotInSync();
        }
    } else {
        text += "\n- maps and basic settings: written\n- base map name: may be written in part";
    }
    return text + msg::kWriteInterruptedTail;
}

bool CModuleTransfer::WriteBaseMapName(LinkDocument& doc) {
    Comms& comms = m_link.GetComms();
    const CModuleMemoryMapMirror& image = doc.GetImage();
    for (std::uint16_t block : kBaseMapNameBlocks) {
        std::uint8_t bytes[4];
        for (int i = 0; i < 4; ++i) bytes[i] = image.ReadByte(static_cast<std::uint16_t>(block + i));
        if (!comms.WriteModuleMemoryBlock(block, bytes, 4)) return false;
    }
    return true;
}

bool CModuleTransfer::WriteModuleMapsAndSettings(LinkDocument* doc) {
    Prompter& prompter = m_link.GetPrompter();
    if (prompter.Message(msg::kWriteQuestion, msg::kWarningTitle, Prompter::Icon::Warning,
                         Prompter::Buttons::YesNo) != Prompter::Answer::Yes)
        return false;
    if (doc == nullptr) {
        prompter.Message(msg::kWriteNoDocument);
        return false;
    }
    // A damaged file's values never reach the module, not even clamped, unless the tuner said so.
    if (const std::string outOfLimits = doc->OutOfLimitsText(); !outOfLimits.empty()) {
        prompter.Message(msg::kWriteRefusedHead + outOfLimits, msg::kWarningTitle, Prompter::Icon::Error);
        return false;
    }
    bool wasMonitoring = false;
    if (!m_link.EnsureLinked(wasMonitoring)) return false;
    auto resume = [&] {
        if (wasMonitoring) m_link.ToggleMonitoring();
    };
    if (!m_link.CheckBaseMapName(CLinkController::kDownload, doc->GetBaseMapName())) {
        resume();
        return false;
    }
    if (!doc->HasFilePath()) {
        prompter.Message(msg::kDocumentFileNotSelected);
        resume();
        return false;
    }

    AppState& app = m_link.GetAppState();
    app.transferInProgress = true;
    m_report = {};
    m_regions = MapRegions(HasFuelTable(*doc));
    m_report.mapChunks = MapChunkCount(HasFuelTable(*doc));
    m_report.notSent = MapsNotSent(*doc);
    if (m_backup != nullptr && m_backupBeforeWrite) {
        m_report.backupAttempted = true;
        const bool goOn = m_backup->Guard(BackupReason::kBeforeWrite, nullptr);
        m_report.backedUp = m_backup->LastResult().ok;
        m_report.backupPath = m_backup->LastResult().path;
        if (!goOn) {
            app.transferInProgress = false;
            resume();
            return false;
        }
    }

    bool ok = false;
    for (;;) {
        ++m_report.attempts;
        std::vector<std::uint16_t> settingsBlocks;
        ok = WritePhases(*doc, settingsBlocks);
        if (!ok) {
            prompter.Message(std::string(msg::kDownloadAborted) + DescribeInterruptedWrite(*doc, settingsBlocks));
            doc->UpdateAllViews();
            break;
        }
        doc->UpdateAllViews();
        if (!m_verify) break;

        m_report.verifyRan = true;
        m_report.verify = WriteVerification::Run(m_link.GetComms(), prompter, *doc, settingsBlocks);
        MarkWrittenPointsInSync(*doc, &m_report.verify);
        doc->UpdateAllViews();
        if (!m_report.verify.readOk) {
            m_report.mismatchLines.clear();
            prompter.Message(msg::kVerifyReadFailed, WriteVerification::kTitle, Prompter::Icon::Error);
            break;
        }
        m_report.mismatchLines = WriteVerification::Describe(*doc, m_report.verify.mismatches);
        if (m_report.verify.Verified()) break;
        const std::string text = WriteVerification::MismatchText(m_report.mismatchLines);
        if (!m_offerWriteAgain) {
            prompter.Message(text, WriteVerification::kTitle, Prompter::Icon::Error);
            break;
        }
        if (prompter.Message(text + msg::kWriteAgainQuestion, WriteVerification::kTitle, Prompter::Icon::Error,
                             Prompter::Buttons::YesNo) != Prompter::Answer::Yes)
            break;
    }
    app.transferInProgress = false;
    resume();
    return ok && (!m_report.verifyRan || m_report.verify.Verified());
}

bool CModuleTransfer::WritePhases(LinkDocument& doc, std::vector<std::uint16_t>& settingsBlocks) {
    AppState& app = m_link.GetAppState();
    Comms& comms = m_link.GetComms();
    Prompter& prompter = m_link.GetPrompter();
    m_writePhase = kPhaseMaps;
    m_writeProgress = 0;
    m_failedChunkStart = m_failedChunkEnd = 0;
    prompter.ProgressBegin(msg::kWriteProgress, MapChunkCount(HasFuelTable(doc)));
    prompter.ProgressStep(0);
    bool ok;
    {
        PacketQueueWriting hold(comms);
        comms.SetCommunicationTimeoutMode(1);
        ok = WriteMapRegions(doc);
        if (ok) {
            m_writePhase = kPhaseSettings;
            // With a read-back to come, a point is in sync only once its bytes are found there.
            if (!m_verify) MarkWrittenPointsInSync(doc);
            ok = m_settings.WriteSettingsBlocks(doc, app.moduleFirmwareVersion, &settingsBlocks);
        }
        if (ok) {
            m_writePhase = kPhaseBaseMapName;
            ok = WriteBaseMapName(doc);
        }
        if (ok) m_writePhase = kPhaseDone;
    }
    comms.SetCommunicationTimeoutMode(0);
    prompter.ProgressEnd();
    if (!ok) {
        m_stoppedPhase = m_writePhase;
        m_writePhase = kPhaseAbandoned;
    }
    return ok;
}

}  // namespace corvane
