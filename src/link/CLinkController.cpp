#include "link/CLinkController.h"

#include <algorithm>
#include <array>
#include <cctype>

#include "comms/api/Comms.h"
#include "link/LinkMessages.h"
#include "model/AppState.h"
#include "model/PrintableText.h"
#include "model/Prompter.h"
#include "model/SettingsStore.h"

namespace corvane {

CLinkController::CLinkController(Comms& comms, AppState& app, Prompter& prompter,
                                 SettingsStore& settings)
    : m_comms(comms), m_app(app), m_prompter(prompter), m_settings(settings) {}

// --- Serial port -------------------------------------------------------------------------------

void CLinkController::RestorePort() {
    const auto stored = m_settings.GetInt(kSettingsSection, kPortEntry);
    if (!stored) {
        // A port kept by name; anything unreadable falls back to Com 1.
        const auto name = m_settings.GetText(kSettingsSection, kPortEntry);
        if (name && !name->empty() && !ParseComName(*name)) {
            m_comms.SetPort(*name);
            return;
        }
    }
    int index = stored.value_or(0);
    // A damaged registry value must not select a port the library does not know.
    if (index < 0 || index >= kPortCount) index = 0;
    m_selectedPort = index;
    m_comms.SetComPort(index + 1);
}

void CLinkController::SelectPort(int n) {
    if (n < 1 || n > kPortCount) return;
    m_selectedPort = n - 1;
    m_comms.SetComPort(n);
    m_settings.SetInt(kSettingsSection, kPortEntry, n - 1);
}

void CLinkController::SelectPortByName(const std::string& port, bool remember) {
    if (port.empty()) return;
    if (const auto n = ParseComName(port)) {
        if (*n < 1 || *n > kPortCount) return;
        if (remember) {
            SelectPort(*n);
        } else {
            m_selectedPort = *n - 1;
            m_comms.SetComPort(*n);
        }
        return;
    }
    m_comms.SetPort(port);
    if (remember) m_settings.SetText(kSettingsSection, kPortEntry, port);
}

std::string CLinkController::CurrentPort() const { return m_comms.Port(); }

std::optional<int> CLinkController::ParseComName(const std::string& port) {
    // "Com 5", "COM5", "com 5"; the number may be out of range (the caller checks).
    if (port.size() < 4) return std::nullopt;
    std::string head = port.substr(0, 3);
    for (char& c : head) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (head != "com") return std::nullopt;
    std::size_t i = 3;
    while (i < port.size() && port[i] == ' ') ++i;
    if (i == port.size()) return std::nullopt;
    int n = 0;
    for (; i < port.size(); ++i) {
        if (port[i] < '0' || port[i] > '9' || n > 1000) return std::nullopt;
        n = n * 10 + (port[i] - '0');
    }
    return n;
}

// --- Link --------------------------------------------------------------------------------------

bool CLinkController::IsLinked() const { return m_app.moduleLinked; }

bool CLinkController::IsMonitoring() const { return m_comms.IsMonitoring(); }

bool CLinkController::WriteBlock(std::uint16_t address, std::span<const std::uint8_t> bytes) {
    if (!m_app.moduleLinked || bytes.empty() || bytes.size() > 0xFFFF) return false;
    return m_comms.WriteModuleMemoryBlock(address, bytes.data(), static_cast<std::uint16_t>(bytes.size()));
}

void CLinkController::ToggleLink() {
    if (m_app.moduleLinked)
        Unlink();
    else
        Link();
}

void CLinkController::Unlink() {
    if (m_comms.IsMonitoring()) {
        m_comms.StopMonitoring();
        if (m_streamStopped) m_streamStopped();
    }
    // CloseLink holds the command thread while the port closes and releases it afterwards.
    m_comms.CloseLink();
    m_app.moduleLinked = false;
    m_linkImage = kImageUnlinked;
    m_app.moduleFirmwareVersion = 0;
    // Nobody is trying to reach the module any more: a box saying so would be stale.
    m_dataLinkBox.visible = false;
    m_monitorBox.visible = false;
    NotifyListeners();
}

void CLinkController::Link() {
    if (!m_comms.DetectModule()) return;
    if (!m_app.firmwareUpgradeInProgress && m_comms.ConnectedModuleId() == kUpgradeModeModuleId) {
        m_prompter.Message(msg::kUpgradeModeDetected, msg::kUpgradeModeTitle, Prompter::Icon::Warning,
                           Prompter::Buttons::Ok);
    }
    ReadFirmwareVersion();
    m_linkImage = kImageLinked;
    m_app.moduleLinked = true;
    NotifyListeners();
}

bool CLinkController::EnsureLinked(bool& wasMonitoring) {
    if (!m_app.moduleLinked) ToggleLink();
    if (!m_app.moduleLinked) {
        m_prompter.Message(msg::kNoModuleLink);
        return false;
    }
    if (m_comms.IsMonitoring()) {
        wasMonitoring = true;
        ToggleMonitoring();
    }
    return true;
}

void CLinkController::ToggleMonitoring() {
    if (!m_app.moduleLinked) ToggleLink();
    if (!m_app.moduleLinked) {
        m_prompter.Message(msg::kMonitoringNoLink, msg::kMonitoringErrorTitle, Prompter::Icon::Error);
        return;
    }
    if (m_app.transferInProgress) {
        m_prompter.Message(msg::kMonitoringTransfer, msg::kMonitoringErrorTitle, Prompter::Icon::Error);
        return;
    }
    if (!m_comms.IsMonitoring()) {
        m_linkImage = kImageMonitoring;
        m_comms.StartMonitoring(kMonitorBlockAddress, kMonitorBlockLength);
        if (m_streamStarted) m_streamStarted();
    } else {
        m_linkImage = kImageLinked;
        m_comms.StopMonitoring();
        if (m_streamStopped) m_streamStopped();
    }
}

// --- Listeners ---------------------------------------------------------------------------------

void CLinkController::RegisterLinkListener(const void* owner, LinkListener listener) {
    m_listeners.push_back({owner, std::move(listener)});
}

void CLinkController::UnregisterLinkListener(const void* owner) {
    auto it = std::find_if(m_listeners.begin(), m_listeners.end(),
                           [owner](const ListenerEntry& e) { return e.owner == owner; });
    if (it != m_listeners.end()) m_listeners.erase(it);
}

void CLinkController::SetViewHooks(std::function<void()> streamStarted,
                                   std::function<void()> streamStopped) {
    m_streamStarted = std::move(streamStarted);
    m_streamStopped = std::move(streamStopped);
}

void CLinkController::NotifyListeners() {
    // A listener may unregister itself while being told; work on a copy.
    const auto listeners = m_listeners;
    for (const auto& entry : listeners)
        if (entry.listener) entry.listener(m_app.moduleLinked);
}

// --- Comms library reports ---------------------------------------------------------------------

void CLinkController::OnLinkStatus(int status) {
    switch (status) {
        case kMonitorStreamLost:
            m_monitorBox = {msg::kMonitorStreamStopped, true};
            break;
        case kMonitorStreamRestored:
            m_monitorBox.visible = false;
            break;
        case kDataLinkLost:
            m_dataLinkBox = {msg::kDataLinkInterrupted, true};
            break;
        case kDataLinkRestored:
            m_dataLinkBox.visible = false;
            break;
        default:
            break;
    }
}

void CLinkController::OnModuleConnectionFailure() {
    // The library has given up on the module; it is not called again here.
    m_app.moduleLinked = false;
    m_app.moduleFirmwareVersion = 0;
    // The library stopped trying to re-establish the link: "Attempting to Establish
    // Connection...." is no longer true.
    m_dataLinkBox.visible = false;
    m_monitorBox.visible = false;
    NotifyListeners();
    m_linkImage = kImageUnlinked;
}

// --- Module identity ---------------------------------------------------------------------------

bool CLinkController::GetModuleBaseMapName(std::string& text) {
    if (!m_comms.ReadModuleMemoryBlock(kBaseMapNameAddress, kBaseMapNameLength)) return false;
    const auto data = m_comms.GetReceivedData();
    text.clear();
    for (std::size_t i = 0; i < data.size() && i < kBaseMapNameLength && data[i] != 0; ++i)
        text.push_back(static_cast<char>(data[i]));
    return true;
}

bool CLinkController::CheckBaseMapName(Direction direction, const std::string& documentName) {
    std::string moduleName;
    if (!GetModuleBaseMapName(moduleName)) return true;
    if (moduleName == documentName) return true;
    // Both names are bytes from the module and from a file: shown printable.
    const std::string module = PrintableText(moduleName);
    const std::string document = PrintableText(documentName);
    const std::string text =
        direction == kUpload
            ? "Uploading... Module Base Map [ " + module + " ]" +
                  "\nWill overwrite File Base Map [ " + document + " ]"
            : "Downloading... File Base Map [ " + document + " ]" +
                  "\nWill overwrite Module Base Map [ " + module + " ]";
    return m_prompter.Message(text, msg::kBaseMapNameTitle, Prompter::Icon::Warning,
                              Prompter::Buttons::OkCancel) == Prompter::Answer::Ok;
}

int CLinkController::ReadModuleId() {
    if (!m_comms.ReadModuleMemoryBlock(kModuleIdAddress, 4)) return -1;
    const auto data = m_comms.GetReceivedData();
    if (data.empty()) return -1;
    return data[0];
}

bool CLinkController::ReadFirmwareVersion() {
    if (!m_comms.ReadModuleMemoryBlock(kFirmwareVersionAddress, 1)) return false;
    const auto data = m_comms.GetReceivedData();
    if (data.empty()) return false;
    m_app.moduleFirmwareVersion = data[0];
    return true;
}

bool CLinkController::SetUpgradeState(bool on) {
    static constexpr std::array<std::uint8_t, 4> kOn{0xAA, 0xCC, 0xBB, 0xDD};
    static constexpr std::array<std::uint8_t, 4> kOff{0, 0, 0, 0};
    m_comms.SetPacketQueueWriting(true);
    const bool ok = m_comms.WriteModuleMemoryBlock(kUpgradeMarkerAddress, on ? kOn.data() : kOff.data(), 4);
    m_comms.SetPacketQueueWriting(false);
    return ok;
}

}  // namespace corvane
