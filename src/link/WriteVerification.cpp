#include "link/WriteVerification.h"

#include <algorithm>
#include <cstdio>
#include <map>

#include "comms/api/Comms.h"
#include "link/CBasicSettingsLink.h"
#include "link/CLinkController.h"
#include "link/CModuleTransfer.h"
#include "link/LinkDocument.h"
#include "maps/CModuleMap.h"
#include "model/CBasicSettingsModuleValue.h"
#include "model/CModuleMemoryMapMirror.h"
#include "model/Prompter.h"

namespace corvane {

namespace {

// Chunks asked for in one pipelined request: the line stays busy while the progress box
// still moves.
constexpr std::size_t kChunksPerRequest = 4;

struct Range {
    std::uint32_t start;
    std::uint32_t end;
};

// The map regions as distinct bytes: WRITE sends some of them twice, the read-back reads
// each byte once.
std::vector<Range> MapRanges(LinkDocument& doc) {
    std::vector<Range> ranges;
    for (const auto& r : CModuleTransfer::MapRegions(CModuleTransfer::HasFuelTable(doc))) ranges.push_back({r.start, r.end});
    std::sort(ranges.begin(), ranges.end(), [](const Range& a, const Range& b) { return a.start < b.start; });
    std::vector<Range> merged;
    for (const Range& r : ranges) {
        if (!merged.empty() && r.start <= merged.back().end)
            merged.back().end = std::max(merged.back().end, r.end);
        else
            merged.push_back(r);
    }
    return merged;
}

std::string Hex4(std::uint32_t v) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "0x%04X", static_cast<unsigned>(v));
    return buffer;
}

}  // namespace

bool VerifyResult::BytesVerified(std::uint32_t address, int width) const {
    if (!readOk) return false;
    const auto it = std::lower_bound(mismatches.begin(), mismatches.end(), address,
                                     [](const VerifyMismatch& m, std::uint32_t a) { return m.address < a; });
    return it == mismatches.end() || it->address >= address + static_cast<std::uint32_t>(width);
}

VerifyResult WriteVerification::Run(Comms& comms, Prompter& prompter, LinkDocument& doc,
                                     std::span<const std::uint16_t> settingsBlocks) {
    VerifyResult result;
    const CModuleMemoryMapMirror& image = doc.GetImage();

    std::vector<Comms::MemoryBlock> chunks;
    for (const Range& r : MapRanges(doc))
        for (std::uint32_t a = r.start; a < r.end; a += CModuleTransfer::kChunkSize)
            chunks.push_back({static_cast<std::uint16_t>(a),
                              static_cast<std::uint16_t>(std::min<std::uint32_t>(CModuleTransfer::kChunkSize, r.end - a))});
    const int steps = static_cast<int>(chunks.size()) + 1;
    prompter.ProgressBegin(kProgressText, steps);
    prompter.ProgressStep(0);
    comms.SetCommunicationTimeoutMode(1);

    auto compare = [&](std::uint16_t address, std::span<const std::uint8_t> actual,
                       std::span<const std::uint8_t> expected) {
        for (std::size_t i = 0; i < actual.size(); ++i)
            if (actual[i] != expected[i])
                result.mismatches.push_back({static_cast<std::uint16_t>(address + i), expected[i], actual[i]});
    };

    std::vector<std::vector<std::uint8_t>> answers;
    std::vector<std::uint8_t> expected;
    int done = 0;
    for (std::size_t first = 0; first < chunks.size() && result.readOk; first += kChunksPerRequest) {
        const auto batch = std::span(chunks).subspan(first, std::min(kChunksPerRequest, chunks.size() - first));
        if (!comms.ReadModuleMemoryBlocks(batch, answers) || answers.size() != batch.size()) {
            result.readOk = false;
            break;
        }
        for (std::size_t k = 0; k < batch.size(); ++k) {
            if (answers[k].size() != batch[k].length) {
                result.readOk = false;
                break;
            }
            expected.resize(batch[k].length);
            for (std::uint16_t i = 0; i < batch[k].length; ++i)
                expected[i] = image.ReadByte(static_cast<std::uint16_t>(batch[k].address + i));
            compare(batch[k].address, answers[k], expected);
            result.mapBytes += batch[k].length;
            prompter.ProgressStep(++done);
        }
    }

    // The settings blocks and the base map name in one request.
    if (result.readOk) {
        std::vector<Comms::MemoryBlock> small;
        for (std::uint16_t block : settingsBlocks) small.push_back({block, CBasicSettingsLink::kBlockSize});
        small.push_back({kBaseMapNameAddress, kBaseMapNameLength});
        if (!comms.ReadModuleMemoryBlocks(small, answers) || answers.size() != small.size()) {
            result.readOk = false;
        } else {
            for (std::size_t k = 0; k < small.size() && result.readOk; ++k) {
                if (answers[k].size() != small[k].length) {
                    result.readOk = false;
                    break;
                }
                expected = answers[k];
                if (k + 1 < small.size()) {
                    // Only the bytes of settings were sent from the document; the rest went
                    // back as the module had them.
                    CBasicSettingsLink::PatchOwnedBytes(doc, small[k].address, expected.data());
                } else {
                    for (std::uint16_t i = 0; i < small[k].length; ++i)
                        expected[i] = image.ReadByte(static_cast<std::uint16_t>(small[k].address + i));
                }
                compare(small[k].address, answers[k], expected);
                if (k + 1 < small.size())
                    ++result.settingsBlocks;
                else
                    result.nameCompared = true;
            }
        }
    }
    comms.SetCommunicationTimeoutMode(0);
    prompter.ProgressStep(steps);
    prompter.ProgressEnd();
    if (!result.readOk) result.mismatches.clear();
    std::sort(result.mismatches.begin(), result.mismatches.end(),
              [](const VerifyMismatch& a, const VerifyMismatch& b) { return a.address < b.address; });
    return result;
}

