#include "monitor/MonitorLayout.h"

#include <algorithm>

#include "model/PrintableText.h"

namespace corvane::MonitorLayout {

int ButtonWidth(const std::vector<CMonitoredItem>& items) {
    std::size_t longest = 0;
    // Measured on the texts as shown: a name with escaped bytes is wider.
    for (const auto& item : items)
        longest = std::max({longest, PrintableText(item.name).size(),
                            item.valueText.size() + PrintableText(item.units).size()});
    return kCharacterWidth * static_cast<int>(longest);
}

std::vector<GroupControl> LayoutGroup(const std::vector<CMonitoredItem>& items, int buttonWidth) {
    std::vector<GroupControl> controls;
    int k = 0;
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (items[i].shown == 0) continue;
        const int column = k / kRowsPerColumn;
        const int row = k % kRowsPerColumn;
        ++k;
        GroupControl c;
        c.itemIndex = static_cast<int>(i);
        c.button = {kLeftMargin + column * (buttonWidth + kLeftMargin), kTopMargin + row * kRowPitch,
                    buttonWidth, kButtonHeight};
        c.label = {c.button.x, c.button.y + kButtonHeight + kLabelGap, buttonWidth, kLabelHeight};
        c.buttonId = kFirstButtonId + c.itemIndex;
        c.labelId = kFirstButtonId + 4 * (45 + c.itemIndex);
        controls.push_back(std::move(c));
    }
    RefreshGroupTexts(controls, items);
    return controls;
}

void RefreshGroupTexts(std::vector<GroupControl>& controls, const std::vector<CMonitoredItem>& items) {
    for (auto& c : controls) {
        if (c.itemIndex < 0 || static_cast<std::size_t>(c.itemIndex) >= items.size()) continue;
        const CMonitoredItem& item = items[static_cast<std::size_t>(c.itemIndex)];
        // Names and units come from the items files: shown printable. Reuses the texts'
        // storage: this runs for every control on every packet.
        c.buttonText.assign(PrintableText(item.name));
        c.labelText.assign(item.valueText).append(" ").append(PrintableText(item.units));
    }
}

Rect GroupExtent(const std::vector<GroupControl>& controls) {
    int right = 0;
    int bottom = 0;
    for (const auto& c : controls) {
        right = std::max({right, c.button.Right(), c.label.Right()});
        bottom = std::max({bottom, c.button.Bottom(), c.label.Bottom()});
    }
    return {0, 0, right + kRightPadding, bottom + kBottomPadding};
}

Point OwnWindowOrigin(int clientRight, int clientTop, int width, int count) {
    int x = clientRight - count * width;
    if (x < 0) x = clientRight - width;
    return {x, clientTop};
}

}  // namespace corvane::MonitorLayout
