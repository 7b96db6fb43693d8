// The "Tuning Maps" page: groups as roots, rows in the order a tuner reads them, one header
// per group, kinds per entry.
#include <QtTest>

#include <QTreeWidget>

#include "documents/CCorvaneMapsDoc.h"
#include "views/CPPageTuningMapSelector.h"

using namespace corvane;

class SelectorPageTest : public QObject {
    Q_OBJECT
private slots:
    void numbersCompareByValue();
    void familyATreeIsGroupedAndOrdered();
};

void SelectorPageTest::numbersCompareByValue() {
    QVERIFY(NaturalCompare("Fuelflow vs TPS @ 256 rpm", "Fuelflow vs TPS @ 1024 rpm") < 0);
    QVERIFY(NaturalCompare("Fuelflow vs TPS @ 0 rpm", "Fuelflow vs TPS @ 256 rpm") < 0);
    QVERIFY(NaturalCompare("a 007", "a 7") == 0);
    QVERIFY(NaturalCompare("Basic Settings", "basic settings") == 0);
    QVERIFY(NaturalCompare("Map", "Map 1") < 0);
    QVERIFY(NaturalCompare("x 99999999999999999999", "x 100000000000000000000") < 0);
}

void SelectorPageTest::familyATreeIsGroupedAndOrdered() {
    AppState app;
    CCorvaneMapsDoc doc(app);
    CPPageTuningMapSelector page;
    page.Fill(doc.SelectorTree());
    QTreeWidget* tree = page.Tree();
    QStringList roots;
    for (int i = 0; i < tree->topLevelItemCount(); ++i) roots << tree->topLevelItem(i)->text(0);
    QCOMPARE(roots.removeDuplicates(), 0);  // one header per group, even for groups split in the catalogue
    QVERIFY(roots.contains("Module Configuration"));
    for (int i = 1; i < roots.size(); ++i) QVERIFY2(NaturalCompare(roots[i - 1], roots[i]) < 0, qPrintable(roots[i]));

    // Every map is listed once, as kind 0; the settings entry is kind 3, the three tables kind 7.
    int listed = 0;
    for (int i = 0; i < tree->topLevelItemCount(); ++i) listed += tree->topLevelItem(i)->childCount();
    QCOMPARE(listed, doc.GetMapCount() + 1 + 3);
    QCOMPARE(page.ItemKind(0), CPPageTuningMapSelector::kKindMap);
    QCOMPARE(page.ItemKind(doc.GetMapCount()), CPPageTuningMapSelector::kKindBasicSettings);
    QCOMPARE(page.ItemKind(doc.SelectorNumberOfTable("fuel")), CPPageTuningMapSelector::kKindTable);
    QVERIFY(roots.contains("Tables"));

    // Following a view selects without asking; a user's selection asks with the kind.
    QSignalSpy asked(&page, &CPPageTuningMapSelector::entrySelected);
    const int fuel = doc.FindMap("Stoichiometric2048Map");
    page.FollowMap(fuel);
    QCOMPARE(page.CurrentNumber(), fuel);
    QCOMPARE(asked.count(), 0);
    page.SetItemKind(fuel + 1, CPPageTuningMapSelector::kKindAdvancedMap);
    page.SelectNumber(fuel + 1);
    QCOMPARE(asked.count(), 1);
    QCOMPARE(asked.at(0).at(1).toInt(), CPPageTuningMapSelector::kKindAdvancedMap);

    // A click on the entry already selected asks again: the map may be shown by another
    // view by now (the table in front), and the click is how the tuner gets it back.
    page.resize(400, 900);
    page.show();
    QVERIFY(QTest::qWaitForWindowExposed(&page));
    QTreeWidgetItem* current = tree->currentItem();
    QVERIFY(current);
    tree->scrollToItem(current);
    const QRect rect = tree->visualItemRect(current);
    QVERIFY(rect.isValid());
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, rect.center());
    QCOMPARE(tree->currentItem(), current);
    QCOMPARE(asked.count(), 2);
    QCOMPARE(asked.at(1).at(0).toInt(), fuel + 1);
}

QTEST_MAIN(SelectorPageTest)
#include "SelectorPageTest.moc"
