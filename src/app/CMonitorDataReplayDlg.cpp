#include "app/CMonitorDataReplayDlg.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QTimer>

#include "comms/api/Comms.h"
#include "model/Prompter.h"

namespace corvane {

CMonitorDataReplayDlg::CMonitorDataReplayDlg(Comms& comms, Prompter& prompter, QString logFolder, QWidget* parent)
    : QDialog(parent), m_comms(comms), m_prompter(prompter), m_folder(std::move(logFolder)) {
    setWindowTitle(kTitle);
    setModal(false);
    auto* layout = new QGridLayout(this);
    auto* pick = new QPushButton("Log File...", this);
    m_fileLabel = new QLabel("No log file chosen", this);
    m_fileLabel->setMinimumWidth(260);
    layout->addWidget(pick, 0, 0);
    layout->addWidget(m_fileLabel, 0, 1, 1, 3);
    m_play = new QPushButton("Play", this);
    m_pause = new QPushButton("Pause", this);
    m_stop = new QPushButton("Stop", this);
    layout->addWidget(m_play, 1, 0);
    layout->addWidget(m_pause, 1, 1);
    layout->addWidget(m_stop, 1, 2);
    m_speed = new QSpinBox(this);
    m_speed->setRange(1, 1000);
    m_speed->setSuffix(" %");
    m_speed->setPrefix("Speed ");
    layout->addWidget(m_speed, 1, 3);
    m_position = new QProgressBar(this);
    m_position->setObjectName("ReplayPosition");
    ShowNotPlayed("No log chosen");
    layout->addWidget(m_position, 2, 0, 1, 4);

    connect(pick, &QPushButton::clicked, this, &CMonitorDataReplayDlg::PickLog);
    connect(m_play, &QPushButton::clicked, this, [this] { Play(); });
    connect(m_pause, &QPushButton::clicked, this, &CMonitorDataReplayDlg::Pause);
    connect(m_stop, &QPushButton::clicked, this, &CMonitorDataReplayDlg::Stop);
    connect(m_speed, &QSpinBox::valueChanged, this, [this](int v) {
        if (!m_paused) m_comms.SetMonitorDataSpeed(v);
    });
    m_timer = new QTimer(this);
    m_timer->setInterval(200);
    connect(m_timer, &QTimer::timeout, this, &CMonitorDataReplayDlg::RefreshPosition);
    SetSpeed(kDefaultSpeed);
    OnReplayTerminated();
}

CMonitorDataReplayDlg::~CMonitorDataReplayDlg() {
    if (m_comms.IsReplaying()) m_comms.StopReplay();
}

void CMonitorDataReplayDlg::SetLogFile(const QString& path) {
    m_file = path;
    m_fileLabel->setText(QFileInfo(path).fileName());
    m_fileLabel->setToolTip(path);
    m_play->setEnabled(!path.isEmpty());
    // Counts of another log's replay do not belong under this one.
    if (!m_comms.IsReplaying()) ShowNotPlayed(path.isEmpty() ? "No log chosen" : "Not played yet");
}

void CMonitorDataReplayDlg::ShowNotPlayed(const QString& text) {
    m_played = false;
    m_position->setRange(0, 1);
    m_position->setValue(0);
    m_position->setFormat(text);
}

void CMonitorDataReplayDlg::PickLog() {
    const QString path = QFileDialog::getOpenFileName(this, "Monitor Log", m_folder, "Monitor Logs (*.csv);;All Files (*)");
    if (!path.isEmpty()) SetLogFile(path);
}

void CMonitorDataReplayDlg::SetSpeed(int percent) {
    m_speed->setValue(percent);
    if (!m_paused) m_comms.SetMonitorDataSpeed(m_speed->value());
}

bool CMonitorDataReplayDlg::Play() {
    if (m_comms.IsReplaying()) {
        // Play after Pause: the clock runs again.
        m_paused = false;
        m_comms.SetMonitorDataSpeed(m_speed->value());
        m_pause->setEnabled(true);
        return true;
    }
    if (m_file.isEmpty()) return false;
    m_paused = false;
    m_comms.SetMonitorDataSpeed(m_speed->value());
    if (!m_comms.StartReplay(m_file.toStdString())) {
        m_prompter.Message("This log cannot be replayed:\n" + m_file.toStdString() + "\n" + m_comms.ReplayError(), kTitle,
                           Prompter::Icon::Error);
        return false;
    }
    m_pause->setEnabled(true);
    m_stop->setEnabled(true);
    m_played = true;
    m_position->setFormat("%v of %m packets");
    m_timer->start();
    RefreshPosition();
    return true;
}

void CMonitorDataReplayDlg::Pause() {
    if (!m_comms.IsReplaying()) return;
    // Speed 0 holds the replay clock where it is.
    m_paused = true;
    m_comms.SetMonitorDataSpeed(0);
    m_pause->setEnabled(false);
}

void CMonitorDataReplayDlg::Stop() {
    m_comms.StopReplay();
    m_paused = false;
    m_comms.SetMonitorDataSpeed(m_speed->value());
}

void CMonitorDataReplayDlg::OnReplayTerminated() {
    RefreshPosition();
    m_timer->stop();
    m_paused = false;
    m_play->setEnabled(!m_file.isEmpty());
    m_pause->setEnabled(false);
    m_stop->setEnabled(false);
}

void CMonitorDataReplayDlg::RefreshPosition() {
    // Only the counts of a replay this window started.
    if (!m_played) return;
    const Comms::ReplayProgressInfo progress = m_comms.ReplayProgress();
    if (progress.total == 0) return;
    m_position->setRange(0, static_cast<int>(progress.total));
    m_position->setValue(static_cast<int>(progress.played));
}

}  // namespace corvane
