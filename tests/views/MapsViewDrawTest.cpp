// What the maps views draw and how the mouse edits it: colours from the settings read back
// from rendered pixels, vertical drags converted at the plot's scale, the live position's
// strip.
#include <QImage>
#include <QSignalSpy>
#include <QTest>

#include <cmath>

#include "support/ViewsFixture.h"
#include "views/CCorvaneAdvUserMapsView.h"
#include "views/CCorvaneMapsView.h"

using namespace corvane;
using namespace corvane::test;

namespace {

constexpr const char* kTimingMap = "IGNVSTHROTTLE2048Map";  // 64 points, 0 ... 45 deg, 1 deg a step

QColor Pixel(const QImage& image, QPoint p) { return image.pixelColor(p); }

// What the colour checks look at, for one rendered view.
struct Probe {
    QImage image;
    MapGraphLayout layout;
    QPoint inSyncCentre, notInSyncCentre, activeCentre;
    QRect curveGap;  // a column between two markers, around the segment joining them
    QPoint background, grid;
};

Probe Render(CMapsView& view) {
    Probe p;
    p.image = view.grab().toImage();
    p.layout = view.Layout();
    const CModuleMap& map = *view.ShownMap();
    p.inSyncCentre = view.PointPixel(30);
    p.notInSyncCentre = view.PointPixel(31);
    p.activeCentre = view.PointPixel(view.Editor().ActivePoint());
    const QPoint a = view.PointPixel(40);
    const QPoint b = view.PointPixel(41);
    p.curveGap = QRect((a.x() + b.x()) / 2, std::min(a.y(), b.y()) - 1, 1, std::abs(a.y() - b.y()) + 3);
    const QRect plot = p.layout.Plot();
    p.background = QPoint(plot.left() + 5, plot.top() + 5);
    p.grid = QPoint(p.layout.PixelX(map.GetXGridValues()[1]), plot.top() + 5);
    return p;
}

struct Colors {
    QColor background, grid, inSync, notInSync, line;
};

void CheckColors(const Probe& p, const Colors& c) {
    QCOMPARE(Pixel(p.image, p.background), c.background);
    QCOMPARE(Pixel(p.image, p.grid), c.grid);
    QCOMPARE(Pixel(p.image, p.inSyncCentre), c.inSync);
    QCOMPARE(Pixel(p.image, p.notInSyncCentre), c.notInSync);
    QVERIFY(HasColor(p.image, p.curveGap, c.line));
}

}  // namespace

class MapsViewDrawTest : public QObject {
    Q_OBJECT
private slots:
    void defaultColorsWithoutAColorsSection();
    void colorsFromTheSettingsAreBgr();
    void activeAndMarkedMarkersAreFramed();
    void trimAxisOnlyInTheAdvancedViewInItsOwnColor();
    void dragRaisesByThePixelsAtThePlotScale();
    void dragIsVerticalAndEditsOnlyOnRelease();
    void dragInTheAdvancedViewMovesTheTrim();
    void aPressBetweenTwoMarkersTakesTheNearer();
    void livePositionRepaintsOnlyItsStrips();
    void idleMapTitleFollowsItsLowestPoint();
    void aFuelRowIsDrawnWithItsRearTrimPartner();
    void trimInfoBoxNamesTheTrimAndItsPercent();
    void pointsADamagedFileHeldOutsideTheirLimitsAreCrossedUntilResolved();
};

void MapsViewDrawTest::defaultColorsWithoutAColorsSection() {
    ViewsFixture f;
    f.Shape(f.IndexOf(kTimingMap));
    CCorvaneMapsView view(*f.doc, f.settings);
    view.resize(1000, 700);
    view.ShowMap(f.IndexOf(kTimingMap));
    CheckColors(Render(view), {Qt::black, Qt::green, Qt::red, QColor(0xD2, 0xD2, 0xD2), Qt::blue});
}

