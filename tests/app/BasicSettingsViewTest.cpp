// The basic settings view and its value entry dialog, in the window of a maps document, on
// the simulated module.
#include <QtTest>

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>

#include "app/CommandTable.h"
#include "documents/CCorvaneMapsDoc.h"
#include "link/LinkMessages.h"
#include "maps/CModuleMap.h"
#include "model/BasicSettingEdit.h"
#include "support/ModuleAppHarness.h"
#include "views/CBasicSettingEditDlg.h"
#include "views/CCorvaneBasicSettingsView.h"

using namespace corvane;
using namespace corvane::test;

namespace {

// Answers a value entry dialog as a user would: `act` works the dialog, then OK is pressed
// until the dialog closes or refuses.
struct Answer {
    std::function<void(CBasicSettingEditDlg&)> act;
    int result = -1;
    int opened = 0;
    CCorvaneBasicSettingsView::DialogRunner Runner() {
        return [this](CBasicSettingEditDlg& dialog) {
            ++opened;
            if (act) act(dialog);
            dialog.accept();
            result = dialog.result();
            return dialog.result();
        };
    }
};

CCorvaneBasicSettingsView* OpenSettings(ModuleAppHarness<>& h) {
    h.Frame().Selector().SelectNumber(h.Maps()->Document().GetMapCount());
    return h.Maps()->BasicSettingsView();
}

}  // namespace

class BasicSettingsViewTest : public QObject {
    Q_OBJECT
private slots:
    void opensFromTheSelectorAsAGridOfButtons();
    void revLimitScrollsInStepsOf32();
    void injectorSizeIsTypedAndRangeChecked();
    void ignitionDelayNeedsItsFirmware();
    void editsWhileLinkedWriteTheModulesBlocks();
    void iacStopOffsetGoesToModuleAndIdleAirControlMap();
    void readModuleSettingsTakesTheModulesValues();
};

void BasicSettingsViewTest::opensFromTheSelectorAsAGridOfButtons() {
    ModuleAppHarness<> h;
    h.Start();
    CCorvaneBasicSettingsView* view = OpenSettings(h);
    QVERIFY(view != nullptr);
    QCOMPARE(h.Maps()->CurrentViewKind(), CChildFrmMaps::ViewKind::kBasicSettings);
    QVERIFY(view->isVisibleTo(h.Maps()));

    QCOMPARE(view->ReadButton()->text(), QString("Read Module Settings"));
    QCOMPARE(view->ReadButton()->geometry(), QRect(QPoint(20, 5), QPoint(195, 30)));
    // "Ignition Delay Revolutions" is the longest name: 26 characters at 8 pixels.
    QCOMPARE(view->ColumnWidth(), 26 * 8);
    const int w = view->ColumnWidth();
    // A window wide enough for all four columns: nine rows each.
    h.Frame().resize(1600, 900);
    h.Maps()->showMaximized();
    QTRY_VERIFY(view->viewport()->width() >= 20 + 4 * (w + 5) + 15);
    QCOMPARE(view->RowsPerColumn(), 9);
    for (int k = 0; k < kBasicSettingCount; ++k) {
        QPushButton* button = view->SettingButton(k);
        QLabel* value = view->ValueLabel(k);
        QCOMPARE(button->text().toStdString(), h.Maps()->Document().GetSetting(k)->GetName());
        const QRect expected(20 + (k / 9) * (w + 5), 45 + (k % 9) * 52, w, 22);
        QCOMPARE(button->geometry(), expected);
        QCOMPARE(value->geometry(), expected.translated(0, 25));
        QVERIFY(button->geometry().top() > view->ReadButton()->geometry().bottom());
        // Only the TPS offset, which the module calibrates itself, cannot be edited.
        QCOMPARE(button->isEnabled(), k != kTPSOffset);
    }
    QCOMPARE(view->ValueLabel(kRevLimit)->text(), QString("6144"));
    QCOMPARE(view->ValueLabel(FindBasicSetting("CInjectorSize"))->text(), QString("585.0"));
    // The canvas holds four columns and nine rows with the paddings.
    QCOMPARE(view->widget()->size(), QSize(20 + 4 * (w + 5) + 15, 45 + 9 * 52 + 20));

    // A narrower window: longer columns, and none cut off at the right edge.
    h.Maps()->showNormal();
    h.Maps()->resize(3 * (w + 5) + 120, 500);
    QTRY_VERIFY(view->RowsPerColumn() > 9);
    QVERIFY(view->widget()->width() <= view->viewport()->width());
    for (int k = 0; k < kBasicSettingCount; ++k)
        QVERIFY(view->SettingButton(k)->geometry().right() < view->viewport()->width());
    // And back.
    h.Maps()->showMaximized();
    QTRY_COMPARE(view->RowsPerColumn(), 9);
}

