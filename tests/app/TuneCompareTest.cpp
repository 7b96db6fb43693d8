// File > Compare With...: the compared tune beside the document, the "Differences" bar, a row
// that shows its point, Take Value as an ordinary edit that reaches the linked module, and
// the ways a comparison ends.
#include <QtTest>

#include <QDockWidget>
#include <QTreeWidget>

#include "app/CommandTable.h"
#include "documents/CCorvaneMapsDoc.h"
#include "documents/CTuneComparison.h"
#include "maps/CModuleMap.h"
#include "sim/ModuleEmulator.h"
#include "support/ModuleAppHarness.h"
#include "views/CMapsView.h"
#include "views/CPPageTuningMapSelector.h"
#include "views/CTuneDifferencesView.h"

using namespace corvane;
using namespace corvane::test;

namespace {

constexpr const char* kTimingMap = "IGNVSTHROTTLE2048Map";

// A family-A tune with points 5 and 6 of the timing map raised and another rev limit, saved
// to path.
void SaveOtherTune(const QString& path, int& mapIndex) {
    AppState app;
    app.productCode = 1;
    CCorvaneMapsDoc other(app);
    QVERIFY(other.ApplySettingDisplayValue(kRevLimit, 7000));
    mapIndex = other.FindMap(kTimingMap);
    other.GetMap(mapIndex)->StepPointByModuleUnits(5, 12);
    other.GetMap(mapIndex)->StepPointByModuleUnits(6, 9);
    QVERIFY(other.Save(path.toStdString()));
}

}  // namespace

class TuneCompareTest : public QObject {
    Q_OBJECT
private slots:
    void refusedFilesChangeNothing();
    void rowsShowTheirPointAndTakeValueEditsPushesAndUndoes();
    void stopComparingAndClosingTheDocumentEndTheComparison();
};

void TuneCompareTest::refusedFilesChangeNothing() {
    ModuleAppHarness<> h;
    h.Start(1);
    CChildFrmMaps* maps = h.Maps();
    QVERIFY(maps);
    AppState c;
    c.productCode = 4;
    QVERIFY(CCorvaneMapsDoc(c).Save(h.Path("familyC.crv").toStdString()));
    QFile bad(h.Path("bad.crv"));
    QVERIFY(bad.open(QIODevice::WriteOnly));
    bad.write(QByteArray("\x0c\0\0\0\x01\0\0\0\x05\0\0\0", 12));
    bad.close();

    h.prompter.openFile = h.Path("familyC.crv").toStdString();
    h.Frame().RunCommand(cmd::kCompareWith);
    QVERIFY(!maps->Comparison());
    QVERIFY(h.Frame().DifferencesBar()->isHidden());
    QCOMPARE(h.prompter.shown.size(), std::size_t(1));
    QVERIFY(h.prompter.shown.back().text.find(CTuneComparison::kOtherProductMessage) != std::string::npos);
    QCOMPARE(h.prompter.shown.back().icon, Prompter::Icon::Error);

    int index = 0;
    SaveOtherTune(h.Path("other.crv"), index);
    h.prompter.openFile = h.Path("other.crv").toStdString();
    h.Frame().RunCommand(cmd::kCompareWith);
    const CTuneComparison* comparison = maps->Comparison();
    QVERIFY(comparison);
    QVERIFY(!h.Frame().DifferencesBar()->isHidden());

    // A damaged file gives the document's own message; the comparison shown stays.
    h.prompter.openFile = h.Path("bad.crv").toStdString();
    h.Frame().RunCommand(cmd::kCompareWith);
    QCOMPARE(h.prompter.shown.back().text, std::string(CCorvaneMapsDoc::kCorruptMessage));
    QCOMPARE(maps->Comparison(), comparison);
    QVERIFY(!maps->Document().IsModified());
    QCOMPARE(h.app->State().loadStatus, int(kLoadOk));

    // Cancelling the file dialog changes nothing either.
    h.prompter.openFile.reset();
    h.Frame().RunCommand(cmd::kCompareWith);
    QCOMPARE(maps->Comparison(), comparison);
}