void MapsViewDrawTest::colorsFromTheSettingsAreBgr() {
    ViewsFixture f;
    f.Shape(f.IndexOf(kTimingMap));
    // 0x00BBGGRR: the red byte lowest.
    f.settings.SetInt("Colors", "GraphBackgroundColor", 0x302010);
    f.settings.SetInt("Colors", "GridLineColor", 0x00A0FF);
    f.settings.SetInt("Colors", "InSyncMarkerColor", 0x00FF00);
    f.settings.SetInt("Colors", "NotInSyncMarkerColor", 0xFF00FF);
    f.settings.SetInt("Colors", "MapLineColor", 0x00FFFF);
    CCorvaneMapsView view(*f.doc, f.settings);
    view.resize(1000, 700);
    view.ShowMap(f.IndexOf(kTimingMap));
    const Probe p = Render(view);
    CheckColors(p, {QColor(0x10, 0x20, 0x30), QColor(0xFF, 0xA0, 0x00), Qt::green, Qt::magenta, Qt::yellow});

    // A colour changed in the settings shows after a reload.
    f.settings.SetInt("Colors", "GraphBackgroundColor", 0x000080);
    view.ReloadColors();
    QCOMPARE(Pixel(view.grab().toImage(), p.background), QColor(0x80, 0x00, 0x00));
}

void MapsViewDrawTest::activeAndMarkedMarkersAreFramed() {
    ViewsFixture f;
    f.Shape(f.IndexOf(kTimingMap));
    CCorvaneMapsView view(*f.doc, f.settings);
    view.resize(1000, 700);
    view.ShowMap(f.IndexOf(kTimingMap));
    view.Editor().SetActivePoint(20);
    view.ApplyKey(Key::P);  // first PPF mark on 20
    view.Editor().SetActivePoint(30);
    const QImage image = view.grab().toImage();
    const MapGraphLayout layout = view.Layout();
    const QRect active = layout.MarkerRect(view.PointPixel(30));
    // The in-sync fill is red; its frame is the inverse.
    QCOMPARE(Pixel(image, active.topLeft() - QPoint(1, 1)), QColor(Qt::cyan));
    const QRect marked = layout.MarkerRect(view.PointPixel(20));
    QCOMPARE(Pixel(image, marked.topLeft() - QPoint(3, 3)), QColor(Qt::green));
    const QRect plain = layout.MarkerRect(view.PointPixel(26));
    // Corners above the rising curve: nothing else is drawn there.
    QCOMPARE(Pixel(image, plain.topLeft() - QPoint(3, 3)), QColor(Qt::black));
}

void MapsViewDrawTest::trimAxisOnlyInTheAdvancedViewInItsOwnColor() {
    ViewsFixture f;
    f.settings.SetInt("Colors", "XYAxisTextColor", 0x0080FF);
    const QColor axisText(0xFF, 0x80, 0x00);
    CCorvaneMapsView maps(*f.doc, f.settings);
    CCorvaneAdvUserMapsView adv(*f.doc, f.settings);
    for (CMapsView* v : {static_cast<CMapsView*>(&maps), static_cast<CMapsView*>(&adv)}) {
        v->resize(1000, 700);
        v->ShowMap(f.IndexOf(kTimingMap));
    }
    const QRect plot = adv.Layout().Plot();
    // Clear of the x-axis labels below the plot.
    const QRect rightOfPlot(plot.right() + 2, plot.top() - 8, adv.width() - plot.right() - 2, plot.height() + 4);
    const QRect leftOfPlot(0, plot.top(), plot.left() - 2, plot.height());
    const QImage advImage = adv.grab().toImage();
    QVERIFY(HasColor(advImage, rightOfPlot, axisText));
    QVERIFY(HasColor(advImage, leftOfPlot, axisText));
    const QImage mapsImage = maps.grab().toImage();
    QVERIFY(!HasColor(mapsImage, leftOfPlot, axisText));
    QVERIFY2(!HasColor(mapsImage, rightOfPlot, QColor(Qt::green)), "no trim axis in the maps view");
}

