#pragma once

#include <QElapsedTimer>
#include <QMainWindow>
#include <QPointer>

#include "app/CHelpWindow.h"
#include "app/CMonitorDataReplayDlg.h"
#include "monitor/PacketRateMeter.h"
#include "views/CLogViewerDlg.h"

#include <map>
#include <memory>
#include <span>

class QAction;
class QActionGroup;
class QDockWidget;
class QLabel;
class QMdiArea;
class QMdiSubWindow;
class QMenu;
class QMenuBar;
class QTabWidget;
class QPrinter;
class QTimer;
class QToolBar;

namespace corvane {

class CCorvaneApp;
class CChildFrmMaps;
class CLinkStatusDlg;
class CMapsView;
class CPPageTuningMapSelector;
class CTableView;
class CTuneDifferencesView;
class CHistoryDock;
struct MenuEntryDef;

// The main window: the MDI area with the documents' windows, the menus and accelerators (one
// table of commands), three toolbars (main, link, AutoTune), the dockable "Measure Tools" bar
// with the "Tuning Maps" selector, the status bar with port, link state and modified state,
// and the two link status boxes. It routes commands to the application, the link and the
// active view.
class CMainFrame : public QMainWindow {
    Q_OBJECT
public:
    static constexpr const char* kTitle = "CorvaneIII";
    static constexpr const char* kReplayEndedText =
        "Replay ended: the values shown are no longer fed. The link is closed during a replay: link again to see the module.";
    static constexpr const char* kNoDocumentMessage = "Please select a document to view, then reselect the desired map.";
    static constexpr const char* kResetGaugesQuestion = "All guage positions and value entries will be reset to defaults.";
    static constexpr const char* kResetGaugesTitle = "Warning:Reset Gauge Positions";
    static constexpr const char* kToolBarSection = "ToolBarStates";
    static constexpr const char* kToolBarEntry = "State";

    explicit CMainFrame(CCorvaneApp& app);
    ~CMainFrame() override;

    [[nodiscard]] QMdiArea* MdiArea() const { return m_mdi; }
    // The maps document window the user works in, or null (none, or the monitor window).
    [[nodiscard]] CChildFrmMaps* ActiveMapsFrame() const;
    // The maps document window the user last worked in: the active one, or while another
    // window (the monitor) is in front, the maps window that was in front before it; null when
    // none is open. What the live stream shows of a document (the engine speed gauge's idle
    // speed and rev limit) comes from it, so that bringing the monitor to the front changes
    // nothing.
    [[nodiscard]] CChildFrmMaps* WorkingMapsFrame() const;
    [[nodiscard]] CMapsView* ActiveMapsView() const;
    // The table view of the active maps document while it is the one on show, or null.
    [[nodiscard]] CTableView* ActiveTableView() const;
    void AddMapsFrame(CChildFrmMaps* frame);
    void AddChildFrame(QMdiSubWindow* frame);
    [[nodiscard]] QList<CChildFrmMaps*> MapsFrames() const;

    [[nodiscard]] QAction* Action(int id) const;
    // Runs a command as its menu item, button or accelerator would.
    void RunCommand(int id);
    [[nodiscard]] CPPageTuningMapSelector& Selector() const { return *m_selector; }
    [[nodiscard]] QDockWidget* SelectorBar() const { return m_selectorBar; }
    // The dockable "Differences" bar: the differences of the active maps document from the
    // tune it is compared with; shown while that document is compared.
    [[nodiscard]] QDockWidget* DifferencesBar() const { return m_differencesBar; }
    [[nodiscard]] CTuneDifferencesView& Differences() const { return *m_differences; }
    // Lists the differences of the active maps document again (after edits, READ, a compare).
    void RefreshDifferences();
    [[nodiscard]] CLinkStatusDlg& DataLinkBox() const { return *m_dataLinkBox; }
    [[nodiscard]] CLinkStatusDlg& MonitorStreamBox() const { return *m_monitorBox; }
    [[nodiscard]] QString StatusText() const;

    // The menu of the map templates while a document is open, the basic menu otherwise.
    void ReloadMenu();
    void RefreshLinkUi();
    // The status bar's log path, after a packet or a change of the logging switch.
    void RefreshLogLabel();
    // The AutoTune corrections waiting on the shown map, and whether AutoTune collects.
    void RefreshAutoTuneLabel();
    // While monitoring, the stream's packets per second and the packets lost (read on a timer
    // that runs only then).
    void RefreshStreamLabel();
    void RefreshTitle();
    void RebuildRecentFiles();
    // The selector shows the maps of the active maps document.
    void RefreshSelector();

    // Placement of the main window ("WindowPlacement") and of the toolbars and the selector
    // bar ("ToolBarStates"), the AutoTune target ("AFR"/"Target").
    // The replay of a monitor log ended: "Monitor Replay" is offered again.
    void OnReplayTerminated();
    [[nodiscard]] CMonitorDataReplayDlg* ReplayWindow() const { return m_replay; }
    // "Log Viewer": its window (made by the command, kept while the frame lives), or null.
    [[nodiscard]] CLogViewerDlg* LogViewer() const { return m_logViewer; }
    // A time chosen in the log viewer: a running replay of that log goes there; with `start`
    // a replay of it is started first (after the one of another log, if any, has stopped).
    void JumpReplay(const QString& logFile, double seconds, bool start);

