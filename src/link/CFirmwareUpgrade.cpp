#include "link/CFirmwareUpgrade.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <thread>

#include "comms/api/Comms.h"
#include "documents/FirmwareDataFile.h"
#include "link/CLinkController.h"
#include "link/CModuleBackup.h"
#include "link/LinkMessages.h"
#include "link/PacketQueueWriting.h"
#include "model/AppState.h"
#include "model/Prompter.h"

namespace corvane {

namespace {

// Leading decimal digits as a number, 0 when there are none (as the name's fields were
// always converted); saturates instead of overflowing.
int DecimalOf(const std::string& text) {
    long long v = 0;
    for (char c : text) {
        if (!std::isdigit(static_cast<unsigned char>(c))) break;
        v = std::min<long long>(v * 10 + (c - '0'), 0x7FFFFFFF);
    }
    return static_cast<int>(v);
}

int HexOf(const std::string& text) {
    long long v = 0;
    for (char c : text) {
        const int d = std::isdigit(static_cast<unsigned char>(c)) ? c - '0'
                      : (c >= 'a' && c <= 'f')                    ? c - 'a' + 10
                      : (c >= 'A' && c <= 'F')                    ? c - 'A' + 10
                                                                  : -1;
        if (d < 0) break;
        v = std::min<long long>(v * 16 + d, 0x7FFFFFFF);
    }
    return static_cast<int>(v);
}

std::string Hex(int v) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "0x%X", static_cast<unsigned>(v));
    return buffer;
}

}  // namespace

