// The log viewer as the user works it: a log written by the monitor log opens with its
// channels; wheel, drag and keys zoom and pan; a click places the cursor, whose readout holds
// every channel's value at that time; a damaged log is refused and the shown one stays.
#include <QCheckBox>
#include <QImage>
#include <QListWidget>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QWheelEvent>

#include <qcustomplot.h>

#include "comms/MonitorBlockLayout.h"
#include "comms/MonitorColumns.h"
#include "comms/MonitorLog.h"
#include "support/RecordingPrompter.h"
#include "views/CLogViewerDlg.h"

using namespace corvane;
using namespace corvane::test;

namespace {

constexpr int kRows = 200;
constexpr double kStep = 0.05;  // seconds between rows: 10 s in all
constexpr int kEngineSpeedChannel = 4;

// Engine speed raw value r * 4 at row r (the channel's high byte first at offset 6).
std::vector<std::uint8_t> BlockOfRow(int row) {
    std::vector<std::uint8_t> block(kMonitorBlockLength, 0);
    block[6] = static_cast<std::uint8_t>((row * 4) >> 8);
    block[7] = static_cast<std::uint8_t>((row * 4) & 0xFF);
    return block;
}

// With `held`, the engine holds the speed of row 100 throughout.
QString WriteLog(const QTemporaryDir& dir, bool held = false) {
    const QString path = dir.filePath(held ? "held.csv" : "run.csv");
    auto log = comms::MonitorLog::CreateAt(path.toStdString());
    for (int r = 0; r < kRows; ++r) log->Append(r * kStep, BlockOfRow(held ? 100 : r));
    return path;
}

QPoint PointAtTime(const CLogViewerDlg& viewer, double t) {
    QCPAxisRect* rect = viewer.PlotWidget()->axisRect(0);
    return QPoint(viewer.PixelOfTime(t), rect->center().y());
}

void Wheel(QWidget* widget, QPoint at, int notches) {
    QWheelEvent event(at, widget->mapToGlobal(at), QPoint(), QPoint(0, 120 * notches), Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
    QApplication::sendEvent(widget, &event);
}

int PixelsOf(const QImage& image, QColor colour) {
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixelColor(x, y) == colour) ++n;
    return n;
}

}  // namespace

class LogViewerTest : public QObject {
    Q_OBJECT
private slots:
    void opensALogWithTheUsualChannelsAndReadsEveryValueAtTheCursor();
    void wheelDragAndKeysZoomAndPanAboutWhatTheUserPointsAt();
    void aClickPlacesTheCursorAndChoosesThatTime();
    void channelsGoOnOneAxisOrOneEachAndAreDrawn();
    void aDamagedLogIsRefusedAndTheShownOneStays();
};

void LogViewerTest::opensALogWithTheUsualChannelsAndReadsEveryValueAtTheCursor() {
    QTemporaryDir dir;
    RecordingPrompter prompter;
    prompter.openFile = WriteLog(dir).toStdString();
    CLogViewerDlg viewer(&prompter, dir.path());
    viewer.show();
    viewer.PickLog();
    QCOMPARE(viewer.LogFile(), QString::fromStdString(*prompter.openFile));
    QCOMPARE(viewer.Table().Rows(), std::size_t(kRows));
    // Engine speed, throttle and the two exhaust-oxygen sensors (volts: no EGO table was used).
    QCOMPARE(viewer.Channels().size(), std::size_t(4));
    QCOMPARE(QString::fromStdString(viewer.Table().headings[viewer.Channels()[0]]), QString("Engine Speed (rpm)"));
    QCOMPARE(QString::fromStdString(viewer.Table().headings[viewer.Channels()[2]]), QString("Front Cylinder (V)"));
    auto* list = viewer.findChild<QListWidget*>();
    QCOMPARE(list->count(), int(viewer.Table().Columns()));
    QCOMPARE(list->item(viewer.Channels()[0])->checkState(), Qt::Checked);

    // Every channel's value at the cursor, shown or not: the row in force at that time.
    viewer.Range().SetCursor(37 * kStep + 0.01);
    viewer.Redraw();
    const int speed = viewer.Channels()[0];
    QCOMPARE(list->item(speed)->text(), QString("Engine Speed (rpm): %1").arg(37.0 * 4 * 16, 0, 'f', 2));
    for (int c = 0; c < list->count(); ++c) QVERIFY(list->item(c)->text().startsWith(QString::fromStdString(viewer.Table().headings[c]) + ": "));
    QVERIFY(viewer.CursorText().contains("row at 1.850 s"));
    QVERIFY(prompter.shown.empty());
}

