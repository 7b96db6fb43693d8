// The table view: what it draws, read back from rendered pixels, and what its keys, mouse,
// clipboard, live position, comparison and marks do to the document.
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QImage>
#include <QPainter>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include "maps/CModuleMap.h"
#include "maps/CTableLivePosition.h"
#include "monitor/CAutoTuneCollector.h"
#include "support/ViewsFixture.h"
#include "views/CTableView.h"
#include "views/HeatScale.h"

using namespace corvane;
using namespace corvane::test;

namespace {

// Family A with fuel rows that rise along both axes, every cell's module value distinct, and the
// even rows in sync with a module.
struct TableFixture : ViewsFixture {
    TableFixture() {
        for (int row = 0; row < 32; ++row) {
            CModuleMap& map = *doc->GetMap(doc->FindMap("Stoichiometric" + std::to_string(256 * (row + 1)) + "Map"));
            for (int p = 0; p < 64; ++p) {
                map.GetMapPoint(p)->AssignBase(100 + 20 * row + p);
                if (row % 2 == 0) map.MarkPointInSync(p);
            }
        }
    }
    CModuleMap& FuelRow(int row) const {
        return *doc->GetMap(doc->FindMap("Stoichiometric" + std::to_string(256 * (row + 1)) + "Map"));
    }
    int Fuel(int row, int point) const { return FuelRow(row).GetPointModuleValue(point); }
};

void Key(CTableView& view, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QTest::keyClick(&view, static_cast<Qt::Key>(key), modifiers);
}

void Type(CTableView& view, const QString& text) {
    for (QChar c : text) QTest::keyClick(&view, c.toLatin1());
}

QImage Render(CTableView& view) { return view.viewport()->grab().toImage(); }

// A pixel of a cell away from its text and its corner marks: the left edge's middle.
QColor CellFill(const QImage& image, const TableGeometry& g, TableCell cell) {
    const QRect r = g.CellRect(cell);
    return image.pixelColor(r.left() + 2, r.center().y());
}

// A view of the fuel table, big enough to show the top left part without scrolling.
struct Shown {
    TableFixture f;
    CTableView view{*f.doc, f.settings};
    Shown() {
        view.resize(1200, 800);
        view.ShowFamily("fuel");
    }
};

}  // namespace

class TableViewTest : public QObject {
    Q_OBJECT
private slots:
    void cellsTakeTheHeatScaleFromLowestToHighest();
    void notInSyncCellsAndTheActiveCellAreMarked();
    void keysMoveStretchAndStepAsTheCurveDoes();
    void typedValuesPercentagesAndOffsets();
    void theActiveRowIsToldAndARightClickSelectsItsCell();
    void pasteOfABadBlockIsRefusedWithAMessage();
    void copyPasteRoundTripsThroughTheClipboard();
    void mouseDragsSelectCellsRowsAndColumns();
    void interpolationAndSmoothingKeysEditTheSelection();
    void undoAndRedoByKeys();
    void aKeyEditRepaintsOnlyWhatChanged();
    void liveCellsAreOutlinedAndFollowModeJumpsToThem();
    void comparedCellsAreMarkedAndTakeValueCopiesTheSelection();
    void overlayMarksAndAutoTuneCorrectionsShowPerCell();
    void theCurveKeyNamesTheActiveMapAndPoint();
    void paintTableFitsTheWholeTableIntoARect();
    void everyFamilyOfEveryProductShows();
    void cellsADamagedFileHeldOutsideTheirLimitsAreMarkedUntilResolved();
};

