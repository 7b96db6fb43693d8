#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "monitor/CAutoTuneTracker.h"
#include "monitor/CMonitorGaugeState.h"
#include "monitor/CMonitoredItem.h"
#include "monitor/MonitorLayout.h"
#include "monitor/MonitoredItemsFile.h"

namespace corvane {

struct AppState;
class CCorvaneMonitorDoc;
class MonitorEventSink;
class Prompter;

// One own window of an item: the gauge it shows and where it stands on the screen.
struct CModeLessArrayItem {
    int itemIndex = 0;
    CMonitorGaugeState gauge;
    int left = 0;
    int top = 0;
};

// Everything the monitor view does short of drawing: owns the 45 items, the own-window
// records and the AutoTune tracker; on each packet decodes it through the document, refreshes
// the items, runs AutoTune and refreshes the gauges and the group texts. The view draws what
// this holds and forwards the user's commands.
class CMonitorModel {
public:
    CMonitorModel(CCorvaneMonitorDoc& doc, AppState& app, MonitorEventSink* sink);

    // First show: builds the items from the files in `folder` (user file, definitions,
    // catalogue), lays out the group, restores the own windows the user file names, loads the
    // EGO table (reporting a missing one through the prompter).
    void FirstShow(const std::filesystem::path& folder, int configurationNumber, Prompter* prompter);
    // The same with the user's items file in a folder of its own (a writable one) and the
    // definitions and the EGO table beside the program.
    void FirstShow(const std::filesystem::path& userFolder, const std::filesystem::path& programFolder,
                   int configurationNumber, Prompter* prompter);
    // The same from file contents already read (nullopt: no such file).
    void FirstShowFrom(const std::optional<std::vector<std::uint8_t>>& userFile,
                       const std::optional<std::string>& definitions,
                       const std::optional<std::string>& egoTable, Prompter* prompter);

    // One packet: `block` holds the monitor block only.
    void OnMonitorBlock(std::span<const std::uint8_t> block);
    // One packet as read from the wire (the block and one trailing byte).
    void OnMonitorPacket(std::span<const std::uint8_t> packet);

    // Own windows.
    // Opens the item's own window as the n-th along the top edge of a client area whose right
    // edge and top are given (screen coordinates); returns its record.
    CModeLessArrayItem& OpenOwnWindow(int item, int clientRight, int clientTop, int width);
    void CloseOwnWindow(int item);
    [[nodiscard]] CModeLessArrayItem* FindOwnWindow(int item);
    [[nodiscard]] const std::vector<CModeLessArrayItem>& OwnWindows() const { return m_ownWindows; }
    void MoveOwnWindow(int item, int left, int top);
    void RefreshOwnWindow(CModeLessArrayItem& window);
    [[nodiscard]] bool OwnWindowsVisible() const { return m_ownWindowsVisible; }
    void ToggleOwnWindows() { m_ownWindowsVisible = !m_ownWindowsVisible; }
    // After the setup dialog closed for `item`: closes, refreshes or opens its own window.
    void AfterSetup(int item, bool hadOwnWindow, int clientRight, int clientTop, int width);

    // Saving (view destroyed) and reset of the gauge files.
    bool Save(const std::filesystem::path& folder, int configurationNumber);
    void Reset(const std::filesystem::path& folder, int configurationNumber, Prompter* prompter);
    void Reset(const std::filesystem::path& userFolder, const std::filesystem::path& programFolder,
               int configurationNumber, Prompter* prompter);

    // The values are no longer fed (a replay ended): every value shows kStaleText until the
    // next block, so nothing old passes for live.
    static constexpr const char* kStaleText = "--";
    void MarkStale();
    [[nodiscard]] bool Stale() const { return m_stale; }

    [[nodiscard]] std::vector<CMonitoredItem>& Items() { return m_items; }
    [[nodiscard]] const std::vector<CMonitoredItem>& Items() const { return m_items; }
    [[nodiscard]] MonitoredItemsFile::Source ItemSource() const { return m_source; }
    [[nodiscard]] CAutoTuneTracker& Tracker() { return m_tracker; }
    [[nodiscard]] int ButtonWidth() const { return m_buttonWidth; }
    [[nodiscard]] const std::vector<MonitorLayout::GroupControl>& GroupControls() const { return m_group; }
    [[nodiscard]] CCorvaneMonitorDoc& Document() { return m_doc; }

private:
    void RefreshItems();
    void LayOut();

    CCorvaneMonitorDoc& m_doc;
    AppState& m_app;
    std::vector<CMonitoredItem> m_items;
    bool m_stale = false;
    MonitoredItemsFile::Source m_source = MonitoredItemsFile::Source::Catalogue;
    CAutoTuneTracker m_tracker;
    std::vector<CModeLessArrayItem> m_ownWindows;
    bool m_ownWindowsVisible = false;
    int m_buttonWidth = 0;
    std::vector<MonitorLayout::GroupControl> m_group;
};

}  // namespace corvane
