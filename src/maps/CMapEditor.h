#pragma once

#include <array>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "model/AppState.h"
#include "model/DocumentContext.h"

namespace corvane {

class CModuleMap;
class EditHistory;
class IdleMapSync;

// The keys the maps views pass on; every other key does nothing.
enum class Key {
    Enter, Space, Escape, Home, End, Left, Right, Up, Down, Insert,
    Digit0, Digit1, Digit2, Digit3, Digit4, Digit5, Digit6, Digit7, Digit8, Digit9,
    A, C, D, F, L, M, P, T, U, V, Z,
};

struct KeyModifiers {
    bool ctrl = false;
    bool shift = false;
};

// Which view the editor serves: the maps view edits base values, the advanced user maps view
// edits trims.
enum class EditorView { Maps, AdvancedUser };

// What a key did, for the view to redraw or act on.
struct EditOutcome {
    bool handled = false;             // the key means something in this view
    bool pointsChanged = false;       // points firstChanged..lastChanged of the shown map changed
    int firstChanged = 0;
    int lastChanged = -1;
    bool activePointChanged = false;
    bool marksChanged = false;
    bool infoBoxChanged = false;
    bool followModeChanged = false;
    std::optional<int> switchToMap;   // the view now shows the map at this index
    bool needsAfrEntry = false;       // Ctrl+T without an AFR source: run the AFR entry, then
                                      // ApplyAfrCorrection
    bool autoTuneToggled = false;     // AutoTune switched; when off, apply its corrections
};

// The selection state and key handling of a maps view, without any window: the views only
// forward keys and drags and draw what the editor and the maps hold.
//
// Command state: 0 nothing marked, 1 first mark set, 2 both marks set (first <= second).
class CMapEditor {
public:
    // maps: the document's maps array (not owned); context: the document's (prompter, app).
    CMapEditor(EditorView view, std::vector<CModuleMap*> maps, const DocumentContext* context);

    void SetIdleMapSync(IdleMapSync* sync) { m_idleSync = sync; }
    // The document's edit history: every key, drag, correction and Take Value that changes
    // values becomes one step of it. Without one, edits are made all the same.
    void SetHistory(EditHistory* history) { m_history = history; }
    // Where Ctrl+T takes its AFR from (the AFR entry dialog); nullopt when cancelled.
    void SetAfrSource(std::function<std::optional<double>()> source) { m_afrSource = std::move(source); }
    // The point under the live map pointer while the monitor stream runs; nullopt otherwise.
    void SetLivePointSource(std::function<std::optional<int>()> source) { m_liveSource = std::move(source); }

    // Shows the map at this index of the maps array; the active point index stays (clamped).
    void ShowMap(int index);
    [[nodiscard]] int MapIndex() const { return m_mapIndex; }
    [[nodiscard]] CModuleMap* Map() const;
    [[nodiscard]] EditorView View() const { return m_view; }

    EditOutcome HandleKey(Key key, KeyModifiers modifiers = {});
    // The quick fuel correction of Ctrl+T with the given AFR; an AFR of 0 or less changes nothing.
    EditOutcome ApplyAfrCorrection(double afr);
    // A marker dragged by displayDelta display units: the maps view moves the point, the
    // advanced user maps view its trim.
    EditOutcome DragPoint(int index, double displayDelta);

    // Point `index` of the shown map takes what the same point of `source` (the same map of
    // another tune) holds, base and trim, through the map's own edits: the base step keeps the
    // undo copy as every base edit does, the point is pushed (written to a linked module) and
    // the document is marked modified. Composites stand for whole rows and take nothing.
    EditOutcome TakePointFrom(int index, const CModuleMap& source);

    void SetActivePoint(int index);
    [[nodiscard]] int ActivePoint() const { return m_activePoint; }
    [[nodiscard]] int FirstMark() const { return m_firstMark; }
    [[nodiscard]] int SecondMark() const { return m_secondMark; }
    [[nodiscard]] int CommandState() const { return m_commandState; }
    [[nodiscard]] int UndoFirst() const { return m_undoFirst; }
    [[nodiscard]] int UndoLast() const { return m_undoLast; }
    [[nodiscard]] int UndoCommandState() const { return m_undoCommandState; }
    [[nodiscard]] bool FollowMode() const { return m_followMode; }
    [[nodiscard]] bool InfoBoxVisible() const { return m_infoBoxVisible; }
    // The two lines of the info box for the active point: x, and the base in y units (maps
    // view) or the trim under the map's trim label (trim view).
    [[nodiscard]] std::array<std::string, 2> InfoBoxLines() const;

    // The index of the front/rear partner of the shown map (fuel map <-> rear-cylinder trim
    // map of the same row key), if it has one.
    [[nodiscard]] std::optional<int> FrontRearPartner() const;

    static constexpr const char* kUndoAllQuestion =
        "Warning:This will undo ALL edits to this map.\nPress the <F> to undo the previous PPF.";
    static constexpr const char* kClipboardEmptyMessage = "Clip Board is Empty!";
    static constexpr const char* kIncompatibleMessage = "Data types are not compatible!";
    static constexpr const char* kCopyErrorTitle = "Copy Error";

private:
    // The step text of a key on the shown map ("<title>: <what>").
    [[nodiscard]] std::string StepText(const std::string& what) const;
    [[nodiscard]] std::string KeyStepText(Key key, KeyModifiers modifiers) const;
    EditOutcome HandleKeyInStep(Key key, KeyModifiers modifiers);
    EditOutcome HandleMapsViewKey(Key key, KeyModifiers modifiers);
    EditOutcome HandleAdvancedKey(Key key, KeyModifiers modifiers);
    EditOutcome HandleCommonKey(Key key, KeyModifiers modifiers, bool& handled);

    EditOutcome MoveActive(int index);
    // Left (and Insert in the trim view): the previous point; with Shift the front/rear partner.
    EditOutcome PreviousPointOrPartner(KeyModifiers modifiers);
    // Up/Down: the active point's base (maps view) or trim (trim view), 5 steps with Ctrl.
    EditOutcome StepActive(Key key, KeyModifiers modifiers, bool trim);
    EditOutcome SwitchMap(int index);
    EditOutcome Changed(int first, int last);
    void AfterEdit();
    void ClearMarks();
    void SetMark();
    // F (and L in the trim view): marks, then fit; ctrl: undo of the last two-mark fit.
    EditOutcome PointPairFit(bool ctrl);
    EditOutcome RunFit(int first, int last);
    EditOutcome LineOrArc();
    EditOutcome QuickAfr(int digit, KeyModifiers modifiers);
    EditOutcome Copy();
    EditOutcome Paste();
    EditOutcome UndoAll();
    [[nodiscard]] int PointCount() const;
    [[nodiscard]] AppState* App() const;
    [[nodiscard]] double TargetAfr() const;

    EditorView m_view;
    std::vector<CModuleMap*> m_maps;
    const DocumentContext* m_context;
    IdleMapSync* m_idleSync = nullptr;
    EditHistory* m_history = nullptr;
    std::function<std::optional<double>()> m_afrSource;
    std::function<std::optional<int>()> m_liveSource;

    int m_mapIndex = 0;
    int m_activePoint = 0;
    int m_firstMark = 0;
    int m_secondMark = 0;
    int m_commandState = 0;
    int m_undoFirst = 0;
    int m_undoLast = -1;  // no remembered range
    int m_undoCommandState = 0;
    bool m_followMode = false;
    bool m_infoBoxVisible = false;
};

}  // namespace corvane