void MapsViewDrawTest::dragRaisesByThePixelsAtThePlotScale() {
    ViewsFixture f;
    CCorvaneMapsView view(*f.doc, f.settings);
    view.resize(753, 600);  // 0.85 of 753 holds the 640-pixel reference plot at scale 1
    view.ShowMap(f.IndexOf(kTimingMap));
    CModuleMap& map = *view.ShownMap();
    QCOMPARE(view.Layout().plotHeight, 378);
    QCOMPARE(map.GetDisplayMinimum().y, 0.0);
    QCOMPARE(map.GetDisplayMaximum().y, 45.0);
    QVERIFY(std::abs(view.Layout().DragToDisplayUnits(10) - 10 * 45.0 / 378) < 1e-12);

    map.StepPointByModuleUnits(20, 10);
    QSignalSpy edited(&view, &CMapsView::documentEdited);
    auto drag = [&](int pixelsUp) {
        const QPoint from = view.PointPixel(20);
        QTest::mousePress(&view, Qt::LeftButton, {}, from);
        QTest::mouseMove(&view, from - QPoint(0, pixelsUp));
        QTest::mouseRelease(&view, Qt::LeftButton, {}, from - QPoint(0, pixelsUp));
    };
    drag(10);  // 1.19 deg: one step
    QCOMPARE(map.GetPointModuleValue(20), 11);
    drag(40);  // 4.76 deg: rounds to five steps, not four
    QCOMPARE(map.GetPointModuleValue(20), 16);
    drag(-40);
    QCOMPARE(map.GetPointModuleValue(20), 11);
    QCOMPARE(edited.count(), 3);
    QCOMPARE(view.Editor().ActivePoint(), 20);
    // A click without movement only activates the point.
    view.Editor().SetActivePoint(0);
    drag(0);
    QCOMPARE(view.Editor().ActivePoint(), 20);
    QCOMPARE(edited.count(), 3);
}

void MapsViewDrawTest::dragIsVerticalAndEditsOnlyOnRelease() {
    ViewsFixture f;
    f.Shape(f.IndexOf(kTimingMap));
    CCorvaneMapsView view(*f.doc, f.settings);
    view.resize(1000, 700);
    view.ShowMap(f.IndexOf(kTimingMap));
    CModuleMap& map = *view.ShownMap();
    const int before = map.GetPointModuleValue(31);
    const QPoint from = view.PointPixel(31);
    const QPoint to = from + QPoint(60, -50);  // sideways movement is ignored
    QTest::mousePress(&view, Qt::LeftButton, {}, from);
    QTest::mouseMove(&view, to);
    QCOMPARE(map.GetPointModuleValue(31), before);
    const QImage during = view.grab().toImage();
    const QColor grey(0xD2, 0xD2, 0xD2);  // the default not-in-sync fill
    QCOMPARE(Pixel(during, QPoint(from.x(), from.y() - 50)), grey);
    QVERIFY(Pixel(during, from) != grey);
    // The segments to both neighbours follow the marker.
    const QPoint left = view.PointPixel(30);
    const QPoint right = view.PointPixel(32);
    const QColor line(Qt::blue);
    auto segmentDrawn = [&](QPoint a, QPoint b) {
        const int x = (a.x() + b.x()) / 2;
        const int y = (a.y() + b.y()) / 2;
        return HasColor(during, QRect(x, y - 3, 1, 7), line);
    };
    QVERIFY(segmentDrawn(left, QPoint(from.x(), from.y() - 50)));
    QVERIFY(segmentDrawn(QPoint(from.x(), from.y() - 50), right));

    QTest::mouseRelease(&view, Qt::LeftButton, {}, to);
    QVERIFY(map.GetPointModuleValue(31) > before);
    QCOMPARE(view.PointPixel(31).x(), from.x());
}