    void RestorePlacement();
    void SaveState();
    // "LastActiveDocPosition": kept when a maps window closes, used when the next one opens.
    void SaveChildPlacement(QMdiSubWindow* window);
    // Help (CMainFrameHelp.cpp): the guide's window at a section (empty: where it was); null
    // when the guide cannot be found (the user has been told).
    CHelpWindow* ShowHelp(const QString& section = {});
    [[nodiscard]] CHelpWindow* HelpWindow() const { return m_help; }
    // Context help about this widget's window.
    void ContextHelpFor(QWidget* widget);
    // The "?" pointer: the next click anywhere chooses the window (Esc gives up).
    void StartHelpPick();
    [[nodiscard]] bool PickingHelp() const { return m_helpPicker != nullptr; }
    // The width the tuner gave the map selector (dragged, or restored with the bar layout).
    [[nodiscard]] int SelectorWidth() const { return m_selectorWidth; }

signals:
    // For the monitor view.
    void toggleMonitorGauges();
    void destroyMonitorGauges();

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildActions();
    void BuildMenu(QMenuBar* bar, std::span<const MenuEntryDef> entries);
    void BuildToolBars();
    void BuildSelectorBar();
    // From here on the selector's width is followed (see resizeEvent).
    void WatchSelectorWidth();
    void BuildDifferencesBar();
    void OnCompareWith();
    // The edit history of the maps document in front (CMainFrameHistory.cpp).
    void BuildHistoryDock();
    void OnHistoryCommand(int id);
    void GoToHistoryPosition(int position);
    void AfterHistoryMove(CChildFrmMaps& frame);
    void RefreshHistory();
    // A row of the differences list: that map shown as the selector shows it, that point active.
    void OnDifferenceChosen(int mapIndex, int point);
    void OnTakeValue(int mapIndex, int point);
    void OnTakeSetting(int index);
    // Tables: the selector's "Tables" entries, View > Table / Curve, the frame's table signals.
    void ConnectTables(CChildFrmMaps* frame);
    void OnTableEntry(int number);
    void OnViewTable();
    // What the link does to the view in front when the stream starts (draw the live position)
    // and stops (take it away).
    void InstallStreamHooks();
    void BuildStatusBar();
    void AddSystemPorts(QMenu* portMenu);
    QAction* NamedPortAction(const QString& port, const QString& text);

    void OnSubWindowActivated(QMdiSubWindow* window);
    void OnSelectorEntry(int number, int kind);
    void OnMapShown(CChildFrmMaps* frame, int mapIndex);
    void FollowTargetRow(CChildFrmMaps* frame, int mapIndex);
    void ApplyChildPlacement(QMdiSubWindow* window);
    void ReleaseAccelerators(QMdiSubWindow* frame);
    void EditKey(int id);
    void OnRead();
    void OnWrite();
    void OnAbout();
    void OnBackups();
    void OnMonitorReplay();
    void OnLogViewer();
    void StartReplayAt(const QString& logFile, double seconds);
    void RefreshReplayMarker();
    void OnArrangeIcons();
    // Printing (CMainFramePrint.cpp): what the view in front shows, on paper or in a PDF.
    void OnPrint();
    void OnPrintPreview();
    void OnPrintSetup();
    void OnExportPdf();
    void OnContextHelp();
    // The printer, its paper and orientation kept in the settings ("Print"); made on first use.
    QPrinter& Printer();
    void SavePrinterPage();
    [[nodiscard]] bool CanPrint() const;
    void OnPortSelected(QAction* action);
    void UpdateCommandStates();

    CCorvaneApp& m_app;
    QMdiArea* m_mdi = nullptr;
    std::map<int, QAction*> m_actions;
    QActionGroup* m_portGroup = nullptr;
    QMenu* m_portMenu = nullptr;
    QMenu* m_recentMenuAnchor = nullptr;
    QList<QAction*> m_recentActions;
    QToolBar* m_mainBar = nullptr;
    QToolBar* m_linkBar = nullptr;
    QToolBar* m_autoTuneBar = nullptr;
    QDockWidget* m_selectorBar = nullptr;
    QTabWidget* m_selectorSheet = nullptr;
    CPPageTuningMapSelector* m_selector = nullptr;
    const void* m_selectorDocument = nullptr;  // whose maps the selector lists
    QPointer<CChildFrmMaps> m_workingMapsFrame;  // see WorkingMapsFrame()
    QDockWidget* m_differencesBar = nullptr;
    CTuneDifferencesView* m_differences = nullptr;
    QPointer<CChildFrmMaps> m_differencesFrame;  // whose differences the bar lists
    CHistoryDock* m_historyDock = nullptr;
    // The comparison the bar was last opened for; compared by address only, never used.
    const void* m_differencesShownFor = nullptr;
    QLabel* m_portLabel = nullptr;
    QLabel* m_linkLabel = nullptr;
    QLabel* m_modifiedLabel = nullptr;
    QLabel* m_logLabel = nullptr;
    QLabel* m_autoTuneLabel = nullptr;
    QLabel* m_streamLabel = nullptr;
    QTimer* m_streamTimer = nullptr;
    QElapsedTimer m_streamClock;
    PacketRateMeter m_streamMeter;
    CLinkStatusDlg* m_dataLinkBox = nullptr;
    CLinkStatusDlg* m_monitorBox = nullptr;
    QList<QMdiSubWindow*> m_placedChildren;
    bool m_basicMenu = false;
    QPointer<CMonitorDataReplayDlg> m_replay;
    QPointer<CLogViewerDlg> m_logViewer;
    QTimer* m_replayMarkerTimer = nullptr;
    std::unique_ptr<QPrinter> m_printer;
    QPointer<CHelpWindow> m_help;
    QObject* m_helpPicker = nullptr;
    int m_selectorWidth = 260;
    int m_frameWidthSeen = 0;
    bool m_restoringSelector = false;
};

}  // namespace corvane
