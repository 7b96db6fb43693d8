#include "maps/CMapEditor.h"

#include <algorithm>
#include <cmath>

#include "comms/api/Rounding.h"
#include "maps/CModuleMap.h"
#include "maps/EditHistory.h"
#include "maps/IdleMapSync.h"
#include "model/NumberText.h"
#include "model/Prompter.h"

namespace corvane {

namespace {

constexpr int kTwoMarkFit = 2;
constexpr const char* kFuelMapPrefix = "Stoichiometric";
constexpr const char* kRearTrimMapPrefix = "RearTrimVsThrottle";

bool StartsWith(const std::string& s, const char* prefix) { return s.rfind(prefix, 0) == 0; }

std::optional<int> DigitOf(Key key) {
    const int k = static_cast<int>(key);
    const int d0 = static_cast<int>(Key::Digit0);
    if (k >= d0 && k <= d0 + 9) return k - d0;
    return std::nullopt;
}

EditOutcome Handled() {
    EditOutcome out;
    out.handled = true;
    return out;
}

}  // namespace

CMapEditor::CMapEditor(EditorView view, std::vector<CModuleMap*> maps, const DocumentContext* context)
    : m_view(view), m_maps(std::move(maps)), m_context(context) {}

CModuleMap* CMapEditor::Map() const {
    if (m_mapIndex < 0 || m_mapIndex >= static_cast<int>(m_maps.size())) return nullptr;
    return m_maps[static_cast<std::size_t>(m_mapIndex)];
}

int CMapEditor::PointCount() const {
    const CModuleMap* map = Map();
    return map != nullptr ? map->GetNumberOfPoints() : 0;
}

AppState* CMapEditor::App() const { return m_context != nullptr ? m_context->app : nullptr; }

double CMapEditor::TargetAfr() const {
    const AppState* app = App();
    return app != nullptr && app->targetAfr > 0.0 ? app->targetAfr : kDefaultTargetAfr;
}

void CMapEditor::ShowMap(int index) {
    if (index < 0 || index >= static_cast<int>(m_maps.size())) return;
    if (index != m_mapIndex) {
        // The remembered fit range belongs to the map it was fitted on.
        m_undoFirst = 0;
        m_undoLast = -1;
        m_undoCommandState = 0;
    }
    m_mapIndex = index;
    ClearMarks();
    SetActivePoint(m_activePoint);
}

void CMapEditor::SetActivePoint(int index) {
    const int n = PointCount();
    m_activePoint = n > 0 ? std::clamp(index, 0, n - 1) : 0;
    if (CModuleMap* map = Map()) map->SetActivePoint(m_activePoint);
}

// ---------------------------------------------------------------------------------------------
// Outcomes

EditOutcome CMapEditor::MoveActive(int index) {
    EditOutcome out;
    out.handled = true;
    const int before = m_activePoint;
    SetActivePoint(index);
    out.activePointChanged = before != m_activePoint;
    return out;
}

EditOutcome CMapEditor::SwitchMap(int index) {
    EditOutcome out;
    out.handled = true;
    ShowMap(index);
    out.switchToMap = m_mapIndex;
    out.marksChanged = true;
    return out;
}

EditOutcome CMapEditor::Changed(int first, int last) {
    EditOutcome out;
    out.handled = true;
    out.pointsChanged = true;
    out.firstChanged = std::min(first, last);
    out.lastChanged = std::max(first, last);
    AfterEdit();
    return out;
}

void CMapEditor::AfterEdit() {
    if (m_idleSync != nullptr && Map() != nullptr) m_idleSync->OnMapEdited(*Map());
}

void CMapEditor::ClearMarks() {
    m_commandState = 0;
    m_firstMark = m_secondMark = 0;
}

std::optional<int> CMapEditor::FrontRearPartner() const {
    const CModuleMap* map = Map();
    if (map == nullptr || map->GetRowKey() == 0) return std::nullopt;
    const char* partnerPrefix = nullptr;
    if (StartsWith(map->GetClassName(), kFuelMapPrefix))
        partnerPrefix = kRearTrimMapPrefix;
    else if (StartsWith(map->GetClassName(), kRearTrimMapPrefix))
        partnerPrefix = kFuelMapPrefix;
    if (partnerPrefix == nullptr) return std::nullopt;
    for (std::size_t i = 0; i < m_maps.size(); ++i) {
        const CModuleMap* other = m_maps[i];
        if (other != nullptr && StartsWith(other->GetClassName(), partnerPrefix) &&
            other->GetRowKey() == map->GetRowKey())
            return static_cast<int>(i);
    }
    return std::nullopt;
}

std::array<std::string, 2> CMapEditor::InfoBoxLines() const {
    const CModuleMap* map = Map();
    if (map == nullptr) return {};
    auto line = [](std::string name, double value, const std::string& unit) {
        if (name.size() > 25) name.resize(25);
        return name + ": " + FormatFixed(value, 3) + " " + unit;
    };
    const std::string x = line(map->GetXAxisName(), map->GetPointX(m_activePoint), map->GetXUnit());
    if (m_view == EditorView::Maps)
        return {x, line(map->GetYAxisName(), map->GetPointBaseDisplayValue(m_activePoint), map->GetYUnit())};
    // The trim view shows the trim under the trim label: a percent of the margin band for
    // margin type 1, display units of the y axis otherwise.
    const std::string& label = map->GetTrimLabel().empty() ? map->GetYAxisName() : map->GetTrimLabel();
    return {x, line(label, map->GetPointTrimShownValue(m_activePoint), map->GetMarginType() == 1 ? "%" : map->GetYUnit())};
}

// ---------------------------------------------------------------------------------------------
// Keys

std::string CMapEditor::StepText(const std::string& what) const {
    const CModuleMap* map = Map();
    return map != nullptr ? map->GetTitle() + ": " + what : what;
}

std::string CMapEditor::KeyStepText(Key key, KeyModifiers mod) const {
    const bool trim = m_view == EditorView::AdvancedUser;
    const std::string point = "point " + std::to_string(m_activePoint + 1);
    if (DigitOf(key)) return StepText("quick AFR at " + point);
    switch (key) {
        case Key::Up:
        case Key::Down:
            return StepText((trim ? "trim of " : "") + point + (key == Key::Up ? " up" : " down") +
                            (mod.ctrl ? " x5" : ""));
        case Key::A: return StepText(mod.ctrl ? "restore fitted points" : "fit line or arc");
        case Key::D:
        case Key::U: return StepText(std::string("offset ") + (key == Key::U ? "up" : "down") + (mod.ctrl ? " x10" : ""));
        case Key::F:
        case Key::L:
            if (mod.ctrl) return StepText("restore fitted points");
            return StepText(trim ? "trim fit" : key == Key::L && !trim ? "level to the end" : "fit line");
        case Key::T: return StepText("AFR correction at " + point);
        case Key::V: return StepText(trim ? "paste trims" : "paste");
        case Key::Z: return StepText(trim ? "undo all trims" : "undo all edits");
        default: return StepText("edit");
    }
}

EditOutcome CMapEditor::HandleKey(Key key, KeyModifiers modifiers) {
    if (Map() == nullptr) return {};
    EditHistory::Step step;
    if (m_history != nullptr) step = m_history->Begin(KeyStepText(key, modifiers));
    return HandleKeyInStep(key, modifiers);
}

EditOutcome CMapEditor::HandleKeyInStep(Key key, KeyModifiers modifiers) {
    // In follow mode the active point first jumps to the live operating position.
    if (m_followMode && m_liveSource) {
        if (const auto live = m_liveSource()) SetActivePoint(*live);
    }
    return m_view == EditorView::Maps ? HandleMapsViewKey(key, modifiers) : HandleAdvancedKey(key, modifiers);
}

EditOutcome CMapEditor::HandleCommonKey(Key key, KeyModifiers mod, bool& handled) {
    handled = true;
    const int n = static_cast<int>(m_maps.size());
    switch (key) {
        case Key::Enter:
        case Key::Space: {
            m_infoBoxVisible = !m_infoBoxVisible;
            EditOutcome out;
            out.handled = out.infoBoxChanged = true;
            return out;
        }
        case Key::Escape: {
            EditOutcome out;
            out.handled = true;
            out.infoBoxChanged = m_infoBoxVisible;
            m_infoBoxVisible = false;
            if (m_commandState != 0) {
                ClearMarks();
                out.marksChanged = true;
            }
            return out;
        }
        case Key::Home: return MoveActive(0);
        case Key::End: return MoveActive(PointCount() - 1);
        case Key::Right:
            if (mod.shift) {
                if (const auto partner = FrontRearPartner()) return SwitchMap(*partner);
                return Handled();
            }
            return MoveActive(m_activePoint + 1);
        case Key::Up:
        case Key::Down:
            if (mod.shift) return SwitchMap(((m_mapIndex + (key == Key::Up ? -1 : 1)) % n + n) % n);
            break;
        case Key::P: {
            SetMark();
            EditOutcome out;
            out.handled = out.marksChanged = true;
            return out;
        }
        case Key::C:
            if (mod.ctrl) return Copy();
            break;
        case Key::V:
            if (mod.ctrl) return Paste();
            break;
        default:
            break;
    }
    handled = false;
    return {};
}

EditOutcome CMapEditor::HandleMapsViewKey(Key key, KeyModifiers mod) {
    bool handled = false;
    EditOutcome common = HandleCommonKey(key, mod, handled);
    if (handled) return common;
    CModuleMap& map = *Map();

    if (const auto digit = DigitOf(key)) return QuickAfr(*digit, mod);
    switch (key) {
        case Key::Left: return PreviousPointOrPartner(mod);
        case Key::Up:
        case Key::Down: return StepActive(key, mod, false);
        case Key::Insert: {
            m_followMode = !m_followMode;
            EditOutcome out;
            out.handled = out.followModeChanged = true;
            return out;
        }
        case Key::A:
            if (mod.ctrl) {
                if (m_undoLast < m_undoFirst) return Handled();
                map.RestoreBlock(m_undoFirst, m_undoLast);
                return Changed(m_undoFirst, m_undoLast);
            }
            return LineOrArc();
        case Key::D:
        case Key::U:
            if (!mod.shift) return {};
            map.OffsetMapByModuleUnits((mod.ctrl ? 10 : 1) * (key == Key::U ? 1 : -1));
            return Changed(0, PointCount() - 1);
        case Key::F: return PointPairFit(mod.ctrl);
        case Key::L:
            if (mod.ctrl) {
                // Undo of the last line: the level or fit range remembered.
                if (m_undoLast < m_undoFirst) return Handled();
                map.RestoreBlock(m_undoFirst, m_undoLast);
                return Changed(m_undoFirst, m_undoLast);
            } else {
                const int first = m_activePoint;
                map.FitLine(first, -1);
                m_undoFirst = first;
                m_undoLast = PointCount() - 1;
                m_undoCommandState = m_commandState;
                ClearMarks();
                EditOutcome out = Changed(first, PointCount() - 1);
                out.marksChanged = true;
                return out;
            }
        case Key::T:
            if (!mod.ctrl) return {};
            if (m_afrSource) {
                const auto afr = m_afrSource();
                if (!afr) return Handled();
                return ApplyAfrCorrection(*afr);
            } else {
                EditOutcome out;
                out.handled = out.needsAfrEntry = true;
                return out;
            }
        case Key::Z:
            if (mod.ctrl) return UndoAll();
            return {};
        case Key::M:
            if (!mod.ctrl) return {};
            if (AppState* app = App()) {
                app->autoTuneActive = !app->autoTuneActive;
                EditOutcome out;
                out.handled = out.autoTuneToggled = true;
                return out;
            }
            return {};
        default:
            return {};
    }
}

EditOutcome CMapEditor::PreviousPointOrPartner(KeyModifiers mod) {
    if (mod.shift) {
        if (const auto partner = FrontRearPartner()) return SwitchMap(*partner);
        return Handled();
    }
    return MoveActive(m_activePoint - 1);
}

EditOutcome CMapEditor::StepActive(Key key, KeyModifiers mod, bool trim) {
    const int step = (mod.ctrl ? 5 : 1) * (key == Key::Up ? 1 : -1);
    if (trim)
        Map()->StepPointTrimByModuleUnits(m_activePoint, step);
    else
        Map()->StepPointByModuleUnits(m_activePoint, step);
    EditOutcome out = Changed(m_activePoint, m_activePoint);
    out.infoBoxChanged = m_infoBoxVisible;
    return out;
}

EditOutcome CMapEditor::HandleAdvancedKey(Key key, KeyModifiers mod) {
    bool handled = false;
    EditOutcome common = HandleCommonKey(key, mod, handled);
    if (handled) return common;
    CModuleMap& map = *Map();

    switch (key) {
        case Key::Left:
        case Key::Insert: return PreviousPointOrPartner(mod);
        case Key::Up:
        case Key::Down: return StepActive(key, mod, true);
        case Key::F:
        case Key::L: return PointPairFit(mod.ctrl);
        case Key::Z: {
            if (!mod.ctrl) return {};
            // Marks the whole map and puts every trim back, without asking.
            m_firstMark = 0;
            m_secondMark = PointCount() - 1;
            m_commandState = 2;
            map.RestoreTrims(0, PointCount() - 1);
            EditOutcome out = Changed(0, PointCount() - 1);
            out.marksChanged = true;
            return out;
        }
        default:
            return {};
    }
}

// ---------------------------------------------------------------------------------------------
// Marks and fits

void CMapEditor::SetMark() {
    if (m_commandState == 1) {
        m_secondMark = m_activePoint;
        if (m_secondMark < m_firstMark) std::swap(m_firstMark, m_secondMark);
        m_commandState = 2;
    } else {
        m_firstMark = m_activePoint;
        m_secondMark = 0;
        m_commandState = 1;
    }
}

EditOutcome CMapEditor::PointPairFit(bool ctrl) {
    CModuleMap& map = *Map();
    if (ctrl) {
        if (m_undoCommandState != kTwoMarkFit || m_undoLast < m_undoFirst) return Handled();
        if (m_view == EditorView::Maps)
            map.RestoreBlock(m_undoFirst, m_undoLast);
        else
            map.RestoreTrims(m_undoFirst, m_undoLast);
        return Changed(m_undoFirst, m_undoLast);
    }
    if (m_commandState == 0) {
        SetMark();
        EditOutcome out;
        out.handled = out.marksChanged = true;
        return out;
    }
    if (m_commandState == 1) SetMark();
    return RunFit(m_firstMark, m_secondMark);
}

EditOutcome CMapEditor::RunFit(int first, int last) {
    CModuleMap& map = *Map();
    if (m_view == EditorView::Maps)
        map.FitLine(first, last);
    else
        map.PpfFit(first, last);
    m_undoFirst = first;
    m_undoLast = last;
    m_undoCommandState = kTwoMarkFit;
    ClearMarks();
    EditOutcome out = Changed(first, last);
    out.marksChanged = true;
    return out;
}

EditOutcome CMapEditor::LineOrArc() {
    CModuleMap& map = *Map();
    // A line or an arc needs both marks; the active point is the third point.
    if (m_commandState != 2) return Handled();
    int points[3] = {m_firstMark, m_secondMark, m_activePoint};
    std::sort(points, points + 3);
    const int lo = points[0];
    const int hi = points[2];
    int mid = points[1];  // when two coincide it equals lo or hi: a line
    const double yLo = map.GetPointBaseDisplayValue(lo);
    if (yLo == map.GetPointBaseDisplayValue(mid) && yLo != 0.0 && map.GetPointBaseDisplayValue(hi) != 0.0)
        mid = lo;

    int last = hi;
    if (lo == hi) {
        map.FitLine(lo, -1);
        last = PointCount() - 1;
    } else if (mid == lo || mid == hi) {
        map.FitLine(lo, hi);
    } else {
        map.FitArc(lo, mid, hi);
    }
    m_undoFirst = lo;
    m_undoLast = last;
    m_undoCommandState = m_commandState;
    ClearMarks();
    EditOutcome out = Changed(lo, last);
    out.marksChanged = true;
    return out;
}

// ---------------------------------------------------------------------------------------------
// Quick AFR correction

EditOutcome CMapEditor::QuickAfr(int digit, KeyModifiers mod) {
    if (!mod.ctrl && !mod.shift) return {};
    EditOutcome out;
    out.handled = true;
    const double afr = (mod.ctrl && mod.shift ? 14.0 : mod.ctrl ? 12.0 : 13.0) + digit / 10.0;
    const FamilyPositions positions = App() != nullptr ? App()->familyPositions : FamilyPositions{};
    // Only the fuel maps, the maps between them and the rear-cylinder trim maps take the keys.
    if (m_mapIndex > positions.lastRearTrim) return out;
    CModuleMap& map = *Map();
    const double ratio = afr / TargetAfr();
    if (m_mapIndex <= positions.lastFuel) {
        const int current = map.GetPointModuleValue(m_activePoint);
        map.StepPointByModuleUnits(m_activePoint, RoundToInteger(current * ratio) - current);
    } else {
        // Trim maps step by the percentage, converted at the map's percent per module step.
        const int moduleSpan = map.GetModuleMaximum().y - map.GetModuleMinimum().y;
        const double perStep =
            moduleSpan != 0 ? (std::fabs(map.GetDisplayMinimum().y) + std::fabs(map.GetDisplayMaximum().y)) / moduleSpan
                            : 0.0;
        if (perStep == 0.0) return out;
        map.StepPointByModuleUnits(m_activePoint, RoundToInteger((ratio * 100.0 - 100.0) / perStep));
    }
    return Changed(m_activePoint, m_activePoint);
}

EditOutcome CMapEditor::ApplyAfrCorrection(double afr) {
    EditOutcome out;
    out.handled = true;
    CModuleMap* map = Map();
    // An empty or unreadable entry reads as 0: no correction.
    if (map == nullptr || !(afr > 0.0)) return out;
    EditHistory::Step step;
    if (m_history != nullptr) step = m_history->Begin(KeyStepText(Key::T, {true, false}));
    const int current = map->GetPointModuleValue(m_activePoint);
    const double ratio = afr / TargetAfr();
    map->StepPointByModuleUnits(m_activePoint, RoundToInteger(current * ratio) - current);
    return Changed(m_activePoint, m_activePoint);
}

EditOutcome CMapEditor::DragPoint(int index, double displayDelta) {
    CModuleMap* map = Map();
    if (map == nullptr || index < 0 || index >= PointCount()) return {};
    SetActivePoint(index);
    EditHistory::Step step;
    if (m_history != nullptr)
        step = m_history->Begin(StepText(std::string(m_view == EditorView::Maps ? "" : "trim of ") + "point " +
                                         std::to_string(index + 1) + " dragged"));
    if (m_view == EditorView::Maps)
        map->StepPointByDisplayUnits(index, displayDelta);
    else
        map->StepPointTrimByDisplayUnits(index, displayDelta);
    EditOutcome out = Changed(index, index);
    out.activePointChanged = true;
    out.infoBoxChanged = m_infoBoxVisible;
    return out;
}

EditOutcome CMapEditor::TakePointFrom(int index, const CModuleMap& source) {
    CModuleMap* map = Map();
    if (map == nullptr || map->IsComposite() || &source == map || index < 0 || index >= PointCount() ||
        index >= source.GetNumberOfPoints())
        return {};
    SetActivePoint(index);
    EditHistory::Step step;
    if (m_history != nullptr) step = m_history->Begin(StepText("Take Value at point " + std::to_string(index + 1)));
    const int base = source.GetPointBaseValue(index);
    const int trim = source.GetPointTrimValue(index);
    // The base first: a base edit leaves the trim at 0, the trim then goes on top of it.
    if (map->GetPointBaseValue(index) != base)
        map->StepPointByModuleUnits(index, base - map->GetPointModuleValue(index));
    if (map->GetPointTrimValue(index) != trim)
        map->StepPointTrimByModuleUnits(index, trim - map->GetPointTrimValue(index));
    EditOutcome out = Changed(index, index);
    out.activePointChanged = true;
    out.infoBoxChanged = m_infoBoxVisible;
    return out;
}

// ---------------------------------------------------------------------------------------------
// Clipboard and undo

EditOutcome CMapEditor::Copy() {
    EditOutcome out;
    out.handled = true;
    AppState* app = App();
    CModuleMap& map = *Map();
    if (app == nullptr) return out;
    CClipBoard& clip = app->clipboard;
    clip.dataType = map.GetBytesPerPoint();
    clip.items.clear();
    const bool trims = m_view == EditorView::AdvancedUser;
    clip.kind = trims ? CClipBoard::Kind::Trims : CClipBoard::Kind::BaseValues;
    for (int i = 0; i < PointCount(); ++i) {
        double value = map.GetPointModuleValue(i);
        if (trims)
            value = map.GetMarginType() == 1 ? map.GetPointTrimShownValue(i) : map.GetPointTrimValue(i);
        clip.items.push_back({i, value, static_cast<int>(std::trunc(value))});
    }
    return out;
}

EditOutcome CMapEditor::Paste() {
    EditOutcome out;
    out.handled = true;
    AppState* app = App();
    if (app == nullptr) return out;
    const CClipBoard& clip = app->clipboard;
    Prompter* prompter = m_context != nullptr ? m_context->prompter : nullptr;
    if (clip.items.empty()) {
        if (prompter) prompter->Message(kClipboardEmptyMessage, {}, Prompter::Icon::None, Prompter::Buttons::Ok);
        return out;
    }
    CModuleMap& map = *Map();
    const auto wanted = m_view == EditorView::Maps ? CClipBoard::Kind::BaseValues : CClipBoard::Kind::Trims;
    if (clip.dataType != map.GetBytesPerPoint() || clip.kind != wanted) {
        if (prompter)
            prompter->Message(kIncompatibleMessage, kCopyErrorTitle, Prompter::Icon::Error, Prompter::Buttons::Ok);
        return out;
    }
    if (m_view == EditorView::Maps)
        map.PasteBlock(clip.items, clip.items.front().index, clip.items.back().index);
    else
        map.PasteTrims(clip.items);
    return Changed(0, PointCount() - 1);
}

EditOutcome CMapEditor::UndoAll() {
    EditOutcome out;
    out.handled = true;
    Prompter* prompter = m_context != nullptr ? m_context->prompter : nullptr;
    if (prompter != nullptr &&
        prompter->Message(kUndoAllQuestion, "Warning", Prompter::Icon::Warning, Prompter::Buttons::OkCancel) !=
            Prompter::Answer::Ok)
        return out;
    Map()->RestoreBlock(0, PointCount() - 1);
    ClearMarks();
    out = Changed(0, PointCount() - 1);
    out.marksChanged = true;
    return out;
}

}  // namespace corvane