void MapsViewDrawTest::dragInTheAdvancedViewMovesTheTrim() {
    ViewsFixture f;
    const int index = f.IndexOf("RearTrimVsThrottle2048Map");  // trims within -20 ... +20 %
    CModuleMap& map = *f.doc->GetMap(index);
    map.StepPointByModuleUnits(8, 128);  // base at 0 %
    CCorvaneAdvUserMapsView view(*f.doc, f.settings);
    view.resize(753, 600);
    view.ShowMap(index);
    const int base = map.GetPointBaseValue(8);
    const QPoint from = view.PointPixel(8);
    QTest::mousePress(&view, Qt::LeftButton, {}, from);
    QTest::mouseRelease(&view, Qt::LeftButton, {}, from - QPoint(0, 20));
    QCOMPARE(map.GetPointBaseValue(8), base);
    const double expected = 20 * map.GetYSpan() / 378;
    QVERIFY(map.GetPointTrimValue(8) > 0);
    QVERIFY2(std::abs(map.GetPointTrimDisplayValue(8) - expected) <= map.GetYScale(),
             "the trim moves by the dragged distance, to the nearest step");
}

// Markers of a long map stand a few pixels apart: a press within reach of two of them takes
// the nearer, never the first in the list, or the drag edits the point beside the one aimed at.
void MapsViewDrawTest::aPressBetweenTwoMarkersTakesTheNearer() {
    ViewsFixture f;
    CCorvaneMapsView view(*f.doc, f.settings);
    view.ShowMap(f.IndexOf(kTimingMap));
    CModuleMap& map = *view.ShownMap();
    const int reach = view.Layout().markerSide / 2 + 2;
    int left = -1;
    // The narrower the window, the closer the markers.
    for (int width = 753; width >= 250 && left < 0; width -= 50) {
        view.resize(width, 600);
        for (int i = 0; i + 1 < map.GetNumberOfPoints() && left < 0; ++i) {
            const int gap = view.PointPixel(i + 1).x() - view.PointPixel(i).x();
            if (gap > 2 && gap <= 2 * reach - 1 && view.PointPixel(i).y() == view.PointPixel(i + 1).y()) left = i;
        }
    }
    QVERIFY2(left >= 0, "two neighbouring markers within reach of one press");
    const int gap = view.PointPixel(left + 1).x() - view.PointPixel(left).x();
    const QPoint from = view.PointPixel(left) + QPoint(gap - gap / 2 + (gap % 2 == 0 ? 1 : 0), 0);
    QVERIFY(from.x() - view.PointPixel(left).x() <= reach);
    const int leftBefore = map.GetPointModuleValue(left), rightBefore = map.GetPointModuleValue(left + 1);
    QTest::mousePress(&view, Qt::LeftButton, {}, from);
    QTest::mouseMove(&view, from - QPoint(0, 20));
    QTest::mouseRelease(&view, Qt::LeftButton, {}, from - QPoint(0, 20));
    QCOMPARE(view.Editor().ActivePoint(), left + 1);
    QVERIFY(map.GetPointModuleValue(left + 1) > rightBefore);
    QCOMPARE(map.GetPointModuleValue(left), leftBefore);
}

void MapsViewDrawTest::livePositionRepaintsOnlyItsStrips() {
    ViewsFixture f;
    CCorvaneMapsView view(*f.doc, f.settings);
    view.resize(1000, 700);
    view.ShowMap(f.IndexOf(kTimingMap));
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    PaintRecorder recorder(view);
    const CModuleMap& map = *view.ShownMap();
    const MapGraphLayout layout = view.Layout();
    const QRect plot = layout.Plot();
    auto strip = [&](int lower) {
        return QRect(QPoint(layout.PixelX(map.GetPointX(lower)) - 3, plot.top()),
                     QPoint(layout.PixelX(map.GetPointX(lower + 1)) + 3, plot.bottom()));
    };
    const double x20 = (map.GetPointX(20) * 2 + map.GetPointX(21)) / 3;
    view.SetMapPointerPosition(x20);
    QTRY_VERIFY(recorder.paints > 0);
    QCOMPARE(recorder.painted.boundingRect(), strip(20));
    const QImage shown = view.grab().toImage();
    const QPoint onLine(layout.PixelX(x20), plot.top() + 3);
    QVERIFY(Pixel(shown, onLine) != QColor(Qt::black));

    recorder.Clear();
    view.SetMapPointerPosition((map.GetPointX(40) + map.GetPointX(41)) / 2);
    QTRY_VERIFY(recorder.paints > 0);
    QCOMPARE(recorder.painted, QRegion(strip(20)) + QRegion(strip(40)));

    recorder.Clear();
    view.ClearMapPointer();
    QTRY_VERIFY(recorder.paints > 0);
    QCOMPARE(recorder.painted.boundingRect(), strip(40));
    QCOMPARE(Pixel(view.grab().toImage(), onLine), QColor(Qt::black));
}

