// The warranty view of a family-B document against the simulated module: what it shows, its
// five commands, the VIN field, and service data files.
#include <QtTest>

#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <array>
#include <numeric>

#include "documents/CCorvaneMapsDoc.h"
#include "link/LinkMessages.h"
#include "sim/EngineModel.h"
#include "support/ModuleAppHarness.h"
#include "views/CCorvaneWarrantyView.h"

using namespace corvane;
using namespace corvane::test;

namespace {

constexpr std::uint32_t kFamilyB = 2;

std::array<std::uint8_t, 4> BigEndian(std::uint32_t v) {
    return {static_cast<std::uint8_t>(v >> 24), static_cast<std::uint8_t>(v >> 16), static_cast<std::uint8_t>(v >> 8),
            static_cast<std::uint8_t>(v)};
}

struct WarrantyRig {
    ModuleAppHarness<> h;
    CCorvaneWarrantyView* view = nullptr;

    WarrantyRig() {
        h.Start(kFamilyB);
        h.Frame().Selector().SelectNumber(h.Maps()->Document().GetMapCount() + 1);
        view = h.Maps()->WarrantyView();
        h.Link();
        // The simulated engine idles and so counts run time; below 200 rpm it counts nothing,
        // and the record stays as the test writes it.
        h.Module([](sim::ModuleEmulator& m) { m.StartScenario("hold rpm=100 dwell=100000"); });
        QTRY_VERIFY_WITH_TIMEOUT(!h.Module([](sim::ModuleEmulator& m) { return m.Engine().Running(); }), 10000);
    }
    // Band i holds `seconds(i)`, the hit counter `hits`, the VIN `vin` (zero padded).
    template <class F>
    void ModuleRecord(F seconds, std::uint16_t hits, const std::string& vin) {
        h.Module([&](sim::ModuleEmulator& m) {
            for (int i = 0; i < 60; ++i) m.Poke(static_cast<std::uint16_t>(0x500 + 4 * i), BigEndian(seconds(i)));
            m.PokeWord(0x5F0, hits);
            std::array<std::uint8_t, 32> bytes{};
            std::copy(vin.begin(), vin.end(), bytes.begin());
            m.Poke(0x5F4, bytes);
        });
    }
    std::string ModuleVin() {
        return h.Module([](sim::ModuleEmulator& m) {
            auto memory = m.Memory();
            return std::string(memory.begin() + 0x5F4, memory.begin() + 0x5F4 + 32);
        });
    }
    std::uint64_t ModuleWrites() {
        return h.Module([](sim::ModuleEmulator& m) { return m.WriteCount(); });
    }
    QStringList Fields() const {
        QStringList texts{view->RevLimitField()->text(), view->TotalField()->text()};
        for (int i = 0; i < 60; ++i) texts << view->LogField(i)->text();
        return texts;
    }
};

}  // namespace

class WarrantyViewTest : public QObject {
    Q_OBJECT
private slots:
    void opensForFamilyBWithEveryControl();
    void readModuleShowsHoursMinutesSeconds();
    void enterInTheVinFieldChecksTheLength();
    void editVinAsksAndSends();
    void clearAsksFirstAndZeroesTheModule();
    void serviceDataFilesRoundTrip();
};

void WarrantyViewTest::opensForFamilyBWithEveryControl() {
    WarrantyRig rig;
    QVERIFY(rig.view != nullptr);
    QCOMPARE(rig.h.Maps()->CurrentViewKind(), CChildFrmMaps::ViewKind::kWarranty);
    for (const char* text : {"Read Module", "Clear Module", "Edit VIN", "Save File", "Load File"}) {
        QPushButton* button = rig.view->Button(text);
        QVERIFY2(button && button->isEnabled(), text);
    }
    QStringList labels;
    for (QLabel* label : rig.view->widget()->findChildren<QLabel*>()) labels << label->text();
    QVERIFY(labels.contains("Hours:Minutes:Seconds"));
    QVERIFY(labels.contains("Total Hrs."));
    QVERIFY(labels.contains("500 Rpm"));
    QVERIFY(labels.contains("6400 Rpm"));
    QVERIFY(labels.contains("VIN Number"));
    QVERIFY(labels.contains("Rev Limit Hits"));
    QVERIFY(rig.view->LogField(59) != nullptr);
    QVERIFY(rig.view->LogField(60) == nullptr);
    QVERIFY(rig.view->LogField(0)->isReadOnly());
    QVERIFY(rig.view->TotalField()->isReadOnly());
    QVERIFY(!rig.view->VinField()->isReadOnly());
    QCOMPARE(rig.view->VinField()->alignment(), Qt::AlignCenter);
    QCOMPARE(rig.view->LogField(0)->text(), QString("00:00:00"));
}

