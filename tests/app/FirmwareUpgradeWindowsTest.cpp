// Configure ▸ Firmware ▸ Upgrade through the real dialogs against the simulated module: a
// scripted user presses the simulated power switch in each detection dialog, picks the file
// and answers every message box; the emulator's flash and upgrade state are checked after.
#include <QtTest>

#include <QAbstractButton>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressDialog>
#include <QPushButton>

#include <cstdlib>
#include <fstream>
#include <random>

#include "app/CLinkStatusDlg.h"
#include "app/CModuleDetectionDlg.h"
#include "app/CommandTable.h"
#include "app/FirmwareUpgradeRunner.h"
#include "link/CModuleBackup.h"
#include "link/ModuleBackups.h"
#include "app/QtPrompter.h"
#include "link/LinkMessages.h"
#include "support/ModuleAppHarness.h"
#include "support/S19Writer.h"

using namespace corvane;
using namespace corvane::test;

namespace {

// What a person at the screen does during the upgrade, polled from the dialogs' own event
// loops: cycles the power in every detection dialog, picks `file`, confirms every box.
class ScriptedUser : public QObject {
public:
    explicit ScriptedUser(QString file) : m_file(std::move(file)) {
        m_timer.setInterval(10);
        connect(&m_timer, &QTimer::timeout, this, &ScriptedUser::Look);
        m_timer.start();
        // A progress dialog may come and go between two looks: it is seen as it shows.
        qApp->installEventFilter(this);
    }
    ~ScriptedUser() override { qApp->removeEventFilter(this); }

    QStringList messages;       // texts of the message boxes, in order
    QStringList detections;     // instructions of each detection dialog
    QStringList progressTexts;  // labels of the progress dialogs seen
    QString pickedFrom;         // the folder the file dialog started in
    bool cancelDetection = false;
    bool progressCancellable = false;

private:
    void Look() {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (!w->isVisible()) continue;
            if (auto* detection = qobject_cast<CModuleDetectionDlg*>(w)) {
                // Marked on the dialog itself: a new dialog may well be built where a deleted one
                // stood, and a remembered address would then hide it for good.
                if (detection->property(kHandled).toBool()) continue;
                QAbstractButton* cycle = detection->CycleButton();
                if (cancelDetection) {
                    detection->setProperty(kHandled, true);
                    detections << detection->findChild<QLabel*>("Instructions")->text();
                    detection->reject();
                } else if (cycle && cycle->isVisible() && cycle->isEnabled()) {
                    detection->setProperty(kHandled, true);
                    detections << detection->findChild<QLabel*>("Instructions")->text();
                    cycle->click();
                }
            } else if (auto* files = qobject_cast<QFileDialog*>(w)) {
                pickedFrom = files->directory().absolutePath();
                // As a user would: type the file's path into the name field (selectFile leaves a
                // field that has the focus alone).
                files->findChild<QLineEdit*>("fileNameEdit")->setText(m_file);
                static_cast<QDialog*>(files)->accept();  // as the Open button does
            } else if (auto* box = qobject_cast<QMessageBox*>(w)) {
                messages << box->text();
                // A question (go on without a backup?) is answered Yes, as a user in a hurry would.
                QAbstractButton* yes = box->button(QMessageBox::Yes);
                (yes ? yes : box->button(QMessageBox::Ok))->click();
            }
        }
    }

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Show) {
            if (auto* progress = qobject_cast<QProgressDialog*>(watched)) {
                if (!progressTexts.contains(progress->labelText())) progressTexts << progress->labelText();
                for (QPushButton* b : progress->findChildren<QPushButton*>())
                    progressCancellable = progressCancellable || b->isVisibleTo(progress);
            }
        }
        return false;
    }

    QString m_file;
    QTimer m_timer;
    static constexpr const char* kHandled = "scriptedUserHandled";
};

struct UpgradeRig {
    ModuleAppHarness<QtPrompter> h;
    std::vector<std::uint8_t> image;
    QString s19;

    UpgradeRig() {
        h.Start();
        h.prompter.SetParent(&h.Frame());
        h.prompter.SetDataFolder(h.app->UserDataFolder());
        h.prompter.SetPowerSwitch(FirmwareUpgradeRunner::SimulatedPowerSwitch(*h.app));
        h.Link();  // the module exists, and the upgrade must unlink it first
        std::mt19937 rng(11);
        image.resize(1500);
        for (auto& b : image) b = static_cast<std::uint8_t>(rng());
    }

