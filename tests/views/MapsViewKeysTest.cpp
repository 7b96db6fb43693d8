// Keys of the maps views as the widgets take them: the Qt key events reach the editor, the
// view follows what the editor did (map switches, repaints, signals), and the dialogs a key
// would open come from the seams the tests fill.
#include <QKeyEvent>
#include <QSignalSpy>
#include <QTest>

#include "monitor/CAutoTuneCollector.h"
#include "support/ViewsFixture.h"
#include "views/CCorvaneAdvUserMapsView.h"
#include "views/CCorvaneMapsView.h"
#include "views/MapViewKeys.h"

using namespace corvane;
using namespace corvane::test;

namespace {

constexpr KeyModifiers kShift{false, true};
constexpr KeyModifiers kCtrl{true, false};

// A view over the fixture's document showing one map, active point set.
struct ShownView : ViewsFixture {
    CCorvaneMapsView view{*doc, settings};
    ShownView(const std::string& map, int active) {
        view.resize(1000, 700);
        view.ShowMap(IndexOf(map));
        view.Editor().SetActivePoint(active);
    }
    CModuleMap& Map() const { return *view.ShownMap(); }
};

}  // namespace

class MapsViewKeysTest : public QObject {
    Q_OBJECT
private slots:
    void shiftedDigitsAndOtherKeysTranslate();
    void leftOnTheFirstPointKeepsIt();
    void shiftDownOnTheLastMapWrapsToTheFirstWithTheSameActivePoint();
    void shiftRightSwitchesToTheRearTrimMapOfTheSameRow();
    void upChangesTheDocumentAndRepaintsOnlyAroundThePoint();
    void shiftedDigitKeyDoesWhatTheDigitDoes();
    void ctrlZChangesNothingUnlessConfirmed();
    void ctrlTTakesTheAfrFromItsSource();
    void ctrlMTogglesAutoTune();
    void anotherMapDropsPendingCorrectionsAndSaysSo();
    void followModeMovesToTheLivePositionOnlyWhileOneIsShown();
    void editMenuPathCopiesAndPastes();
    void advancedViewStepsTrimsAndLeavesItsUnusedKeysToTheFrame();
};

void MapsViewKeysTest::shiftedDigitsAndOtherKeysTranslate() {
    const Qt::Key shifted[] = {Qt::Key_ParenRight, Qt::Key_Exclam,      Qt::Key_At,        Qt::Key_NumberSign,
                               Qt::Key_Dollar,     Qt::Key_Percent,     Qt::Key_AsciiCircum, Qt::Key_Ampersand,
                               Qt::Key_Asterisk,   Qt::Key_ParenLeft};
    for (int d = 0; d < 10; ++d) {
        const QKeyEvent shift(QEvent::KeyPress, shifted[d], Qt::ShiftModifier);
        const auto press = TranslateMapViewKey(shift);
        QVERIFY(press.has_value());
        QCOMPARE(static_cast<int>(press->key), static_cast<int>(Key::Digit0) + d);
        QVERIFY(press->modifiers.shift && !press->modifiers.ctrl);

        const QKeyEvent both(QEvent::KeyPress, shifted[d], Qt::ShiftModifier | Qt::ControlModifier);
        QVERIFY(TranslateMapViewKey(both)->modifiers.ctrl);
        // Without Shift a symbol is just a symbol.
        QVERIFY(!TranslateMapViewKey(QKeyEvent(QEvent::KeyPress, shifted[d], Qt::NoModifier)).has_value());
    }
    const QKeyEvent ctrlDigit(QEvent::KeyPress, Qt::Key_7, Qt::ControlModifier);
    QCOMPARE(static_cast<int>(TranslateMapViewKey(ctrlDigit)->key), static_cast<int>(Key::Digit7));
    QCOMPARE(static_cast<int>(TranslateMapViewKey(QKeyEvent(QEvent::KeyPress, Qt::Key_Enter, Qt::KeypadModifier))->key),
             static_cast<int>(Key::Enter));
    QVERIFY(!TranslateMapViewKey(QKeyEvent(QEvent::KeyPress, Qt::Key_Up, Qt::AltModifier)).has_value());
    QVERIFY(!TranslateMapViewKey(QKeyEvent(QEvent::KeyPress, Qt::Key_B, Qt::NoModifier)).has_value());
}

void MapsViewKeysTest::leftOnTheFirstPointKeepsIt() {
    ShownView f("Stoichiometric2048Map", 0);
    QTest::keyClick(&f.view, Qt::Key_Left);
    QCOMPARE(f.view.Editor().ActivePoint(), 0);
    QTest::keyClick(&f.view, Qt::Key_Right);
    QCOMPARE(f.view.Editor().ActivePoint(), 1);
}

