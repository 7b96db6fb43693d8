#include "maps/EditHistory.h"

#include <utility>

#include "maps/CModuleMapBasic.h"
#include "maps/EditHistorySubject.h"

namespace corvane {

// --- Step ----------------------------------------------------------------------------------------

EditHistory::Step::Step(Step&& other) noexcept : m_history(std::exchange(other.m_history, nullptr)) {}

EditHistory::Step& EditHistory::Step::operator=(Step&& other) noexcept {
    if (this != &other) {
        Commit();
        m_history = std::exchange(other.m_history, nullptr);
    }
    return *this;
}

EditHistory::Step::~Step() { Commit(); }

void EditHistory::Step::Describe(std::string description) {
    // Only the outermost step names what is recorded.
    if (m_history != nullptr && m_history->m_depth == 1) m_history->m_openDescription = std::move(description);
}

void EditHistory::Step::Commit() {
    if (m_history != nullptr) std::exchange(m_history, nullptr)->End();
}

// --- History -------------------------------------------------------------------------------------

EditHistory::EditHistory(EditHistorySubject& subject, std::string baseline, bool saved)
    : m_subject(subject) {
    Checkpoint(std::move(baseline), saved);
}

EditHistory::Step EditHistory::Begin(std::string description) {
    if (m_depth == 0) {
        // Whatever changed outside a step is not part of this one.
        CatchUp();
        m_openDescription = std::move(description);
    }
    ++m_depth;
    return Step(this);
}

void EditHistory::End() {
    if (m_depth == 0) return;
    if (--m_depth > 0) return;
    TuneSnapshot after = TuneSnapshot::Capture(m_subject);
    TuneChange change = TuneChange::Between(m_current, after);
    m_current = std::move(after);
    if (!change.Empty()) Push(std::exchange(m_openDescription, {}), std::move(change));
}

void EditHistory::NoteModified() {
    if (m_depth == 0 && !m_applying) CatchUp();
}

void EditHistory::CatchUp(const std::string& description) {
    if (m_depth > 0 || m_applying) return;
    TuneSnapshot now = TuneSnapshot::Capture(m_subject);
    if (now == m_current) return;
    TuneChange change = TuneChange::Between(m_current, now);
    m_current = std::move(now);
    if (!change.Empty()) Push(description, std::move(change));
}

void EditHistory::Push(std::string description, TuneChange change) {
    m_steps.resize(m_position);  // a new edit drops what could have been redone
    if (m_savedPosition > static_cast<long>(m_position)) m_savedPosition = -1;
    m_steps.push_back({std::move(description), std::move(change)});
    ++m_position;
    if (m_steps.size() > kMaxSteps) {
        m_steps.erase(m_steps.begin());
        --m_position;
        // The oldest step is gone: its before side, and a save made there, are out of reach.
        m_savedPosition = m_savedPosition > 0 ? m_savedPosition - 1 : -1;
    }
    Tell();
}

void EditHistory::Checkpoint(std::string baseline, bool saved) {
    m_baseline = std::move(baseline);
    m_steps.clear();
    m_position = 0;
    m_savedPosition = saved ? 0 : -1;
    m_current = TuneSnapshot::Capture(m_subject);
    Tell();
}

void EditHistory::MarkSaved() {
    CatchUp();
    m_savedPosition = static_cast<long>(m_position);
    Tell();
}

bool EditHistory::Undo() {
    if (m_depth > 0) return false;
    CatchUp();
    if (m_position == 0) return false;
    Apply(m_steps[m_position - 1].change, true);
    --m_position;
    m_subject.SetHistoryModified(!AtSavedState());
    Tell();
    return true;
}

bool EditHistory::Redo() {
    if (m_depth > 0) return false;
    CatchUp();
    if (m_position >= m_steps.size()) return false;
    Apply(m_steps[m_position].change, false);
    ++m_position;
    m_subject.SetHistoryModified(!AtSavedState());
    Tell();
    return true;
}

bool EditHistory::GoTo(std::size_t position) {
    if (m_depth > 0) return false;
    CatchUp();
    if (position > m_steps.size()) return false;
    while (m_position > position) Undo();
    while (m_position < position) Redo();
    return true;
}

void EditHistory::Apply(const TuneChange& change, bool undo) {
    m_applying = true;
    // Basic maps first, each run of neighbouring points pushed as one block as an edit of
    // them would be; composites own no memory and only mirror their rows, so their points
    // take their recorded states without a push.
    std::size_t i = 0;
    while (i < change.points.size()) {
        const int mapIndex = change.points[i].map;
        std::size_t end = i;
        while (end < change.points.size() && change.points[end].map == mapIndex) ++end;
        CModuleMapBasic* map = m_subject.HistoryMap(mapIndex);
        if (map != nullptr) {
            for (std::size_t k = i; k < end; ++k) {
                const TuneChange::Point& p = change.points[k];
                if (CModuleMapPoint* point = map->GetMapPoint(p.point))
                    point->GetValue().RestoreState(undo ? p.before : p.after);
            }
            if (!map->IsComposite()) {
                std::size_t run = i;
                while (run < end) {
                    std::size_t last = run;
                    while (last + 1 < end && change.points[last + 1].point == change.points[last].point + 1) ++last;
                    map->PushPoints(change.points[run].point, change.points[last].point);
                    run = last + 1;
                }
            }
        }
        i = end;
    }
    for (const TuneChange::Setting& s : change.settings)
        m_subject.RestoreHistorySetting(s.index, undo ? s.before : s.after);
    if (change.name) m_subject.RestoreHistoryName(undo ? change.name->before : change.name->after);
    m_current = TuneSnapshot::Capture(m_subject);
    m_applying = false;
}

void EditHistory::Tell() const {
    if (m_listener) m_listener();
}

}  // namespace corvane