void BasicSettingsViewTest::revLimitScrollsInStepsOf32() {
    ModuleAppHarness<> h;
    h.Start();
    CCorvaneBasicSettingsView* view = OpenSettings(h);
    Answer answer;
    answer.act = [](CBasicSettingEditDlg& d) {
        QCOMPARE(d.windowTitle(), QString("Basic Setting Value Entry"));
        QVERIFY(!d.Entry()->isVisibleTo(&d));
        QVERIFY(d.ScrollBar()->isVisibleTo(&d));
        QCOMPARE(d.Edit().Step(), 32);
        QCOMPARE(d.ScrollBar()->minimum(), 4000);
        QCOMPARE(d.ScrollBar()->maximum(), 7969);
        QCOMPARE(d.ScrollBar()->pageStep(), 32);
        QCOMPARE(d.ScrollBar()->value(), 6144);
        QCOMPARE(d.ValueLabel()->text(), QString("6144"));
        auto* unit = d.findChild<QLabel*>("Unit");
        QVERIFY(unit && unit->isVisibleTo(&d));
        QCOMPARE(unit->text(), QString("rpm"));
        // The bar's moves are the edit's (its rules are tested with the model), and the value
        // shown follows each.
        d.ScrollBar()->triggerAction(QAbstractSlider::SliderToMaximum);
        QCOMPARE(d.ScrollBar()->value(), 7969);
        QCOMPARE(d.ValueLabel()->text(), QString("7969"));
        d.ScrollBar()->setSliderPosition(5000);  // a drag lands on a whole step
        QCOMPARE(d.ScrollBar()->value(), 4992);
        d.ScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepSub);
        QCOMPARE(d.ValueLabel()->text(), QString("4960"));
    };
    view->SetDialogRunner(answer.Runner());
    view->SettingButton(kRevLimit)->click();
    QCOMPARE(answer.result, int(QDialog::Accepted));

    // Unlinked: the document alone changes, and says so.
    const CBasicSettingsModuleValue* rev = h.Maps()->Document().GetSetting(kRevLimit);
    QCOMPARE(rev->GetModuleValue(), 125 + (4960 - 4000) / 32);
    QCOMPARE(rev->GetBaseValue(), rev->GetModuleValue());
    QCOMPARE(view->ValueLabel(kRevLimit)->text(), QString("4960"));
    QVERIFY(h.Maps()->Document().IsModified());
    QVERIFY(h.Frame().isWindowModified());
    QVERIFY(!h.app->State().moduleLinked);
    QVERIFY(h.prompter.shown.empty());

    // Cancel changes nothing.
    Answer cancel;
    view->SetDialogRunner([&cancel](CBasicSettingEditDlg& d) {
        ++cancel.opened;
        d.ScrollBar()->triggerAction(QAbstractSlider::SliderToMinimum);
        d.reject();
        return d.result();
    });
    view->SettingButton(kRevLimit)->click();
    QCOMPARE(cancel.opened, 1);
    QCOMPARE(view->ValueLabel(kRevLimit)->text(), QString("4960"));
}

