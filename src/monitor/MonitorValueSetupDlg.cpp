#include "monitor/MonitorValueSetupDlg.h"

#include <algorithm>

#include "model/PrintableText.h"

namespace corvane {

MonitorValueSetupDlg::MonitorValueSetupDlg(std::vector<CMonitoredItem>& items, int index)
    : m_items(items),
      m_index(items.empty() ? 0 : std::clamp(index, 0, static_cast<int>(items.size()) - 1)) {
    ShowItem();
}

std::vector<std::string> MonitorValueSetupDlg::ListNames() const {
    std::vector<std::string> names;
    names.reserve(m_items.size());
    for (const auto& item : m_items) names.push_back(PrintableText(item.setupName));
    return names;
}

std::string MonitorValueSetupDlg::CurrentValueText() const {
    const CMonitoredItem& item = Item();
    return PrintableText(item.valueText.empty() ? item.currentValueText : item.valueText);
}

void MonitorValueSetupDlg::ShowItem() {
    if (m_items.empty()) return;
    const CMonitoredItem& item = Item();
    boxes.setupUnits = item.setupUnits;
    boxes.ownWindow = item.ownWindow != 0;
    boxes.gaugeMinimum = item.gaugeMinimum;
    boxes.gaugeMaximum = item.gaugeMaximum;
    boxes.yellowStop = item.yellowStop;
    boxes.redStart = item.redStart;
}

void MonitorValueSetupDlg::TakeBoxes() {
    if (m_items.empty()) return;
    CMonitoredItem& item = m_items[static_cast<std::size_t>(m_index)];
    item.setupUnits = boxes.setupUnits;
    item.ownWindow = boxes.ownWindow ? 1 : 0;
    item.gaugeMinimum = boxes.gaugeMinimum;
    item.gaugeMaximum = boxes.gaugeMaximum;
    item.yellowStop = boxes.yellowStop;
    item.redStart = boxes.redStart;
}

void MonitorValueSetupDlg::SelectItem(int index) {
    if (m_items.empty()) return;
    TakeBoxes();
    m_index = std::clamp(index, 0, static_cast<int>(m_items.size()) - 1);
    ShowItem();
}

int MonitorValueSetupDlg::ApplyRangeRules(CMonitoredItem& item) {
    int changes = 0;
    auto set = [&changes](double& field, double value) {
        field = value;
        ++changes;
    };
    if (item.gaugeMinimum > item.dataMaximum) set(item.gaugeMinimum, item.dataMaximum);
    if (item.gaugeMinimum < item.dataMinimum) set(item.gaugeMinimum, item.dataMinimum);
    if (item.gaugeMaximum > item.dataMaximum) set(item.gaugeMaximum, item.dataMaximum);
    if (item.gaugeMaximum < item.dataMinimum) set(item.gaugeMaximum, item.dataMinimum);
    if (item.gaugeMinimum > item.gaugeMaximum) set(item.gaugeMinimum, item.gaugeMaximum);
    if (item.yellowStop < item.gaugeMinimum) set(item.yellowStop, item.gaugeMinimum);
    if (item.yellowStop > item.gaugeMaximum) set(item.yellowStop, item.gaugeMaximum);
    if (item.redStart > item.gaugeMaximum) set(item.redStart, item.gaugeMaximum);
    if (item.redStart < item.yellowStop) set(item.redStart, item.yellowStop);
    return changes;
}

MonitorValueSetupDlg::Outcome MonitorValueSetupDlg::Ok(std::string* message) {
    if (m_items.empty()) return Outcome::ClosedOk;
    TakeBoxes();
    const int changes = ApplyRangeRules(m_items[static_cast<std::size_t>(m_index)]);
    ShowItem();
    if (changes == 0) return Outcome::ClosedOk;
    if (message != nullptr) *message = kValidationFailedText;
    return Outcome::StaysOpen;
}

}  // namespace corvane