void MapsViewDrawTest::idleMapTitleFollowsItsLowestPoint() {
    ViewsFixture f;
    const int index = f.IndexOf("IDLEVSTEMPMap");
    CModuleMap& map = *f.doc->GetMap(index);
    for (int i = 0; i < map.GetNumberOfPoints(); ++i) map.StepPointByModuleUnits(i, 40 + (i == 7 ? 0 : 5));
    CCorvaneMapsView view(*f.doc, f.settings);
    view.resize(1000, 700);
    view.ShowMap(index);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    view.Editor().SetActivePoint(7);
    PaintRecorder recorder(view);
    const int lowBefore = map.GetPointModuleValue(7);
    view.ApplyKey(Key::Down);
    // The idle speed setting takes the new lowest point and the title band is repainted.
    QCOMPARE(f.doc->GetSetting(kIdleRpm)->GetModuleValue(), lowBefore - 1);
    QTRY_VERIFY(recorder.painted.contains(QRect(200, 20, 10, 10)));
}

void MapsViewDrawTest::aFuelRowIsDrawnWithItsRearTrimPartner() {
    ViewsFixture f;
    const int fuel = f.IndexOf("Stoichiometric2048Map");
    const int rear = f.IndexOf("RearTrimVsThrottle2048Map");
    f.Shape(fuel);
    // The rear trims fall where the fuel rises, so the two curves cross once.
    CModuleMap& trims = *f.doc->GetMap(rear);
    for (int i = 0; i < trims.GetNumberOfPoints(); ++i) {
        trims.StepPointByModuleUnits(i, 220 - 3 * i - trims.GetPointModuleValue(i));
        if (i % 2 == 0) trims.MarkPointInSync(i);
    }
    CCorvaneMapsView view(*f.doc, f.settings);
    view.resize(1000, 700);
    view.ShowMap(fuel);
    QCOMPARE(view.PartnerMap(), f.doc->GetMap(rear));
    const QImage image = view.grab().toImage();
    const MapGraphLayout layout = view.Layout();
    const QColor partnerColour(0x80, 0xA0, 0xFF);
    // Every partner marker is framed in the partner's colour, two pixels larger than the shown
    // map's markers, and filled by its own sync state.
    int checked = 0;
    for (int i = 0; i < f.doc->GetMap(rear)->GetNumberOfPoints(); ++i) {
        const QPoint at = view.PartnerPointPixel(i);
        bool clear = true;  // not where a marker of the shown map lies over it
        for (int j = 0; j < view.ShownMap()->GetNumberOfPoints(); ++j)
            clear = clear && (std::abs(view.PointPixel(j).x() - at.x()) > 12 || std::abs(view.PointPixel(j).y() - at.y()) > 12);
        if (!clear) continue;
        const QRect r(at.x() - (layout.markerSide + 2) / 2, at.y() - (layout.markerSide + 2) / 2, layout.markerSide + 2,
                      layout.markerSide + 2);
        QCOMPARE(Pixel(image, r.topLeft()), partnerColour);
        QCOMPARE(Pixel(image, r.bottomRight()), partnerColour);
        QCOMPARE(Pixel(image, at), i % 2 == 0 ? QColor(Qt::red) : QColor(0xD2, 0xD2, 0xD2));
        ++checked;
    }
    QVERIFY2(checked >= 10, qPrintable(QString::number(checked)));
    // It is drawn, not edited: a click on a partner marker grabs nothing.
    view.Editor().SetActivePoint(0);
    QTest::mouseClick(&view, Qt::LeftButton, {}, view.PartnerPointPixel(50));
    QVERIFY(view.Editor().ActivePoint() != 50 || view.PointPixel(50) == view.PartnerPointPixel(50));

    // Shift+Right shows the rear trim row, with the fuel row as its partner; a map of no row
    // has none.
    view.ApplyKey(Key::Right, {false, true});
    QCOMPARE(view.ShownMap(), f.doc->GetMap(rear));
    QCOMPARE(view.PartnerMap(), f.doc->GetMap(fuel));
    view.ShowMap(f.IndexOf(kTimingMap));
    QCOMPARE(view.PartnerMap(), nullptr);
}