void MapsViewKeysTest::shiftDownOnTheLastMapWrapsToTheFirstWithTheSameActivePoint() {
    ViewsFixture f;
    CCorvaneMapsView view(*f.doc, f.settings);
    const int last = f.doc->GetMapCount() - 1;
    view.ShowMap(last);
    view.Editor().SetActivePoint(17);
    QSignalSpy shown(&view, &CMapsView::mapShown);
    QTest::keyClick(&view, Qt::Key_Down, Qt::ShiftModifier);
    QCOMPARE(view.MapIndex(), 0);
    QCOMPARE(view.Editor().ActivePoint(), 17);
    QCOMPARE(shown.count(), 1);
    QCOMPARE(shown.at(0).at(0).toInt(), 0);
    QTest::keyClick(&view, Qt::Key_Up, Qt::ShiftModifier);
    QCOMPARE(view.MapIndex(), last);
}

void MapsViewKeysTest::shiftRightSwitchesToTheRearTrimMapOfTheSameRow() {
    ShownView f("Stoichiometric2048Map", 12);
    QSignalSpy shown(&f.view, &CMapsView::mapShown);
    QTest::keyClick(&f.view, Qt::Key_Right, Qt::ShiftModifier);
    QCOMPARE(f.Map().GetClassName(), std::string("RearTrimVsThrottle2048Map"));
    QCOMPARE(f.view.Editor().ActivePoint(), 12);
    QCOMPARE(shown.count(), 1);
    // The frame takes the target engine speed from the row key of the map it is told about.
    QCOMPARE(f.doc->GetMap(shown.at(0).at(0).toInt())->GetRowKey(), 1792);
    QTest::keyClick(&f.view, Qt::Key_Left, Qt::ShiftModifier);
    QCOMPARE(f.Map().GetClassName(), std::string("Stoichiometric2048Map"));
}

void MapsViewKeysTest::upChangesTheDocumentAndRepaintsOnlyAroundThePoint() {
    // One step of this map is a whole degree: the marker moves by many pixels.
    ShownView f("IGNVSTHROTTLE2048Map", 10);
    f.view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&f.view));
    PaintRecorder recorder(f.view);
    QSignalSpy edited(&f.view, &CMapsView::documentEdited);
    QVERIFY(!f.doc->IsModified());
    const std::uint16_t address = f.Map().GetMapPoint(10)->GetAddress();
    const int before = f.Map().GetPointModuleValue(10);

    QTest::keyClick(&f.view, Qt::Key_Up);
    QCOMPARE(f.Map().GetPointModuleValue(10), before + 1);
    QVERIFY(f.doc->IsModified());
    QCOMPARE(static_cast<int>(f.doc->ReadByte(address)), before + 1);
    QCOMPARE(edited.count(), 1);

    QTRY_VERIFY(recorder.paints > 0);
    const QRect marker = f.view.Layout().MarkerRect(f.view.PointPixel(10));
    QVERIFY(recorder.painted.contains(marker));
    QVERIFY2(recorder.painted.boundingRect().width() < f.view.width() / 4, "only the point and its segments");

    // Moving the active point repaints without an edit.
    recorder.Clear();
    QTest::keyClick(&f.view, Qt::Key_Right);
    QTRY_VERIFY(recorder.painted.contains(f.view.Layout().MarkerRect(f.view.PointPixel(11))));
    QCOMPARE(edited.count(), 1);
}

void MapsViewKeysTest::shiftedDigitKeyDoesWhatTheDigitDoes() {
    ShownView typed("Stoichiometric2048Map", 10);
    ShownView applied("Stoichiometric2048Map", 10);
    typed.Map().StepPointByModuleUnits(10, 500);
    applied.Map().StepPointByModuleUnits(10, 500);
    QTest::keyClick(&typed.view, Qt::Key_Percent, Qt::ShiftModifier);
    applied.view.ApplyKey(Key::Digit5, kShift);
    QVERIFY(applied.Map().GetPointModuleValue(10) != 500);
    QCOMPARE(typed.Map().GetPointModuleValue(10), applied.Map().GetPointModuleValue(10));
}

