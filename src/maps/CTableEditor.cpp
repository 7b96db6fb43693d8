#include "maps/CTableEditor.h"

#include <algorithm>
#include <cmath>
#include <map>

#include "maps/CModuleMap.h"
#include "maps/EditHistory.h"
#include "maps/TableText.h"
#include "model/NumberText.h"
#include "model/PrintableText.h"

namespace corvane {

namespace {

TableRect Spanned(TableCell a, TableCell b) {
    return {std::min(a.row, b.row), std::min(a.column, b.column), std::max(a.row, b.row),
            std::max(a.column, b.column)};
}

// A cell's text in a message: printable and short.
std::string Quoted(const std::string& text) {
    std::string shown = PrintableText(text);
    if (shown.size() > 24) shown = shown.substr(0, 24) + "...";
    return "\"" + shown + "\"";
}

constexpr const char* kNothingPasted = " Nothing was pasted.";
constexpr const char* kNothingImported = " Nothing was imported.";

}  // namespace

CTableEditor::CTableEditor(std::vector<CModuleMap*> rows) : m_rows(std::move(rows)) {
    m_rows.erase(std::remove(m_rows.begin(), m_rows.end(), nullptr), m_rows.end());
    m_columns = m_rows.empty() ? 0 : m_rows.front()->GetNumberOfPoints();
    for (const CModuleMap* row : m_rows) m_columns = std::min(m_columns, row->GetNumberOfPoints());
    m_valueDecimals = ComputeValueDecimals();
    m_xDecimals = ComputeXDecimals();
}

// ---------------------------------------------------------------------------------------------
// Cells

int CTableEditor::RowSpeed(int row) const { return RowMap(row).GetRowKey(); }

double CTableEditor::ColumnX(int column) const { return m_rows.empty() ? 0.0 : m_rows.front()->GetPointX(column); }

double CTableEditor::Value(TableCell cell) const { return RowMap(cell.row).GetPointDisplayValue(cell.column); }

int CTableEditor::ModuleValue(TableCell cell) const { return RowMap(cell.row).GetPointModuleValue(cell.column); }

bool CTableEditor::InSync(TableCell cell) const { return RowMap(cell.row).IsPointInSync(cell.column); }

int CTableEditor::ComputeValueDecimals() const {
    if (m_rows.empty()) return 2;
    const CModuleMap& map = *m_rows.front();
    const int moduleSpan = map.GetModuleMaximum().y - map.GetModuleMinimum().y;
    return TableText::DecimalsFor(moduleSpan != 0 ? map.GetYSpan() / moduleSpan : 0.0);
}

int CTableEditor::ComputeXDecimals() const {
    if (m_rows.empty() || m_columns < 2) return 1;
    return std::max(1, TableText::DecimalsFor(m_rows.front()->GetXSpan() / (m_columns - 1)));
}

std::string CTableEditor::FormatValue(double value) const { return FormatFixed(value, ValueDecimals()); }

std::string CTableEditor::FormatX(double x) const { return FormatFixed(x, XDecimals()); }

double CTableEditor::LimitLow() const {
    return m_rows.empty() ? 0.0 : std::min(m_rows.front()->GetDisplayMinimum().y, m_rows.front()->GetDisplayMaximum().y);
}

double CTableEditor::LimitHigh() const {
    return m_rows.empty() ? 0.0 : std::max(m_rows.front()->GetDisplayMinimum().y, m_rows.front()->GetDisplayMaximum().y);
}

int CTableEditor::ToModule(TableCell cell, double display) const {
    const CModuleMapPoint* point = RowMap(cell.row).GetMapPoint(cell.column);
    return point != nullptr ? point->DisplayToModule(display) : 0;
}

CTableEditor::CellState CTableEditor::StateOf(TableCell cell) const {
    const CModuleMap& map = RowMap(cell.row);
    return {cell, map.GetPointBaseValue(cell.column), map.GetPointTrimValue(cell.column)};
}

std::string CTableEditor::RowName(int row) const { return std::to_string(RowSpeed(row)) + " rpm"; }

std::string CTableEditor::ColumnName(int column) const {
    if (m_rows.empty()) return {};
    return FormatX(ColumnX(column)) + " " + m_rows.front()->GetXUnit();
}

// ---------------------------------------------------------------------------------------------
// Selection

TableRect CTableEditor::Selection() const {
    if (m_rows.empty() || m_columns == 0) return {};
    return Spanned(m_anchor, m_active);
}

void CTableEditor::Select(TableCell cell, bool extend) {
    if (m_rows.empty() || m_columns == 0) return;
    cell.row = std::clamp(cell.row, 0, RowCount() - 1);
    cell.column = std::clamp(cell.column, 0, m_columns - 1);
    m_active = cell;
    if (!extend) m_anchor = cell;
}

void CTableEditor::Move(int rows, int columns, bool extend) {
    Select({m_active.row + rows, m_active.column + columns}, extend);
}

void CTableEditor::SelectRows(int first, int last) {
    if (m_rows.empty() || m_columns == 0) return;
    // The active cell is in the row last reached, its column kept: the anchor is the far end.
    Select({first, m_columns - 1});
    Select({last, 0}, true);
}

void CTableEditor::SelectColumns(int first, int last) {
    if (m_rows.empty() || m_columns == 0) return;
    Select({RowCount() - 1, first});
    Select({0, last}, true);
}

void CTableEditor::SelectAll() {
    if (m_rows.empty() || m_columns == 0) return;
    Select({RowCount() - 1, m_columns - 1});
    Select({0, 0}, true);
}

bool CTableEditor::FollowLive() {
    if (!m_followMode || !m_liveSource) return false;
    const auto live = m_liveSource();
    if (!live || !IsValid(*live)) return false;
    const bool moved = Selection() != TableRect{live->row, live->column, live->row, live->column};
    Select(*live);
    return moved;
}

// ---------------------------------------------------------------------------------------------
// The edit path

TableEditResult CTableEditor::Refused(std::string message) const {
    TableEditResult result;
    result.message = std::move(message);
    return result;
}

void CTableEditor::ApplyStates(const std::vector<CellState>& states) {
    // By row, then in column order, so that each run of neighbouring cells is one block.
    std::map<int, std::map<int, const CellState*>> byRow;
    for (const auto& s : states)
        if (IsValid(s.cell)) byRow[s.cell.row][s.cell.column] = &s;
    for (const auto& [row, cells] : byRow) {
        CModuleMap& map = RowMap(row);
        std::vector<CClipBoardItem> run;
        auto flush = [&] {
            if (run.empty()) return;
            // The map's own base edit: clamps, keeps the curve's undo copies, pushes once.
            map.PasteBlock(run, run.front().index, run.back().index);
            run.clear();
        };
        for (const auto& [column, state] : cells) {
            if (!run.empty() && run.back().index + 1 != column) flush();
            run.push_back({column, static_cast<double>(state->base), state->base});
        }
        flush();
        // Trims go on top of the bases, through the map's trim edit (clamped to the margins).
        for (const auto& [column, state] : cells) {
            const int trim = map.GetPointTrimValue(column);
            if (state->trim != trim) map.StepPointTrimByModuleUnits(column, state->trim - trim);
        }
    }
}

TableEditResult CTableEditor::Execute(const std::string& what, const std::vector<Target>& targets) {
    TableEditResult result;
    std::vector<CellState> wanted;
    for (const Target& t : targets) {
        if (!IsValid(t.cell)) continue;
        const CModuleMapPoint* point = RowMap(t.cell.row).GetMapPoint(t.cell.column);
        if (point == nullptr) continue;
        const int base = point->GetValue().ClampModuleValue(t.base);
        if (base != t.base) ++result.cellsClamped;
        const CellState before = StateOf(t.cell);
        if (before.base == base && before.trim == t.trim) continue;
        wanted.push_back({t.cell, base, t.trim});
    }
    if (wanted.empty()) return result;
    std::vector<CellState> before;
    for (const auto& w : wanted) before.push_back(StateOf(w.cell));
    {
        EditHistory::Step step;
        if (m_history != nullptr) step = m_history->Begin(m_title.empty() ? what : m_title + " table: " + what);
        ApplyStates(wanted);
    }
    // What changed, counted from the cells themselves (a trim may have met its margin).
    for (std::size_t i = 0; i < wanted.size(); ++i) {
        if (StateOf(wanted[i].cell) == before[i]) continue;
        const TableCell c = wanted[i].cell;
        result.area = result.changed ? TableRect{std::min(result.area.top, c.row), std::min(result.area.left, c.column),
                                                 std::max(result.area.bottom, c.row), std::max(result.area.right, c.column)}
                                     : TableRect{c.row, c.column, c.row, c.column};
        result.changed = true;
        ++result.cellsChanged;
    }
    return result;
}

// ---------------------------------------------------------------------------------------------
// Edits

template <typename Fn>
std::vector<CTableEditor::Target> CTableEditor::MapSelection(Fn fn) const {
    std::vector<Target> targets;
    const TableRect sel = Selection();
    for (int r = sel.top; r <= sel.bottom; ++r)
        for (int c = sel.left; c <= sel.right; ++c) targets.push_back({{r, c}, fn(TableCell{r, c}), 0});
    return targets;
}

TableEditResult CTableEditor::Step(int moduleDelta) {
    // As the curve steps a point: from what the module holds, by whole module units.
    return Execute(moduleDelta >= 0 ? "step up" : "step down",
                   MapSelection([&](TableCell c) { return ModuleValue(c) + moduleDelta; }));
}

TableEditResult CTableEditor::SetValue(double display) {
    if (!std::isfinite(display)) return Refused("The value is not a number.");
    return Execute("set cells", MapSelection([&](TableCell c) { return ToModule(c, display); }));
}

TableEditResult CTableEditor::MultiplyByPercent(double percent) {
    if (!std::isfinite(percent)) return Refused("The percentage is not a number.");
    return Execute("multiply cells",
                   MapSelection([&](TableCell c) { return ToModule(c, Value(c) * percent / 100.0); }));
}

TableEditResult CTableEditor::AddOffset(double display) {
    if (!std::isfinite(display)) return Refused("The offset is not a number.");
    return Execute("add to cells", MapSelection([&](TableCell c) { return ToModule(c, Value(c) + display); }));
}

TableEditResult CTableEditor::InterpolateHorizontally() {
    const TableRect sel = Selection();
    if (sel.Columns() < 3) return Refused("Select at least three columns to interpolate across.");
    const double xa = ColumnX(sel.left), xb = ColumnX(sel.right);
    std::vector<Target> targets;
    for (int r = sel.top; r <= sel.bottom; ++r) {
        const double a = Value({r, sel.left}), b = Value({r, sel.right});
        for (int c = sel.left + 1; c < sel.right; ++c)
            targets.push_back({{r, c}, ToModule({r, c}, a + (ColumnX(c) - xa) * (b - a) / (xb - xa)), 0});
    }
    return Execute("interpolate across", targets);
}

TableEditResult CTableEditor::InterpolateVertically() {
    const TableRect sel = Selection();
    if (sel.Rows() < 3) return Refused("Select at least three rows to interpolate down.");
    const double sa = RowSpeed(sel.top), sb = RowSpeed(sel.bottom);
    std::vector<Target> targets;
    for (int c = sel.left; c <= sel.right; ++c) {
        const double a = Value({sel.top, c}), b = Value({sel.bottom, c});
        for (int r = sel.top + 1; r < sel.bottom; ++r)
            targets.push_back({{r, c}, ToModule({r, c}, a + (RowSpeed(r) - sa) * (b - a) / (sb - sa)), 0});
    }
    return Execute("interpolate down", targets);
}

TableEditResult CTableEditor::InterpolateBilinearly() {
    const TableRect sel = Selection();
    if (sel.Rows() == 1) return InterpolateHorizontally();
    if (sel.Columns() == 1) return InterpolateVertically();
    if (sel.Rows() < 3 || sel.Columns() < 3)
        return Refused("Select at least 3 x 3 cells to interpolate the inside from the edges.");
    const double xl = ColumnX(sel.left), xr = ColumnX(sel.right);
    const double st = RowSpeed(sel.top), sb = RowSpeed(sel.bottom);
    const double tl = Value({sel.top, sel.left}), tr = Value({sel.top, sel.right});
    const double bl = Value({sel.bottom, sel.left}), br = Value({sel.bottom, sel.right});
    std::vector<Target> targets;
    for (int r = sel.top + 1; r < sel.bottom; ++r) {
        const double v = (RowSpeed(r) - st) / (sb - st);
        const double left = Value({r, sel.left}), right = Value({r, sel.right});
        for (int c = sel.left + 1; c < sel.right; ++c) {
            const double u = (ColumnX(c) - xl) / (xr - xl);
            const double top = Value({sel.top, c}), bottom = Value({sel.bottom, c});
            // The blend of the two edge pairs less the bilinear surface of the corners that both
            // carry: each edge is met exactly.
            const double y = (1 - u) * left + u * right + (1 - v) * top + v * bottom -
                             ((1 - u) * (1 - v) * tl + u * (1 - v) * tr + (1 - u) * v * bl + u * v * br);
            targets.push_back({{r, c}, ToModule({r, c}, y), 0});
        }
    }
    return Execute("interpolate from the edges", targets);
}

TableEditResult CTableEditor::Smooth() {
    const TableRect sel = Selection();
    if (sel.Rows() < 3 || sel.Columns() < 3) return Refused("Select at least 3 x 3 cells to smooth.");
    static constexpr int kWeight[3] = {1, 2, 1};
    std::vector<Target> targets;
    // Every mean reads the values from before the smoothing, not ones it already changed.
    for (int r = sel.top + 1; r < sel.bottom; ++r) {
        for (int c = sel.left + 1; c < sel.right; ++c) {
            double sum = 0.0;
            for (int dr = -1; dr <= 1; ++dr)
                for (int dc = -1; dc <= 1; ++dc) sum += kWeight[dr + 1] * kWeight[dc + 1] * Value({r + dr, c + dc});
            targets.push_back({{r, c}, ToModule({r, c}, sum / 16.0), 0});
        }
    }
    return Execute("smooth", targets);
}

TableEditResult CTableEditor::TakeFrom(const std::vector<const CModuleMap*>& comparedRows) {
    if (static_cast<int>(comparedRows.size()) != RowCount()) return Refused("The compared tune has no such table.");
    std::vector<Target> targets;
    const TableRect sel = Selection();
    for (int r = sel.top; r <= sel.bottom; ++r) {
        const CModuleMap* other = comparedRows[static_cast<std::size_t>(r)];
        if (other == nullptr || other->GetNumberOfPoints() != m_columns) continue;
        for (int c = sel.left; c <= sel.right; ++c)
            targets.push_back({{r, c}, other->GetPointBaseValue(c), other->GetPointTrimValue(c)});
    }
    return Execute("Take Value", targets);
}

// ---------------------------------------------------------------------------------------------
// Text

std::string CTableEditor::CopyText() const {
    TableText::Grid grid;
    const TableRect sel = Selection();
    for (int r = sel.top; r <= sel.bottom; ++r) {
        auto& line = grid.emplace_back();
        for (int c = sel.left; c <= sel.right; ++c) line.push_back(FormatValue(Value({r, c})));
    }
    return TableText::Join(grid, '\t');
}

TableEditResult CTableEditor::PasteText(std::string_view text) {
    const TableText::Grid grid = TableText::Split(text, '\t');
    if (grid.empty()) return Refused("There is no table to paste.");
    const std::size_t width = grid.front().size();
    for (std::size_t i = 1; i < grid.size(); ++i)
        if (grid[i].size() != width)
            return Refused("Row " + std::to_string(i + 1) + " of the pasted text has " + std::to_string(grid[i].size()) +
                           " cells where row 1 has " + std::to_string(width) + "." + kNothingPasted);

    const TableRect sel = Selection();
    // One value fills the whole selection; a block goes from its top left cell.
    const bool fill = grid.size() == 1 && width == 1;
    const int rows = static_cast<int>(grid.size());
    const int columns = static_cast<int>(width);
    if (!fill) {
        if (sel.top + rows > RowCount())
            return Refused("The pasted block does not fit: its row " + std::to_string(RowCount() - sel.top + 1) +
                           " would fall below the last row (" + RowName(RowCount() - 1) + ")." + kNothingPasted);
        if (sel.left + columns > m_columns)
            return Refused("The pasted block does not fit: its column " + std::to_string(m_columns - sel.left + 1) +
                           " would fall beyond the last column (" + ColumnName(m_columns - 1) + ")." + kNothingPasted);
    }
    std::vector<std::vector<double>> values(grid.size());
    for (int i = 0; i < rows; ++i) {
        for (int j = 0; j < columns; ++j) {
            const std::string& cell = grid[static_cast<std::size_t>(i)][static_cast<std::size_t>(j)];
            const auto value = ParseNumber(cell);
            if (!value) {
                const TableCell at{sel.top + i, sel.left + j};
                return Refused("Row " + std::to_string(i + 1) + ", column " + std::to_string(j + 1) +
                               " of the pasted text (for " + RowName(at.row) + ", " + ColumnName(at.column) +
                               ") is not a number: " + Quoted(cell) + "." + kNothingPasted);
            }
            values[static_cast<std::size_t>(i)].push_back(*value);
        }
    }
    std::vector<Target> targets;
    if (fill) {
        targets = MapSelection([&](TableCell c) { return ToModule(c, values[0][0]); });
    } else {
        for (int i = 0; i < rows; ++i)
            for (int j = 0; j < columns; ++j) {
                const TableCell c{sel.top + i, sel.left + j};
                targets.push_back({c, ToModule(c, values[static_cast<std::size_t>(i)][static_cast<std::size_t>(j)]), 0});
            }
    }
    return Execute("paste", targets);
}

std::string CTableEditor::ExportCsv(char separator) const {
    TableText::Grid grid;
    auto& header = grid.emplace_back();
    header.push_back("rpm");
    for (int c = 0; c < m_columns; ++c) header.push_back(FormatX(ColumnX(c)));
    for (int r = 0; r < RowCount(); ++r) {
        auto& line = grid.emplace_back();
        line.push_back(std::to_string(RowSpeed(r)));
        for (int c = 0; c < m_columns; ++c) line.push_back(FormatValue(Value({r, c})));
    }
    return TableText::Join(grid, separator);
}

TableEditResult CTableEditor::ImportCsv(std::string_view text) {
    const TableText::Grid grid = TableText::Split(text, TableText::DetectSeparator(text));
    if (grid.empty() || m_rows.empty()) return Refused(std::string("The table is empty.") + kNothingImported);
    const auto& header = grid.front();
    if (static_cast<int>(header.size()) != m_columns + 1)
        return Refused("The header line has " + std::to_string(static_cast<int>(header.size()) - 1) +
                       " x values; the table has " + std::to_string(m_columns) + " columns." + kNothingImported);
    const double halfStep = m_columns > 1 ? std::fabs(ColumnX(1) - ColumnX(0)) / 2 : 0.5;
    for (int c = 0; c < m_columns; ++c) {
        const std::string& cell = header[static_cast<std::size_t>(c) + 1];
        const auto x = ParseNumber(cell);
        if (!x || std::fabs(*x - ColumnX(c)) >= halfStep)
            return Refused("Column " + std::to_string(c + 1) + " of the header line is " + Quoted(cell) +
                           " where the table's x value is " + ColumnName(c) + "." + kNothingImported);
    }
    std::map<int, int> rowOfSpeed;
    for (int r = 0; r < RowCount(); ++r) rowOfSpeed[RowSpeed(r)] = r;
    std::vector<bool> seen(m_rows.size(), false);
    std::vector<Target> targets;
    for (std::size_t i = 1; i < grid.size(); ++i) {
        const auto& line = grid[i];
        const std::string where = "Line " + std::to_string(i + 1);
        if (std::all_of(line.begin(), line.end(), [](const std::string& s) {
                return s.find_first_not_of(" \t\r") == std::string::npos;
            }))
            continue;  // the empty lines spreadsheets leave at the end
        const auto speed = ParseNumber(line.front());
        const auto row = speed && *speed == std::floor(*speed) ? rowOfSpeed.find(static_cast<int>(*speed)) : rowOfSpeed.end();
        if (row == rowOfSpeed.end())
            return Refused(where + ": " + Quoted(line.front()) + " is not the speed of a row (" + RowName(0) + " to " +
                           RowName(RowCount() - 1) + ")." + kNothingImported);
        if (seen[static_cast<std::size_t>(row->second)])
            return Refused(where + ": the row " + RowName(row->second) + " is there twice." + kNothingImported);
        seen[static_cast<std::size_t>(row->second)] = true;
        if (static_cast<int>(line.size()) != m_columns + 1)
            return Refused(where + " (" + RowName(row->second) + ") has " + std::to_string(static_cast<int>(line.size()) - 1) +
                           " values; the table has " + std::to_string(m_columns) + " columns." + kNothingImported);
        for (int c = 0; c < m_columns; ++c) {
            const std::string& cell = line[static_cast<std::size_t>(c) + 1];
            const auto value = ParseNumber(cell);
            if (!value)
                return Refused(where + ", column " + std::to_string(c + 2) + " (" + RowName(row->second) + ", " +
                               ColumnName(c) + ") is not a number: " + Quoted(cell) + "." + kNothingImported);
            const TableCell cellAt{row->second, c};
            targets.push_back({cellAt, ToModule(cellAt, *value), 0});
        }
    }
    if (targets.empty()) return Refused(std::string("The table has no rows.") + kNothingImported);
    return Execute("import", targets);
}

}  // namespace corvane