void WarrantyViewTest::readModuleShowsHoursMinutesSeconds() {
    WarrantyRig rig;
    // 12:34:56 in band 7; every band i has i minutes besides.
    rig.ModuleRecord([](int i) { return i == 7 ? 12u * 3600 + 34 * 60 + 56 : 60u * i; }, 3,
                     std::string("1HD1KB4\x01\xF3\\", 10));
    rig.view->Button("Read Module")->click();
    QCOMPARE(rig.h.prompter.waits,
             std::vector<std::string>{"Warranty Info|Retrieving Warranty Data From Module. Please Wait..."});
    QVERIFY(rig.h.prompter.shown.empty());
    QCOMPARE(rig.view->LogField(7)->text(), QString("12:34:56"));
    QCOMPARE(rig.view->LogField(0)->text(), QString("00:00:00"));
    QCOMPARE(rig.view->LogField(59)->text(), QString("00:59:00"));
    QCOMPARE(rig.view->RevLimitField()->text(), QString("3 "));
    // 0 + 1 + ... + 59 minutes (but band 7), and 12:34:56.
    const unsigned total = 60u * (59 * 60 / 2 - 7) + 45296u;
    QCOMPARE(rig.view->TotalField()->text(),
             QString("%1:%2:%3").arg(total / 3600, 2, 10, QChar('0')).arg(total / 60 % 60, 2, 10, QChar('0'))
                 .arg(total % 60, 2, 10, QChar('0')));
    // Bytes from the module are shown printable, never raw.
    QCOMPARE(rig.view->VinField()->text(), QString("1HD1KB4\\x01\\xF3\\\\"));
}

void WarrantyViewTest::enterInTheVinFieldChecksTheLength() {
    WarrantyRig rig;
    const std::string before = rig.ModuleVin();
    const auto writes = rig.ModuleWrites();
    rig.view->VinField()->setText(QString(33, 'A'));
    QTest::keyClick(rig.view->VinField(), Qt::Key_Return);
    QCOMPARE(rig.h.prompter.shown.size(), std::size_t(1));
    QCOMPARE(rig.h.prompter.shown[0].text,
             std::string("Number of Characters for VIN must be less than or equal to 32."));
    QCOMPARE(rig.h.prompter.shown[0].title, std::string("VIN Not Set"));
    QCOMPARE(rig.ModuleWrites(), writes);
    QCOMPARE(rig.ModuleVin(), before);

    // 32 characters fit; the module holds them, and the field shows what the document holds.
    const std::string vin(32, 'B');
    rig.view->VinField()->setText(QString::fromStdString(vin));
    QTest::keyClick(rig.view->VinField(), Qt::Key_Enter);
    QCOMPARE(rig.h.prompter.shown.size(), std::size_t(1));
    QCOMPARE(rig.ModuleVin(), vin);
    QCOMPARE(rig.view->VinField()->text(), QString::fromStdString(vin));
    QCOMPARE(rig.h.Maps()->Document().GetWarrantyValues()->vin->GetText(), vin);
}

void WarrantyViewTest::editVinAsksAndSends() {
    WarrantyRig rig;
    const std::string before = rig.ModuleVin();
    rig.view->SetVinAsker([] { return std::nullopt; });
    rig.view->Button("Edit VIN")->click();
    QCOMPARE(rig.ModuleVin(), before);

    rig.view->SetVinAsker([] { return std::optional<std::string>("5HD1AB2"); });
    rig.view->Button("Edit VIN")->click();
    QCOMPARE(rig.ModuleVin(), std::string("5HD1AB2") + std::string(25, '\0'));
    QCOMPARE(rig.view->VinField()->text(), QString("5HD1AB2"));
    QVERIFY(rig.h.prompter.shown.empty());
}

