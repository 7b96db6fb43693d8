#pragma once

#include <QDialog>
#include <QString>

#include <optional>
#include <vector>

#include "comms/MonitorLogTable.h"
#include "monitor/CLogViewRange.h"

class QCheckBox;
class QCustomPlot;
class QCPAxisRect;
class QCPItemStraightLine;
class QLabel;
class QListWidget;
class QListWidgetItem;
class QPushButton;

namespace corvane {

class Prompter;

// "Log Viewer": plots the live values of a monitor log (the CSV that monitor logging and
// corvane-cli monitor --csv write) against time. The user picks the channels, shows them on
// one shared axis or on one axis each, zooms and pans with the wheel, a drag and the keys, and
// places a cursor whose time the channel list shows every value at. A click or Enter also asks
// for the replay to go to the cursor's time (the main frame owns the replay).
//
// The log is read by the comms library's monitor log reader; the shown span and the cursor are
// a CLogViewRange. This widget forwards input to that range and draws what it holds.
class CLogViewerDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr const char* kTitle = "Log Viewer";
    static constexpr const char* kFileFilter = "Monitor Logs (*.csv)|*.csv|All Files (*.*)|*.*||";
    static constexpr const char* kAnalyzeText = "Analyze for AutoTune";
    // Channels shown when a log opens, by heading start: what a tuner looks at first.
    // (the first column of each: the AFR of an exhaust-oxygen sensor comes before its volts).
    static constexpr const char* kDefaultChannels[] = {"Engine Speed (", "Throttle Position (", "Front Cylinder (",
                                                       "Rear Cylinder ("};

    CLogViewerDlg(Prompter* prompter, QString logFolder = {}, QWidget* parent = nullptr);
    ~CLogViewerDlg() override;

    // Reads and shows a log; a log that cannot be read or is damaged is refused whole, the
    // reason told through the prompter (and kept in LastError), and what was shown stays.
    bool OpenLog(const QString& path);
    // "Open Log...": the file choice, then OpenLog.
    void PickLog();
    [[nodiscard]] QString LogFile() const { return m_file; }
    [[nodiscard]] const QString& LastError() const { return m_error; }
    [[nodiscard]] const comms::MonitorLogTable& Table() const { return m_table; }

    // Shown channels, as column indices of the table.
    void SetChannels(const std::vector<int>& columns);
    [[nodiscard]] const std::vector<int>& Channels() const { return m_channels; }
    void SetSeparateAxes(bool separate);
    [[nodiscard]] bool SeparateAxes() const { return m_separate; }

    [[nodiscard]] CLogViewRange& Range() { return m_range; }
    // The cursor's readout: "Heading: value" of every column at the cursor's time.
    [[nodiscard]] QString ValueText(int column) const;
    [[nodiscard]] QString CursorText() const;
    // Where the replay of this log stands (shown as a second marker), or none.
    void SetReplayPosition(std::optional<double> seconds);

    // Brings the plot up to the range, the channels and the cursor; replots at once.
    void Redraw();
    [[nodiscard]] QCustomPlot* PlotWidget() const { return m_plot; }
    // The time under a point of the plot, when the point lies over a plot area.
    [[nodiscard]] std::optional<double> TimeAtPixel(int x, int y) const;
    [[nodiscard]] int PixelOfTime(double t) const;

signals:
    // The user clicked a time (or pressed Enter): a running replay of this log goes there.
    void timeChosen(const QString& logFile, double seconds);
    // "Replay From Cursor": start a replay of this log at the cursor's time.
    void replayFromRequested(const QString& logFile, double seconds);
    // "Analyze for AutoTune": Ride AutoTune from this log (the main frame's Ride AutoTune).
    void analyzeForAutoTune(const QString& logFile);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void BuildPlot();
    void RefreshValues();
    void OnItemChanged(QListWidgetItem* item);
    void ChooseTime(double t);

    Prompter* m_prompter;
    QString m_folder;
    QString m_file;
    QString m_error;
    comms::MonitorLogTable m_table;
    CLogViewRange m_range;
    std::vector<int> m_channels;
    bool m_separate = false;
    bool m_plotDirty = true;
    std::optional<double> m_replayPosition;

    QCustomPlot* m_plot = nullptr;
    std::vector<QCPAxisRect*> m_rects;
    std::vector<QCPItemStraightLine*> m_cursorLines;
    std::vector<QCPItemStraightLine*> m_replayLines;
    QListWidget* m_list = nullptr;
    QLabel* m_fileLabel = nullptr;
    QLabel* m_cursorLabel = nullptr;
    QCheckBox* m_separateBox = nullptr;
    QPushButton* m_replayButton = nullptr;
    QPushButton* m_analyzeButton = nullptr;
    bool m_filling = false;  // the list is being filled: its changes are ours
    // A press on the plot: a drag pans, a press and release in place is a click.
    std::optional<QPoint> m_pressAt;
    double m_pressFirst = 0.0;
    bool m_dragged = false;
};

}  // namespace corvane
