// Comparing with another tune in the views: the compared curve drawn behind the document's own
// (read back from rendered pixels), Take Value as an ordinary edit, and the differences list.
#include <QImage>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

#include "documents/CTuneComparison.h"
#include "support/ViewsFixture.h"
#include "views/CCorvaneAdvUserMapsView.h"
#include "views/CCorvaneMapsView.h"
#include "views/CTuneDifferencesView.h"

using namespace corvane;
using namespace corvane::test;

namespace {

constexpr const char* kTimingMap = "IGNVSTHROTTLE2048Map";  // 64 points, 0 ... 45 deg
const QColor kOrange(0xFF, 0xA5, 0x00);                     // the default compare colour

int CountColor(const QImage& image, const QRect& rect, const QColor& color) {
    int n = 0;
    const QRect r = rect & image.rect();
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x) n += image.pixelColor(x, y) == color;
    return n;
}

// A second family-A tune: the document's curve with point 0 and points 10 ... 19 raised by 8
// degrees (point 0 is also the point of the composite over the timing rows).
struct TwoTunes : ViewsFixture {
    AppState otherApp;
    std::unique_ptr<CCorvaneMapsDoc> other;
    int index = 0;

    TwoTunes() {
        otherApp.productCode = 1;
        other = std::make_unique<CCorvaneMapsDoc>(otherApp);
        index = IndexOf(kTimingMap);
        Shape(index);
        CModuleMap& mine = *doc->GetMap(index);
        CModuleMap& theirs = *other->GetMap(index);
        for (int i = 0; i < mine.GetNumberOfPoints(); ++i)
            theirs.StepPointByModuleUnits(i, mine.GetPointModuleValue(i) + (i == 0 || (i >= 10 && i < 20) ? 8 : 0) -
                                                 theirs.GetPointModuleValue(i));
        doc->SetModifiedFlag(false);
    }
};

}  // namespace

class TuneCompareViewTest : public QObject {
    Q_OBJECT
private slots:
    void comparedCurveIsDrawnBehindTheCurve();
    void takeValueIsAnOrdinaryUndoableEdit();
    void differencesListShowsBothValuesAndPassesChoicesOn();
};

void TuneCompareViewTest::comparedCurveIsDrawnBehindTheCurve() {
    TwoTunes t;
    CCorvaneMapsView view(*t.doc, t.settings);
    view.resize(1000, 700);
    view.ShowMap(t.index);
    const QRect plot = view.Layout().Plot();
    QCOMPARE(CountColor(view.grab().toImage(), plot, kOrange), 0);

    view.SetComparedTune(t.other.get());
    const QImage image = view.grab().toImage();
    const CModuleMap& theirs = *t.other->GetMap(t.index);
    const MapGraphLayout layout = view.Layout();
    // Between two raised points the compared curve runs alone, well above the document's.
    const int x = (layout.PixelX(theirs.GetPointX(14)) + layout.PixelX(theirs.GetPointX(15))) / 2;
    const int y = (layout.PixelY(theirs.GetPointDisplayValue(14)) + layout.PixelY(theirs.GetPointDisplayValue(15))) / 2;
    QVERIFY(CountColor(image, QRect(x, y - 2, 1, 5), kOrange) > 0);
    QCOMPARE(CountColor(image, QRect(x, y - 2, 1, 5), Qt::blue), 0);
    // Where the tunes agree, the document's own curve is drawn over the compared one.
    const QPoint a = view.PointPixel(40), b = view.PointPixel(41);
    const QRect gap((a.x() + b.x()) / 2, std::min(a.y(), b.y()) - 1, 1, std::abs(a.y() - b.y()) + 3);
    QVERIFY(CountColor(image, gap, Qt::blue) > 0);

    // The trim view draws it too, in the colour the settings give.
    t.settings.SetInt("Colors", "CompareLineColor", 0xFF00FF);  // magenta
    CCorvaneAdvUserMapsView trims(*t.doc, t.settings);
    trims.resize(1000, 700);
    trims.ShowMap(t.index);
    trims.SetComparedTune(t.other.get());
    QVERIFY(CountColor(trims.grab().toImage(), QRect(x, y - 2, 1, 5), Qt::magenta) > 0);

    // Ending the comparison takes the curve away.
    view.SetComparedTune(nullptr);
    QCOMPARE(CountColor(view.grab().toImage(), plot, kOrange), 0);
}