void TableViewTest::cellsTakeTheHeatScaleFromLowestToHighest() {
    Shown s;
    s.view.Editor()->Select({5, 5});  // the active cell's frame away from the cells looked at
    const QImage image = Render(s.view);
    const TableGeometry g = s.view.Geometry();
    // 100 is the lowest value (row 0, point 0), 100 + 20 * 31 + 63 the highest (row 31, point 63).
    QCOMPARE(CellFill(image, g, {0, 0}), HeatScale::At(0.0));
    const double low = s.view.Editor()->Value({0, 0});
    const double high = s.view.Editor()->Value({31, 63});
    const double mid = s.view.Editor()->Value({10, 5});
    QCOMPARE(CellFill(image, g, {10, 5}), HeatScale::At(HeatScale::Fraction(mid, low, high)));
    // Values read black on the light end and white on the dark end.
    QVERIFY(HasColor(image, g.CellRect({0, 1}), Qt::white));
    QCOMPARE(HeatScale::TextOn(HeatScale::At(1.0)), QColor(Qt::black));
}

void TableViewTest::notInSyncCellsAndTheActiveCellAreMarked() {
    Shown s;
    s.view.Editor()->Select({2, 3});
    const QImage image = Render(s.view);
    const TableGeometry g = s.view.Geometry();
    const QColor grey(0xD2, 0xD2, 0xD2);
    const QRect odd = g.CellRect({1, 10});   // not in sync
    const QRect even = g.CellRect({4, 10});  // in sync
    QCOMPARE(image.pixelColor(odd.right() - 2, odd.top() + 1), grey);
    QVERIFY(image.pixelColor(even.right() - 2, even.top() + 1) != grey);
    // The mark of the active cell (row 3, not in sync) shows over its frame.
    const QRect framed = g.CellRect({3, 3});
    s.view.Editor()->Select({3, 3});
    QCOMPARE(Render(s.view).pixelColor(framed.right() - 2, framed.top() + 1), grey);
    // The active cell's frame: black outside, white inside.
    const QRect active = g.CellRect({2, 3});
    QCOMPARE(image.pixelColor(active.left() + 1, active.center().y()), QColor(Qt::black));
    QCOMPARE(image.pixelColor(active.left() + 3, active.center().y()), QColor(Qt::white));
}

void TableViewTest::keysMoveStretchAndStepAsTheCurveDoes() {
    Shown s;
    CTableEditor& t = *s.view.Editor();
    t.Select({0, 0});
    Key(s.view, Qt::Key_Right);
    Key(s.view, Qt::Key_Right);
    Key(s.view, Qt::Key_PageDown);
    QCOMPARE(t.Active(), (TableCell{1, 2}));
    Key(s.view, Qt::Key_Right, Qt::ShiftModifier);
    Key(s.view, Qt::Key_Down, Qt::ShiftModifier);
    QCOMPARE(t.Selection(), (TableRect{1, 2, 2, 3}));
    QSignalSpy edited(&s.view, &CTableView::documentEdited);
    const int before = s.f.Fuel(2, 3);
    Key(s.view, Qt::Key_Up);
    QCOMPARE(s.f.Fuel(2, 3), before + 1);
    QCOMPARE(s.f.Fuel(1, 2), 100 + 20 + 2 + 1);
    Key(s.view, Qt::Key_Down, Qt::ControlModifier);
    QCOMPARE(s.f.Fuel(2, 3), before - 9);
    QCOMPARE(edited.count(), 2);
    QVERIFY(s.f.doc->IsModified());
    Key(s.view, Qt::Key_End, Qt::ControlModifier);
    QCOMPARE(t.Active(), (TableCell{31, 3}));
    Key(s.view, Qt::Key_Home);
    QCOMPARE(t.Active(), (TableCell{31, 0}));
    QCOMPARE(t.Selection(), (TableRect{31, 0, 31, 0}));
    // The active cell is scrolled into view.
    QVERIFY(s.view.Geometry().CellArea().contains(s.view.Geometry().CellRect({31, 0})));
}

