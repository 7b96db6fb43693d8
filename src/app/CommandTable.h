#pragma once

#include <span>
#include <string_view>

namespace corvane {

// Command ids of the main frame, menus, toolbars and accelerators.
namespace cmd {
inline constexpr int kFileNew = 57600;
inline constexpr int kFileOpen = 57601;
inline constexpr int kFileClose = 57602;
inline constexpr int kFileSave = 57603;
inline constexpr int kFileSaveAs = 57604;
inline constexpr int kFilePrintSetup = 57606;
inline constexpr int kFilePrint = 57607;
inline constexpr int kFilePrintPreview = 57609;
inline constexpr int kExportPdf = 32880;  // the printed pages as a PDF file (ours)
inline constexpr int kRecentFiles = 57616;  // the recent file list's place in the File menu
inline constexpr int kAppExit = 57665;
inline constexpr int kRead = 32778;
inline constexpr int kWrite = 32779;
inline constexpr int kEditUndo = 57643;
inline constexpr int kEditCut = 57635;
inline constexpr int kEditCopy = 57634;
inline constexpr int kEditPaste = 57637;
inline constexpr int kViewToolbar = 59392;
inline constexpr int kViewStatusBar = 59393;
inline constexpr int kToggleMonitorGauges = 325;
inline constexpr int kAutoTuneTracking = 333;
inline constexpr int kResetGaugeDataFiles = 359;
inline constexpr int kMonitorReplay = 346;
inline constexpr int kMonitorLogging = 349;
inline constexpr int kLogViewer = 361;  // ours: plots a monitor log
inline constexpr int kEditManufacturerId = 352;
inline constexpr int kAfrCalculator = 357;
inline constexpr int kFirmwareUpgrade = 306;
inline constexpr int kWindowCascade = 57650;
inline constexpr int kWindowTile = 57651;
inline constexpr int kWindowArrange = 57649;
inline constexpr int kHelpTopics = 57667;
inline constexpr int kAppAbout = 57664;
inline constexpr int kContextHelp = 57669;
inline constexpr int kNextPane = 57680;
inline constexpr int kPrevPane = 57681;
inline constexpr int kToggleLink = 32788;
inline constexpr int kToggleMonitoring = 32789;
inline constexpr int kAutoTuneOn = 32799;  // the AutoTune button while AutoTune is on
inline constexpr int kAutoTuneOff = 32800; // the AutoTune button while AutoTune is off
inline constexpr int kHotKeyHelp = 32811;
inline constexpr int kCompareWith = 32850;    // a second tune beside the document (ours)
inline constexpr int kStopComparing = 32851;  // (ours)
// The edit history (ours): one step back and forward, the History list, and accepting the
// clamped values of a damaged file.
inline constexpr int kEditUndoLastEdit = 32870;
inline constexpr int kEditRedo = 32871;
inline constexpr int kViewHistory = 32872;
inline constexpr int kEditAcceptClamped = 32873;
inline constexpr int kViewDifferences = 32852; // shows or hides the "Differences" bar (ours)
inline constexpr int kViewTable = 32853;  // the shown map's family as a table, and back (ours)
inline constexpr int kSimulatedPort = 1;   // "Simulated Module" in the port menu (ours)
// Ride AutoTune (ours): start and stop, apply, discard, settings.
inline constexpr int kRideAutoTune = 32860;
inline constexpr int kRideAutoTuneApply = 32861;
inline constexpr int kRideAutoTuneApplySelected = 32862;
inline constexpr int kRideAutoTuneDiscard = 32863;
inline constexpr int kRideAutoTuneSettings = 32864;
// Backups and the read-back after WRITE (ours).
inline constexpr int kBackups = 380;
inline constexpr int kBackUpBeforeWrite = 381;
inline constexpr int kVerifyAfterWrite = 382;
// Com 1 … Com 4 and Com 5 … Com 12.
[[nodiscard]] constexpr int ComPortCommand(int n) { return n <= 4 ? 32773 + n : 32796 + n; }
}  // namespace cmd

// One command: its id, its text (with the mnemonic '&' and, after a tab, the shortcut text the
// menu shows), its accelerators (key sequences in Qt's portable form, ';' between several)
// and whether it carries a check mark.
struct CommandDef {
    int id;
    std::string_view text;
    std::string_view accelerators;
    bool checkable = false;
    std::string_view toolTip = {};
};

// One entry of a menu: `menu` names the menu path ("&File", "&Gauges|Monitor Gauge Styles");
// id 0 is a separator.
struct MenuEntryDef {
    std::string_view menu;
    int id;
};

// Every command of the main frame, once.
[[nodiscard]] std::span<const CommandDef> Commands();
[[nodiscard]] const CommandDef* FindCommand(int id);
// The menus of a maps document (the map templates' menu), in order.
[[nodiscard]] std::span<const MenuEntryDef> MapsMenu();
// The menus shown while no document is open.
[[nodiscard]] std::span<const MenuEntryDef> BasicMenu();
// The buttons of the main toolbar (0: separator).
[[nodiscard]] std::span<const int> MainToolBar();

}  // namespace corvane