void LogViewerTest::wheelDragAndKeysZoomAndPanAboutWhatTheUserPointsAt() {
    QTemporaryDir dir;
    CLogViewerDlg viewer(nullptr);
    viewer.resize(1000, 600);
    viewer.show();
    QVERIFY(QTest::qWaitForWindowExposed(&viewer));
    QVERIFY(viewer.OpenLog(WriteLog(dir)));
    QCustomPlot* plot = viewer.PlotWidget();
    const double last = (kRows - 1) * kStep;
    QCOMPARE(viewer.Range().ShownFirst(), 0.0);
    QCOMPARE(viewer.Range().ShownLast(), last);

    // Two notches in over the time 3 s: 3 s stays under the mouse.
    const QPoint at = PointAtTime(viewer, 3.0);
    Wheel(plot, at, 2);
    QVERIFY(std::abs(viewer.Range().ShownSpan() - last / 1.5625) < 1e-6);
    QVERIFY(std::abs(*viewer.TimeAtPixel(at.x(), at.y()) - 3.0) < 0.02);
    QCOMPARE(plot->axisRect(0)->axis(QCPAxis::atBottom)->range().lower, viewer.Range().ShownFirst());

    // A drag to the right by 100 pixels shows earlier times; the time under the mouse follows.
    const double before = *viewer.TimeAtPixel(at.x(), at.y());
    QTest::mousePress(plot, Qt::LeftButton, {}, at);
    QTest::mouseMove(plot, at + QPoint(50, 0));
    QTest::mouseMove(plot, at + QPoint(100, 0));
    QTest::mouseRelease(plot, Qt::LeftButton, {}, at + QPoint(100, 0));
    QVERIFY(std::abs(*viewer.TimeAtPixel(at.x() + 100, at.y()) - before) < 0.02);
    QVERIFY2(std::abs(viewer.Range().Cursor()) < 1e-9, "a drag is no click");

    // Keys: + halves the span, Right pans a tenth, Home shows all.
    plot->setFocus();
    const double span = viewer.Range().ShownSpan();
    QTest::keyClick(plot, Qt::Key_Plus);
    QVERIFY(std::abs(viewer.Range().ShownSpan() - span / 2) < 1e-9);
    const double first = viewer.Range().ShownFirst();
    QTest::keyClick(plot, Qt::Key_Right);
    QVERIFY(std::abs(viewer.Range().ShownFirst() - (first + viewer.Range().ShownSpan() / 10)) < 1e-9);
    QTest::keyClick(plot, Qt::Key_Minus);
    QTest::keyClick(plot, Qt::Key_Home);
    QCOMPARE(viewer.Range().ShownFirst(), 0.0);
    QCOMPARE(viewer.Range().ShownLast(), last);
    // Shift+Right steps the cursor one row.
    QTest::keyClick(plot, Qt::Key_Right, Qt::ShiftModifier);
    QTest::keyClick(plot, Qt::Key_Right, Qt::ShiftModifier);
    QVERIFY(std::abs(viewer.Range().Cursor() - 2 * kStep) < 1e-9);
    QVERIFY2(viewer.isVisible(), "no key closes the window");
}

void LogViewerTest::aClickPlacesTheCursorAndChoosesThatTime() {
    QTemporaryDir dir;
    CLogViewerDlg viewer(nullptr);
    viewer.resize(1000, 600);
    viewer.show();
    QVERIFY(QTest::qWaitForWindowExposed(&viewer));
    const QString path = WriteLog(dir);
    QVERIFY(viewer.OpenLog(path));
    QSignalSpy chosen(&viewer, &CLogViewerDlg::timeChosen);
    QSignalSpy replay(&viewer, &CLogViewerDlg::replayFromRequested);
    const QPoint at = PointAtTime(viewer, 4.0);
    QTest::mouseClick(viewer.PlotWidget(), Qt::LeftButton, {}, at);
    QCOMPARE(chosen.size(), 1);
    QCOMPARE(chosen[0][0].toString(), path);
    const double secondsPerPixel = viewer.Range().ShownSpan() / viewer.PlotWidget()->axisRect(0)->width();
    QVERIFY(std::abs(chosen[0][1].toDouble() - 4.0) <= 1.5 * secondsPerPixel);
    QCOMPARE(viewer.Range().Cursor(), chosen[0][1].toDouble());
    // The dashed cursor line stands at that pixel.
    QCOMPARE(viewer.PixelOfTime(viewer.Range().Cursor()), at.x());

    viewer.PlotWidget()->setFocus();
    QTest::keyClick(viewer.PlotWidget(), Qt::Key_Return);
    QCOMPARE(chosen.size(), 2);
    QVERIFY2(viewer.isVisible(), "Enter is not the dialog's OK");
    for (QPushButton* b : viewer.findChildren<QPushButton*>())
        if (b->text() == "Replay From Cursor") b->click();
    QCOMPARE(replay.size(), 1);
    QCOMPARE(replay[0][1].toDouble(), viewer.Range().Cursor());
}