void TableViewTest::typedValuesPercentagesAndOffsets() {
    Shown s;
    CTableEditor& t = *s.view.Editor();
    t.Select({0, 0});
    t.Select({0, 1}, true);
    Type(s.view, "4.096");
    QVERIFY(s.view.StatusText().startsWith("Set the selection to: 4.096_"));
    QCOMPARE(s.f.Fuel(0, 0), 100);  // nothing happens before Enter
    Key(s.view, Qt::Key_Return);
    QCOMPARE(s.f.Fuel(0, 0), 200);
    QCOMPARE(s.f.Fuel(0, 1), 200);
    Type(s.view, "*150");
    Key(s.view, Qt::Key_Enter);
    QCOMPARE(s.f.Fuel(0, 1), 300);
    Type(s.view, "+-2.048");
    Key(s.view, Qt::Key_Return);
    QCOMPARE(s.f.Fuel(0, 0), 200);
    // Esc drops what was typed; a typed text that is no number changes nothing.
    Type(s.view, "7");
    Key(s.view, Qt::Key_Escape);
    Key(s.view, Qt::Key_Return);
    QCOMPARE(s.f.Fuel(0, 0), 200);
    Type(s.view, "1-2");
    Key(s.view, Qt::Key_Return);
    QCOMPARE(s.f.Fuel(0, 0), 200);
    QVERIFY(s.view.StatusText().contains("is not a number"));
    // Values beyond the limit are held there and said so.
    Type(s.view, "99");
    Key(s.view, Qt::Key_Return);
    QCOMPARE(s.f.Fuel(0, 0), 1023);
    QVERIFY(s.view.StatusText().contains("2 held at their limits"));
    // Again: nothing moves, and the status says so rather than counting cells as changed.
    Type(s.view, "99");
    Key(s.view, Qt::Key_Return);
    QVERIFY2(s.view.StatusText().endsWith("Nothing changed: the cells are at their limits."), qPrintable(s.view.StatusText()));
    // A key that is no part of a value ends the typing and acts as itself: a later Enter
    // applies nothing to the cell it moved to.
    Type(s.view, "3");
    Key(s.view, Qt::Key_PageDown);
    QCOMPARE(t.Active().row, 1);
    const int below = s.f.Fuel(1, t.Active().column);
    Key(s.view, Qt::Key_Return);
    QCOMPARE(s.f.Fuel(1, t.Active().column), below);
}

void TableViewTest::theActiveRowIsToldAndARightClickSelectsItsCell() {
    Shown s;
    CTableEditor& t = *s.view.Editor();
    t.Select({4, 4});
    QSignalSpy rows(&s.view, &CTableView::activeRowChanged);
    Key(s.view, Qt::Key_Right);
    QCOMPARE(rows.count(), 0);  // the same row: AutoTune's speed stays
    Key(s.view, Qt::Key_PageDown);
    QCOMPARE(rows.count(), 1);
    QCOMPARE(rows.takeFirst().at(0).toInt(), s.f.doc->FindMap("Stoichiometric1536Map"));

    // A right click outside the selection: the menu acts on the cell clicked, not the old block.
    t.Select({1, 1});
    t.Select({2, 2}, true);
    const TableCell target{8, 6};
    // Its first pixel: the event comes in the viewport's coordinates, as the cells are laid out.
    const QPoint inView = s.view.Geometry().CellRect(target).topLeft();
    QTimer::singleShot(0, [] {
        if (QWidget* menu = QApplication::activePopupWidget()) menu->close();
    });
    QContextMenuEvent event(QContextMenuEvent::Mouse, inView, s.view.viewport()->mapToGlobal(inView));
    QApplication::sendEvent(s.view.viewport(), &event);
    QCOMPARE(t.Active(), target);
    QVERIFY(t.Selection().Contains(target));
    QVERIFY(!t.Selection().Contains({1, 1}));
    QCOMPARE(rows.count(), 1);
}