    // Firmware laid out as srec_cat makes it from binary images: one image for flash at 0x8000
    // and one at 0xC000, which is never flashed.
    bool MakeS19(const QString& name) {
        const std::vector<std::uint8_t> high{'C', 'A', 'L', 'I', 'B', 'R', 'A', 'T', 'I', 'O', 'N', 'D', 'A', 'T', 'A', '!'};
        s19 = h.Path(name);
        S19Writer::Write(s19.toStdString(), {{0x8000, image}, {0xC000, high}});
        return true;
    }

    bool Flashed() {
        return h.Module([this](sim::ModuleEmulator& m) {
            auto memory = m.Memory();
            return std::equal(image.begin(), image.end(), memory.begin() + 0x8000);
        });
    }
    std::uint64_t FlashWrites() {
        return h.Module([](sim::ModuleEmulator& m) { return m.FlashWriteCount(); });
    }
    template <class F>
    auto Module(F&& f) {
        return h.Module(std::forward<F>(f));
    }
};

}  // namespace

class FirmwareUpgradeWindowsTest : public QObject {
    Q_OBJECT
private slots:
    void upgradeCompletes();
    void moduleIdMismatchFlashesNothing();
    void powerLossMidFlashIsRepairedByRunningItAgain();
    void cancelledDetectionEndsTheUpgrade();
};

void FirmwareUpgradeWindowsTest::upgradeCompletes() {
    UpgradeRig rig;
    QVERIFY(rig.MakeS19("ECM_12_V0x53.S19"));
    QVERIFY(rig.h.Frame().Action(cmd::kFirmwareUpgrade)->isEnabled());
    const auto aboveFlash = rig.Module([](sim::ModuleEmulator& m) { return m.PeekLong(0xC000); });
    ScriptedUser user(rig.s19);
    rig.h.Frame().RunCommand(cmd::kFirmwareUpgrade);

    QCOMPARE(user.detections.size(), 2);
    QCOMPARE(user.detections[0], QString(msg::kUpgradeInitialize));
    QCOMPARE(user.detections[1], QString("You are about to begin the 'Firmware Upgrade Process'.\nThe current Module "
                                         "Firmware Version:0x52\nwill be  upgraded to Firmware Version:0x53\n\n1. Turn "
                                         "the MODULE power OFF for 5 seconds.\n2. Turn the MODULE power ON.\n3. "
                                         "Firmware Upgrade will continue automatically"));
    // The firmware folder is made in the user's data folder, never beside the program.
    QCOMPARE(user.pickedFrom, QDir(rig.h.app->UserDataFolder()).filePath("FirmWareFiles"));
    QVERIFY(user.progressTexts.contains("Firmware Download"));
    QVERIFY(!user.progressCancellable);  // the flash is never left half written by a click
    QCOMPARE(user.messages, QStringList{msg::kUpgradeCompleted});
    // The module's tune was read into a backup before anything else, under its own progress.
    QCOMPARE(user.progressTexts.first(), QString(CModuleBackup::kReadingText));
    const auto backups = rig.h.app->Backups().List();
    QCOMPARE(backups.size(), std::size_t{1});
    QCOMPARE(backups[0].reason, BackupReason::kBeforeUpgrade);

    QVERIFY(rig.Flashed());
    // The file's block at 0xC000 is kept in the file, never flashed.
    QCOMPARE(rig.Module([](sim::ModuleEmulator& m) { return m.PeekLong(0xC000); }), aboveFlash);
    QCOMPARE(rig.Module([](sim::ModuleEmulator& m) { return m.FirmwareVersion(); }), 0x53);
    QVERIFY(rig.Module([](sim::ModuleEmulator& m) { return m.FirmwareIntact() && !m.UpgradeMarkerOn(); }));
    QVERIFY(!rig.h.app->State().firmwareUpgradeInProgress);
    QVERIFY(!rig.h.app->State().moduleLinked);
    QCOMPARE(rig.h.app->State().moduleFirmwareVersion, 0);

    // The user cycles the power as told: the module runs its new firmware, and links again.
    rig.Module([](sim::ModuleEmulator& m) { m.PowerCycle(); });
    QVERIFY(rig.Module([](sim::ModuleEmulator& m) { return !m.InUpgradeMode() && m.ModuleId() == 12; }));
    rig.h.Link();
    QCOMPARE(rig.h.app->State().moduleFirmwareVersion, 0x53);
}

