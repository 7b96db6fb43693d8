#include "link/CBasicSettingsLink.h"

#include <algorithm>

#include "comms/api/Comms.h"
#include "link/CLinkController.h"
#include "link/LinkDocument.h"
#include "link/LinkMessages.h"
#include "link/PacketQueueWriting.h"
#include "maps/EditHistory.h"
#include "model/AppState.h"
#include "model/CBasicSettingsModuleValue.h"
#include "model/CModuleMemoryMapMirror.h"
#include "model/NumberText.h"
#include "model/Prompter.h"

namespace corvane {

namespace {

std::uint16_t BlockOf(std::uint16_t address) {
    return static_cast<std::uint16_t>(address & ~std::uint16_t{CBasicSettingsLink::kBlockSize - 1});
}

bool ReadBlock(Comms& comms, std::uint16_t block, std::uint8_t* bytes) {
    if (!comms.ReadModuleMemoryBlock(block, CBasicSettingsLink::kBlockSize)) return false;
    const auto data = comms.GetReceivedData();
    if (data.size() < CBasicSettingsLink::kBlockSize) return false;
    std::copy_n(data.begin(), CBasicSettingsLink::kBlockSize, bytes);
    return true;
}

}  // namespace

// --- Editing one setting -----------------------------------------------------------------------

CBasicSettingsLink::ApplyResult CBasicSettingsLink::ApplyValueText(LinkDocument& doc, int index,
                                                                   const std::string& text) {
    // The entry dialog accepts numbers only; anything else changes nothing.
    const auto display = ParseNumber(text);
    if (!display) return ApplyResult::kNotANumber;
    return ApplyDisplayValue(doc, index, *display);
}

CBasicSettingsLink::ApplyResult CBasicSettingsLink::ApplyDisplayValue(LinkDocument& doc, int index, double display) {
    CBasicSettingsModuleValue* setting = doc.GetSetting(index);
    if (setting == nullptr) return ApplyResult::kNotANumber;
    const int module = setting->ClampModuleValue(setting->DisplayToModule(display));
    const int oldModule = setting->GetModuleValue();
    const int oldBase = setting->GetBaseValue();
    setting->SetModuleValue(module);
    setting->SetBaseValue(module);
    if (module == oldModule) return ApplyResult::kUnchanged;
    if (!m_link.IsLinked()) return ApplyResult::kChanged;
    if (!doc.OutOfLimitsText().empty()) {
        setting->MarkNotInSync();
        return ApplyResult::kChanged;
    }

    if (!WriteSettingToModule(doc, *setting)) {
        // The module still holds the old value: the document goes back to it so that what the
        // view shows is what the module has.
        setting->SetModuleValue(oldModule);
        setting->SetBaseValue(oldBase);
        m_link.GetPrompter().Message(msg::kSettingNotWritten + setting->GetName(), {},
                                     Prompter::Icon::Error);
        return ApplyResult::kWriteFailed;
    }
    doc.SetModifiedFlag();
    return ApplyResult::kWritten;
}

CBasicSettingsLink::ApplyResult CBasicSettingsLink::EditSetting(LinkDocument& doc, int index,
                                                                const std::string& text) {
    const auto display = ParseNumber(text);
    if (!display) return ApplyResult::kNotANumber;
    return EditSetting(doc, index, *display);
}

CBasicSettingsLink::ApplyResult CBasicSettingsLink::EditSetting(LinkDocument& doc, int index, double display) {
    ApplyResult result;
    EditHistory::Step step;
    if (EditHistory* history = doc.History()) {
        const CBasicSettingsModuleValue* setting = doc.GetSetting(index);
        step = history->Begin("Basic setting: " + (setting != nullptr ? setting->GetName() : std::to_string(index)));
    }
    {
        PacketQueueWriting hold(m_link.GetComms());
        result = ApplyDisplayValue(doc, index, display);
    }
    if (result == ApplyResult::kNotANumber) return result;
    doc.SetModifiedFlag();
    // Not after a failed write: the setting went back to the value the module holds.
    if (result != ApplyResult::kWriteFailed && (index == kIACStopOffset || index == kIdleRpm))
        doc.AfterSettingChanged(index);
    return result;
}

bool CBasicSettingsLink::WriteSetting(LinkDocument& doc, int index) {
    const CBasicSettingsModuleValue* setting = doc.GetSetting(index);
    if (setting == nullptr || !m_link.IsLinked()) return false;
    PacketQueueWriting hold(m_link.GetComms());
    return WriteSettingToModule(doc, *setting);
}

bool CBasicSettingsLink::WriteSettingToModule(LinkDocument& doc,
                                              const CBasicSettingsModuleValue& setting) {
    Comms& comms = m_link.GetComms();
    const CModuleMemoryMapMirror& image = doc.GetImage();
    const std::uint32_t first = setting.GetAddress();
    const std::uint32_t end = first + static_cast<std::uint32_t>(setting.GetByteWidth());

    // A word whose high byte is a block's last byte has its low byte in the next block: both
    // blocks are read before either is written.
    std::vector<std::uint16_t> blocks;
    for (std::uint32_t b = BlockOf(setting.GetAddress()); b < end; b += kBlockSize)
        blocks.push_back(static_cast<std::uint16_t>(b));
    std::vector<std::array<std::uint8_t, kBlockSize>> original(blocks.size());
    for (std::size_t i = 0; i < blocks.size(); ++i)
        if (!ReadBlock(comms, blocks[i], original[i].data())) return false;

    for (std::size_t i = 0; i < blocks.size(); ++i) {
        std::array<std::uint8_t, kBlockSize> bytes = original[i];
        for (std::uint32_t a = std::max<std::uint32_t>(first, blocks[i]);
             a < std::min<std::uint32_t>(end, blocks[i] + kBlockSize); ++a)
            bytes[a - blocks[i]] = image.ReadByte(static_cast<std::uint16_t>(a));
        if (!comms.WriteModuleMemoryBlock(blocks[i], bytes.data(), kBlockSize)) {
            // Half a word must not stay behind: put back the blocks already written.
            for (std::size_t j = 0; j < i; ++j)
                (void)comms.WriteModuleMemoryBlock(blocks[j], original[j].data(), kBlockSize);
            return false;
        }
    }
    return true;
}

// --- Reading -----------------------------------------------------------------------------------

bool CBasicSettingsLink::ReadSettingsBytes(LinkDocument& doc, std::vector<SettingBytes>& read) {
    read.clear();
    Comms& comms = m_link.GetComms();
    // The idle speed and the IAC stop offset share their address with other entries of the
    // catalogue; the document derives them from its idle maps instead.
    std::vector<int> indices;
    std::vector<Comms::MemoryBlock> blocks;
    for (int k = 0; k < kBasicSettingCount; ++k) {
        if (k == kIACStopOffset || k == kIdleRpm) continue;
        const CBasicSettingsModuleValue* setting = doc.GetSetting(k);
        if (setting == nullptr) continue;
        indices.push_back(k);
        blocks.push_back({setting->GetAddress(), static_cast<std::uint16_t>(setting->GetByteWidth())});
    }
    auto raw = [](std::span<const std::uint8_t> data, std::size_t width) {
        int v = 0;
        for (std::size_t i = 0; i < width; ++i) v |= static_cast<int>(data[i]) << (8 * i);
        return v;
    };

    // All at once first; when that fails, one by one with a bounded number of repeats each.
    std::vector<std::vector<std::uint8_t>> answers;
    if (comms.ReadModuleMemoryBlocks(blocks, answers) && answers.size() == blocks.size()) {
        bool complete = true;
        for (std::size_t i = 0; i < blocks.size(); ++i)
            complete = complete && answers[i].size() >= blocks[i].length;
        if (complete) {
            for (std::size_t i = 0; i < indices.size(); ++i)
                read.push_back({indices[i], raw(answers[i], blocks[i].length)});
            return true;
        }
    }
    for (std::size_t i = 0; i < indices.size(); ++i) {
        const CBasicSettingsModuleValue& setting = *doc.GetSetting(indices[i]);
        const auto width = static_cast<std::size_t>(setting.GetByteWidth());
        bool answered = false;
        for (int attempt = 0; attempt < kReadAttempts && !answered; ++attempt)
            answered = setting.RequestFromModule(comms) && comms.GetReceivedData().size() >= width;
        if (!answered) {
            read.clear();
            return false;
        }
        read.push_back({indices[i], raw(comms.GetReceivedData(), width)});
    }
    return true;
}

void CBasicSettingsLink::ApplySettingsBytes(LinkDocument& doc, const std::vector<SettingBytes>& read) {
    for (const SettingBytes& r : read) {
        if (CBasicSettingsModuleValue* setting = doc.GetSetting(r.index)) {
            setting->LoadFromModuleBytes(r.raw);
            setting->LoadBaseFromModuleBytes(r.raw);
        }
    }
}

bool CBasicSettingsLink::ReadSettingsFromModule(LinkDocument& doc) {
    std::vector<SettingBytes> read;
    if (!ReadSettingsBytes(doc, read)) return false;
    ApplySettingsBytes(doc, read);
    return true;
}

bool CBasicSettingsLink::ReadModuleSettings(LinkDocument& doc) {
    ModuleOperation operation(m_link);
    if (!operation.Ok()) return false;
    Prompter& prompter = m_link.GetPrompter();
    prompter.WaitBegin(msg::kBasicSettingsTitle, msg::kReadingFromModule);
    bool ok;
    {
        EditHistory::Step step;
        if (EditHistory* history = doc.History()) step = history->Begin(msg::kReadSettingsStep);
        PacketQueueWriting hold(m_link.GetComms());
        ok = ReadSettingsFromModule(doc);
    }
    doc.UpdateAllViews();
    prompter.WaitEnd();
    if (!ok) prompter.Message(msg::kUploadAborted);
    return ok;
}

// --- WRITE's settings phase --------------------------------------------------------------------

bool CBasicSettingsLink::IsBlockWritten(std::uint16_t block, int firmwareVersion) {
    // The TPS offset is calibrated by the module itself and never overwritten from a file.
    if (block == BlockOf(BasicSettingDefs()[kTPSOffset].address)) return false;
    if (block == BlockOf(BasicSettingDefs()[kStartIgnRevsDelay].address) || block == 0xF14)
        return firmwareVersion >= kExtendedSettingsFirmware;
    return true;
}

void CBasicSettingsLink::PatchOwnedBytes(LinkDocument& doc, std::uint16_t block,
                                         std::uint8_t* bytes) {
    const CModuleMemoryMapMirror& image = doc.GetImage();
    for (int k = 0; k < kBasicSettingCount; ++k) {
        const CBasicSettingsModuleValue* setting = doc.GetSetting(k);
        if (setting == nullptr) continue;
        const std::uint32_t first = setting->GetAddress();
        const std::uint32_t end = first + static_cast<std::uint32_t>(setting->GetByteWidth());
        for (std::uint32_t a = std::max<std::uint32_t>(first, block);
             a < std::min<std::uint32_t>(end, std::uint32_t{block} + kBlockSize); ++a)
            bytes[a - block] = image.ReadByte(static_cast<std::uint16_t>(a));
    }
}

bool CBasicSettingsLink::WriteSettingsBlocks(LinkDocument& doc, int firmwareVersion,
                                             std::vector<std::uint16_t>* written) {
    Comms& comms = m_link.GetComms();
    for (std::uint16_t block : kSettingsBlocks) {
        if (!IsBlockWritten(block, firmwareVersion)) continue;
        std::uint8_t bytes[kBlockSize];
        if (!ReadBlock(comms, block, bytes)) return false;
        PatchOwnedBytes(doc, block, bytes);
        if (!comms.WriteModuleMemoryBlock(block, bytes, kBlockSize)) return false;
        if (written) written->push_back(block);
    }
    return true;
}

}  // namespace corvane