void TableViewTest::pasteOfABadBlockIsRefusedWithAMessage() {
    Shown s;
    s.view.Editor()->Select({31, 0});
    QApplication::clipboard()->setText("1\t2\n3\t4\n");
    Key(s.view, Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(s.f.prompter.shown.size(), std::size_t(1));
    QCOMPARE(QString::fromStdString(s.f.prompter.shown[0].text),
             QString("The pasted block does not fit: its row 2 would fall below the last row (7936 rpm). Nothing was pasted."));
    QCOMPARE(QString::fromStdString(s.f.prompter.shown[0].title), QString("Paste"));
    QCOMPARE(s.f.Fuel(31, 0), 100 + 620);
    QVERIFY(!s.f.doc->IsModified());
}

void TableViewTest::copyPasteRoundTripsThroughTheClipboard() {
    Shown s;
    CTableEditor& t = *s.view.Editor();
    t.Select({4, 4});
    t.Select({6, 9}, true);
    Key(s.view, Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(QApplication::clipboard()->text().count('\n'), 3);
    t.Select({20, 30});
    Key(s.view, Qt::Key_V, Qt::ControlModifier);
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 6; ++c) QCOMPARE(s.f.Fuel(20 + r, 30 + c), s.f.Fuel(4 + r, 4 + c));
    QVERIFY(s.f.prompter.shown.empty());
}

void TableViewTest::mouseDragsSelectCellsRowsAndColumns() {
    Shown s;
    s.view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&s.view));
    const TableGeometry g = s.view.Geometry();
    QWidget* vp = s.view.viewport();
    QTest::mousePress(vp, Qt::LeftButton, {}, g.CellRect({2, 3}).center());
    QTest::mouseMove(vp, g.CellRect({5, 7}).center());
    QTest::mouseRelease(vp, Qt::LeftButton, {}, g.CellRect({5, 7}).center());
    QCOMPARE(s.view.Editor()->Selection(), (TableRect{2, 3, 5, 7}));
    QTest::mouseClick(vp, Qt::LeftButton, {}, g.RowHeaderRect(9).center());
    QCOMPARE(s.view.Editor()->Selection(), (TableRect{9, 0, 9, 63}));
    QTest::mousePress(vp, Qt::LeftButton, {}, g.ColumnHeaderRect(2).center());
    QTest::mouseMove(vp, g.ColumnHeaderRect(4).center());
    QTest::mouseRelease(vp, Qt::LeftButton, {}, g.ColumnHeaderRect(4).center());
    QCOMPARE(s.view.Editor()->Selection(), (TableRect{0, 2, 31, 4}));
    QTest::mouseClick(vp, Qt::LeftButton, {}, g.CornerRect().center());
    QCOMPARE(s.view.Editor()->Selection(), (TableRect{0, 0, 31, 63}));
}

void TableViewTest::interpolationAndSmoothingKeysEditTheSelection() {
    Shown s;
    CTableEditor& t = *s.view.Editor();
    s.f.FuelRow(3).GetMapPoint(5)->AssignBase(500);
    t.Select({3, 2});
    t.Select({3, 8}, true);
    Key(s.view, Qt::Key_H);
    QCOMPARE(s.f.Fuel(3, 5), 100 + 60 + 5);
    s.f.FuelRow(4).GetMapPoint(5)->AssignBase(500);
    t.Select({3, 4});
    t.Select({5, 6}, true);
    Key(s.view, Qt::Key_S);
    QVERIFY(s.f.Fuel(4, 5) < 500 && s.f.Fuel(4, 5) > 180);
    QVERIFY(s.view.StatusText().contains("1 cell changed"));
    t.Select({3, 4});
    t.Select({4, 6}, true);
    Key(s.view, Qt::Key_B);
    QVERIFY(s.view.StatusText().contains("Select at least 3 x 3 cells"));
}

