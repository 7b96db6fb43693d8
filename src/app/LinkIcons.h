#pragma once

#include <QIcon>

namespace corvane {

// The toolbar pictures, drawn rather than shipped as bitmaps so that they scale with the
// screen. The link toolbar's two buttons show one of three link images (unlinked, linked,
// monitoring); the AutoTune button one of two.
enum class LinkIconState { kUnlinked, kLinked, kMonitoring };

[[nodiscard]] QIcon LinkButtonIcon(LinkIconState state);
[[nodiscard]] QIcon MonitorButtonIcon(LinkIconState state);
[[nodiscard]] QIcon AutoTuneIcon(bool on);
// A plain glyph icon for the main toolbar's commands that the style has no picture for.
[[nodiscard]] QIcon GlyphIcon(const QString& glyph, const QColor& colour);

}  // namespace corvane