void BasicSettingsViewTest::injectorSizeIsTypedAndRangeChecked() {
    ModuleAppHarness<> h;
    h.Start();
    CCorvaneBasicSettingsView* view = OpenSettings(h);
    const int injector = FindBasicSetting("CInjectorSize");
    int refusals = 0;
    Answer answer;
    answer.act = [&](CBasicSettingEditDlg& d) {
        QVERIFY2(d.Entry()->isVisibleTo(&d), "typed entry");
        QVERIFY(!d.ScrollBar()->isVisibleTo(&d));
        QCOMPARE(d.ValueLabel()->text(), QString("Valid Range = 0.0 - 2048.0"));
        QCOMPARE(d.Entry()->text(), QString("585.0"));
        for (const char* bad : {"2100", "-1", "lots"}) {
            d.Entry()->setText(bad);
            d.accept();
            QCOMPARE(d.result(), int(QDialog::Rejected));  // still open
            QCOMPARE(h.prompter.shown.back().text, std::string("Value out of range."));
            ++refusals;
        }
        d.Entry()->setText("1000");
    };
    view->SetDialogRunner(answer.Runner());
    view->SettingButton(injector)->click();
    QCOMPARE(refusals, 3);
    QCOMPARE(answer.result, int(QDialog::Accepted));
    QCOMPARE(h.prompter.shown.size(), std::size_t(3));
    const CBasicSettingsModuleValue* setting = h.Maps()->Document().GetSetting(injector);
    QCOMPARE(setting->GetModuleValue(), setting->DisplayToModule(1000.0));
    QCOMPARE(view->ValueLabel(injector)->text().toStdString(), setting->FormatDisplay());
}

void BasicSettingsViewTest::ignitionDelayNeedsItsFirmware() {
    ModuleAppHarness<> h;
    h.Start();
    CCorvaneBasicSettingsView* view = OpenSettings(h);
    Answer answer;
    view->SetDialogRunner(answer.Runner());
    // Unlinked there is no firmware that has the setting.
    QCOMPARE(view->ValueLabel(kStartIgnRevsDelay)->text(), QString("N/A Firmware"));

    // Firmware 81 and later have it; the view follows each link as a listener.
    h.Link();
    QCOMPARE(h.app->State().moduleFirmwareVersion, 0x52);
    QCOMPARE(view->ValueLabel(kStartIgnRevsDelay)->text(), QString("2"));

    h.Module([](sim::ModuleEmulator& m) { m.Poke(0x0F18, std::array<std::uint8_t, 1>{80}); });
    h.app->Link().ToggleLink();
    QCOMPARE(view->ValueLabel(kStartIgnRevsDelay)->text(), QString("N/A Firmware"));
    h.app->Link().ToggleLink();
    QCOMPARE(h.app->State().moduleFirmwareVersion, 80);
    QCOMPARE(view->ValueLabel(kStartIgnRevsDelay)->text(), QString("N/A Firmware"));
    QCOMPARE(view->ValueLabel(kRevLimit)->text(), QString("6144"));

    view->SettingButton(kStartIgnRevsDelay)->click();
    QCOMPARE(answer.opened, 0);
    QCOMPARE(h.prompter.shown.size(), std::size_t(1));
    QCOMPARE(h.prompter.shown.back().text,
             std::string("This setting is 'FirmWare Version' specific and may NOT be available.\n\nNOTE: A 'Link' "
                         "must be made to a compatible\nmodule to allow edit of this Basic Setting."));
    QCOMPARE(h.prompter.shown.back().title, std::string("Firmware Version Specific Setting"));
    QVERIFY(h.prompter.shown.back().icon == Prompter::Icon::Information);
}