void TableViewTest::undoAndRedoByKeys() {
    Shown s;
    s.view.Editor()->Select({0, 0});
    s.view.Editor()->Select({1, 1}, true);
    Type(s.view, "10");
    Key(s.view, Qt::Key_Return);
    const int set = s.f.Fuel(1, 1);
    Key(s.view, Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(s.f.Fuel(1, 1), 100 + 20 + 1);
    QVERIFY2(s.view.StatusText().contains("Undone: Fuelflow vs TPS table: set cells."), qPrintable(s.view.StatusText()));
    Key(s.view, Qt::Key_Y, Qt::ControlModifier);
    QCOMPARE(s.f.Fuel(1, 1), set);
}

void TableViewTest::aKeyEditRepaintsOnlyWhatChanged() {
    Shown s;
    s.view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&s.view));
    s.view.Editor()->Select({10, 10});
    QTest::qWait(20);
    PaintRecorder recorder(*s.view.viewport());
    Key(s.view, Qt::Key_Up);
    QTRY_VERIFY(recorder.paints > 0);
    const TableGeometry g = s.view.Geometry();
    QVERIFY(recorder.painted.contains(g.CellRect({10, 10})));
    QVERIFY(recorder.painted.contains(g.StatusRect()));
    QVERIFY(!recorder.painted.intersects(g.CellRect({20, 20})));
    QVERIFY(!recorder.painted.intersects(g.TitleRect()));
}

void TableViewTest::liveCellsAreOutlinedAndFollowModeJumpsToThem() {
    Shown s;
    // Three quarters of the way from 2304 to 2560 rpm, on the x of point 6.
    s.view.SetLivePosition(2304 + 192, s.view.Editor()->ColumnX(6));
    const CTableLivePosition& live = *s.view.LivePosition();
    QCOMPARE(live.NearestCell(), (TableCell{10, 6}));
    const QImage image = Render(s.view);
    const TableGeometry g = s.view.Geometry();
    const QColor magenta(0xFF, 0x20, 0xFF);
    auto outlineAlpha = [&](TableCell cell) {
        // The outline's colour over the cell's own: the stronger the weight, the nearer magenta.
        const QRect r = g.CellRect(cell);
        const QColor c = image.pixelColor(r.left() + 4, r.top());
        return std::abs(c.red() - magenta.red()) + std::abs(c.green() - magenta.green()) + std::abs(c.blue() - magenta.blue());
    };
    QVERIFY(outlineAlpha({10, 6}) < outlineAlpha({9, 6}));
    QCOMPARE(CellFill(image, g, {20, 20}), HeatScale::At(HeatScale::Fraction(s.view.Editor()->Value({20, 20}),
                                                                              s.view.Editor()->Value({0, 0}),
                                                                              s.view.Editor()->Value({31, 63}))));
    // In a shown window the live cells are repainted on their own, a frame after the packet.
    s.view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&s.view));
    QTest::qWait(50);
    PaintRecorder recorder(*s.view.viewport());
    s.view.SetLivePosition(4096, s.view.Editor()->ColumnX(12));
    QTRY_VERIFY(recorder.painted.contains(g.CellRect({16, 12}).adjusted(1, 1, -1, -1)));
    QVERIFY(!recorder.painted.intersects(g.CellRect({2, 50})));
    s.view.Editor()->Select({0, 0});
    Key(s.view, Qt::Key_Insert);
    QVERIFY(s.view.Editor()->FollowMode());
    Key(s.view, Qt::Key_Up);
    QCOMPARE(s.view.Editor()->Active(), (TableCell{16, 12}));
    QCOMPARE(s.f.Fuel(16, 12), 100 + 320 + 12 + 1);  // the key acted on the live cell
    s.view.ClearLivePosition();
    QVERIFY(!s.view.LivePosition()->HasPosition());
}

