#pragma once

#include "views/CMapsView.h"

namespace corvane {

// The maps view: edits the base values of the shown map.
class CCorvaneMapsView : public CMapsView {
    Q_OBJECT
public:
    CCorvaneMapsView(CCorvaneMapsDoc& document, SettingsStore& settings, QWidget* parent = nullptr);
};

}  // namespace corvane
