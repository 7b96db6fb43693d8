#include "views/CCorvaneAdvUserMapsView.h"

namespace corvane {

CCorvaneAdvUserMapsView::CCorvaneAdvUserMapsView(CCorvaneMapsDoc& document, SettingsStore& settings,
                                                 QWidget* parent)
    : CMapsView(EditorView::AdvancedUser, document, settings, parent) {}

}  // namespace corvane