void MapsViewKeysTest::ctrlZChangesNothingUnlessConfirmed() {
    for (const auto answer : {Prompter::Answer::No, Prompter::Answer::Cancel}) {
        ShownView f("Stoichiometric2048Map", 10);
        f.view.ApplyKey(Key::Up);
        f.view.ApplyKey(Key::Up, kCtrl);
        const int edited = f.Map().GetPointModuleValue(10);
        f.doc->SetModifiedFlag(false);
        QSignalSpy spy(&f.view, &CMapsView::documentEdited);
        f.prompter.answers.push_back(answer);
        QTest::keyClick(&f.view, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(f.prompter.shown.size(), std::size_t{1});
        QCOMPARE(f.prompter.shown[0].text, std::string(CMapEditor::kUndoAllQuestion));
        QCOMPARE(f.Map().GetPointModuleValue(10), edited);
        QVERIFY(!f.doc->IsModified());
        QCOMPARE(spy.count(), 0);

        f.prompter.answers.push_back(Prompter::Answer::Ok);
        QTest::keyClick(&f.view, Qt::Key_Z, Qt::ControlModifier);
        QVERIFY(f.Map().GetPointModuleValue(10) != edited);
        QCOMPARE(spy.count(), 1);
    }
}

void MapsViewKeysTest::ctrlTTakesTheAfrFromItsSource() {
    ShownView f("Stoichiometric2048Map", 10);
    f.Map().StepPointByModuleUnits(10, 400);
    int asked = 0;
    std::optional<double> answer;
    f.view.SetAfrSource([&] {
        ++asked;
        return answer;
    });
    QSignalSpy edited(&f.view, &CMapsView::documentEdited);
    QTest::keyClick(&f.view, Qt::Key_T, Qt::ControlModifier);
    QCOMPARE(asked, 1);
    QCOMPARE(f.Map().GetPointModuleValue(10), 400);
    QCOMPARE(edited.count(), 0);
    answer = 14.0;
    QTest::keyClick(&f.view, Qt::Key_T, Qt::ControlModifier);
    QVERIFY(f.Map().GetPointModuleValue(10) > 400);
    QCOMPARE(edited.count(), 1);
    // Plain T is no command.
    QTest::keyClick(&f.view, Qt::Key_T);
    QCOMPARE(asked, 2);
}

void MapsViewKeysTest::ctrlMTogglesAutoTune() {
    ShownView f("Stoichiometric2048Map", 0);
    QSignalSpy toggled(&f.view, &CMapsView::autoTuneToggled);
    QTest::keyClick(&f.view, Qt::Key_M, Qt::ControlModifier);
    QVERIFY(f.app.autoTuneActive);
    QTest::keyClick(&f.view, Qt::Key_M, Qt::ControlModifier);
    QVERIFY(!f.app.autoTuneActive);
    QCOMPARE(toggled.count(), 2);

    // Corrections of zero, drawn as "+0.0%": Ctrl+M changes no point and leaves no step.
    f.Map().SetBlockModuleValue(0, f.Map().GetNumberOfPoints() - 1, 120);
    QTest::keyClick(&f.view, Qt::Key_M, Qt::ControlModifier);
    std::vector<int> before;
    for (int i = 0; i < f.Map().GetNumberOfPoints(); ++i) before.push_back(f.Map().GetPointModuleValue(i));
    for (int site : {8, 16, 24, 32}) {
        f.view.OnMonitorMessage(MonitorMessage::AutoTuneUpdate, site, 0);
        f.view.OnMonitorMessage(MonitorMessage::AutoTuneReverseTrimUpdate, site, 0);
    }
    const std::size_t steps = f.doc->History().StepCount();
    QTest::keyClick(&f.view, Qt::Key_M, Qt::ControlModifier);
    for (int i = 0; i < f.Map().GetNumberOfPoints(); ++i) QCOMPARE(f.Map().GetPointModuleValue(i), before[i]);
    QCOMPARE(f.doc->History().StepCount(), steps);
    QCOMPARE(f.view.LastAutoTuneText(), QString("AutoTune: no point changed."));

    // A real correction: one step of the history, and the summary names the row.
    QTest::keyClick(&f.view, Qt::Key_M, Qt::ControlModifier);
    f.view.OnMonitorMessage(MonitorMessage::AutoTuneUpdate, 16, 500);
    QTest::keyClick(&f.view, Qt::Key_M, Qt::ControlModifier);
    QCOMPARE(f.doc->History().StepCount(), steps + 1);
    QCOMPARE(f.doc->History().Description(steps), std::string("AutoTune: corrections applied"));
    QVERIFY(f.view.LastAutoTuneText().startsWith("AutoTune applied: 1 point of " +
                                                 QString::fromStdString(f.Map().GetTitle())));
}

void MapsViewKeysTest::followModeMovesToTheLivePositionOnlyWhileOneIsShown() {
    ShownView f("Stoichiometric2048Map", 3);
    QTest::keyClick(&f.view, Qt::Key_Insert);
    QVERIFY(f.view.Editor().FollowMode());
    QTest::keyClick(&f.view, Qt::Key_Home);  // no live position: Home acts alone
    QCOMPARE(f.view.Editor().ActivePoint(), 0);

    const CModuleMap& map = f.Map();
    f.view.SetMapPointerPosition(map.GetPointX(40) + 0.1);
    QTest::keyClick(&f.view, Qt::Key_Space);
    QCOMPARE(f.view.Editor().ActivePoint(), 40);
    QTest::keyClick(&f.view, Qt::Key_Right);
    QCOMPARE(f.view.Editor().ActivePoint(), 41);

    f.view.ClearMapPointer();
    QTest::keyClick(&f.view, Qt::Key_Right);
    QCOMPARE(f.view.Editor().ActivePoint(), 42);
}

void MapsViewKeysTest::editMenuPathCopiesAndPastes() {
    ShownView f("Stoichiometric2048Map", 0);
    f.Shape(f.view.MapIndex());
    QSignalSpy edited(&f.view, &CMapsView::documentEdited);
    QVERIFY(f.view.ApplyKey(Key::C, kCtrl).handled);
    QCOMPARE(edited.count(), 0);
    f.view.ShowMap(f.IndexOf("Stoichiometric2304Map"));
    QVERIFY(f.view.ApplyKey(Key::V, kCtrl).pointsChanged);
    QCOMPARE(edited.count(), 1);
    const CModuleMap& from = *f.doc->GetMap(f.IndexOf("Stoichiometric2048Map"));
    for (int i = 0; i < from.GetNumberOfPoints(); ++i)
        QCOMPARE(f.Map().GetPointModuleValue(i), from.GetPointModuleValue(i));
}

void MapsViewKeysTest::advancedViewStepsTrimsAndLeavesItsUnusedKeysToTheFrame() {
    ViewsFixture f;
    f.Shape(f.IndexOf("RearTrimVsThrottle2048Map"));
    CCorvaneAdvUserMapsView view(*f.doc, f.settings);
    view.ShowMap(f.IndexOf("RearTrimVsThrottle2048Map"));
    view.Editor().SetActivePoint(5);
    CModuleMap& map = *view.ShownMap();
    const int base = map.GetPointBaseValue(5);
    QTest::keyClick(&view, Qt::Key_Up, Qt::ControlModifier);
    QCOMPARE(map.GetPointBaseValue(5), base);
    QCOMPARE(map.GetPointTrimValue(5), 5);
    QCOMPARE(map.GetPointModuleValue(5), base + 5);

    // Shift+U moves whole maps in the maps view only; here the key goes on to the parent.
    QKeyEvent shiftU(QEvent::KeyPress, Qt::Key_U, Qt::ShiftModifier, QStringLiteral("U"));
    QApplication::sendEvent(&view, &shiftU);
    QVERIFY(!shiftU.isAccepted());
    QCOMPARE(map.GetPointModuleValue(5), base + 5);
    QKeyEvent up(QEvent::KeyPress, Qt::Key_Up, Qt::NoModifier);
    QApplication::sendEvent(&view, &up);
    QVERIFY(up.isAccepted());
}

// AutoTune's corrections belong to the map they were measured on: showing another map drops
// them, and the view says how many, so the tuner never wonders where they went.
void MapsViewKeysTest::anotherMapDropsPendingCorrectionsAndSaysSo() {
    ViewsFixture f;
    CCorvaneMapsView view(*f.doc, f.settings);
    const int fuel = f.IndexOf("Stoichiometric2304Map");
    view.ShowMap(fuel);
    f.app.autoTuneActive = true;
    f.app.targetEngineSpeed = 2304;
    view.OnMonitorMessage(MonitorMessage::AutoTuneUpdate, 12, -400);
    view.OnMonitorMessage(MonitorMessage::AutoTuneUpdate, 20, 300);
    QCOMPARE(view.AutoTune().Records().size(), std::size_t(2));
    QSignalSpy discarded(&view, &CMapsView::autoTuneDiscarded);
    view.ShowMap(f.IndexOf("Stoichiometric2560Map"));
    QCOMPARE(discarded.count(), 1);
    QCOMPARE(discarded.at(0).at(0).toInt(), 2);
    QVERIFY(view.AutoTune().Records().empty());
}

QTEST_MAIN(MapsViewKeysTest)
#include "MapsViewKeysTest.moc"