void TableViewTest::comparedCellsAreMarkedAndTakeValueCopiesTheSelection() {
    Shown s;
    ViewsFixture other;
    for (int row = 0; row < 32; ++row) {
        CModuleMap& map = *other.doc->GetMap(other.doc->FindMap("Stoichiometric" + std::to_string(256 * (row + 1)) + "Map"));
        for (int p = 0; p < 64; ++p) map.GetMapPoint(p)->AssignBase(row == 3 && p < 4 ? 900 : 100 + 20 * row + p);
    }
    s.view.SetComparedTune(other.doc.get());
    const QImage image = Render(s.view);
    const TableGeometry g = s.view.Geometry();
    const QColor orange(0xFF, 0xA5, 0x00);
    const QRect differing = g.CellRect({3, 2});
    QCOMPARE(image.pixelColor(differing.left() + 1, differing.bottom() - 2), orange);
    const QRect same = g.CellRect({3, 5});
    QVERIFY(image.pixelColor(same.left() + 1, same.bottom() - 2) != orange);
    const QString tip = s.view.CellToolTip({3, 2});
    QVERIFY2(tip.contains("Compared tune: 18.43 ms"), qPrintable(tip));

    s.view.Editor()->Select({3, 1});
    s.view.Editor()->Select({3, 2}, true);
    QVERIFY(s.view.TakeComparedValues());
    QCOMPARE(s.f.Fuel(3, 1), 900);
    QCOMPARE(s.f.Fuel(3, 2), 900);
    QCOMPARE(s.f.Fuel(3, 0), 160);  // outside the selection
    s.view.SetComparedTune(nullptr);
    QVERIFY(!s.view.TakeComparedValues());
}

void TableViewTest::overlayMarksAndAutoTuneCorrectionsShowPerCell() {
    Shown s;
    CTableOverlay overlay;
    overlay.Set({2, 2}, 3.5, CTableOverlay::kRicherColour);
    s.view.SetOverlay(overlay);
    QImage image = Render(s.view);
    TableGeometry g = s.view.Geometry();
    QVERIFY(HasColor(image, g.CellRect({2, 2}), QColor(0xFF, 0xA0, 0x00)));
    QVERIFY(s.view.CellToolTip({2, 2}).contains("Pending correction: 3.5%"));

    // AutoTune collects for the active cell's row and marks the corrected site.
    s.view.Select({9, 0}, {9, 1});
    s.f.app.autoTuneActive = true;
    s.f.app.targetEngineSpeed = 2048;
    s.view.OnMonitorMessage(MonitorMessage::AutoTuneUpdate, 12, -400);
    QCOMPARE(s.view.AutoTune().Records().size(), std::size_t(0));  // measured for another row
    s.f.app.targetEngineSpeed = 2304;
    s.view.OnMonitorMessage(MonitorMessage::AutoTuneUpdate, 12, -400);  // 4 % leaner
    QCOMPARE(s.view.AutoTune().Records().size(), std::size_t(1));
    QCOMPARE(s.view.Editor()->Selection(), (TableRect{9, 0, 9, 1}));  // the selection stays
    const auto mark = s.view.ShownOverlay().At({9, 12});
    QVERIFY(mark.has_value());
    QCOMPARE(mark->colour, CTableOverlay::kLeanerColour);
    QVERIFY(std::abs(mark->percent + 4.0) < 0.3);
    image = Render(s.view);
    g = s.view.Geometry();
    QVERIFY(HasColor(image, g.CellRect({9, 12}), QColor(0x00, 0xC8, 0xFF)));
    // Another row drops them, as another map does on the curve.
    QSignalSpy discarded(&s.view, &CTableView::autoTuneDiscarded);
    Key(s.view, Qt::Key_PageDown);
    QCOMPARE(discarded.count(), 1);
    QVERIFY(!s.view.ShownOverlay().At({9, 12}));
}

void TableViewTest::theCurveKeyNamesTheActiveMapAndPoint() {
    Shown s;
    s.view.Editor()->Select({9, 17});
    QSignalSpy curve(&s.view, &CTableView::curveRequested);
    Key(s.view, Qt::Key_T);
    QCOMPARE(curve.count(), 1);
    QCOMPARE(curve[0][0].toInt(), s.f.doc->FindMap("Stoichiometric2560Map"));
    QCOMPARE(curve[0][1].toInt(), 17);
    // And back: a map's point opens its family with that cell active.
    QVERIFY(s.view.ShowMapPoint(s.f.doc->FindMap("RearTrimVsThrottle1024Map"), 40));
    QCOMPARE(QString::fromStdString(s.view.Family()->Name()), QString("rear-trim"));
    QCOMPARE(s.view.Editor()->Active(), (TableCell{3, 40}));
    QVERIFY(!s.view.ShowMapPoint(s.f.doc->FindMap("CrankMap"), 0));
}

