#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "maps/TuneSnapshot.h"

namespace corvane {

class EditHistorySubject;

// The edit history of one document: every edit is one step with a short description, and the
// document can go back and forth along the steps.
//
// How an editor records a step:
//
//     EditHistory::Step step = history.Begin("Fit line");
//     map.FitLine(first, last);      // any edits: points of any maps, settings, the name
//     step.Commit();                 // or let `step` go out of scope
//
// Begin takes a snapshot of every value the document shows (each point's module value, base
// and trim, each setting, the base map name) and Commit another; the step keeps only what
// differs, both ways. An editor therefore needs nothing of the history but Begin, whatever
// and however many values its operation touches, and an operation that changed nothing
// leaves no step. A Begin inside an open step adds to the open step (its description is
// dropped), so an operation built from other operations is still one step.
//
// Edits are made the ordinary way, through the maps' and settings' own operations, which
// push to a linked module and mark the document modified. Undo and redo put values back the
// same way: the points through the map's push (a linked module gets them, and they are in
// sync only if it took them), the settings and the name through the document.
//
// Nothing is lost when an edit is made outside a step: the document tells the history after
// every edit, and the history records what changed as a step "Edit" whenever no step is open.
//
// A load or a READ is a checkpoint: the document's values start anew, earlier steps are
// forgotten, and undo never goes past it (it would put back values the module or file no
// longer holds). The history knows the step at which the document was last saved, and
// clears the modified mark when undo or redo return to it.
class EditHistory {
public:
    static constexpr std::size_t kMaxSteps = 1000;
    static constexpr const char* kImplicitStep = "Edit";

    // Starts at a checkpoint with the subject's current values.
    EditHistory(EditHistorySubject& subject, std::string baseline, bool saved);
    EditHistory(const EditHistory&) = delete;
    EditHistory& operator=(const EditHistory&) = delete;

    // An open step; it is recorded by Commit or when it goes out of scope.
    class Step {
    public:
        Step() = default;
        Step(Step&& other) noexcept;
        Step& operator=(Step&& other) noexcept;
        Step(const Step&) = delete;
        Step& operator=(const Step&) = delete;
        ~Step();
        // Replaces the description (an editor that learns what it did only while doing it).
        void Describe(std::string description);
        void Commit();

    private:
        friend class EditHistory;
        explicit Step(EditHistory* history) : m_history(history) {}
        EditHistory* m_history = nullptr;
    };

    [[nodiscard]] Step Begin(std::string description);
    [[nodiscard]] bool StepOpen() const { return m_depth > 0; }

    // The document changed: outside a step, what changed becomes a step "Edit" now.
    void NoteModified();
    // Records anything changed since the history last looked, as one step with this text.
    void CatchUp(const std::string& description = kImplicitStep);

    // A new baseline (load, READ, new document): all steps are forgotten. `saved`: the values
    // are those of a file, so returning to them clears the modified mark.
    void Checkpoint(std::string baseline, bool saved);
    // The document was saved with its current values.
    void MarkSaved();

    [[nodiscard]] bool CanUndo() const { return m_depth == 0 && m_position > 0; }
    [[nodiscard]] bool CanRedo() const { return m_depth == 0 && m_position < m_steps.size(); }
    // One step back or forward; false when there is none (or a step is open).
    bool Undo();
    bool Redo();
    // Undoes or redoes until `position` steps are applied (0: the baseline).
    bool GoTo(std::size_t position);

    // Steps applied now: 0 at the baseline, StepCount() after the last.
    [[nodiscard]] std::size_t Position() const { return m_position; }
    [[nodiscard]] std::size_t StepCount() const { return m_steps.size(); }
    [[nodiscard]] const std::string& Baseline() const { return m_baseline; }
    // Step i (0-based), oldest first.
    [[nodiscard]] const std::string& Description(std::size_t i) const { return m_steps.at(i).description; }
    [[nodiscard]] const TuneChange& Change(std::size_t i) const { return m_steps.at(i).change; }
    // True while the document holds the values it was last saved or loaded with.
    [[nodiscard]] bool AtSavedState() const { return m_savedPosition == static_cast<long>(m_position); }

    // Told after every change of the list or the position (the History list redraws).
    void SetListener(std::function<void()> listener) { m_listener = std::move(listener); }

private:
    struct Entry {
        std::string description;
        TuneChange change;
    };

    void End();
    void Push(std::string description, TuneChange change);
    // Puts the document's values to one side of a change, through the edit paths.
    void Apply(const TuneChange& change, bool undo);
    void Tell() const;

    EditHistorySubject& m_subject;
    std::string m_baseline;
    TuneSnapshot m_current;  // the values as the history last saw them
    std::vector<Entry> m_steps;
    std::size_t m_position = 0;
    long m_savedPosition = 0;  // -1: the saved values are no longer reachable
    int m_depth = 0;
    std::string m_openDescription;
    bool m_applying = false;
    std::function<void()> m_listener;
};

}  // namespace corvane
