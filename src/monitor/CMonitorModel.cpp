#include "monitor/CMonitorModel.h"

#include <algorithm>

#include "model/AppState.h"
#include "monitor/CCorvaneMonitorDoc.h"
#include "monitor/MonitorText.h"

namespace corvane {

CMonitorModel::CMonitorModel(CCorvaneMonitorDoc& doc, AppState& app, MonitorEventSink* sink)
    : m_doc(doc), m_app(app), m_tracker(m_items, app, sink) {
    // Until the first show the items are the catalogue's, so that a packet is never decoded
    // into fewer than 45 items.
    for (int i = 0; i < kMonitoredValueCount; ++i) m_items.push_back(CMonitoredItem::FromCatalogue(doc.GetMonitorValue(i)));
}

void CMonitorModel::FirstShow(const std::filesystem::path& folder, int configurationNumber, Prompter* prompter) {
    FirstShow(folder, folder, configurationNumber, prompter);
}

void CMonitorModel::FirstShow(const std::filesystem::path& userFolder, const std::filesystem::path& programFolder,
                              int configurationNumber, Prompter* prompter) {
    const auto user =
        MonitoredItemsFile::ReadFileBytes(userFolder / MonitoredItemsFile::UserFileName(configurationNumber));
    std::optional<std::string> definitions;
    if (auto bytes = MonitoredItemsFile::ReadFileBytes(programFolder / MonitoredItemsFile::kDefinitionsFileName))
        definitions = std::string(bytes->begin(), bytes->end());
    std::optional<std::string> ego;
    if (auto bytes = MonitoredItemsFile::ReadFileBytes(programFolder / CEgoSensorTable::kFileName))
        ego = std::string(bytes->begin(), bytes->end());
    FirstShowFrom(user, definitions, ego, prompter);
}

void CMonitorModel::FirstShowFrom(const std::optional<std::vector<std::uint8_t>>& userFile,
                                  const std::optional<std::string>& definitions,
                                  const std::optional<std::string>& egoTable, Prompter* prompter) {
    auto built = MonitoredItemsFile::Build(userFile, definitions, m_doc);
    m_items = std::move(built.items);
    m_source = built.source;
    m_ownWindows.clear();
    for (int i = 0; i < kMonitoredValueCount; ++i) {
        const CMonitoredItem& item = m_items[static_cast<std::size_t>(i)];
        if (item.ownWindow == 1) m_ownWindows.push_back({i, {}, item.ownWindowLeft, item.ownWindowTop});
    }
    LayOut();
    m_tracker.LoadEgoSensorTable(egoTable, prompter);
}

void CMonitorModel::LayOut() {
    m_buttonWidth = MonitorLayout::ButtonWidth(m_items);
    m_group = MonitorLayout::LayoutGroup(m_items, m_buttonWidth);
}

void CMonitorModel::OnMonitorBlock(std::span<const std::uint8_t> block) {
    m_doc.DecodeMonitorBlock(block);
    RefreshItems();
}

void CMonitorModel::OnMonitorPacket(std::span<const std::uint8_t> packet) {
    m_doc.DecodeMonitorPacket(packet);
    RefreshItems();
}

void CMonitorModel::MarkStale() {
    for (CMonitoredItem& item : m_items) item.valueText = kStaleText;
    MonitorLayout::RefreshGroupTexts(m_group, m_items);
    m_stale = true;
}

void CMonitorModel::RefreshItems() {
    m_stale = false;
    const bool egoAfr = m_tracker.IsEgoTableLoaded();
    for (int i = 0; i < kMonitoredValueCount; ++i) {
        CMonitoredItem& item = m_items[static_cast<std::size_t>(i)];
        item.rawValue = m_doc.GetValueRaw(i);
        if (i == kFrontEgoIndex || i == kRearEgoIndex)
            AssignFixed2(item.valueText, egoAfr ? m_tracker.LookupEgoAfr(item.rawValue) : 0.0);
        else
            AssignFixed2(item.valueText, m_doc.GetValueDisplay(i));
    }
    m_tracker.OnPacket();
    for (auto& window : m_ownWindows) {
        m_ownWindowsVisible = true;
        RefreshOwnWindow(window);
    }
    MonitorLayout::RefreshGroupTexts(m_group, m_items);
}

void CMonitorModel::RefreshOwnWindow(CModeLessArrayItem& window) {
    window.gauge.Refresh(m_items.at(static_cast<std::size_t>(window.itemIndex)));
}

CModeLessArrayItem* CMonitorModel::FindOwnWindow(int item) {
    auto it = std::find_if(m_ownWindows.begin(), m_ownWindows.end(),
                           [item](const CModeLessArrayItem& w) { return w.itemIndex == item; });
    return it == m_ownWindows.end() ? nullptr : &*it;
}

CModeLessArrayItem& CMonitorModel::OpenOwnWindow(int item, int clientRight, int clientTop, int width) {
    if (m_tracker.TrackingRuns()) {
        // Sets the tracked item's bands before its gauge is first drawn.
        if (item == kEngineSpeedIndex) m_tracker.TrackEngineSpeed();
        if (item == kStdThrottlePositionIndex) m_tracker.TrackThrottle();
    }
    const int count = static_cast<int>(m_ownWindows.size()) + 1;
    const auto origin = MonitorLayout::OwnWindowOrigin(clientRight, clientTop, width, count);
    m_ownWindows.push_back({item, {}, origin.x, origin.y});
    return m_ownWindows.back();
}

void CMonitorModel::CloseOwnWindow(int item) {
    std::erase_if(m_ownWindows, [item](const CModeLessArrayItem& w) { return w.itemIndex == item; });
}

void CMonitorModel::MoveOwnWindow(int item, int left, int top) {
    for (auto& w : m_ownWindows)
        if (w.itemIndex == item) {
            w.left = left;
            w.top = top;
        }
}

void CMonitorModel::AfterSetup(int item, bool hadOwnWindow, int clientRight, int clientTop, int width) {
    const bool hasOwnWindow = m_items.at(static_cast<std::size_t>(item)).ownWindow != 0;
    if (hadOwnWindow && !hasOwnWindow) CloseOwnWindow(item);
    for (auto& w : m_ownWindows)
        if (w.itemIndex == item) RefreshOwnWindow(w);
    if (hasOwnWindow && FindOwnWindow(item) == nullptr) OpenOwnWindow(item, clientRight, clientTop, width);
}

bool CMonitorModel::Save(const std::filesystem::path& folder, int configurationNumber) {
    for (const auto& w : m_ownWindows) {
        CMonitoredItem& item = m_items.at(static_cast<std::size_t>(w.itemIndex));
        item.ownWindowLeft = w.left;
        item.ownWindowTop = w.top;
    }
    return MonitoredItemsFile::Save(folder, configurationNumber, m_items);
}

void CMonitorModel::Reset(const std::filesystem::path& folder, int configurationNumber, Prompter* prompter) {
    Reset(folder, folder, configurationNumber, prompter);
}

void CMonitorModel::Reset(const std::filesystem::path& userFolder, const std::filesystem::path& programFolder,
                          int configurationNumber, Prompter* prompter) {
    MonitoredItemsFile::RemoveUserFile(userFolder, configurationNumber);
    m_ownWindows.clear();
    m_group.clear();
    m_tracker.ClearEgoTable();
    FirstShow(userFolder, programFolder, configurationNumber, prompter);
}

}  // namespace corvane
