#pragma once

#include <QObject>
#include <QPointer>
#include <QString>

#include <cstdint>
#include <string>
#include <vector>

#include "monitor/CRideAutoTuneSession.h"

class QLabel;
class QTimer;

namespace corvane {

class CCorvaneApp;
class CChildFrmMaps;
class CTableView;

// Ride AutoTune in the window program: the commands of Tools > Ride AutoTune and its toolbar
// button, the per-cell marks on the fuel and rear-trim tables of the document it works on, the
// status line, and "Analyze for AutoTune" of the log viewer. The work is the core's
// (CRideAutoTuneSession); this object wires it to the windows.
//
// The document is the maps document in front when Ride AutoTune starts (or a log is analysed);
// it stays the one worked on until Discard, even when another comes in front. Applying goes
// through the document's edit history as one step, and to a linked module as any edit does,
// with the monitor traffic held back while the points go out.
class RideAutoTuneController : public QObject {
    Q_OBJECT
public:
    static constexpr const char* kTitle = "Ride AutoTune";
    static constexpr int kRefreshMs = 400;   // marks and status redrawn at most this often

    explicit RideAutoTuneController(CCorvaneApp& app, QObject* parent = nullptr);
    ~RideAutoTuneController() override;

    // The status bar label (made once the main frame exists).
    void AttachStatusLabel(QLabel* label);

    // The commands (ids of cmd::kRideAutoTune...).
    void RunCommand(int id);
    bool Toggle();
    void ApplyReady();
    void ApplySelected();
    void Discard();
    void EditSettings();
    // "Analyze for AutoTune": the log's packets, against the document in front. False (and the
    // user told why) when there is no such document or the log is refused.
    bool AnalyzeLog(const QString& path);

    // A monitor packet and when it came (seconds on a steady clock).
    void OnMonitorPacket(const std::vector<std::uint8_t>& block, double seconds);

    [[nodiscard]] CRideAutoTuneSession& Session() { return m_session; }
    [[nodiscard]] CChildFrmMaps* WorkingFrame() const;
    [[nodiscard]] QString StatusText() const;
    // Brings marks, status and the command states up to date now.
    void Refresh();

private:
    void Apply(bool selectedOnly);
    void Tell(const QString& text);
    [[nodiscard]] CTableView* MarkedTable() const;

    CCorvaneApp& m_app;
    CRideAutoTuneSession m_session;
    QPointer<CChildFrmMaps> m_frame;
    QPointer<QLabel> m_label;
    QTimer* m_timer = nullptr;
    QPointer<CTableView> m_marked;   // the table last given marks
};

}  // namespace corvane