void TuneCompareTest::rowsShowTheirPointAndTakeValueEditsPushesAndUndoes() {
    ModuleAppHarness<> h;
    h.Start(1);
    CChildFrmMaps* maps = h.Maps();
    int index = 0;
    SaveOtherTune(h.Path("other.crv"), index);
    h.prompter.openFile = h.Path("other.crv").toStdString();
    h.Frame().RunCommand(cmd::kCompareWith);
    QVERIFY(maps->Comparison());
    QCOMPARE(maps->MapsView()->ComparedTune(), &maps->Comparison()->Compared());

    CTuneDifferencesView& list = h.Frame().Differences();
    QCOMPARE(list.Differences().points.size(), std::size_t(2));
    QVERIFY(list.ChoosePoint(index, 6));
    CMapsView* view = maps->CurrentMapsView();
    QCOMPARE(view->MapIndex(), index);
    QCOMPARE(view->Editor().ActivePoint(), 6);
    QCOMPARE(h.Frame().Selector().CurrentNumber(), index);

    // Linked, the taken value goes to the module as an edit does.
    h.Link();
    QVERIFY(h.app->State().moduleLinked);
    CModuleMap& map = *maps->Document().GetMap(index);
    const int before = map.GetPointModuleValue(6);
    const std::uint16_t address = map.GetMapPoint(6)->GetAddress();
    const auto moduleByte = [&] { return h.Module([&](sim::ModuleEmulator& e) { return int(e.Memory()[address]); }); };
    const int taken = maps->Comparison()->ComparedMap(index)->GetPointModuleValue(6);
    QVERIFY(moduleByte() != taken);
    QVERIFY(list.ChoosePoint(index, 6));
    list.TakeChosenValue();
    QCOMPARE(map.GetPointModuleValue(6), maps->Comparison()->ComparedMap(index)->GetPointModuleValue(6));
    QVERIFY(maps->Document().IsModified());
    QVERIFY(h.Frame().isWindowModified());
    QVERIFY(map.IsPointInSync(6));
    QCOMPARE(moduleByte(), taken);
    QCOMPARE(moduleByte(), int(maps->Document().ReadByte(address)));
    // The list is read again: only point 5 is left, and it is the chosen row now.
    QCOMPARE(list.Differences().points.size(), std::size_t(1));
    int chosenMap = -1, chosenPoint = -1;
    QVERIFY(list.ChosenPoint(chosenMap, chosenPoint));
    QCOMPARE(chosenPoint, 5);

    // Edit > Undo puts it back, on the module too, and the row returns.
    h.prompter.answers.push_back(Prompter::Answer::Ok);
    h.Frame().RunCommand(cmd::kEditUndo);
    QCOMPARE(map.GetPointModuleValue(6), before);
    QCOMPARE(moduleByte(), int(maps->Document().ReadByte(address)));
    QCOMPARE(list.Differences().points.size(), std::size_t(2));

    // A setting's row takes its value through the settings view: document, module and list.
    const CBasicSettingsModuleValue& limit = *maps->Document().GetSetting(kRevLimit);
    const int wanted = maps->Comparison()->Compared().GetSetting(kRevLimit)->GetModuleValue();
    QVERIFY(limit.GetModuleValue() != wanted);
    QCOMPARE(list.Differences().settings.size(), std::size_t(1));
    QVERIFY(list.ChooseSetting(kRevLimit));
    QCOMPARE(maps->CurrentViewKind(), CChildFrmMaps::ViewKind::kBasicSettings);
    list.TakeChosenValue();
    QCOMPARE(limit.GetModuleValue(), wanted);
    QVERIFY(list.Differences().settings.empty());
    for (int k = 0; k < limit.GetByteWidth(); ++k) {
        const auto at = static_cast<std::uint16_t>(limit.GetAddress() + k);
        QCOMPARE(h.Module([&](sim::ModuleEmulator& e) { return int(e.Memory()[at]); }),
                 int(maps->Document().ReadByte(at)));
    }
}

void TuneCompareTest::stopComparingAndClosingTheDocumentEndTheComparison() {
    ModuleAppHarness<> h;
    h.Start(1);
    CChildFrmMaps* maps = h.Maps();
    int index = 0;
    SaveOtherTune(h.Path("other.crv"), index);
    h.prompter.openFile = h.Path("other.crv").toStdString();
    QVERIFY(!h.Frame().Action(cmd::kStopComparing)->isEnabled());
    QVERIFY(!h.Frame().Action(cmd::kViewDifferences)->isEnabled());
    h.Frame().RunCommand(cmd::kCompareWith);
    QVERIFY(h.Frame().Action(cmd::kStopComparing)->isEnabled());
    QVERIFY(h.Frame().Action(cmd::kViewDifferences)->isEnabled());
    QVERIFY(h.Frame().Action(cmd::kViewDifferences)->isChecked());

    // A bar the user closed stays closed through edits; View > Differences brings it back.
    h.Frame().DifferencesBar()->close();
    QVERIFY(!h.Frame().Action(cmd::kViewDifferences)->isChecked());
    QVERIFY(h.Frame().Differences().ChoosePoint(index, 6));
    h.Frame().Differences().TakeChosenValue();
    QVERIFY(maps->Document().IsModified());
    QVERIFY(h.Frame().DifferencesBar()->isHidden());
    h.Frame().Action(cmd::kViewDifferences)->trigger();
    QVERIFY(!h.Frame().DifferencesBar()->isHidden());
    QVERIFY(h.Frame().Action(cmd::kViewDifferences)->isChecked());

    h.Frame().RunCommand(cmd::kStopComparing);
    QVERIFY(!maps->Comparison());
    QVERIFY(!maps->MapsView()->ComparedTune());
    QVERIFY(h.Frame().DifferencesBar()->isHidden());
    QVERIFY(!h.Frame().Action(cmd::kStopComparing)->isEnabled());
    QVERIFY(!h.Frame().Action(cmd::kViewDifferences)->isEnabled());

    // The trim view made while comparing draws the compared tune as well.
    h.Frame().RunCommand(cmd::kCompareWith);
    maps->ShowView(CChildFrmMaps::ViewKind::kAdvancedUserMaps, index);
    QCOMPARE(maps->AdvancedView()->ComparedTune(), &maps->Comparison()->Compared());
    // A difference chosen there shows its point in the trim view, where the tuner works.
    QVERIFY(h.Frame().Differences().ChoosePoint(index, 5));
    QCOMPARE(maps->CurrentViewKind(), CChildFrmMaps::ViewKind::kAdvancedUserMaps);
    QCOMPARE(maps->AdvancedView()->Editor().ActivePoint(), 5);

    QPointer<CChildFrmMaps> closing(maps);
    h.prompter.answers.push_back(Prompter::Answer::No);  // discard the taken value
    h.Frame().RunCommand(cmd::kFileClose);
    QTRY_VERIFY(closing.isNull());
    QVERIFY(h.Frame().DifferencesBar()->isHidden());
    QVERIFY(!h.Frame().Differences().Comparison());
    QCOMPARE(h.Frame().Differences().Tree()->topLevelItemCount(), 0);
}

QTEST_MAIN(TuneCompareTest)
#include "TuneCompareTest.moc"