void BasicSettingsViewTest::editsWhileLinkedWriteTheModulesBlocks() {
    ModuleAppHarness<> h;
    h.Start();
    CCorvaneBasicSettingsView* view = OpenSettings(h);
    h.Link();
    // Marks in the module's bytes that no edited setting owns: they must survive the writes.
    h.Module([](sim::ModuleEmulator& m) {
        m.Poke(0x0400, std::array<std::uint8_t, 3>{0xA1, 0xA2, 0xA3});
        m.Poke(0x0405, std::array<std::uint8_t, 3>{0xB5, 0xB6, 0xB7});
        m.Poke(0x0408, std::array<std::uint8_t, 2>{0xC8, 0xC9});
        m.Poke(0x040B, std::array<std::uint8_t, 1>{0xCB});
    });

    // A byte setting: its block is read, patched and written.
    view->SetDialogRunner([](CBasicSettingEditDlg& d) {
        d.ScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
        d.accept();
        return d.result();
    });
    view->SettingButton(kRevLimit)->click();
    QCOMPARE(h.Module([](sim::ModuleEmulator& m) { return int(m.Peek(0x040A)); }), 125 + (6176 - 4000) / 32);

    // The injector size is a word at 0x0403: its high byte is the last of block 0x0400, its
    // low byte the first of block 0x0404. Both blocks change, nothing else.
    view->SetDialogRunner([](CBasicSettingEditDlg& d) {
        d.Entry()->setText("1000");
        d.accept();
        return d.result();
    });
    const int injector = FindBasicSetting("CInjectorSize");
    view->SettingButton(injector)->click();
    const int expected = h.Maps()->Document().GetSetting(injector)->GetModuleValue();
    QCOMPARE(expected, h.Maps()->Document().GetSetting(injector)->DisplayToModule(1000.0));
    QCOMPARE(h.Module([](sim::ModuleEmulator& m) { return int(m.PeekWord(0x0403)); }), expected);
    const auto memory = h.Module([](sim::ModuleEmulator& m) {
        auto bytes = m.Memory();
        return std::vector<std::uint8_t>(bytes.begin() + 0x400, bytes.begin() + 0x40C);
    });
    const std::vector<std::uint8_t> marks{0xA1, 0xA2, 0xA3, static_cast<std::uint8_t>(expected >> 8),
                                          static_cast<std::uint8_t>(expected & 0xFF), 0xB5, 0xB6, 0xB7,
                                          0xC8, 0xC9};
    QCOMPARE(std::vector<std::uint8_t>(memory.begin(), memory.begin() + 10), marks);
    QCOMPARE(int(memory[11]), 0xCB);
    QVERIFY(h.Maps()->Document().IsModified());
    QVERIFY(h.prompter.shown.empty());

}

void BasicSettingsViewTest::iacStopOffsetGoesToModuleAndIdleAirControlMap() {
    ModuleAppHarness<> h;
    h.Start();
    h.Frame().RunCommand(cmd::kRead);  // the module's tune, with its IAC stop curve
    h.Maps()->Document().ApplyEditMargins();
    CCorvaneBasicSettingsView* view = OpenSettings(h);
    // A setting outside the settings area (the IAC stop offset at 0x0004) is written as the
    // others are...
    h.Module([](sim::ModuleEmulator& m) { m.Poke(0x0004, std::array<std::uint8_t, 1>{20}); });
    view->SetDialogRunner([](CBasicSettingEditDlg& d) {
        d.ScrollBar()->setSliderPosition(5);
        d.accept();
        return d.result();
    });
    view->SettingButton(kIACStopOffset)->click();
    QCOMPARE(view->ValueLabel(kIACStopOffset)->text(), QString("5"));
    QCOMPARE(h.Module([](sim::ModuleEmulator& m) { return int(m.Peek(0x0004)); }), 25);
    // ... and the document passes it on as the trim of every point of the IAC stop curve.
    const CModuleMap* iacMap = h.Maps()->Document().GetMap(h.Maps()->Document().FindMap("IACVSTEMPMap"));
    QVERIFY(iacMap != nullptr);
    for (int j = 0; j < iacMap->GetNumberOfPoints(); ++j) QCOMPARE(iacMap->GetMapPoint(j)->GetTrimValue(), 5);
}

void BasicSettingsViewTest::readModuleSettingsTakesTheModulesValues() {
    ModuleAppHarness<> h;
    h.Start();
    CCorvaneBasicSettingsView* view = OpenSettings(h);
    h.Link();
    h.Module([](sim::ModuleEmulator& m) { m.Poke(0x040A, std::array<std::uint8_t, 1>{200}); });
    QCOMPARE(view->ValueLabel(kRevLimit)->text(), QString("6144"));
    view->ReadButton()->click();
    QCOMPARE(h.prompter.waits, std::vector<std::string>{"Basic Settings|Reading from module. Please Wait..."});
    QCOMPARE(view->ValueLabel(kRevLimit)->text(), QString("6400"));
    QVERIFY(h.prompter.shown.empty());

    // Without a module the command says so and changes nothing.
    h.app->Link().ToggleLink();
    h.Module([](sim::ModuleEmulator& m) { m.PowerOff(); });
    view->ReadButton()->click();
    QCOMPARE(h.prompter.Texts(), std::vector<std::string>{msg::kNoModuleLink});
    QCOMPARE(view->ValueLabel(kRevLimit)->text(), QString("6400"));
}

QTEST_MAIN(BasicSettingsViewTest)
#include "BasicSettingsViewTest.moc"
