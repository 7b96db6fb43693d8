#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "model/LinkSeam.h"

namespace corvane {

class Comms;
class Prompter;
class SettingsStore;
struct AppState;

// Module memory the link itself reads and writes.
inline constexpr std::uint16_t kBaseMapNameAddress = 0x0F00;
inline constexpr std::uint16_t kBaseMapNameLength = 16;
inline constexpr std::uint16_t kModuleIdAddress = 0x0F10;
inline constexpr std::uint16_t kAuthorizationBlockAddress = 0x0F14;
inline constexpr std::uint16_t kFirmwareVersionAddress = 0x0F18;
inline constexpr std::uint16_t kUpgradeMarkerAddress = 0x0F1C;

// The link to the module as the main frame owns it: the serial port choice, linking and
// unlinking, the monitor stream on and off, the two status boxes and the link listeners. It
// is also the LinkSeam through which map edits reach a linked module.
//
// Invariants: AppState::moduleLinked is true exactly between a successful link and the next
// unlink or connection failure; AppState::moduleFirmwareVersion is 0 whenever unlinked.
class CLinkController : public LinkSeam {
public:
    // Images of the link toolbar.
    enum LinkImage : int { kImageUnlinked = 135, kImageMonitoring = 137, kImageLinked = 138 };
    // Directions of the base map name check.
    enum Direction : int { kUpload = 0, kDownload = 1 };

    // Told after every link change with the new link state (the "CModuleConnectionEstablished"
    // notification of the windows that registered).
    using LinkListener = std::function<void(bool linked)>;

    // One of the two modeless status boxes: the text it shows and whether it is visible.
    struct StatusBox {
        std::string text;
        bool visible = false;
    };

    static constexpr int kPortCount = 12;
    static constexpr const char* kSettingsSection = "Settings";
    static constexpr const char* kPortEntry = "Port";

    CLinkController(Comms& comms, AppState& app, Prompter& prompter, SettingsStore& settings);

    // --- Serial port -----------------------------------------------------------------------
    // Reads the stored port and hands it to the comms library: an index n − 1 stands for Com n
    // (default Com 1), a text for a port by name (the simulated module "sim", a device path).
    void RestorePort();
    // Selects Com n (1..12); other numbers are ignored. Selecting while linked does not unlink.
    void SelectPort(int n);
    // Selects a port by name: "Com n" as SelectPort(n), any other name ("sim", a device path)
    // kept as text. With remember false the choice holds for this run only (a command line
    // port). Empty names are ignored.
    void SelectPortByName(const std::string& port, bool remember = true);
    // The port the comms library will use ("Com n", "sim", a device path).
    [[nodiscard]] std::string CurrentPort() const;
    [[nodiscard]] int SelectedPortIndex() const { return m_selectedPort; }

    // --- Link and monitoring -----------------------------------------------------------------
    void ToggleLink();
    // Links when needed; false (after "No Module Link Available") when no module answers. A
    // running monitor stream is stopped and wasMonitoring set, so the caller resumes it with
    // ToggleMonitoring when it has finished.
    [[nodiscard]] bool EnsureLinked(bool& wasMonitoring);
    void ToggleMonitoring();
    [[nodiscard]] bool IsMonitoring() const;

    // LinkSeam: pushes of map edits.
    [[nodiscard]] bool IsLinked() const override;
    [[nodiscard]] bool WriteBlock(std::uint16_t address, std::span<const std::uint8_t> bytes) override;

    // --- Listeners and the views' hooks ------------------------------------------------------
    void RegisterLinkListener(const void* owner, LinkListener listener);
    // Removes the first entry of that owner.
    void UnregisterLinkListener(const void* owner);
    // What the first view of the active maps document does when the stream starts (update the
    // map pointer once) and when it stops (redraw the graph area). Either may be empty.
    void SetViewHooks(std::function<void()> streamStarted, std::function<void()> streamStopped);

    // --- What the comms library reports (already on the UI thread) -----------------------------
    void OnLinkStatus(int status);
    void OnModuleConnectionFailure();

    [[nodiscard]] const StatusBox& DataLinkBox() const { return m_dataLinkBox; }
    [[nodiscard]] const StatusBox& MonitorStreamBox() const { return m_monitorBox; }
    [[nodiscard]] int GetLinkImage() const { return m_linkImage; }

    // --- Module identity -------------------------------------------------------------------------
    // The 16 bytes at 0xF00 up to the first NUL; false when the read failed.
    [[nodiscard]] bool GetModuleBaseMapName(std::string& text);
    // True when the names agree, the module's cannot be read, or the user accepts the overwrite.
    [[nodiscard]] bool CheckBaseMapName(Direction direction, const std::string& documentName);
    // First byte of the block at 0xF10, or -1 when the read failed.
    [[nodiscard]] int ReadModuleId();
    // Reads the version byte at 0xF18 into AppState::moduleFirmwareVersion; false (value kept)
    // when the read failed.
    bool ReadFirmwareVersion();
    // Writes the firmware upgrade marker at 0xF1C (AA CC BB DD on, zeros off).
    [[nodiscard]] bool SetUpgradeState(bool on);

    [[nodiscard]] Comms& GetComms() { return m_comms; }
    [[nodiscard]] AppState& GetAppState() { return m_app; }
    [[nodiscard]] Prompter& GetPrompter() { return m_prompter; }

    // "Com 5", "COM5", "com 5" -> 5; other names -> nullopt.
    [[nodiscard]] static std::optional<int> ParseComName(const std::string& port);

private:
    void Unlink();
    void Link();
    void NotifyListeners();

    struct ListenerEntry {
        const void* owner;
        LinkListener listener;
    };

    Comms& m_comms;
    AppState& m_app;
    Prompter& m_prompter;
    SettingsStore& m_settings;
    int m_selectedPort = 0;
    int m_linkImage = kImageUnlinked;
    StatusBox m_dataLinkBox;
    StatusBox m_monitorBox;
    std::vector<ListenerEntry> m_listeners;
    std::function<void()> m_streamStarted;
    std::function<void()> m_streamStopped;
};

// A module operation of a view (warranty, basic settings): links when needed and holds the
// monitor stream for its duration, resuming it when the operation ends.
class ModuleOperation {
public:
    explicit ModuleOperation(CLinkController& link) : m_link(link), m_ok(link.EnsureLinked(m_wasMonitoring)) {}
    ~ModuleOperation() {
        if (m_ok && m_wasMonitoring) m_link.ToggleMonitoring();
    }
    ModuleOperation(const ModuleOperation&) = delete;
    ModuleOperation& operator=(const ModuleOperation&) = delete;
    // False when no module could be linked ("No Module Link Available" was shown).
    [[nodiscard]] bool Ok() const { return m_ok; }

private:
    CLinkController& m_link;
    bool m_wasMonitoring = false;
    bool m_ok;
};

}  // namespace corvane
