#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "maps/CTableEditor.h"

namespace corvane {

// Marks the table view draws over its cells: per cell a change in percent (shown as
// "+2.5%") and a colour. Whoever has something to say per cell fills one: AutoTune's pending
// corrections (AutoTuneTableOverlay), or any later source of per-cell corrections. The view
// only draws what it holds.
//
// To feed the table view: build a CTableOverlay with Set(row, column, percent, colour) for the
// cells that carry a mark (rows and columns as the view's CTableEditor numbers them), hand it
// to CTableView::SetOverlay, and hand it again whenever it changes; an empty one clears the
// marks.
class CTableOverlay {
public:
    struct Mark {
        TableCell cell;
        double percent = 0.0;
        std::uint32_t colour = 0;  // 0x00BBGGRR, as the "Colors" settings hold colours
        bool operator==(const Mark&) const = default;
    };

    // Richer (more fuel, a positive change) and leaner: the colours the curve marks them in.
    static constexpr std::uint32_t kRicherColour = 0x0000A0FF;  // orange
    static constexpr std::uint32_t kLeanerColour = 0x00FFC800;  // sky blue

    // Sets the mark of a cell (one per cell: a second Set replaces the first).
    void Set(TableCell cell, double percent, std::uint32_t colour);
    void Clear() { m_marks.clear(); }
    [[nodiscard]] bool IsEmpty() const { return m_marks.empty(); }
    [[nodiscard]] const std::vector<Mark>& Marks() const { return m_marks; }
    [[nodiscard]] std::optional<Mark> At(TableCell cell) const;
    bool operator==(const CTableOverlay&) const = default;

private:
    std::vector<Mark> m_marks;
};

}  // namespace corvane
