#pragma once

#include "views/CMapsView.h"

namespace corvane {

// The advanced user maps view: edits the trims of the shown map within their margins.
class CCorvaneAdvUserMapsView : public CMapsView {
public:
    CCorvaneAdvUserMapsView(CCorvaneMapsDoc& document, SettingsStore& settings, QWidget* parent = nullptr)
        : CMapsView(EditorView::AdvancedUser, document, settings, parent) {}
};

}  // namespace corvane
