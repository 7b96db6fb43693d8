// The AFR calculator, the AFR entry and the hot-key help as the user works them: typed
// fields, the buttons, the refusals that keep a dialog open.
#include <QComboBox>
#include <QLabel>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <QTimer>

#include "model/AppState.h"
#include "support/RecordingPrompter.h"
#include "views/CAFRCalculatorDlg.h"
#include "views/CAfrEditDlg.h"
#include "views/CHotKeyHelpDlg.h"

using namespace corvane;
using namespace corvane::test;

namespace {

void Type(QLineEdit* edit, const QString& text) {
    edit->selectAll();
    QTest::keyClicks(edit, text);
}

QPushButton* Button(QDialog& dlg, const QString& text) {
    for (QPushButton* b : dlg.findChildren<QPushButton*>())
        if (b->text().remove('&') == text) return b;
    return nullptr;
}

}  // namespace

class AfrDialogsTest : public QObject {
    Q_OBJECT
private slots:
    void calculatorOpensWithTheApplicationTarget();
    void calculatorFactor_data();
    void calculatorFactor();
    void calculatorRefusesATargetOutsideTheRangeAndStaysOpen();
    void calculatorOkSetsTheTargetCancelDoesNot();
    void entryOpensEmptyWithItsList();
    void entryTakesTypedAndPickedText();
    void entryAskGivesNothingWhenCancelled();
    void hotKeyHelpListsEveryRowAsWritten();
};

void AfrDialogsTest::calculatorOpensWithTheApplicationTarget() {
    AppState app;
    app.targetAfr = 13.4;
    CAFRCalculatorDlg dlg(app);
    QCOMPARE(dlg.windowTitle(), QStringLiteral("AFR Calculator"));
    QCOMPARE(dlg.TargetAfrEdit()->text(), QStringLiteral("13.4"));
    QCOMPARE(dlg.MapPointAfrEdit()->text(), QStringLiteral("0"));
    QCOMPARE(dlg.FactorEdit()->text(), QStringLiteral("0"));
    QVERIFY(dlg.FactorEdit()->isReadOnly());
    for (const char* label : {"Map Point AFR Value", "Target AFR Value", "Fueling Change Factor"}) {
        bool found = false;
        for (const QLabel* l : dlg.findChildren<QLabel*>()) found |= l->text() == QLatin1String(label);
        QVERIFY2(found, label);
    }
    QVERIFY(Button(dlg, "Calculate") && Button(dlg, "OK") && Button(dlg, "Cancel"));
}

void AfrDialogsTest::calculatorFactor_data() {
    QTest::addColumn<QString>("mapPoint");
    QTest::addColumn<QString>("target");
    QTest::addColumn<QString>("factor");
    QTest::newRow("rich at 14.0 against 13.1") << "14.0" << "13.1" << "1.069";
    QTest::newRow("equal") << "12.0" << "12.0" << "1.000";
    QTest::newRow("no reading") << "0" << "13.1" << "0.000";
    QTest::newRow("upper limit") << "14.7" << "14.7" << "1.000";
}

void AfrDialogsTest::calculatorFactor() {
    QFETCH(QString, mapPoint);
    QFETCH(QString, target);
    QFETCH(QString, factor);
    AppState app;
    RecordingPrompter prompter;
    CAFRCalculatorDlg dlg(app, nullptr, &prompter);
    dlg.show();
    Type(dlg.MapPointAfrEdit(), mapPoint);
    Type(dlg.TargetAfrEdit(), target);
    // Enter calculates; it does not close the dialog.
    QTest::keyClick(dlg.TargetAfrEdit(), Qt::Key_Return);
    QCOMPARE(dlg.FactorEdit()->text(), factor);
    QVERIFY(dlg.isVisible());
    QVERIFY(prompter.shown.empty());
    QCOMPARE(app.targetAfr, 13.1);
}

void AfrDialogsTest::calculatorRefusesATargetOutsideTheRangeAndStaysOpen() {
    AppState app;
    RecordingPrompter prompter;
    CAFRCalculatorDlg dlg(app, nullptr, &prompter);
    dlg.show();
    Type(dlg.MapPointAfrEdit(), "14.0");
    for (const QString target : {"14.8", "11.9", "0"}) {
        prompter.shown.clear();
        Type(dlg.TargetAfrEdit(), target);
        QTest::mouseClick(Button(dlg, "Calculate"), Qt::LeftButton);
        QCOMPARE(dlg.FactorEdit()->text(), QStringLiteral("0"));
        QTest::mouseClick(Button(dlg, "OK"), Qt::LeftButton);
        QVERIFY(dlg.isVisible());
        QCOMPARE(prompter.shown.size(), std::size_t{2});
        QCOMPARE(prompter.shown[0].text, std::string(CAFRCalculatorDlg::kTargetOutOfRangeMessage));
        QCOMPARE(app.targetAfr, 13.1);
    }
    prompter.shown.clear();
    Type(dlg.TargetAfrEdit(), "13.5");
    Type(dlg.MapPointAfrEdit(), "rich");
    QTest::mouseClick(Button(dlg, "Calculate"), Qt::LeftButton);
    QCOMPARE(prompter.shown.size(), std::size_t{1});
    QCOMPARE(prompter.shown[0].text, std::string(CAFRCalculatorDlg::kNotANumberMessage));
    QCOMPARE(dlg.FactorEdit()->text(), QStringLiteral("0"));
}

