#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace corvane {

class CModuleMap;
class EditHistory;

struct TableCell {
    int row = 0;
    int column = 0;
    bool operator==(const TableCell&) const = default;
};

// A rectangle of cells, both corners included.
struct TableRect {
    int top = 0;
    int left = 0;
    int bottom = -1;
    int right = -1;
    [[nodiscard]] bool IsEmpty() const { return bottom < top || right < left; }
    [[nodiscard]] int Rows() const { return IsEmpty() ? 0 : bottom - top + 1; }
    [[nodiscard]] int Columns() const { return IsEmpty() ? 0 : right - left + 1; }
    [[nodiscard]] bool Contains(TableCell c) const {
        return c.row >= top && c.row <= bottom && c.column >= left && c.column <= right;
    }
    bool operator==(const TableRect&) const = default;
};

// What an edit did.
struct TableEditResult {
    bool changed = false;
    int cellsChanged = 0;
    int cellsClamped = 0;  // cells asked for a value beyond their limits, which took the limit
    std::string message;   // a refused edit: why; nothing changed
    TableRect area;        // the cells that changed, as one rectangle
};

// The table of a speed-indexed family (rows: the family's maps in speed order; columns: their
// points) with its selection and its edits. It works on the maps themselves, through their own
// base edits: the same clamps as the curve editor (each value to its point's module range),
// the same undo copies of the curve (RestoreBlock gives back what a table edit replaced) and
// the same push (one block per row and run of changed cells, written to a linked module or
// marked not in sync). Every edit runs through Execute, which makes it one step of the
// document's edit history; undo and redo are the history's, through the same maps' pushes.
class CTableEditor {
public:
    // rows: the family's maps in row order, all with the same points (not owned).
    explicit CTableEditor(std::vector<CModuleMap*> rows);

    [[nodiscard]] int RowCount() const { return static_cast<int>(m_rows.size()); }
    [[nodiscard]] int ColumnCount() const { return m_columns; }
    [[nodiscard]] CModuleMap& RowMap(int row) const { return *m_rows[static_cast<std::size_t>(row)]; }
    [[nodiscard]] const std::vector<CModuleMap*>& Rows() const { return m_rows; }
    // The engine speed of a row as its map's title states it (rpm).
    [[nodiscard]] int RowSpeed(int row) const;
    [[nodiscard]] double ColumnX(int column) const;
    [[nodiscard]] double Value(TableCell cell) const;  // display units, what the module gets
    [[nodiscard]] int ModuleValue(TableCell cell) const;
    [[nodiscard]] bool InSync(TableCell cell) const;
    [[nodiscard]] bool IsValid(TableCell cell) const {
        return cell.row >= 0 && cell.row < RowCount() && cell.column >= 0 && cell.column < m_columns;
    }
    // Digits after the point that show one step of the values, and of the x values.
    [[nodiscard]] int ValueDecimals() const { return m_valueDecimals; }
    [[nodiscard]] int XDecimals() const { return m_xDecimals; }
    [[nodiscard]] std::string FormatValue(double value) const;
    [[nodiscard]] std::string FormatX(double x) const;
    // The lowest and highest value the cells may take (display units).
    [[nodiscard]] double LimitLow() const;
    [[nodiscard]] double LimitHigh() const;

    // --- Selection ------------------------------------------------------------------------------
    // The selection is the rectangle spanned by the anchor and the active cell.
    [[nodiscard]] TableCell Active() const { return m_active; }
    [[nodiscard]] TableCell Anchor() const { return m_anchor; }
    [[nodiscard]] TableRect Selection() const;
    // Makes `cell` (clamped) active; without `extend` the selection is that cell alone.
    void Select(TableCell cell, bool extend = false);
    void Move(int rows, int columns, bool extend = false);
    void SelectRows(int first, int last);
    void SelectColumns(int first, int last);
    void SelectAll();

