// The Qt side of the core's seams: settings in QSettings, comms callbacks moved onto the UI
// thread in order, file filters.
#include <QtTest>

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTimer>

#include <functional>

#include <thread>

#include "app/CommsBridge.h"
#include "app/QtPrompter.h"
#include "app/QtSettingsStore.h"

using namespace corvane;

class SeamsTest : public QObject {
    Q_OBJECT
private slots:
    void settingsRoundTripAndRejectNonNumbers();
    void bridgeDeliversOnTheUiThreadInOrder();
    void fileFiltersBecomeQtFilters();
    void relativeFoldersAreMadeInTheDataFolderNeverBesideTheProgram();
    void theSaveQuestionsKeysNeverDiscardByThemselves();
};

void SeamsTest::settingsRoundTripAndRejectNonNumbers() {
    QTemporaryDir dir;
    const QString file = dir.filePath("corvane.ini");
    {
        QtSettingsStore store(file);
        store.SetInt("Settings", "Port", 4);
        store.SetText("AFR", "Target", "13.25");
        store.SetBinary("ToolBarStates", "State", {0, 1, 0xFF, 0x80});
        store.SetText("Colors", "MapLineColor", "blue");
        store.Sync();
    }
    QtSettingsStore store(file);
    QCOMPARE(store.GetInt("Settings", "Port"), std::optional<int>(4));
    QCOMPARE(store.GetText("AFR", "Target"), std::optional<std::string>("13.25"));
    QCOMPARE(store.GetBinary("ToolBarStates", "State"), (std::optional<std::vector<std::uint8_t>>({0, 1, 0xFF, 0x80})));
    // A hand-edited value that is no number reads as missing, so the default applies.
    QCOMPARE(store.GetInt("Colors", "MapLineColor"), std::nullopt);
    QCOMPARE(store.GetInt("Colors", "GridLineColor"), std::nullopt);
    // Colours may be written in hexadecimal by hand.
    store.SetText("Colors", "GridLineColor", "0x00FF00");
    QCOMPARE(store.GetInt("Colors", "GridLineColor"), std::optional<int>(0x00FF00));
}

void SeamsTest::bridgeDeliversOnTheUiThreadInOrder() {
    CommsBridge bridge;
    std::vector<int> seen;
    bool offThread = false;
    const auto ui = QThread::currentThread();
    connect(&bridge, &CommsBridge::linkStatus, [&](int s) {
        offThread |= QThread::currentThread() != ui;
        seen.push_back(s);
    });
    connect(&bridge, &CommsBridge::monitorPacket, [&](const std::vector<std::uint8_t>& p) {
        offThread |= QThread::currentThread() != ui;
        seen.push_back(1000 + p.at(0));
    });
    connect(&bridge, &CommsBridge::moduleConnectionFailure, [&] { seen.push_back(-1); });
    std::thread io([&] {
        for (int i = 0; i < 200; ++i) {
            bridge.OnLinkStatus(i % 4);
            bridge.OnMonitorPacket(std::vector<std::uint8_t>(72, static_cast<std::uint8_t>(i)));
        }
        bridge.OnModuleConnectionFailure();
    });
    io.join();
    QVERIFY(seen.empty());  // nothing is delivered inside the I/O thread's call
    QCoreApplication::processEvents();
    QCOMPARE(static_cast<int>(seen.size()), 401);
    QVERIFY(!offThread);
    for (int i = 0; i < 200; ++i) {
        QCOMPARE(seen[2 * i], i % 4);
        QCOMPARE(seen[2 * i + 1], 1000 + i);
    }
    QCOMPARE(seen.back(), -1);
}

void SeamsTest::fileFiltersBecomeQtFilters() {
    QCOMPARE(QtPrompter::QtFilter("Corvane Map Files (*.crv)|*.crv||"), QString("Corvane Map Files (*.crv)"));
    QCOMPARE(QtPrompter::QtFilter("Firmware Files (*.B19;*.S19)|*.B19;*.S19|All Files (*.*)|*.*||"),
             QString("Firmware Files (*.B19 *.S19);;All Files (*.*)"));
    QCOMPARE(QtPrompter::QtFilter("Service Data|*.ssd||"), QString("Service Data (*.ssd)"));
}

void SeamsTest::relativeFoldersAreMadeInTheDataFolderNeverBesideTheProgram() {
    QTemporaryDir data;
    QtPrompter prompter;
    prompter.SetDataFolder(data.path());
    const QString firmware = prompter.FolderFor("FirmWareFiles");
    QCOMPARE(firmware, QDir(data.path()).filePath("FirmWareFiles"));
    QVERIFY(QDir(firmware).exists());
    // Without a folder of its own: the standard one of the user, not the program's.
    QtPrompter plain;
    QVERIFY(plain.DataFolder() != QCoreApplication::applicationDirPath());
    QVERIFY(plain.DataFolder().startsWith(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)));
}

// "Save changes?" answered with the keyboard: Enter saves, Esc cancels, closing the box
// cancels. Only the Discard button itself throws edits away.
void SeamsTest::theSaveQuestionsKeysNeverDiscardByThemselves() {
    QtPrompter prompter;
    auto answerWith = [&](std::function<void(QMessageBox&)> act) {
        QTimer::singleShot(0, [act] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (box) act(*box);
        });
        return prompter.Message("Save changes to Corvane1?", {}, Prompter::Icon::Question,
                                Prompter::Buttons::SaveDiscardCancel);
    };
    QCOMPARE(answerWith([](QMessageBox& b) { QTest::keyClick(&b, Qt::Key_Return); }), Prompter::Answer::Yes);
    QCOMPARE(answerWith([](QMessageBox& b) { QTest::keyClick(&b, Qt::Key_Escape); }), Prompter::Answer::Cancel);
    QCOMPARE(answerWith([](QMessageBox& b) { b.close(); }), Prompter::Answer::Cancel);
    QCOMPARE(answerWith([](QMessageBox& b) { b.button(QMessageBox::Discard)->click(); }), Prompter::Answer::No);
}

QTEST_MAIN(SeamsTest)
#include "SeamsTest.moc"