void AfrDialogsTest::calculatorOkSetsTheTargetCancelDoesNot() {
    AppState app;
    RecordingPrompter prompter;
    {
        CAFRCalculatorDlg dlg(app, nullptr, &prompter);
        dlg.show();
        Type(dlg.TargetAfrEdit(), "14.7");
        QTest::mouseClick(Button(dlg, "Cancel"), Qt::LeftButton);
        QCOMPARE(dlg.result(), int(QDialog::Rejected));
        QCOMPARE(app.targetAfr, 13.1);
    }
    CAFRCalculatorDlg dlg(app, nullptr, &prompter);
    dlg.show();
    Type(dlg.TargetAfrEdit(), "14.7");
    QTest::mouseClick(Button(dlg, "OK"), Qt::LeftButton);
    QCOMPARE(dlg.result(), int(QDialog::Accepted));
    QVERIFY(!dlg.isVisible());
    QCOMPARE(app.targetAfr, 14.7);
    QVERIFY(prompter.shown.empty());
}

void AfrDialogsTest::entryOpensEmptyWithItsList() {
    CAfrEditDlg dlg;
    QCOMPARE(dlg.windowTitle(), QStringLiteral("AFR Entry"));
    QComboBox* combo = dlg.ComboBox();
    QVERIFY(combo->isEditable());
    QCOMPARE(combo->currentText(), QString());
    const QStringList expected = {"12.0", "12.1", "12.2", "12.3", "12.4", "12.5", "12.6",
                                  "12.7", "12.8", "12.9", "13.0", "13.2", "13.3", "13.4",
                                  "13.5", "13.6", "13.7", "13.8", "13.9"};
    QStringList items;
    for (int i = 0; i < combo->count(); ++i) items << combo->itemText(i);
    QCOMPARE(items, expected);
}

void AfrDialogsTest::entryTakesTypedAndPickedText() {
    const struct {
        const char* typed;
        double afr;
    } cases[] = {{"13.1", 13.1}, {"abc", 0.0}, {"", 0.0}, {"12.75", 12.75}, {"13.1x", 0.0}};
    for (const auto& c : cases) {
        CAfrEditDlg dlg;
        dlg.show();
        QTest::keyClicks(dlg.ComboBox()->lineEdit(), c.typed);
        QTest::mouseClick(Button(dlg, "OK"), Qt::LeftButton);
        QCOMPARE(dlg.result(), int(QDialog::Accepted));
        QCOMPARE(dlg.AfrValue(), c.afr);
        QCOMPARE(dlg.ComboBox()->count(), 19);  // typed text is not added to the list
    }
    CAfrEditDlg dlg;
    dlg.show();
    dlg.ComboBox()->setCurrentIndex(dlg.ComboBox()->findText("12.5"));
    QTest::keyClick(dlg.ComboBox()->lineEdit(), Qt::Key_Return);
    QCOMPARE(dlg.result(), int(QDialog::Accepted));
    QCOMPARE(dlg.AfrValue(), 12.5);
}

void AfrDialogsTest::entryAskGivesNothingWhenCancelled() {
    auto answer = [](const char* typed, bool ok) {
        QTimer::singleShot(0, [typed, ok] {
            auto* dlg = qobject_cast<CAfrEditDlg*>(QApplication::activeModalWidget());
            QVERIFY(dlg != nullptr);
            QTest::keyClicks(dlg->ComboBox()->lineEdit(), typed);
            ok ? dlg->accept() : dlg->reject();
        });
    };
    answer("13.4", false);
    QCOMPARE(CAfrEditDlg::Ask(nullptr), std::optional<double>());
    answer("13.4", true);
    QCOMPARE(CAfrEditDlg::Ask(nullptr), std::optional<double>(13.4));
}

void AfrDialogsTest::hotKeyHelpListsEveryRowAsWritten() {
    CHotKeyHelpDlg dlg;
    QCOMPARE(dlg.windowTitle(), QStringLiteral("Hot Key Combinations"));
    QTableWidget* table = dlg.Table();
    QCOMPARE(table->horizontalHeaderItem(0)->text(), QStringLiteral("Key Combination"));
    QCOMPARE(table->horizontalHeaderItem(1)->text(), QStringLiteral("Description"));
    const auto rows = CHotKeyHelpDlg::Rows();
    QCOMPARE(table->rowCount(), 29);
    QCOMPARE(static_cast<int>(rows.size()), 29);
    for (int r = 0; r < table->rowCount(); ++r) {
        QCOMPARE(table->item(r, 0)->text(), QString::fromLatin1(rows[static_cast<std::size_t>(r)].keys));
        QCOMPARE(table->item(r, 1)->text(), QString::fromLatin1(rows[static_cast<std::size_t>(r)].description));
    }
    // Texts as the card has them, oddities included.
    QCOMPARE(table->item(0, 0)->text(), QStringLiteral("[Shift]-[U]"));
    QCOMPARE(table->item(4, 1)->text(), QStringLiteral("READ  the linked modules maps and settings."));
    QCOMPARE(table->item(20, 1)->text(),
             QStringLiteral("Select map points and execute a 'linear' command between 2 selected ponts."));
    QCOMPARE(table->item(24, 0)->text(), QStringLiteral("[SPACE BAR]"));
    QCOMPARE(table->item(24, 1)->text(), QStringLiteral("Activates/De-activates the active point information box."));
    // Ours: Ctrl+T works against the target the tuner set.
    QVERIFY(table->item(25, 1)->text().contains("Target AFR"));
    // The keys of one step back and forward, which no key of the card uses.
    QCOMPARE(table->item(26, 0)->text(), QStringLiteral("[Ctrl]-[Alt]-[Z]"));
    QCOMPARE(table->item(27, 0)->text(), QStringLiteral("[Ctrl]-[Alt]-[Y]"));
    // The key between a row's curve and its table, beside the others.
    QCOMPARE(table->item(28, 0)->text(), QStringLiteral("[T]"));
    QVERIFY(table->item(28, 1)->text().contains("TABLE"));
}

QTEST_MAIN(AfrDialogsTest)
#include "AfrDialogsTest.moc"
