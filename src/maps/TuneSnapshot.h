#pragma once

#include <optional>
#include <string>
#include <vector>

#include "model/ModuleValue.h"

namespace corvane {

class EditHistorySubject;

// Every value of a document an edit can change: each point's state, map by map in the
// subject's order, each setting's state, and the base map name.
struct TuneSnapshot {
    std::vector<std::vector<ValueState>> maps;
    std::vector<ValueState> settings;
    std::string name;

    [[nodiscard]] static TuneSnapshot Capture(EditHistorySubject& subject);
    friend bool operator==(const TuneSnapshot&, const TuneSnapshot&) = default;
};

// What differs between two snapshots of the same document, with both sides of each change,
// so that it can be applied either way.
struct TuneChange {
    struct Point {
        int map = 0;
        int point = 0;
        ValueState before;
        ValueState after;
    };
    struct Setting {
        int index = 0;
        ValueState before;
        ValueState after;
    };
    struct Name {
        std::string before;
        std::string after;
    };

    std::vector<Point> points;  // in map order, then point order
    std::vector<Setting> settings;
    std::optional<Name> name;

    [[nodiscard]] bool Empty() const { return points.empty() && settings.empty() && !name; }
    // Snapshots of different shapes (not the same document) give an empty change.
    [[nodiscard]] static TuneChange Between(const TuneSnapshot& before, const TuneSnapshot& after);
    // Writes the side of every change (after, or before when undoing) into a snapshot.
    void ApplyTo(TuneSnapshot& snapshot, bool undo) const;
    // How many different maps the change touches.
    [[nodiscard]] int MapCount() const;
};

}  // namespace corvane
