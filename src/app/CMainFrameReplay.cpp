// The main frame's monitor replay and log viewer: starting, jumping within and ending a replay
// of a monitor log, and what the windows show once it ended.
#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QStatusBar>
#include <QTimer>

#include "app/CChildFrame.h"
#include "app/CChildFrmMaps.h"
#include "app/CCorvaneApp.h"
#include "app/CMainFrame.h"
#include "app/CMonitorDataReplayDlg.h"
#include "app/RideAutoTuneController.h"
#include "app/CommandTable.h"
#include "app/RideAutoTuneController.h"
#include "comms/api/Comms.h"
#include "link/CLinkController.h"
#include "views/CCorvaneMonitorView.h"
#include "views/CLogViewerDlg.h"
#include "views/CMapsView.h"

namespace corvane {

void CMainFrame::OnMonitorReplay() {
    // A replay and a live module would feed the same windows: the link goes first.
    if (m_app.State().moduleLinked) m_app.Link().ToggleLink();
    Action(cmd::kMonitorReplay)->setEnabled(false);
    delete m_replay.data();
    m_replay = new CMonitorDataReplayDlg(m_app.GetComms(), m_app.GetPrompter(),
                                         QDir(m_app.UserDataFolder()).filePath("logs"), this);
    m_replay->setAttribute(Qt::WA_DeleteOnClose);
    // Closed without anything playing: nothing will announce an end, so the command returns now.
    connect(m_replay, &QDialog::finished, this, [this] {
        if (!m_app.GetComms().IsReplaying()) Action(cmd::kMonitorReplay)->setEnabled(true);
    });
    m_replay->show();
}

void CMainFrame::OnLogViewer() {
    if (!m_logViewer) {
        m_logViewer = new CLogViewerDlg(&m_app.GetPrompter(), QDir(m_app.UserDataFolder()).filePath("logs"), this);
        m_logViewer->setWindowFlag(Qt::Window);
        connect(m_logViewer, &CLogViewerDlg::timeChosen, this,
                [this](const QString& file, double seconds) { JumpReplay(file, seconds, false); });
        connect(m_logViewer, &CLogViewerDlg::replayFromRequested, this,
                [this](const QString& file, double seconds) { JumpReplay(file, seconds, true); });
        connect(m_logViewer, &CLogViewerDlg::analyzeForAutoTune, this,
                [this](const QString& file) { m_app.RideAutoTune().AnalyzeLog(file); });
        // The replay's place in the log, as a marker on the plot, while both are open.
        m_replayMarkerTimer = new QTimer(m_logViewer);
        m_replayMarkerTimer->setInterval(200);
        connect(m_replayMarkerTimer, &QTimer::timeout, this, &CMainFrame::RefreshReplayMarker);
        m_replayMarkerTimer->start();
    }
    m_logViewer->show();
    m_logViewer->raise();
    m_logViewer->activateWindow();
    if (m_logViewer->LogFile().isEmpty()) m_logViewer->PickLog();
}

namespace {

bool SameFile(const QString& a, const QString& b) {
    return !a.isEmpty() && !b.isEmpty() && QFileInfo(a).absoluteFilePath() == QFileInfo(b).absoluteFilePath();
}

}  // namespace

void CMainFrame::JumpReplay(const QString& logFile, double seconds, bool start) {
    Comms& comms = m_app.GetComms();
    const bool replayingThis = comms.IsReplaying() && m_replay && SameFile(m_replay->LogFile(), logFile);
    if (replayingThis) {
        (void)comms.SeekReplay(seconds);
        RefreshReplayMarker();
        return;
    }
    if (!start) return;
    if (comms.IsReplaying()) {
        // The end of the other log's replay is announced through the queue: the new one starts
        // after it, so that the announcement does not reset the new replay's window.
        if (m_replay) m_replay->Stop();
        QMetaObject::invokeMethod(
            this, [this, logFile, seconds] { StartReplayAt(logFile, seconds); }, Qt::QueuedConnection);
        return;
    }
    StartReplayAt(logFile, seconds);
}

void CMainFrame::StartReplayAt(const QString& logFile, double seconds) {
    if (!m_replay)
        OnMonitorReplay();
    else if (m_app.State().moduleLinked)
        m_app.Link().ToggleLink();
    Action(cmd::kMonitorReplay)->setEnabled(false);
    m_replay->show();
    m_replay->SetLogFile(logFile);
    if (m_replay->Play()) (void)m_app.GetComms().SeekReplay(seconds);
    RefreshReplayMarker();
}

void CMainFrame::RefreshReplayMarker() {
    if (!m_logViewer || !m_logViewer->isVisible()) return;
    Comms& comms = m_app.GetComms();
    if (comms.IsReplaying() && m_replay && SameFile(m_replay->LogFile(), m_logViewer->LogFile()))
        m_logViewer->SetReplayPosition(comms.ReplayProgress().seconds);
    else
        m_logViewer->SetReplayPosition(std::nullopt);
}

void CMainFrame::OnReplayTerminated() {
    if (m_replay) m_replay->OnReplayTerminated();
    Action(cmd::kMonitorReplay)->setEnabled(true);
    // What the replay fed is not the engine's state now: no live pointer, stale values.
    for (CChildFrmMaps* frame : MapsFrames())
        for (CMapsView* view : frame->findChildren<CMapsView*>()) view->ClearMapPointer();
    if (CChildFrame* monitor = m_app.MonitorFrame(); monitor && monitor->View()) monitor->View()->MarkStale();
    statusBar()->showMessage(kReplayEndedText, 30000);
}

}  // namespace corvane
