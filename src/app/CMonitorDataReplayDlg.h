#pragma once

#include <QDialog>

class QLabel;
class QProgressBar;
class QPushButton;
class QSpinBox;
class QTimer;

namespace corvane {

class Comms;
class Prompter;

// "Monitor Replay": plays a monitor log back through the same path as the live stream, so
// the gauges, the live map pointer and AutoTune tracking work on it. The user picks a log,
// plays, pauses and stops it, sets its speed and sees how far it got. A log that is damaged
// or not a monitor log is refused whole, with the reason.
class CMonitorDataReplayDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr const char* kTitle = "Monitor Replay";
    static constexpr int kDefaultSpeed = 75;

    CMonitorDataReplayDlg(Comms& comms, Prompter& prompter, QString logFolder, QWidget* parent = nullptr);
    ~CMonitorDataReplayDlg() override;

    // The log to play (the file dialog sets it too).
    void SetLogFile(const QString& path);
    [[nodiscard]] QString LogFile() const { return m_file; }
    // False (after saying why) when the log cannot be played.
    bool Play();
    void Pause();
    void Stop();
    void SetSpeed(int percent);
    // The replay ended (played out or stopped): the buttons follow.
    void OnReplayTerminated();
    [[nodiscard]] bool Paused() const { return m_paused; }

private:
    void PickLog();
    void RefreshPosition();
    // The position bar before this window played its log: the text instead of packet counts.
    void ShowNotPlayed(const QString& text);

    Comms& m_comms;
    Prompter& m_prompter;
    QString m_folder;
    QString m_file;
    bool m_paused = false;
    bool m_played = false;  // this window started the replay the bar counts
    QLabel* m_fileLabel = nullptr;
    QPushButton* m_play = nullptr;
    QPushButton* m_pause = nullptr;
    QPushButton* m_stop = nullptr;
    QSpinBox* m_speed = nullptr;
    QProgressBar* m_position = nullptr;
    QTimer* m_timer = nullptr;
};

}  // namespace corvane
