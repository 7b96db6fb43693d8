#include "app/WindowPlacement.h"

#include <QWidget>

#include "model/SettingsStore.h"
#include "model/TargetAfrSetting.h"

namespace corvane {

WindowPlacement ReadPlacement(const SettingsStore& settings, const std::string& section,
                              const WindowPlacement& defaults) {
    WindowPlacement p;
    p.showCmd = settings.GetInt(section, "ShowCmd").value_or(defaults.showCmd);
    const int top = settings.GetInt(section, "Top").value_or(defaults.rect.top());
    const int left = settings.GetInt(section, "Left").value_or(defaults.rect.left());
    // Bottom and Right are exclusive edges, as the kept rectangles have them.
    const int bottom = settings.GetInt(section, "Bottom").value_or(defaults.rect.top() + defaults.rect.height());
    const int right = settings.GetInt(section, "Right").value_or(defaults.rect.left() + defaults.rect.width());
    p.rect = QRect(left, top, right - left, bottom - top);
    return p;
}

void WritePlacement(SettingsStore& settings, const std::string& section, const WindowPlacement& p) {
    settings.SetInt(section, "ShowCmd", p.showCmd);
    settings.SetInt(section, "Top", p.rect.top());
    settings.SetInt(section, "Left", p.rect.left());
    settings.SetInt(section, "Bottom", p.rect.top() + p.rect.height());
    settings.SetInt(section, "Right", p.rect.left() + p.rect.width());
}

WindowPlacement PlacementOf(const QWidget& window) {
    WindowPlacement p;
    p.showCmd = window.isMaximized() ? kShowMaximized : window.isMinimized() ? kShowMinimized : kShowNormal;
    p.rect = window.isWindow() ? window.normalGeometry() : window.geometry();
    if (!p.rect.isValid()) p.rect = window.geometry();
    return p;
}

void ApplyPlacement(QWidget& window, const WindowPlacement& placement) {
    QRect rect = placement.rect;
    if (rect.width() < 100 || rect.height() < 80) rect.setSize(rect.size().expandedTo(QSize(400, 300)));
    window.setGeometry(rect);
    switch (placement.showCmd) {
        case kShowMaximized: window.showMaximized(); break;
        case kShowMinimized:
            // A window that starts minimised is easily lost: start it normal instead.
            window.showNormal();
            break;
        default: window.showNormal(); break;
    }
}

}  // namespace corvane
