#pragma once

#include <QPointer>
#include <QWidget>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <span>
#include <vector>

class QLabel;
class QPushButton;

namespace corvane {

class CCorvaneMonitorDoc;
class CMonitorModeLessDlg;
class CMonitorModel;
class MonitorEventSink;
class Prompter;
struct AppState;

// Where the monitor view keeps and finds its files: the user's items file in a folder the
// user can write to, the item definitions and the EGO sensor table beside the program.
struct MonitorFolders {
    std::filesystem::path userFolder;
    std::filesystem::path programFolder;
    int configurationNumber = 1;
};

// The monitor view: the group window (one button and one value label per shown live value,
// in columns of 15) and the own gauge windows of the values the user chose. Every packet goes
// through the monitor model (decode, items, AutoTune tracking, gauge states); the view then
// changes only the labels whose text changed and requests repaints of the gauges.
class CCorvaneMonitorView : public QWidget {
    Q_OBJECT
public:
    // `clientArea` gives the main window's client area in screen coordinates: own windows
    // line up along its top edge.
    CCorvaneMonitorView(CCorvaneMonitorDoc& document, AppState& app, MonitorEventSink* sink, Prompter& prompter,
                        MonitorFolders folders, std::function<QRect()> clientArea, QWidget* parent = nullptr);
    ~CCorvaneMonitorView() override;

    // Builds the items from the files, the group controls and the own windows; reports a
    // missing EGO table once.
    void FirstShow();
    // One monitor block from the live stream or a replay.
    void OnMonitorBlock(std::span<const std::uint8_t> block);
    // Nothing feeds the values any more (a replay ended): they show as stale.
    void MarkStale();
    // "Toggle Monitor Gauges".
    void ToggleGauges();
    // "Reset Guage Data Files" after the user agreed: the user's file goes, everything is
    // built again from the definitions or the catalogue.
    void ResetGauges();
    // The setup dialog for item `index` (a button of the group, a click on an own window).
    void OpenSetup(int index);
    // Gives item `index` its own gauge window (as the setup dialog's "Show In OWN Window").
    void ShowOwnWindow(int index);
    // Writes the user's items file (also done when the view closes).
    bool SaveItems();

    [[nodiscard]] CMonitorModel& Model() const { return *m_model; }
    [[nodiscard]] QPushButton* Button(int item) const;
    [[nodiscard]] QLabel* Label(int item) const;
    [[nodiscard]] CMonitorModeLessDlg* OwnWindow(int item) const;
    [[nodiscard]] std::vector<CMonitorModeLessDlg*> OwnWindows() const;
    // Size of the group: the controls' extent plus the paddings.
    [[nodiscard]] QSize GroupSize() const;
    // Label texts set since the last call (tests and benchmarks count repaint work).
    [[nodiscard]] int TakeLabelChanges();

signals:
    void groupResized(QSize size);
    // A packet has been shown (its labels and gauges are up to date).
    void packetShown();

private:
    void BuildGroup();
    void RefreshLabels();
    void ClearGroup();
    void OpenOwnWindowsOfModel();
    CMonitorModeLessDlg* MakeOwnWindow(int item, int left, int top);
    void CloseOwnWindows();
    void RefreshOwnWindows(bool show);
    void AfterSetup(int index, bool hadOwnWindow);

    CCorvaneMonitorDoc& m_document;
    AppState& m_app;
    Prompter& m_prompter;
    MonitorFolders m_folders;
    std::function<QRect()> m_clientArea;
    std::unique_ptr<CMonitorModel> m_model;
    QFont m_font;
    struct GroupWidgets {
        QPushButton* button = nullptr;
        QLabel* label = nullptr;
        std::string labelText;
    };
    std::map<int, GroupWidgets> m_group;  // by catalogue index
    std::map<int, QPointer<CMonitorModeLessDlg>> m_ownWindows;
    int m_labelChanges = 0;
    bool m_shown = false;
};

}  // namespace corvane
