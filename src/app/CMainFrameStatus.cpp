// CMainFrame: the status bar (port, link, modified mark, where the log goes, the AutoTune
// corrections waiting on the shown map, and while monitoring the stream's packet rate).
#include <QLabel>
#include <QStatusBar>
#include <QTimer>

#include "app/CCorvaneApp.h"
#include "app/CMainFrame.h"
#include "app/RideAutoTuneController.h"
#include "comms/api/Comms.h"
#include "link/CLinkController.h"
#include "monitor/CAutoTuneCollector.h"
#include "views/CMapsView.h"
#include "views/CTableView.h"

namespace corvane {

namespace {

// How often the packet rate is read while monitoring.
constexpr int kStreamRefreshMs = 500;

}  // namespace

void CMainFrame::BuildStatusBar() {
    m_portLabel = new QLabel(this);
    m_linkLabel = new QLabel(this);
    m_modifiedLabel = new QLabel(this);
    m_modifiedLabel->setMinimumWidth(70);
    m_logLabel = new QLabel(this);
    m_logLabel->setVisible(false);
    m_autoTuneLabel = new QLabel(this);
    m_autoTuneLabel->setObjectName("AutoTuneStatus");
    m_autoTuneLabel->setVisible(false);
    m_autoTuneLabel->setToolTip(
        "AutoTune corrections collected on the shown map and not yet applied. The AutoTune button pauses and "
        "resumes collecting; Ctrl+M in the maps view switches AutoTune and, switching it off, applies them.");
    m_streamLabel = new QLabel(this);
    m_streamLabel->setObjectName("StreamStatus");
    m_streamLabel->setVisible(false);
    m_streamLabel->setToolTip("Live packets received per second over the last two seconds, and packets the module "
                              "sent that never arrived since the stream started.");
    auto* rideLabel = new QLabel(this);
    m_app.RideAutoTune().AttachStatusLabel(rideLabel);
    statusBar()->addPermanentWidget(m_streamLabel);
    statusBar()->addPermanentWidget(rideLabel);
    statusBar()->addPermanentWidget(m_autoTuneLabel);
    statusBar()->addPermanentWidget(m_logLabel);
    statusBar()->addPermanentWidget(m_portLabel);
    statusBar()->addPermanentWidget(m_linkLabel);
    statusBar()->addPermanentWidget(m_modifiedLabel);
    statusBar()->showMessage("Ready");
    m_streamTimer = new QTimer(this);
    m_streamTimer->setInterval(kStreamRefreshMs);
    connect(m_streamTimer, &QTimer::timeout, this, &CMainFrame::RefreshStreamLabel);
    m_streamClock.start();
}

QString CMainFrame::StatusText() const {
    QString text = m_portLabel->text() + " | " + m_linkLabel->text() + " | " + m_modifiedLabel->text() + " | " +
                   m_logLabel->text();
    for (const QLabel* label : {m_autoTuneLabel, m_streamLabel})
        if (label->isVisibleTo(this)) text += " | " + label->text();
    return text;
}

void CMainFrame::RefreshLogLabel() {
    // While the stream is logged, where the log goes (the file is made when the stream starts).
    const bool logging = m_app.GetComms().MonitorLogging();
    const std::string log = logging ? m_app.GetComms().MonitorLogFile() : std::string();
    const QString text = !logging      ? QString()
                         : log.empty() ? QString("Logging: starts with the stream")
                                       : "Logging: " + QString::fromStdString(log);
    if (text == m_logLabel->text()) return;
    m_logLabel->setText(text);
    m_logLabel->setVisible(logging);
}

void CMainFrame::RefreshAutoTuneLabel() {
    // The corrections of the view in front: a maps view or a table.
    int pending = 0;
    if (const CMapsView* view = ActiveMapsView())
        pending = static_cast<int>(view->AutoTune().Records().size());
    else if (const CTableView* table = ActiveTableView())
        pending = static_cast<int>(table->AutoTune().Records().size());
    const bool active = m_app.State().autoTuneActive;
    // Shown while AutoTune collects and while corrections wait to be applied.
    QString text;
    if (active)
        text = QString("AutoTune: collecting, %1 pending").arg(pending);
    else if (pending > 0)
        text = QString("AutoTune paused: %1 pending").arg(pending);
    m_autoTuneLabel->setText(text);
    m_autoTuneLabel->setVisible(!text.isEmpty());
}

void CMainFrame::RefreshStreamLabel() {
    const bool monitoring = m_app.Link().GetLinkImage() == CLinkController::kImageMonitoring;
    if (!monitoring) {
        m_streamTimer->stop();
        m_streamLabel->setVisible(false);
        m_streamMeter = PacketRateMeter{};
        return;
    }
    const Comms::MonitorStreamCounts counts = m_app.GetComms().MonitorCounts();
    const double seconds = static_cast<double>(m_streamClock.elapsed()) / 1000.0;
    if (!m_streamMeter.Started())
        m_streamMeter.Start(seconds, counts.received, counts.lost);
    else
        m_streamMeter.Sample(seconds, counts.received, counts.lost);
    m_streamLabel->setText(QString::fromStdString(m_streamMeter.StatusText()));
    m_streamLabel->setVisible(true);
    if (!m_streamTimer->isActive()) m_streamTimer->start();
}

}  // namespace corvane
