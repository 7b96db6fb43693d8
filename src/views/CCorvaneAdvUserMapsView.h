#pragma once

#include "views/CMapsView.h"

namespace corvane {

// The advanced user maps view: edits the trims of the shown map within their margins, and
// labels the trim axis on the right of the plot in the "XYAxisTextColor" colour.
class CCorvaneAdvUserMapsView : public CMapsView {
    Q_OBJECT
public:
    CCorvaneAdvUserMapsView(CCorvaneMapsDoc& document, SettingsStore& settings, QWidget* parent = nullptr);
};

}  // namespace corvane
