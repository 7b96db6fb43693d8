// Tools ▸ "Log Viewer" in the program: it opens the chosen log, and a time chosen on its plot
// moves the replay of that log there (starting one first when asked, after unlinking).
#include <QtTest>

#include <functional>

#include "app/CMonitorDataReplayDlg.h"
#include "app/CommandTable.h"
#include "comms/MonitorBlockLayout.h"
#include "comms/MonitorLog.h"
#include "support/AppHarness.h"
#include "views/CLogViewerDlg.h"

#include <qcustomplot.h>

using namespace corvane;
using namespace corvane::test;

namespace {

// 100 rows, 0.1 s apart; the first byte of each block is its row number.
QString WriteLog(const QString& path) {
    auto log = comms::MonitorLog::CreateAt(path.toStdString());
    for (int r = 0; r < 100; ++r) {
        std::vector<std::uint8_t> block(kMonitorBlockLength, 0);
        block[0] = static_cast<std::uint8_t>(r);
        log->Append(r * 0.1, block);
    }
    return path;
}

}  // namespace

class LogViewerAppTest : public QObject {
    Q_OBJECT
private slots:
    void toolsLogViewerOpensTheChosenLogAndItsTimesMoveTheReplay();
};

void LogViewerAppTest::toolsLogViewerOpensTheChosenLogAndItsTimesMoveTheReplay() {
    AppHarness h;
    h.Start();
    const QString log = WriteLog(h.Path("run.csv"));
    h.prompter.openFile = log.toStdString();
    h.Frame().RunCommand(cmd::kLogViewer);
    CLogViewerDlg* viewer = h.Frame().LogViewer();
    QVERIFY(viewer);
    QVERIFY(viewer->isVisible());
    QCOMPARE(viewer->LogFile(), log);
    QCOMPARE(viewer->Table().Rows(), std::size_t(100));

    Comms& comms = h.app->GetComms();
    h.Frame().RunCommand(cmd::kToggleLink);
    QVERIFY(h.app->State().moduleLinked);

    // Without a replay a chosen time changes nothing but the cursor.
    viewer->Range().SetCursor(6.0);
    emit viewer->timeChosen(log, 6.0);
    QVERIFY(!comms.IsReplaying());
    QVERIFY(h.app->State().moduleLinked);

    // "Replay From Cursor": the link goes, the replay starts at the cursor's row.
    emit viewer->replayFromRequested(log, 6.0);
    QVERIFY(!h.app->State().moduleLinked);
    QVERIFY(comms.IsReplaying());
    QVERIFY(!h.Frame().Action(cmd::kMonitorReplay)->isEnabled());
    QVERIFY(h.Frame().ReplayWindow() && h.Frame().ReplayWindow()->isVisible());
    QVERIFY(WaitFor([&] { return comms.ReplayProgress().played >= 61; }, 5000));
    QVERIFY2(comms.ReplayProgress().played < 90, "it started at 6 s, not at the beginning");
    QVERIFY(comms.ReplayProgress().seconds >= 6.0);

    // A click at 2 s while it runs takes it back there.
    emit viewer->timeChosen(log, 2.0);
    QVERIFY(WaitFor([&] { return comms.ReplayProgress().played <= 30; }, 5000));
    QVERIFY(comms.ReplayProgress().played >= 21);
    // The plot marks where the replay stands.
    QVERIFY(WaitFor([&] { return viewer->PlotWidget()->itemCount() > 0; }, 1000));

    // Another log's replay gives way to this one's when asked to start here.
    const QString other = WriteLog(h.Path("other.csv"));
    h.Frame().ReplayWindow()->Stop();
    QVERIFY(WaitFor([&] { return h.Frame().Action(cmd::kMonitorReplay)->isEnabled(); }, 5000));
    h.Frame().ReplayWindow()->SetLogFile(other);
    QVERIFY(h.Frame().ReplayWindow()->Play());
    emit viewer->timeChosen(log, 5.0);  // not this log's replay: nothing moves
    emit viewer->replayFromRequested(log, 9.0);
    QVERIFY(WaitFor([&] { return h.Frame().ReplayWindow()->LogFile() == log && comms.IsReplaying(); }, 5000));
    QVERIFY(WaitFor([&] { return comms.ReplayProgress().played >= 91; }, 5000));
    QVERIFY2(!h.Frame().Action(cmd::kMonitorReplay)->isEnabled(), "the old replay's end did not free the command");
    h.Frame().ReplayWindow()->Stop();
    QVERIFY(WaitFor([&] { return h.Frame().Action(cmd::kMonitorReplay)->isEnabled(); }, 5000));
    QVERIFY(h.prompter.shown.empty());
}

QTEST_MAIN(LogViewerAppTest)
#include "LogViewerAppTest.moc"