void TuneCompareViewTest::takeValueIsAnOrdinaryUndoableEdit() {
    TwoTunes t;
    CCorvaneMapsView view(*t.doc, t.settings);
    view.resize(1000, 700);
    view.ShowMap(t.index);
    QVERIFY(!view.TakeComparedValue(12));  // nothing compared: nothing to take
    QVERIFY(!t.doc->IsModified());

    view.SetComparedTune(t.other.get());
    CModuleMap& mine = *t.doc->GetMap(t.index);
    const int before = mine.GetPointModuleValue(12);
    const int neighbour = mine.GetPointModuleValue(13);
    QSignalSpy edited(&view, &CMapsView::documentEdited);
    QVERIFY(view.TakeComparedValue(12));
    QCOMPARE(mine.GetPointModuleValue(12), t.other->GetMap(t.index)->GetPointModuleValue(12));
    QCOMPARE(mine.GetPointModuleValue(13), neighbour);
    QCOMPARE(view.Editor().ActivePoint(), 12);
    QVERIFY(t.doc->IsModified());
    QCOMPARE(edited.count(), 1);
    QVERIFY(!mine.IsPointInSync(12));  // no module linked

    // Ctrl+Z undoes it as it undoes the map's other edits.
    t.prompter.answers.push_back(Prompter::Answer::Ok);
    view.ApplyKey(Key::Z, {true, false});
    QCOMPARE(mine.GetPointModuleValue(12), before);

    // A composite stands for whole rows: it takes nothing.
    view.ShowMap(t.IndexOf("IgnVsRpmMap"));
    QVERIFY(!view.TakeComparedValue(3));
}

void TuneCompareViewTest::differencesListShowsBothValuesAndPassesChoicesOn() {
    TwoTunes t;
    QTemporaryDir dir;
    const std::string path = dir.filePath("other.crv").toStdString();
    QVERIFY(t.other->Save(path));
    auto opened = CTuneComparison::Open(*t.doc, path);
    QVERIFY(opened.comparison);

    CTuneDifferencesView list;
    list.Show(opened.comparison.get());
    // Eleven row points and the composite's point that stands for the row's first point.
    const TuneDifferences& d = list.Differences();
    QCOMPARE(d.points.size(), std::size_t(12));
    QVERIFY(list.Caption().contains("12 differences from other.crv"));
    QTreeWidget* tree = list.Tree();
    QCOMPARE(tree->topLevelItemCount(), 12);
    const CModuleMap& mine = *t.doc->GetMap(t.index);
    QTreeWidgetItem* row = tree->topLevelItem(1);
    QCOMPARE(row->text(0), QString::fromStdString(mine.GetTitle()));
    QCOMPARE(row->text(1), QString("10"));
    QCOMPARE(row->text(3), QString::number(mine.GetPointDisplayValue(10), 'g', 6) + " deg");
    QCOMPARE(row->text(4), QString::number(t.other->GetMap(t.index)->GetPointDisplayValue(10), 'g', 6) + " deg");
    QCOMPARE(d.points.back().mapIndex, t.IndexOf("IgnVsRpmMap"));

    QSignalSpy chosen(&list, &CTuneDifferencesView::pointChosen);
    QSignalSpy take(&list, &CTuneDifferencesView::takeValueRequested);
    QVERIFY(!list.TakeValueButton()->isEnabled());
    tree->setCurrentItem(tree->topLevelItem(3));
    QCOMPARE(chosen.count(), 1);
    QCOMPARE(chosen.last().at(0).toInt(), t.index);
    QCOMPARE(chosen.last().at(1).toInt(), 12);
    QVERIFY(list.TakeValueButton()->isEnabled());
    list.TakeValueButton()->click();
    QCOMPARE(take.count(), 1);
    QCOMPARE(take.last().at(1).toInt(), 12);

    // The composite's row offers nothing to take.
    tree->setCurrentItem(tree->topLevelItem(11));
    QVERIFY(!list.TakeValueButton()->isEnabled());
    list.TakeValueButton()->click();
    QCOMPARE(take.count(), 1);

    // After an edit the list is read again; the chosen row stays chosen while it differs and
    // its neighbour takes its place when it no longer does.
    QVERIFY(list.ChoosePoint(t.index, 12));
    t.doc->GetMap(t.index)->StepPointByModuleUnits(12, 8);
    const int shown = chosen.count();
    list.Show(opened.comparison.get());
    QCOMPARE(tree->topLevelItemCount(), 11);
    int map = -1, point = -1;
    QVERIFY(list.ChosenPoint(map, point));
    QCOMPARE(point, 13);
    QCOMPARE(chosen.count(), shown);  // reading the list again shows no map by itself

    // Row edits reach the composite's row too: the composite mirrors its rows when compared.
    t.doc->GetMap(t.index)->StepPointByModuleUnits(0, 8);
    list.Show(opened.comparison.get());
    QCOMPARE(list.Differences().points.size(), std::size_t(9));

    // A setting's row takes its value too (the frame does it through the settings view).
    QVERIFY(t.doc->ApplySettingDisplayValue(kRevLimit, 7000));
    list.Show(opened.comparison.get());
    QSignalSpy takeSetting(&list, &CTuneDifferencesView::takeSettingRequested);
    QVERIFY(list.ChooseSetting(kRevLimit));
    QVERIFY(list.TakeValueButton()->isEnabled());
    list.TakeValueButton()->click();
    QCOMPARE(takeSetting.count(), 1);
    QCOMPARE(takeSetting.last().at(0).toInt(), int(kRevLimit));
    QCOMPARE(take.count(), 1);

    list.Show(nullptr);
    QCOMPARE(tree->topLevelItemCount(), 0);
    QVERIFY(!list.TakeValueButton()->isEnabled());
}

QTEST_MAIN(TuneCompareViewTest)
#include "TuneCompareViewTest.moc"
