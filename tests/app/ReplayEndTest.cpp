// What the windows show once a replay of a monitor log ended: nothing of it passes for live.
#include <QtTest>

#include <QStatusBar>

#include "app/CChildFrame.h"
#include "app/CMonitorDataReplayDlg.h"
#include "app/CommandTable.h"
#include "comms/MonitorBlockLayout.h"
#include "comms/MonitorLog.h"
#include "monitor/CMonitorModel.h"
#include "support/AppHarness.h"
#include "views/CCorvaneMonitorView.h"
#include "views/CLogViewerDlg.h"
#include "views/CMapsView.h"

using namespace corvane;
using namespace corvane::test;

class ReplayEndTest : public QObject {
    Q_OBJECT
private slots:
    void valuesNoLongerFedShowAsStale();
};

void ReplayEndTest::valuesNoLongerFedShowAsStale() {
    AppHarness h;
    h.Start();
    // 30 rows, 0.05 s apart, every byte of the block non-zero: every value reads something.
    const QString log = h.Path("run.csv");
    {
        auto file = comms::MonitorLog::CreateAt(log.toStdString());
        for (int r = 0; r < 30; ++r) file->Append(r * 0.05, std::vector<std::uint8_t>(kMonitorBlockLength, 0x40));
    }
    h.prompter.openFile = log.toStdString();
    h.Frame().RunCommand(cmd::kLogViewer);
    CLogViewerDlg* viewer = h.Frame().LogViewer();
    QVERIFY(viewer);
    Comms& comms = h.app->GetComms();
    emit viewer->replayFromRequested(log, 0.0);
    QVERIFY(comms.IsReplaying());
    CCorvaneMonitorView* monitor = h.app->MonitorFrame()->View();
    QVERIFY(WaitFor([&] { return monitor->Model().Items()[0].valueText != CMonitorModel::kStaleText && comms.ReplayProgress().played > 3; }, 5000));
    QVERIFY(WaitFor([&] { return h.Frame().Action(cmd::kMonitorReplay)->isEnabled(); }, 10000));

    // Played out: the values show as stale, the maps have no live pointer, the bar says why.
    QVERIFY(monitor->Model().Stale());
    for (const CMonitoredItem& item : monitor->Model().Items()) QCOMPARE(item.valueText, std::string(CMonitorModel::kStaleText));
    for (CMapsView* view : h.Maps()->findChildren<CMapsView*>()) QVERIFY(!view->MapPointerPosition());
    QCOMPARE(h.Frame().statusBar()->currentMessage(), QString(CMainFrame::kReplayEndedText));
}

QTEST_MAIN(ReplayEndTest)
#include "ReplayEndTest.moc"
