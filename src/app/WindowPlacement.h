#pragma once

#include <QRect>

#include <string>

class QWidget;

namespace corvane {

class SettingsStore;

// Show states as they are kept ("ShowCmd").
inline constexpr int kShowNormal = 1;
inline constexpr int kShowMinimized = 2;
inline constexpr int kShowMaximized = 3;

// A window's show state and its normal (restored) rectangle, kept in a settings section as
// "ShowCmd", "Top", "Left", "Bottom" and "Right".
struct WindowPlacement {
    int showCmd = kShowNormal;
    QRect rect;
};

// Each value falls back to the one in `defaults` when it is missing.
[[nodiscard]] WindowPlacement ReadPlacement(const SettingsStore& settings, const std::string& section,
                                            const WindowPlacement& defaults);
void WritePlacement(SettingsStore& settings, const std::string& section, const WindowPlacement& placement);
[[nodiscard]] WindowPlacement PlacementOf(const QWidget& window);
// A rectangle too small to use or a show state that is not known is replaced by a sensible one,
// so a damaged entry never hides a window.
void ApplyPlacement(QWidget& window, const WindowPlacement& placement);

}  // namespace corvane
