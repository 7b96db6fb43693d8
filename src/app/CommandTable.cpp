#include "app/CommandTable.h"

#include <array>

namespace corvane {

namespace {

using namespace cmd;

// Texts exactly as the menus show them; accelerators as the accelerator table has them.
constexpr std::array kCommands{
    CommandDef{kFileNew, "&New\tCtrl+N", "Ctrl+N", false, "New map document (Ctrl+N)"},
    CommandDef{kFileOpen, "&Open...\tCtrl+O", "Ctrl+O", false, "Open a map file (Ctrl+O)"},
    CommandDef{kFileClose, "&Close", ""},
    CommandDef{kFileSave, "&Save\tCtrl+S", "Ctrl+S", false, "Save the map file (Ctrl+S)"},
    CommandDef{kFileSaveAs, "Save &As...", ""},
    CommandDef{kCompareWith, "Co&mpare With...", "", false, "Compare the document with another tune"},
    CommandDef{kStopComparing, "Stop Comparin&g", ""},
    CommandDef{kRead, "&READ Module Maps and Settings\tCtrl+R", "Ctrl+R"},
    CommandDef{kWrite, "&WRITE Module Maps and Settings\tCtrl+W", "Ctrl+W"},
    CommandDef{kBackups, "Backups...", ""},
    CommandDef{kFilePrintSetup, "P&rint Setup...", ""},
    CommandDef{kFilePrint, "&Print...\tCtrl+P", "Ctrl+P", false, "Print the map, settings or record in front (Ctrl+P)"},
    CommandDef{kFilePrintPreview, "Print Pre&view", ""},
    CommandDef{kExportPdf, "&Export PDF...", "", false, "Save the printed pages of the view in front as a PDF file"},
    CommandDef{kAppExit, "E&xit", ""},
    CommandDef{kEditUndo, "&Undo\tCtrl+Z", "Ctrl+Z;Alt+Backspace"},
    // Ctrl+Z already undoes all edits of the shown map: one step back and forward take keys
    // that no command or maps view key uses.
    CommandDef{kEditUndoLastEdit, "Undo &Last Edit\tCtrl+Alt+Z", "Ctrl+Alt+Z", false, "Undo the last edit of the document (Ctrl+Alt+Z)"},
    CommandDef{kEditRedo, "&Redo\tCtrl+Alt+Y", "Ctrl+Alt+Y", false, "Redo the edit undone last (Ctrl+Alt+Y)"},
    CommandDef{kEditAcceptClamped, "&Accept Clamped Values", ""},
    CommandDef{kEditCut, "Cu&t\tCtrl+X", "Ctrl+X;Shift+Del", false, "Cut (maps are copied, never cut)"},
    CommandDef{kEditCopy, "&Copy\tCtrl+C", "Ctrl+C;Ctrl+Ins", false, "Copy the shown map's points (Ctrl+C)"},
    CommandDef{kEditPaste, "&Paste\tCtrl+V", "Ctrl+V;Shift+Ins", false, "Paste copied points into the shown map (Ctrl+V)"},
    CommandDef{kViewToolbar, "&Toolbar", "", true},
    CommandDef{kViewStatusBar, "&Status Bar", "", true},
    CommandDef{kViewDifferences, "&Differences", "", true},
    // T is the views' own key (the tree and the lists take letters too): shown, not bound.
    CommandDef{kViewTable, "T&able / Curve\tT", ""},
    CommandDef{kViewHistory, "&History", "", true},
    CommandDef{kToggleMonitorGauges, "Toggle Monitor Gauges", ""},
    CommandDef{kAutoTuneTracking, "RPM/TPS AutoTune Tracking", "", true},
    CommandDef{kResetGaugeDataFiles, "Reset Guage Data Files", ""},
    CommandDef{kMonitorReplay, "Monitor Replay", ""},
    CommandDef{kMonitorLogging, "Monitor Logging", "", true},
    CommandDef{kLogViewer, "Log Viewer", ""},
    CommandDef{kEditManufacturerId, "Edit Manufacturer ID", ""},
    CommandDef{kAfrCalculator, "AFR Calculator", ""},
    CommandDef{ComPortCommand(1), "Com 1", "", true},
    CommandDef{ComPortCommand(2), "Com 2", "", true},
    CommandDef{ComPortCommand(3), "Com 3", "", true},
    CommandDef{ComPortCommand(4), "Com 4", "", true},
    CommandDef{ComPortCommand(5), "Com 5", "", true},
    CommandDef{ComPortCommand(6), "Com 6", "", true},
    CommandDef{ComPortCommand(7), "Com 7", "", true},
    CommandDef{ComPortCommand(8), "Com 8", "", true},
    CommandDef{ComPortCommand(9), "Com 9", "", true},
    CommandDef{ComPortCommand(10), "Com 10", "", true},
    CommandDef{ComPortCommand(11), "Com 11", "", true},
    CommandDef{ComPortCommand(12), "Com 12", "", true},
    CommandDef{kSimulatedPort, "Simulated Module", "", true},
    CommandDef{kFirmwareUpgrade, "Upgrade", ""},
    CommandDef{kBackUpBeforeWrite, "Back Up Before WRITE", "", true},
    CommandDef{kVerifyAfterWrite, "Verify After WRITE", "", true},
    CommandDef{kWindowCascade, "&Cascade", ""},
    CommandDef{kWindowTile, "&Tile", ""},
    CommandDef{kWindowArrange, "&Arrange Icons", ""},
    CommandDef{kHelpTopics, "&Help Topics", ""},
    CommandDef{kAppAbout, "&About corvane...", "", false, "About Corvane and the linked module's firmware"},
    CommandDef{kContextHelp, "Help", "Shift+F1", false, "Help on the window you click next (Shift+F1: the one under the pointer)"},
    CommandDef{kNextPane, "Next Pane", "F6"},
    CommandDef{kPrevPane, "Previous Pane", "Shift+F6"},
    CommandDef{kToggleLink, "Link/UnLink to Module", "", false, "Link/UnLink to Module on the chosen port"},
    CommandDef{kToggleMonitoring, "Monitor", "", false, "Start/Stop Monitoring: the live values, gauges and the live position"},
    CommandDef{kAutoTuneOff, "Auto Tuning", "", false, "Auto Tuning"},
    CommandDef{kRideAutoTune, "&Ride AutoTune", "", true,
               "Ride AutoTune: start or stop collecting corrections for the whole fuel table while you ride"},
    CommandDef{kRideAutoTuneApply, "&Apply Ready Cells", ""},
    CommandDef{kRideAutoTuneApplySelected, "Apply &Selected Cells", ""},
    CommandDef{kRideAutoTuneDiscard, "&Discard", ""},
    CommandDef{kRideAutoTuneSettings, "Se&ttings...", ""},
    CommandDef{kHotKeyHelp, "Hot Key Combinations", "F2"},
};

constexpr std::array kMapsMenu{
    MenuEntryDef{"&File", kFileNew},
    MenuEntryDef{"&File", kFileOpen},
    MenuEntryDef{"&File", kFileClose},
    MenuEntryDef{"&File", kFileSave},
    MenuEntryDef{"&File", kFileSaveAs},
    MenuEntryDef{"&File", 0},
    MenuEntryDef{"&File", kCompareWith},
    MenuEntryDef{"&File", kStopComparing},
    MenuEntryDef{"&File", 0},
    MenuEntryDef{"&File", kRead},
    MenuEntryDef{"&File", kWrite},
    MenuEntryDef{"&File", kBackups},
    MenuEntryDef{"&File", 0},
    MenuEntryDef{"&File", kFilePrint},
    MenuEntryDef{"&File", kFilePrintPreview},
    MenuEntryDef{"&File", kExportPdf},
    MenuEntryDef{"&File", kFilePrintSetup},
    MenuEntryDef{"&File", 0},
    MenuEntryDef{"&File", kRecentFiles},
    MenuEntryDef{"&File", 0},
    MenuEntryDef{"&File", kAppExit},
    MenuEntryDef{"&Edit", kEditUndo},
    MenuEntryDef{"&Edit", kEditUndoLastEdit},
    MenuEntryDef{"&Edit", kEditRedo},
    MenuEntryDef{"&Edit", 0},
    MenuEntryDef{"&Edit", kEditCut},
    MenuEntryDef{"&Edit", kEditCopy},
    MenuEntryDef{"&Edit", kEditPaste},
    MenuEntryDef{"&Edit", 0},
    MenuEntryDef{"&Edit", kEditAcceptClamped},
    MenuEntryDef{"&View", kViewToolbar},
    MenuEntryDef{"&View", kViewStatusBar},
    MenuEntryDef{"&View", kViewDifferences},
    MenuEntryDef{"&View", kViewTable},
    MenuEntryDef{"&View", kViewHistory},
    MenuEntryDef{"&Gauges", kToggleMonitorGauges},
    MenuEntryDef{"&Gauges|Monitor Gauge Styles", kAutoTuneTracking},
    MenuEntryDef{"&Gauges", 0},
    MenuEntryDef{"&Gauges", kResetGaugeDataFiles},
    MenuEntryDef{"&Tools", kMonitorReplay},
    MenuEntryDef{"&Tools", kMonitorLogging},
    MenuEntryDef{"&Tools", kLogViewer},
    MenuEntryDef{"&Tools|Ride AutoTune", kRideAutoTune},
    MenuEntryDef{"&Tools|Ride AutoTune", kRideAutoTuneApply},
    MenuEntryDef{"&Tools|Ride AutoTune", kRideAutoTuneApplySelected},
    MenuEntryDef{"&Tools|Ride AutoTune", kRideAutoTuneDiscard},
    MenuEntryDef{"&Tools|Ride AutoTune", 0},
    MenuEntryDef{"&Tools|Ride AutoTune", kRideAutoTuneSettings},
    MenuEntryDef{"&Tools", 0},
    MenuEntryDef{"&Tools", kEditManufacturerId},
    MenuEntryDef{"&Tools", kAfrCalculator},
    MenuEntryDef{"&Configure|Select Com Port", ComPortCommand(1)},
    MenuEntryDef{"&Configure|Select Com Port", ComPortCommand(2)},
    MenuEntryDef{"&Configure|Select Com Port", ComPortCommand(3)},
    MenuEntryDef{"&Configure|Select Com Port", ComPortCommand(4)},
    MenuEntryDef{"&Configure|Select Com Port", ComPortCommand(5)},
    MenuEntryDef{"&Configure|Select Com Port", ComPortCommand(6)},
    MenuEntryDef{"&Configure|Select Com Port", ComPortCommand(7)},
    MenuEntryDef{"&Configure|Select Com Port", ComPortCommand(8)},
    MenuEntryDef{"&Configure|Select Com Port", ComPortCommand(9)},
    MenuEntryDef{"&Configure|Select Com Port", ComPortCommand(10)},
    MenuEntryDef{"&Configure|Select Com Port", ComPortCommand(11)},
    MenuEntryDef{"&Configure|Select Com Port", ComPortCommand(12)},
    MenuEntryDef{"&Configure|Select Com Port", 0},
    MenuEntryDef{"&Configure|Select Com Port", kSimulatedPort},
    MenuEntryDef{"&Configure|Firmware", kFirmwareUpgrade},
    MenuEntryDef{"&Configure", 0},
    MenuEntryDef{"&Configure", kBackUpBeforeWrite},
    MenuEntryDef{"&Configure", kVerifyAfterWrite},
    MenuEntryDef{"&Window", kWindowCascade},
    MenuEntryDef{"&Window", kWindowTile},
    MenuEntryDef{"&Window", kWindowArrange},
    MenuEntryDef{"&Help", kHelpTopics},
    MenuEntryDef{"&Help", 0},
    MenuEntryDef{"&Help", kAppAbout},
};

constexpr std::array kBasicMenu{
    MenuEntryDef{"&File", kFileNew},
    MenuEntryDef{"&File", kFileOpen},
    MenuEntryDef{"&File", 0},
    MenuEntryDef{"&File", kFilePrintSetup},
    MenuEntryDef{"&File", 0},
    MenuEntryDef{"&File", kRecentFiles},
    MenuEntryDef{"&File", 0},
    MenuEntryDef{"&File", kAppExit},
    MenuEntryDef{"&View", kViewToolbar},
    MenuEntryDef{"&View", kViewStatusBar},
    MenuEntryDef{"&Help", kHelpTopics},
    MenuEntryDef{"&Help", 0},
    MenuEntryDef{"&Help", kAppAbout},
};

constexpr std::array kMainToolBar{kFileNew, kFileOpen, kFileSave, 0,          kEditCut, kEditCopy,
                                  kEditPaste, 0,       kFilePrint, 0,         kAppAbout, kContextHelp};

}  // namespace

std::span<const CommandDef> Commands() { return kCommands; }

const CommandDef* FindCommand(int id) {
    for (const CommandDef& c : kCommands)
        if (c.id == id) return &c;
    return nullptr;
}

std::span<const MenuEntryDef> MapsMenu() { return kMapsMenu; }
std::span<const MenuEntryDef> BasicMenu() { return kBasicMenu; }
std::span<const int> MainToolBar() { return kMainToolBar; }

}  // namespace corvane
