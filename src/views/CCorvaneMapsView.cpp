#include "views/CCorvaneMapsView.h"

namespace corvane {

CCorvaneMapsView::CCorvaneMapsView(CCorvaneMapsDoc& document, SettingsStore& settings, QWidget* parent)
    : CMapsView(EditorView::Maps, document, settings, parent) {}

}  // namespace corvane
