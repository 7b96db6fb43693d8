#pragma once

#include <optional>

#include "maps/CMapEditor.h"

class QKeyEvent;

namespace corvane {

struct MapViewKeyPress {
    Key key;
    KeyModifiers modifiers;
};

// The key of the maps views a key event stands for, or nullopt for keys they do not take
// (and for any key with Alt, which belongs to the menus).
//
// With Shift held Qt reports the shifted symbol of a digit key ('!' for 1 on a US layout), so
// digits come back from the layout-independent native code where the platform gives one, and
// otherwise from the US symbols.
[[nodiscard]] std::optional<MapViewKeyPress> TranslateMapViewKey(const QKeyEvent& event);

}  // namespace corvane