void TableViewTest::paintTableFitsTheWholeTableIntoARect() {
    Shown s;
    QImage page(900, 600, QImage::Format_ARGB32);
    page.fill(Qt::white);
    {
        QPainter painter(&page);
        s.view.PaintTable(painter, QRect(50, 40, 800, 500));
    }
    // The highest value (last cell) is painted inside the rect, nothing outside it.
    QVERIFY(HasColor(page, QRect(50, 40, 800, 500), HeatScale::At(1.0)));
    for (int x = 0; x < 900; ++x) {
        QCOMPARE(page.pixelColor(x, 20), QColor(Qt::white));
        QCOMPARE(page.pixelColor(x, 580), QColor(Qt::white));
    }
}

void TableViewTest::everyFamilyOfEveryProductShows() {
    for (std::uint32_t code : {1u, 2u, 4u}) {
        ViewsFixture f;
        f.app.productCode = code;
        f.doc = std::make_unique<CCorvaneMapsDoc>(f.app, nullptr, nullptr, &f.prompter);
        CTableView view(*f.doc, f.settings);
        view.resize(800, 600);
        for (const auto& family : view.Families()) {
            QVERIFY(view.ShowFamily(family.Name()));
            QCOMPARE(view.Editor()->RowCount(), 32);
            QVERIFY(!Render(view).isNull());
        }
        QCOMPARE(view.Families().size(), std::size_t(code == 1 ? 3 : 1));
        QVERIFY(!view.ShowFamily(code == 1 ? "timing" : "fuel"));
    }
}

void TableViewTest::cellsADamagedFileHeldOutsideTheirLimitsAreMarkedUntilResolved() {
    ViewsFixture f;
    const int row = f.IndexOf("Stoichiometric2560Map");  // row 9 of the fuel table
    MapFileRecords records = f.doc->ToRecords();
    records.mapPoints[static_cast<std::size_t>(row)][10].trim = 38800000;
    auto loaded = CCorvaneMapsDoc::Load(records.ToBytes(), f.app, nullptr, nullptr, &f.prompter);
    QVERIFY(loaded.document != nullptr);
    f.doc = std::move(loaded.document);
    CTableView view(*f.doc, f.settings);
    view.resize(1200, 800);
    view.ShowFamily("fuel");
    view.Editor()->Select({2, 2});
    const QColor red(0xFF, 0x30, 0x30);
    auto framed = [&](TableCell cell) {
        const QImage image = Render(view);  // the geometry of what was painted
        const QRect r = view.Geometry().CellRect(cell);
        return image.pixelColor(r.left() + 1, r.center().y()) == red;
    };
    QCOMPARE(f.doc->OutOfLimitPoints(*f.doc->GetMap(row)), std::vector<int>{10});
    QVERIFY(view.Geometry().CellArea().contains(view.Geometry().CellRect({9, 10})));
    QVERIFY(framed({9, 10}));
    QVERIFY(!framed({9, 11}));
    QVERIFY(!framed({8, 10}));
    QVERIFY(view.CellToolTip({9, 10}).contains("outside its limits"));
    QVERIFY(!view.CellToolTip({9, 11}).contains("outside its limits"));
    // An edit of the cell resolves it: the mark goes with it.
    view.Editor()->Select({9, 10});
    Key(view, Qt::Key_Up);
    QVERIFY(f.doc->OutOfLimitPoints(*f.doc->GetMap(row)).empty());
    view.Editor()->Select({2, 2});
    QVERIFY(!framed({9, 10}));
    QVERIFY(!view.CellToolTip({9, 10}).contains("outside its limits"));
}

QTEST_MAIN(TableViewTest)
#include "TableViewTest.moc"
