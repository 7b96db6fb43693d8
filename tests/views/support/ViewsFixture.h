#pragma once

#include <QApplication>
#include <QEvent>
#include <QImage>
#include <QPaintEvent>
#include <QRegion>
#include <QWidget>

#include <cmath>
#include <memory>
#include <string>

#include "documents/CCorvaneMapsDoc.h"
#include "maps/CModuleMap.h"
#include "model/AppState.h"
#include "model/SettingsStore.h"
#include "support/RecordingPrompter.h"

namespace corvane::test {

// A family A maps document with a scripted prompter and in-memory settings: what a maps
// view needs around it.
struct ViewsFixture {
    AppState app;
    RecordingPrompter prompter;
    MemorySettingsStore settings;
    std::unique_ptr<CCorvaneMapsDoc> doc;

    ViewsFixture() {
        app.productCode = 1;
        doc = std::make_unique<CCorvaneMapsDoc>(app, nullptr, nullptr, &prompter);
    }

    [[nodiscard]] int IndexOf(const std::string& className) const { return doc->FindMap(className); }

    // Gives a map a curve worth looking at: a rising, slightly bent line over the lower two
    // thirds of its module range, every other point in sync.
    void Shape(int index) const {
        CModuleMap& map = *doc->GetMap(index);
        const int lo = map.GetModuleMinimum().y;
        const int hi = map.GetModuleMaximum().y;
        const int n = map.GetNumberOfPoints();
        for (int i = 0; i < n; ++i) {
            const double f = static_cast<double>(i) / (n - 1);
            const int target = lo + static_cast<int>((hi - lo) * (0.15 + 0.5 * f + 0.08 * std::sin(6.0 * f)));
            map.StepPointByModuleUnits(i, target - map.GetPointModuleValue(i));
            if (i % 2 == 0) map.MarkPointInSync(i);
        }
    }
};

// Whether a pixel of this colour lies in the rectangle.
inline bool HasColor(const QImage& image, const QRect& rect, const QColor& color) {
    const QRect r = rect & image.rect();
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            if (image.pixelColor(x, y) == color) return true;
    return false;
}

// Records the regions of the paint events a widget gets.
class PaintRecorder : public QObject {
public:
    explicit PaintRecorder(QWidget& widget) { widget.installEventFilter(this); }
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            painted += static_cast<QPaintEvent*>(event)->region();
            ++paints;
        }
        return false;
    }
    void Clear() {
        painted = QRegion();
        paints = 0;
    }
    QRegion painted;
    int paints = 0;
};

}  // namespace corvane::test