void LogViewerTest::channelsGoOnOneAxisOrOneEachAndAreDrawn() {
    QTemporaryDir dir;
    CLogViewerDlg viewer(nullptr);
    viewer.resize(1000, 600);
    viewer.show();
    QVERIFY(QTest::qWaitForWindowExposed(&viewer));
    QVERIFY(viewer.OpenLog(WriteLog(dir)));
    QCOMPARE(viewer.PlotWidget()->axisRectCount(), 1);
    QCOMPARE(viewer.PlotWidget()->graphCount(), 4);
    viewer.findChild<QCheckBox*>()->click();
    QVERIFY(viewer.SeparateAxes());
    QCOMPARE(viewer.PlotWidget()->axisRectCount(), 4);
    // Each axis is named after its channel and fits it.
    QCPAxisRect* speedRect = viewer.PlotWidget()->axisRect(0);
    QCOMPARE(speedRect->axis(QCPAxis::atLeft)->label(), QString("Engine Speed (rpm)"));
    QVERIFY(speedRect->axis(QCPAxis::atLeft)->range().contains((kRows - 1) * 4 * 16));
    // A channel that holds one value throughout still gets an axis whose ticks carry distinct
    // labels, not the one number repeated up the axis.
    QVERIFY(viewer.OpenLog(WriteLog(dir, true)));
    viewer.PlotWidget()->replot();
    const QCPAxis* held = viewer.PlotWidget()->axisRect(0)->axis(QCPAxis::atLeft);
    QCOMPARE(held->label(), QString("Engine Speed (rpm)"));
    QVERIFY(held->range().contains(100 * 4 * 16));
    const QVector<QString> labels = held->tickVectorLabels();
    QVERIFY2(labels.size() >= 2, qPrintable(QStringList(labels.begin(), labels.end()).join(' ')));
    QCOMPARE(QSet<QString>(labels.begin(), labels.end()).size(), labels.size());
    QVERIFY(viewer.OpenLog(WriteLog(dir)));

    // Unticking a channel in the list takes its graph away; the engine speed line is drawn in
    // its colour.
    auto* list = viewer.findChild<QListWidget*>();
    list->item(viewer.Channels()[3])->setCheckState(Qt::Unchecked);
    QCOMPARE(viewer.Channels().size(), std::size_t(3));
    QCOMPARE(viewer.PlotWidget()->axisRectCount(), 3);
    const QColor speedColour = viewer.PlotWidget()->graph(0)->pen().color();
    const QImage image = viewer.PlotWidget()->toPixmap().toImage();
    QVERIFY2(PixelsOf(image, speedColour) > 300, "the engine speed line is drawn");
    viewer.SetChannels({});
    QCOMPARE(viewer.PlotWidget()->graphCount(), 0);
}

void LogViewerTest::aDamagedLogIsRefusedAndTheShownOneStays() {
    QTemporaryDir dir;
    RecordingPrompter prompter;
    CLogViewerDlg viewer(&prompter);
    const QString good = WriteLog(dir);
    QVERIFY(viewer.OpenLog(good));
    const QString broken = dir.filePath("broken.csv");
    {
        QFile in(good);
        QVERIFY(in.open(QIODevice::ReadOnly));
        QByteArray bytes = in.readAll();
        bytes.truncate(bytes.size() - 200);  // the last row cut short, as a pulled cable leaves it
        QFile out(broken);
        QVERIFY(out.open(QIODevice::WriteOnly));
        out.write(bytes);
    }
    QVERIFY(!viewer.OpenLog(broken));
    QCOMPARE(prompter.shown.size(), std::size_t(1));
    QVERIFY2(prompter.shown[0].text.find("line 201:") != std::string::npos, prompter.shown[0].text.c_str());
    QCOMPARE(prompter.shown[0].title, std::string("Log Viewer"));
    QCOMPARE(viewer.LogFile(), good);
    QCOMPARE(viewer.Table().Rows(), std::size_t(kRows));
    QVERIFY(!viewer.OpenLog(dir.filePath("missing.csv")));
    QVERIFY(viewer.LastError().startsWith("cannot open"));
    QVERIFY(!viewer.OpenLog(dir.path()));  // a folder
}

QTEST_MAIN(LogViewerTest)
#include "LogViewerTest.moc"