    // --- Edits ----------------------------------------------------------------------------------
    // Each cell of the selection by this many module units (the curve's Up/Down).
    TableEditResult Step(int moduleDelta);
    TableEditResult SetValue(double display);
    // Each value times percent / 100 (110: ten percent more).
    TableEditResult MultiplyByPercent(double percent);
    TableEditResult AddOffset(double display);
    // Straight lines between the selection's left and right columns, row by row.
    TableEditResult InterpolateHorizontally();
    // Straight lines between the selection's top and bottom rows, column by column.
    TableEditResult InterpolateVertically();
    // The inside of the selection blended bilinearly from its four edges (which stay); with
    // straight edges it is the bilinear surface through the four corners.
    TableEditResult InterpolateBilinearly();
    // The inside of the selection, each cell the 1-2-1 weighted mean of its 3 x 3 neighbours;
    // the selection's edge cells stay as they are.
    TableEditResult Smooth();

    // Tab-separated text of the selection, one line per row.
    [[nodiscard]] std::string CopyText() const;
    // Tab-separated text into the table from the selection's top left cell (a single value
    // fills the whole selection). A block that does not fit or a cell that is not a number is
    // refused whole, the message naming its row and column.
    TableEditResult PasteText(std::string_view text);
    // A whole table as `corvane-cli table --csv` writes it: a header line of the x values,
    // then rows that start with their speed. Rows are found by their speed (any of them, in
    // any order); every x value must be there, in order. Refused whole on any fault.
    TableEditResult ImportCsv(std::string_view text);
    // The table as such a CSV text.
    [[nodiscard]] std::string ExportCsv(char separator = ',') const;

    // The selection takes what the same cells of another tune hold (base and trim): rows of the
    // same family of a document of the same product.
    TableEditResult TakeFrom(const std::vector<const CModuleMap*>& comparedRows);

    // --- History --------------------------------------------------------------------------------
    // The document's edit history: every edit that changes values becomes one step of it,
    // described as "<title> table: <what>". Without one, edits are made all the same.
    void SetHistory(EditHistory* history, std::string title) {
        m_history = history;
        m_title = std::move(title);
    }

    // --- Live position ---------------------------------------------------------------------------
    // Follow mode: while on and a live cell is known, every key first makes that cell active.
    void SetFollowMode(bool on) { m_followMode = on; }
    [[nodiscard]] bool FollowMode() const { return m_followMode; }
    void SetLiveCellSource(std::function<std::optional<TableCell>()> source) { m_liveSource = std::move(source); }
    // Moves to the live cell when following; true when the active cell changed.
    bool FollowLive();

private:
    struct Target {
        TableCell cell;
        int base = 0;  // module units, not yet clamped
        int trim = 0;
    };
    // A cell as an edit leaves it: base and trim in module units.
    struct CellState {
        TableCell cell;
        int base = 0;
        int trim = 0;
        bool operator==(const CellState&) const = default;
    };

    // The one entry point of every edit: the targets that change a cell are put in place as
    // one step of the history.
    TableEditResult Execute(const std::string& what, const std::vector<Target>& targets);
    // Base and trim of each cell, one block per row and run of neighbouring cells, pushed.
    void ApplyStates(const std::vector<CellState>& states);
    // A display value as the cell's module value (unclamped), as a typed value converts.
    [[nodiscard]] int ToModule(TableCell cell, double display) const;
    [[nodiscard]] CellState StateOf(TableCell cell) const;
    [[nodiscard]] int ComputeValueDecimals() const;
    [[nodiscard]] int ComputeXDecimals() const;
    [[nodiscard]] std::string RowName(int row) const;
    [[nodiscard]] std::string ColumnName(int column) const;
    // Targets for every cell of the selection from a function of its display value.
    template <typename Fn>
    std::vector<Target> MapSelection(Fn fn) const;
    [[nodiscard]] TableEditResult Refused(std::string message) const;

    std::vector<CModuleMap*> m_rows;
    int m_columns = 0;
    int m_valueDecimals = 2;
    int m_xDecimals = 1;
    TableCell m_active;
    TableCell m_anchor;
    EditHistory* m_history = nullptr;
    std::string m_title;
    bool m_followMode = false;
    std::function<std::optional<TableCell>()> m_liveSource;
};

}  // namespace corvane