std::optional<FirmwareFileName> ParseFirmwareFileName(const std::string& path) {
    const std::size_t slash = path.find_last_of("/\\");
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    const std::size_t underscore = name.find('_');
    if (underscore == std::string::npos) return std::nullopt;
    const std::size_t v = name.find("_V", underscore + 1);
    if (v == std::string::npos) return std::nullopt;
    const std::size_t dot = name.find('.');
    if (dot == std::string::npos || dot < v + 2) return std::nullopt;

    FirmwareFileName result;
    result.moduleIdText = name.substr(underscore + 1, v - underscore - 1);
    result.moduleId = DecimalOf(result.moduleIdText);
    result.versionText = name.substr(v + 2, dot - v - 2);
    const std::size_t x = result.versionText.find_last_of("Xx");
    result.version = x != std::string::npos ? HexOf(result.versionText.substr(x + 1))
                                            : DecimalOf(result.versionText);
    if (name.size() >= 3) {
        std::string tail = name.substr(name.size() - 3);
        std::transform(tail.begin(), tail.end(), tail.begin(),
                       [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
        result.isS19 = tail == "S19";
    }
    return result;
}

bool CFirmwareUpgrade::Finish(bool result) {
    m_link.GetAppState().firmwareUpgradeInProgress = false;
    return result;
}

bool CFirmwareUpgrade::Abort(const std::string& text, bool stateOn, const std::string& title) {
    if (!text.empty()) m_link.GetPrompter().Message(text, title, Prompter::Icon::Error);
    // The module may be unreachable by now; the attempt is all that can be done.
    if (stateOn) (void)m_link.SetUpgradeState(false);
    return Finish(false);
}

bool CFirmwareUpgrade::WaitForPowerCycle(const std::string& text, bool wantLoader) {
    Prompter& prompter = m_link.GetPrompter();
    Comms& comms = m_link.GetComms();
    prompter.ModuleDetectionBegin(msg::kFirmwareUpgradeTitle, text);
    // A module that answers before it was seen gone has not been power cycled yet.
    bool sawGone = false;
    bool detected = false;
    while (prompter.PollWait()) {
        if (!comms.DetectModule()) {
            sawGone = true;
        } else if (sawGone && (!wantLoader || comms.ConnectedModuleId() == kUpgradeModeModuleId)) {
            detected = true;
            break;
        }
        if (m_pollInterval.count() > 0) std::this_thread::sleep_for(m_pollInterval);
    }
    prompter.WaitEnd();
    return detected;
}

bool CFirmwareUpgrade::WriteInitializationBytes(int version) {
    Comms& comms = m_link.GetComms();
    PacketQueueWriting hold(comms);
    const auto versionByte = static_cast<std::uint8_t>(version & 0xFF);
    if (comms.ReadModuleMemoryBlock(kFirmwareVersionAddress, 4) && comms.GetReceivedData().size() >= 4) {
        std::uint8_t bytes[4];
        std::copy_n(comms.GetReceivedData().begin(), 4, bytes);
        bytes[0] = versionByte;
        return comms.WriteModuleMemoryBlock(kFirmwareVersionAddress, bytes, 4);
    }
    return comms.WriteModuleMemoryBlock(kFirmwareVersionAddress, &versionByte, 1);
}

bool CFirmwareUpgrade::Run() {
    AppState& app = m_link.GetAppState();
    Prompter& prompter = m_link.GetPrompter();
    Comms& comms = m_link.GetComms();

    m_firmwareIncomplete = false;
    app.firmwareUpgradeInProgress = true;
    if (m_backup != nullptr) {
        // The module still runs its firmware and holds its tune: read it while it can be read.
        if (!app.moduleLinked) m_link.ToggleLink();
        if (!m_backup->Guard(BackupReason::kBeforeUpgrade, nullptr)) {
            if (app.moduleLinked) m_link.ToggleLink();
            return Finish(false);
        }
    }
    if (app.moduleLinked) m_link.ToggleLink();

    if (!WaitForPowerCycle(msg::kUpgradeInitialize, false)) return Finish(false);
    if (!m_link.SetUpgradeState(true)) return Abort(msg::kUpgradeStateOnFailed, false);

    const auto picked = prompter.PickOpenFileIn(kFirmwareFolder, kFileFilter, "B19");
    if (!picked) return Abort({}, true);
    std::string path = *picked;

    const auto name = ParseFirmwareFileName(path);
    if (!name) return Abort(msg::kInvalidFileName + path, true);

    int moduleId = m_link.ReadModuleId();
    if (moduleId == -1) {
        if (!WaitForPowerCycle(msg::kFirmwareCorrupted, false)) return Abort({}, true);
        moduleId = m_link.ReadModuleId();
    }
    if (moduleId != name->moduleId)
        return Abort("Module ID:" + std::to_string(moduleId) + "  Incompatible with File Module ID:" +
                         name->moduleIdText,
                     true);

    m_link.ReadFirmwareVersion();
    const int moduleVersion = app.moduleFirmwareVersion;
    if (name->version < moduleVersion) {
        char buffer[256];
        std::snprintf(buffer, sizeof buffer, "Module Firmware Version: 0x%X\nFile Firmware Version: %s",
                      static_cast<unsigned>(moduleVersion), name->versionText.c_str());
        return Abort(buffer, true, msg::kIncompatibleVersionsTitle);
    }

    if (name->isS19) {
        FirmwareDataFile converter(&prompter);
        const auto result = converter.ConvertS19ToB19(path, name->version);
        if (result != FirmwareDataFile::ConvertResult::kOk) {
            // A damaged record and a byte count mismatch were reported by the converter; a
            // .B19 left over from an earlier conversion is never flashed in its place.
            const bool told = result == FirmwareDataFile::ConvertResult::kBadRecord ||
                              result == FirmwareDataFile::ConvertResult::kCountMismatch;
            return Abort(told ? std::string{} : msg::kConversionFailed + path, true);
        }
        path = FirmwareDataFile::B19PathFor(path);
    }

    FirmwareDataFile file(&prompter);
    if (!file.LoadB19(path))
        return Abort("Selected file:" + path + "\nIs not a valid Halvark Firmware Data File.", true);
    if (file.GetFirmwareVersion() < moduleVersion)
        return Abort("Non Compatible Firmware Versions.\nFile Firmware Version: " + Hex(file.GetFirmwareVersion()) +
                         "\nModule Firmware Version:" + Hex(moduleVersion),
                     true);

    const std::string cycleText = std::string("You are about to begin the 'Firmware Upgrade Process'.") +
                                  "\nThe current Module Firmware Version:" + Hex(moduleVersion) +
                                  "\nwill be  upgraded to Firmware Version:" + Hex(file.GetFirmwareVersion()) +
                                  "\n\n1. Turn the MODULE power OFF for 5 seconds." +
                                  "\n2. Turn the MODULE power ON." +
                                  "\n3. Firmware Upgrade will continue automatically";
    if (!WaitForPowerCycle(cycleText, true)) return Abort({}, true);

    // Flash: every block below 0xC000; the part of a block reaching past it is left out, the
    // module's flash ends there.
    const auto& blocks = file.GetBlocks();
    bool allWritten = true;
    prompter.ProgressBegin(msg::kFirmwareDownload, static_cast<int>(blocks.size()));
    prompter.ProgressStep(0);
    comms.SetPacketQueueWriting(true);
    comms.SetCommunicationTimeoutMode(1);
    for (std::size_t i = 0; i < blocks.size(); ++i) {
        const auto& block = blocks[i];
        if (block.GetAddress() < kFlashEnd) {
            const auto length = static_cast<std::uint16_t>(
                std::min<std::uint32_t>(block.GetLength(), kFlashEnd - block.GetAddress()));
            if (!comms.WriteFlashBlock(block.GetAddress(), block.GetData(), length)) {
                allWritten = false;
                break;
            }
        }
        prompter.ProgressStep(static_cast<int>(i + 1));
    }
    comms.SetPacketQueueWriting(false);
    prompter.ProgressEnd();

    prompter.WaitBegin(msg::kFirmWareUpgradeWaitTitle, msg::kResettingInitBytes);
    (void)prompter.PollWait();
    const bool stateOff = m_link.SetUpgradeState(false);
    prompter.WaitEnd();
    const bool initialized = allWritten && WriteInitializationBytes(file.GetFirmwareVersion());
    comms.SetCommunicationTimeoutMode(0);

    const bool ok = allWritten && stateOff && initialized;
    m_firmwareIncomplete = !ok;
    prompter.Message(ok ? msg::kUpgradeCompleted : msg::kUpgradeFailed, msg::kFirmwareUpgradeTitle,
                     ok ? Prompter::Icon::Information : Prompter::Icon::Error);
    return Finish(ok);
}

}  // namespace corvane