void MapsViewDrawTest::trimInfoBoxNamesTheTrimAndItsPercent() {
    ViewsFixture f;
    const int fuel = f.IndexOf("Stoichiometric2048Map");
    f.Shape(fuel);
    f.doc->ApplyEditMargins();
    CCorvaneAdvUserMapsView view(*f.doc, f.settings);
    view.resize(1000, 700);
    view.ShowMap(fuel);
    view.Editor().SetActivePoint(30);
    view.ApplyKey(Key::Up, {true, false});
    view.ApplyKey(Key::Space);
    const auto lines = view.Editor().InfoBoxLines();
    const double shown = view.ShownMap()->GetPointTrimShownValue(30);
    QVERIFY(shown > 0.0);
    QCOMPARE(QString::fromStdString(lines[1]), "% Change: " + QString::number(shown, 'f', 3) + " %");
}

void MapsViewDrawTest::pointsADamagedFileHeldOutsideTheirLimitsAreCrossedUntilResolved() {
    ViewsFixture f;
    const int index = f.IndexOf(kTimingMap);
    MapFileRecords records = f.doc->ToRecords();
    records.mapPoints[static_cast<std::size_t>(index)][20].trim = 38800000;
    auto loaded = CCorvaneMapsDoc::Load(records.ToBytes(), f.app, nullptr, nullptr, &f.prompter);
    QVERIFY(loaded.document != nullptr);
    f.doc = std::move(loaded.document);
    const QColor red(0xFF, 0x30, 0x30);
    // Both maps views mark it: the plain one and the advanced user's.
    CCorvaneMapsView maps(*f.doc, f.settings);
    CCorvaneAdvUserMapsView adv(*f.doc, f.settings);
    for (CMapsView* view : {static_cast<CMapsView*>(&maps), static_cast<CMapsView*>(&adv)}) {
        view->resize(1000, 700);
        view->ShowMap(index);
        view->Editor().SetActivePoint(40);
        auto crossed = [&](int point) {
            const QRect r = view->Layout().MarkerRect(view->PointPixel(point));
            return Pixel(view->grab().toImage(), r.topLeft() - QPoint(5, 5)) == red;
        };
        QVERIFY(crossed(20));
        QVERIFY(!crossed(19));
        QVERIFY(!crossed(21));
    }
    // Edited, the value is the tuner's own: no mark in either view.
    f.doc->GetMap(index)->StepPointByModuleUnits(20, -1);
    for (CMapsView* view : {static_cast<CMapsView*>(&maps), static_cast<CMapsView*>(&adv)}) {
        view->OnDocumentUpdated();
        const QRect r = view->Layout().MarkerRect(view->PointPixel(20));
        QVERIFY(Pixel(view->grab().toImage(), r.topLeft() - QPoint(5, 5)) != red);
    }
}

QTEST_MAIN(MapsViewDrawTest)
#include "MapsViewDrawTest.moc"