void FirmwareUpgradeWindowsTest::moduleIdMismatchFlashesNothing() {
    UpgradeRig rig;
    QVERIFY(rig.MakeS19("ECM_33_V0x53.S19"));
    ScriptedUser user(rig.s19);
    rig.h.Frame().RunCommand(cmd::kFirmwareUpgrade);

    QCOMPARE(user.messages, QStringList{"Module ID:12  Incompatible with File Module ID:33"});
    QCOMPARE(user.detections.size(), 1);
    QCOMPARE(rig.FlashWrites(), std::uint64_t(0));
    QVERIFY(rig.Module([](sim::ModuleEmulator& m) {
        return !m.UpgradeMarkerOn() && m.FirmwareIntact() && m.FirmwareVersion() == 0x52;
    }));
    rig.Module([](sim::ModuleEmulator& m) { m.PowerCycle(); });
    QVERIFY(!rig.Module([](sim::ModuleEmulator& m) { return m.InUpgradeMode(); }));
}

void FirmwareUpgradeWindowsTest::powerLossMidFlashIsRepairedByRunningItAgain() {
    UpgradeRig rig;
    QVERIFY(rig.MakeS19("ECM_12_V0x53.S19"));
    rig.h.sim->WithPeer([](sim::ModulePeer& peer) { peer.ArmPowerLossDuringFlash(600); });
    {
        ScriptedUser user(rig.s19);
        rig.h.Frame().RunCommand(cmd::kFirmwareUpgrade);
        // The failure, then how to repair it.
        QCOMPARE(user.messages, (QStringList{msg::kUpgradeFailed, msg::kUpgradeRecovery}));
    }
    QVERIFY(!rig.Flashed());
    QVERIFY(rig.Module([](sim::ModuleEmulator& m) {
        return !m.Powered() && !m.FirmwareIntact() && m.FirmwareVersion() == 0x52;
    }));
    QVERIFY(!rig.h.app->State().firmwareUpgradeInProgress);
    // The procedure never linked: no box says a link is being re-established.
    QCoreApplication::processEvents();
    QVERIFY(!rig.h.Frame().DataLinkBox().isVisible());
    QVERIFY(!rig.h.app->State().moduleLinked);

    // Whatever the switch does now, the module comes back in its upgrade loader.
    rig.Module([](sim::ModuleEmulator& m) { m.PowerCycle(); });
    QVERIFY(rig.Module([](sim::ModuleEmulator& m) { return m.InUpgradeMode(); }));

    // The same upgrade again completes it.
    ScriptedUser user(rig.s19);
    rig.h.Frame().RunCommand(cmd::kFirmwareUpgrade);
    // A module in its loader holds no tune to back up: the user is asked, and goes on.
    QCOMPARE(user.messages.size(), 2);
    QVERIFY(user.messages[0].contains("firmware upgrade mode"));
    QCOMPARE(user.messages[1], QString(msg::kUpgradeCompleted));
    QVERIFY(rig.Flashed());
    QVERIFY(rig.Module([](sim::ModuleEmulator& m) {
        return m.FirmwareIntact() && !m.UpgradeMarkerOn() && m.FirmwareVersion() == 0x53;
    }));
    rig.Module([](sim::ModuleEmulator& m) { m.PowerCycle(); });
    QVERIFY(!rig.Module([](sim::ModuleEmulator& m) { return m.InUpgradeMode(); }));
}

void FirmwareUpgradeWindowsTest::cancelledDetectionEndsTheUpgrade() {
    UpgradeRig rig;
    ScriptedUser user(rig.h.Path("unused.S19"));
    user.cancelDetection = true;
    rig.h.Frame().RunCommand(cmd::kFirmwareUpgrade);
    QCOMPARE(user.detections.size(), 1);
    QVERIFY(user.messages.isEmpty());
    QVERIFY(user.pickedFrom.isEmpty());
    QVERIFY(!rig.h.app->State().firmwareUpgradeInProgress);
    QCOMPARE(rig.Module([](sim::ModuleEmulator& m) { return m.WriteCount(); }), std::uint64_t(0));
    QVERIFY(rig.h.prompter.DetectionDialog() == nullptr);
}

QTEST_MAIN(FirmwareUpgradeWindowsTest)
#include "FirmwareUpgradeWindowsTest.moc"