std::string WriteVerification::CoverageText(LinkDocument& doc, const VerifyResult& result) {
    if (!result.readOk) return "NOT verified: the module could not be read back";
    // Maps whose bytes all lie in what was compared.
    int maps = 0;
    std::string spans;
    const std::vector<Range> ranges = MapRanges(doc);
    for (int i = 0; i < doc.GetBasicMapCount(); ++i) {
        const CModuleMap* map = doc.GetMap(i);
        if (map == nullptr || map->GetMapSizeBytes() <= 0) continue;
        const std::uint32_t start = map->GetStartAddress();
        const std::uint32_t end = start + static_cast<std::uint32_t>(map->GetMapSizeBytes());
        for (const Range& r : ranges)
            if (start >= r.start && end <= r.end) {
                ++maps;
                break;
            }
    }
    for (const Range& r : ranges) spans += (spans.empty() ? "" : ", ") + Hex4(r.start) + "-" + Hex4(r.end - 1);
    const std::string covered = std::to_string(maps) + (maps == 1 ? " map (" : " maps (") +
                                std::to_string(result.mapBytes) + " bytes at " + spans + "), " +
                                std::to_string(result.settingsBlocks) + " settings blocks" +
                                (result.nameCompared ? " and the base map name" : "");
    if (result.mismatches.empty()) return "verified " + covered + ": all read back as written";
    // A failed check never reads as "verified".
    return "NOT verified: " + std::to_string(result.mismatches.size()) +
           (result.mismatches.size() == 1 ? " byte differs" : " bytes differ") + " in " + covered + " read back";
}

std::vector<std::string> WriteVerification::Describe(LinkDocument& doc, const std::vector<VerifyMismatch>& mismatches) {
    // Owners in the order they are first hit: maps (with their points), settings, the name.
    std::vector<std::string> owners;
    std::map<std::string, std::vector<int>> points;
    auto note = [&](const std::string& owner, int point) {
        auto [it, inserted] = points.try_emplace(owner);
        if (inserted) owners.push_back(owner);
        if (point >= 0 && (it->second.empty() || it->second.back() != point)) it->second.push_back(point);
    };

    for (const VerifyMismatch& m : mismatches) {
        bool found = false;
        for (int i = 0; i < doc.GetBasicMapCount(); ++i) {
            const CModuleMap* map = doc.GetMap(i);
            if (map == nullptr || map->GetBytesPerPoint() <= 0) continue;
            const std::uint32_t start = map->GetStartAddress();
            if (m.address < start || m.address >= start + static_cast<std::uint32_t>(map->GetMapSizeBytes())) continue;
            note("Map: " + map->GetTitle() + " (" + map->GetClassName() + ")",
                 static_cast<int>((m.address - start) / static_cast<std::uint32_t>(map->GetBytesPerPoint())));
            found = true;
        }
        for (int k = 0; k < kBasicSettingCount && !found; ++k) {
            const CBasicSettingsModuleValue* s = doc.GetSetting(k);
            if (s == nullptr || m.address < s->GetAddress() ||
                m.address >= s->GetAddress() + static_cast<std::uint32_t>(s->GetByteWidth()))
                continue;
            note("Setting: " + s->GetName(), -1);
            found = true;
        }
        if (!found && m.address >= kBaseMapNameAddress && m.address < kBaseMapNameAddress + kBaseMapNameLength) {
            note("Base map name", -1);
            found = true;
        }
        if (!found) note("Module memory " + Hex4(m.address), -1);
    }

    std::vector<std::string> lines;
    for (const std::string& owner : owners) {
        if (lines.size() == kMaxLines) {
            lines.push_back("... and " + std::to_string(owners.size() - kMaxLines) + " more");
            break;
        }
        std::string line = owner;
        const auto& list = points[owner];
        if (!list.empty()) {
            line += list.size() == 1 ? ", point " : ", points ";
            for (std::size_t i = 0; i < list.size(); ++i) line += (i ? ", " : "") + std::to_string(list[i]);
        }
        lines.push_back(line);
    }
    return lines;
}

std::string WriteVerification::MismatchText(const std::vector<std::string>& lines) {
    std::string text = "WRITE verification FAILED: the module does not hold what was written.\n";
    for (const std::string& line : lines) text += "\n" + line;
    return text;
}

}  // namespace corvane