void WarrantyViewTest::clearAsksFirstAndZeroesTheModule() {
    WarrantyRig rig;
    rig.ModuleRecord([](int i) { return 100u + i; }, 9, "VIN");
    rig.view->Button("Read Module")->click();
    const QStringList read = rig.Fields();
    QCOMPARE(read[0], QString("9 "));
    rig.h.prompter.waits.clear();

    // Cancel: no wait box, no write, nothing shown changes.
    const auto writes = rig.ModuleWrites();
    rig.h.prompter.answers = {Prompter::Answer::Cancel};
    rig.view->Button("Clear Module")->click();
    QCOMPARE(rig.h.prompter.shown.back().text, std::string("WARNING: All MODULE Warranty Logs will be set to 00:00:00"));
    QVERIFY(rig.h.prompter.shown.back().buttons == Prompter::Buttons::OkCancel);
    QVERIFY(rig.h.prompter.waits.empty());
    QCOMPARE(rig.ModuleWrites(), writes);
    QCOMPARE(rig.Fields(), read);
    QCOMPARE(rig.h.Module([](sim::ModuleEmulator& m) { return m.PeekLong(0x500 + 4 * 20); }), 120u);

    // OK: the module's counters are zero and every field shows it.
    rig.h.prompter.answers = {Prompter::Answer::Ok};
    rig.view->Button("Clear Module")->click();
    QCOMPARE(rig.h.prompter.shown.size(), std::size_t(2));
    QCOMPARE(rig.h.prompter.waits.front(), std::string("Warranty Rpm|Clearing the RPM values. Please Wait..."));
    QCOMPARE(rig.view->RevLimitField()->text(), QString("0 "));
    for (int i = 0; i < 60; ++i) QCOMPARE(rig.view->LogField(i)->text(), QString("00:00:00"));
    QCOMPARE(rig.view->TotalField()->text(), QString("00:00:00"));
    const bool zero = rig.h.Module([](sim::ModuleEmulator& m) {
        bool all = m.PeekLong(0x5F0) == 0;
        for (int i = 0; i < 60; ++i) all = all && m.PeekLong(static_cast<std::uint16_t>(0x500 + 4 * i)) == 0;
        return all;
    });
    QVERIFY(zero);
    QCOMPARE(rig.ModuleVin().substr(0, 4), std::string("VIN\0", 4));  // the VIN is not a log
}

void WarrantyViewTest::serviceDataFilesRoundTrip() {
    WarrantyRig rig;
    rig.ModuleRecord([](int i) { return i == 7 ? 45296u : 3600u * i; }, 42, "1HD1KB4197Y123456");
    rig.view->Button("Read Module")->click();
    const QStringList saved = rig.Fields();
    QCOMPARE(rig.view->LogField(7)->text(), QString("12:34:56"));

    const QString path = rig.h.Path("service.ssd");
    rig.h.prompter.saveFile = path.toStdString();
    rig.view->Button("Save File")->click();
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = file.readAll().split('\n');
    QCOMPARE(lines.size(), 65);  // 64 lines, each ended by CR LF
    QCOMPARE(lines[0], QByteArray("42\r"));
    QCOMPARE(lines[8], QByteArray("45296\r"));
    QCOMPARE(lines[62], QByteArray("1HD1KB4197Y123456\r"));

    // Other values from the module, then the file again: the saved record is back, and
    // nothing went to the module.
    rig.ModuleRecord([](int) { return 5u; }, 1, "OTHER");
    rig.view->Button("Read Module")->click();
    QVERIFY(rig.Fields() != saved);
    const auto writes = rig.ModuleWrites();
    rig.h.prompter.openFile = path.toStdString();
    rig.view->Button("Load File")->click();
    QCOMPARE(rig.Fields(), saved);
    QCOMPARE(rig.view->VinField()->text(), QString("1HD1KB4197Y123456"));
    QCOMPARE(rig.ModuleWrites(), writes);
    QVERIFY(rig.h.prompter.shown.empty());

    // A file that cannot be written or read is reported, and the record stays.
    rig.h.prompter.saveFile = rig.h.Path("no-such-folder/service.ssd").toStdString();
    rig.view->Button("Save File")->click();
    QCOMPARE(rig.h.prompter.shown.back().text, "The service data file could not be written.\n" + *rig.h.prompter.saveFile);
    rig.h.prompter.openFile = rig.h.Path("missing.ssd").toStdString();
    rig.view->Button("Load File")->click();
    QCOMPARE(rig.h.prompter.shown.back().text, "The service data file could not be read.\n" + *rig.h.prompter.openFile);
    QCOMPARE(rig.Fields(), saved);
}

QTEST_MAIN(WarrantyViewTest)
#include "WarrantyViewTest.moc"
