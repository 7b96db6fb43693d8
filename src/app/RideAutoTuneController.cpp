#include "app/RideAutoTuneController.h"

#include <QApplication>
#include <QFileInfo>
#include <QLabel>
#include <QStatusBar>
#include <QTimer>

#include <memory>

#include "app/CChildFrame.h"
#include "app/CChildFrmMaps.h"
#include "app/CCorvaneApp.h"
#include "app/CMainFrame.h"
#include "app/CommandTable.h"
#include "comms/MonitorLog.h"
#include "documents/CCorvaneMapsDoc.h"
#include "model/Prompter.h"
#include "monitor/CMonitorModel.h"
#include "views/CCorvaneMonitorView.h"
#include "views/CRideAutoTuneSettingsDlg.h"
#include "views/CTableView.h"

namespace corvane {

namespace {

constexpr const char* kFuelFamily = "fuel";
constexpr const char* kRearTrimFamily = "rear-trim";
constexpr const char* kNoFuelTableText =
    "Ride AutoTune needs a maps document with a fuel table in front (a family A tune).";
constexpr const char* kNoSensorTableText =
    "Ride AutoTune needs the EGO sensor table: without it the exhaust-oxygen sensors give no AFR.";

}  // namespace

RideAutoTuneController::RideAutoTuneController(CCorvaneApp& app, QObject* parent) : QObject(parent), m_app(app) {
    m_session.SetSettings(RideAutoTuneSettings::Load(m_app.Settings()));
    m_timer = new QTimer(this);
    m_timer->setInterval(kRefreshMs);
    connect(m_timer, &QTimer::timeout, this, &RideAutoTuneController::Refresh);
}

RideAutoTuneController::~RideAutoTuneController() = default;

void RideAutoTuneController::AttachStatusLabel(QLabel* label) {
    m_label = label;
    if (m_label) {
        m_label->setObjectName("RideAutoTuneStatus");
        m_label->setToolTip("Ride AutoTune: cells ready to apply of the cells with readings, and the packets taken. "
                            "Tools > Ride AutoTune applies them.");
        m_label->setVisible(false);
    }
}

void RideAutoTuneController::RunCommand(int id) {
    switch (id) {
        case cmd::kRideAutoTune: Toggle(); break;
        case cmd::kRideAutoTuneApply: ApplyReady(); break;
        case cmd::kRideAutoTuneApplySelected: ApplySelected(); break;
        case cmd::kRideAutoTuneDiscard: Discard(); break;
        case cmd::kRideAutoTuneSettings: EditSettings(); break;
        default: break;
    }
    Refresh();
}

void RideAutoTuneController::Tell(const QString& text) {
    m_app.GetPrompter().Message(text.toStdString(), kTitle, Prompter::Icon::Information, Prompter::Buttons::Ok);
}

bool RideAutoTuneController::Toggle() {
    if (m_session.Collecting()) {
        m_session.Stop();
        return true;
    }
    // Resuming works on the document it started with; a fresh start on the one in front.
    CChildFrmMaps* frame = m_session.GetState() == CRideAutoTuneSession::State::Stopped && m_frame
                               ? m_frame.data()
                               : m_app.Frame().ActiveMapsFrame();
    CChildFrame* monitor = m_app.MonitorFrame();
    if (!frame || frame->Document().FindMap(RideAutoTunePlan::FuelMapClass(0)) < 0) {
        Tell(kNoFuelTableText);
        return false;
    }
    if (!monitor || !monitor->View() || !monitor->View()->Model().Tracker().IsEgoTableLoaded()) {
        Tell(kNoSensorTableText);
        return false;
    }
    if (frame != m_frame) m_session.Discard();
    m_frame = frame;
    if (!m_session.Start(frame->Document(), m_app.State().targetAfr)) return false;
    m_timer->start();
    return true;
}

void RideAutoTuneController::OnMonitorPacket(const std::vector<std::uint8_t>& block, double seconds) {
    if (!m_session.Collecting()) return;
    CChildFrame* monitor = m_app.MonitorFrame();
    if (!m_frame || !monitor || !monitor->View()) {
        // The document went away under a running session: nothing is weighed against nothing.
        m_session.Stop();
        return;
    }
    m_session.OnMonitorBlock(seconds, block, monitor->View()->Model().Tracker().EgoTable());
}

void RideAutoTuneController::Apply(bool selectedOnly) {
    if (!m_frame || !m_session.Tune()) {
        Tell("Ride AutoTune has gathered nothing to apply.");
        return;
    }
    std::function<bool(int, int)> chosen;
    if (selectedOnly) {
        CTableView* table = MarkedTable();
        if (!table || table != m_frame->TableOnShow() || !table->Editor()) {
            Tell("Show the fuel or rear trim table of " + m_frame->DocumentTitle() + " and select the cells to apply.");
            return;
        }
        const TableRect selection = table->Editor()->Selection();
        chosen = [selection](int row, int site) { return selection.Contains(TableCell{row, site}); };
    }
    // The points go to a linked module block by block; the monitor stream waits meanwhile.
    Comms& comms = m_app.GetComms();
    const bool holding = comms.IsPacketQueueWriting();
    comms.SetPacketQueueWriting(true);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    std::string summary;
    (void)m_session.Apply(m_frame->Document(), chosen, &summary);
    QApplication::restoreOverrideCursor();
    comms.SetPacketQueueWriting(holding);
    m_frame->UpdateAllViews();
    if (CTableView* table = m_frame->TableView()) table->OnDocumentUpdated();
    emit m_frame->documentEdited(m_frame);
    m_app.Frame().statusBar()->showMessage(QString::fromStdString(summary), 15000);
}

void RideAutoTuneController::ApplyReady() { Apply(false); }
void RideAutoTuneController::ApplySelected() { Apply(true); }

void RideAutoTuneController::Discard() {
    m_session.Discard();
    m_frame = nullptr;
    m_timer->stop();
}

void RideAutoTuneController::EditSettings() {
    CRideAutoTuneSettingsDlg dialog(m_session.Settings(), &m_app.Frame());
    if (dialog.exec() != QDialog::Accepted) return;
    const RideAutoTuneSettings settings = dialog.Settings();
    settings.Save(m_app.Settings());
    m_session.SetSettings(settings);
}

bool RideAutoTuneController::AnalyzeLog(const QString& path) {
    CChildFrmMaps* frame = m_app.Frame().ActiveMapsFrame();
    if (!frame || frame->Document().FindMap(RideAutoTunePlan::FuelMapClass(0)) < 0) {
        Tell(kNoFuelTableText);
        return false;
    }
    m_app.EnsureMonitorDocument();
    CChildFrame* monitor = m_app.MonitorFrame();
    if (!monitor || !monitor->View() || !monitor->View()->Model().Tracker().IsEgoTableLoaded()) {
        Tell(kNoSensorTableText);
        return false;
    }
    const CEgoSensorTable& ego = monitor->View()->Model().Tracker().EgoTable();
    std::unique_ptr<CRideAutoTune> tune = m_session.NewAnalysis(frame->Document(), m_app.State().targetAfr);
    std::string error;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const auto scanned = comms::MonitorLog::ScanFile(
        path.toStdString(),
        [&](const comms::MonitorLog::ScannedRow& row, std::string& why) { return tune->AddBlock(row.seconds, row.block, ego, why); },
        &error);
    QApplication::restoreOverrideCursor();
    const QString name = QFileInfo(path).fileName();
    if (!scanned) {
        // Refused whole: what was gathered before stays.
        m_app.GetPrompter().Message("The log " + name.toStdString() + " is refused:\n" + error, kTitle,
                                    Prompter::Icon::Error, Prompter::Buttons::Ok);
        return false;
    }
    if (m_session.Collecting()) m_session.Stop();
    const int ready = tune->ReadyCells();
    const int touched = tune->CellsWithSamples();
    m_session.TakeAnalysis(std::move(tune), name.toStdString());
    m_frame = frame;
    m_timer->start();
    Refresh();
    Tell(QString("%1: %2 cells ready of %3 with readings, weighed against the fuel table of %4 (the log must have "
                 "been ridden on it).\n\nTools > Ride AutoTune > Apply applies them as one step.")
             .arg(name)
             .arg(ready)
             .arg(touched)
             .arg(frame->DocumentTitle()));
    return true;
}

CTableView* RideAutoTuneController::MarkedTable() const {
    if (!m_frame) return nullptr;
    CTableView* table = m_frame->TableView();
    if (!table || !table->Family()) return nullptr;
    const std::string& family = table->Family()->Name();
    return family == kFuelFamily || family == kRearTrimFamily ? table : nullptr;
}

CChildFrmMaps* RideAutoTuneController::WorkingFrame() const { return m_frame; }

QString RideAutoTuneController::StatusText() const { return QString::fromStdString(m_session.StatusText()); }

void RideAutoTuneController::Refresh() {
    if (m_frame) m_session.RefreshTable(m_frame->Document());
    // Marks on the fuel or rear-trim table of the document worked on; taken off a table that no
    // longer shows one of them.
    CTableView* table = MarkedTable();
    if (m_marked && m_marked != table) m_marked->SetOverlay(CTableOverlay{});
    if (table) table->SetOverlay(m_session.Overlay(table->Family()->Name() == kRearTrimFamily));
    m_marked = table;
    if (m_label) {
        const QString text = StatusText();
        m_label->setText(text);
        m_label->setVisible(!text.isEmpty());
        m_label->setToolTip("Ride AutoTune: cells ready to apply of the cells with readings, and the packets taken; " +
                            QString::fromStdString(m_session.ReasonsText()) + ". Tools > Ride AutoTune applies them.");
    }
    if (QAction* toggle = m_app.Frame().Action(cmd::kRideAutoTune)) toggle->setChecked(m_session.Collecting());
    const bool corrections = m_session.HasCorrections() && m_frame;
    for (int id : {cmd::kRideAutoTuneApply, cmd::kRideAutoTuneApplySelected})
        if (QAction* action = m_app.Frame().Action(id)) action->setEnabled(corrections);
    if (QAction* discard = m_app.Frame().Action(cmd::kRideAutoTuneDiscard)) discard->setEnabled(m_session.Tune() != nullptr);
    if (!m_session.Tune() && !m_session.Collecting()) m_timer->stop();
}

}  // namespace corvane
