#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "MapsFixture.h"
#include "comms/api/Rounding.h"
#include "maps/CTableEditor.h"
#include "maps/EditHistory.h"
#include "maps/EditHistorySubject.h"
#include "maps/TableFamilies.h"

namespace corvane::test {
namespace {

// The maps of a document of one product code and a table editor over one of its families.
// Its maps are what the edit history records (no settings, no name).
struct TableDoc : EditHistorySubject {
    explicit TableDoc(std::uint32_t productCode = 1, const char* family = "ignition") {
        context.image = &image;
        context.comms = &comms;
        context.link = &comms;
        context.prompter = &prompter;
        context.app = &app;
        context.modified = [this] {
            ++modifiedCount;
            modified = true;
            history.NoteModified();
        };
        app.productCode = productCode;
        owned = CMapCatalogue::BuildFamily(productCode, &context);
        for (auto& m : owned) maps.push_back(m.get());
        history.Checkpoint("new", true);
        Open(family);
    }
    int HistoryMapCount() const override { return static_cast<int>(maps.size()); }
    CModuleMapBasic* HistoryMap(int index) override { return dynamic_cast<CModuleMapBasic*>(maps[static_cast<std::size_t>(index)]); }
    int HistorySettingCount() const override { return 0; }
    ModuleValue* HistorySetting(int) override { return nullptr; }
    std::string HistoryName() const override { return {}; }
    void RestoreHistorySetting(int, const ValueState&) override {}
    void RestoreHistoryName(const std::string&) override {}
    bool HistoryModified() const override { return modified; }
    void SetHistoryModified(bool m) override { modified = m; }
    void Open(const char* family) {
        const auto resolved = TableFamilies::Resolve(maps, *TableFamilies::Find(family));
        EXPECT_TRUE(resolved.has_value()) << family;
        rows.clear();
        if (resolved)
            for (int index : resolved->rowMaps) rows.push_back(maps[static_cast<std::size_t>(index)]);
        editor = std::make_unique<CTableEditor>(rows);
        if (resolved) editor->SetHistory(&history, resolved->Title());
    }
    // Module value of a cell, set without a push (as a loaded file leaves it).
    void Put(int row, int column, int moduleValue) { rows[row]->GetMapPoint(column)->AssignBase(moduleValue); }
    int At(int row, int column) const { return rows[row]->GetPointModuleValue(column); }
    // Every cell of the table from a function of (row, column).
    template <typename Fn>
    void Fill(Fn fn) {
        for (int r = 0; r < editor->RowCount(); ++r)
            for (int c = 0; c < editor->ColumnCount(); ++c) Put(r, c, fn(r, c));
    }
    std::vector<std::vector<int>> Snapshot() const {
        std::vector<std::vector<int>> s;
        for (auto* row : rows) {
            auto& line = s.emplace_back();
            for (int c = 0; c < row->GetNumberOfPoints(); ++c) {
                line.push_back(row->GetPointBaseValue(c));
                line.push_back(row->GetPointTrimValue(c));
            }
        }
        return s;
    }
    void SelectRect(int top, int left, int bottom, int right) {
        editor->Select({top, left});
        editor->Select({bottom, right}, true);
    }

    CModuleMemoryMapMirror image;
    FakeComms comms;
    RecordingPrompter prompter;
    AppState app;
    DocumentContext context;
    int modifiedCount = 0;
    bool modified = false;
    std::vector<std::unique_ptr<CModuleMap>> owned;
    std::vector<CModuleMap*> maps;
    // After the maps it records (it looks at them when it is made).
    EditHistory history{*this, "new", true};
    std::vector<CModuleMap*> rows;
    std::unique_ptr<CTableEditor> editor;
};

struct Table : ::testing::Test, TableDoc {
    Table() = default;
    Table(std::uint32_t productCode, const char* family) : TableDoc(productCode, family) {}
};

struct FuelTable : Table {
    FuelTable() : Table(1, "fuel") {}
};

// --- Families ------------------------------------------------------------------------------------

TEST_F(Table, EachProductFamilyHoldsItsOwnTablesWithRowsInSpeedOrder) {
    auto names = [&](std::uint32_t code) {
        TableDoc t(code, code == 1 ? "fuel" : "timing");
        std::vector<std::string> found;
        for (const auto& f : TableFamilies::Present(t.maps))
            found.push_back(f.Name() + ":" + f.classPrefix + ":" + f.Title());
        return found;
    };
    EXPECT_EQ(names(1), (std::vector<std::string>{"fuel:Stoichiometric:Fuelflow vs TPS",
                                                   "rear-trim:RearTrimVsThrottle:Rear cyl trim vs TPS",
                                                   "ignition:IGNVSTHROTTLE:Timing vs TPS"}));
    EXPECT_EQ(names(2), (std::vector<std::string>{"timing:IGN:Timing"}));
    EXPECT_EQ(names(4), (std::vector<std::string>{"timing:IGNVSMAP:Timing vs MAP"}));

    ASSERT_EQ(editor->RowCount(), 32);
    EXPECT_EQ(editor->ColumnCount(), 64);
    for (int r = 0; r < 32; ++r) {
        EXPECT_EQ(editor->RowSpeed(r), 256 * r);
        // The speed of a row is the one its map's title states.
        EXPECT_NE(rows[r]->GetTitle().find("@ " + std::to_string(256 * r) + " rpm"), std::string::npos)
            << rows[r]->GetTitle();
    }
}

TEST_F(Table, AMapIsPlacedInItsFamilyRowAndOtherMapsInNone) {
    auto place = [&](const std::string& name) -> std::optional<TableFamilyPlace> {
        for (std::size_t i = 0; i < maps.size(); ++i)
            if (maps[i]->GetClassName() == name) return TableFamilies::PlaceOf(maps, static_cast<int>(i));
        ADD_FAILURE() << name;
        return std::nullopt;
    };
    const auto fuel = place("Stoichiometric2560Map");
    ASSERT_TRUE(fuel);
    EXPECT_EQ(fuel->family.Name(), "fuel");
    EXPECT_EQ(fuel->row, 9);
    EXPECT_EQ(place("RearTrimVsThrottle256Map")->row, 0);
    EXPECT_FALSE(place("CrankMap"));
    EXPECT_FALSE(place("IgnVsRpmMap")) << "a composite stands for rows, it is not one";
}

// --- Stepping, setting and the push ----------------------------------------------------------

TEST_F(Table, StepMovesEveryCellOfTheSelectionAndClampsAtTheLimitAsTheCurveDoes) {
    Fill([](int, int) { return 20; });
    Put(3, 5, 45);  // at the module maximum
    SelectRect(2, 4, 3, 6);
    const auto result = editor->Step(1);
    EXPECT_TRUE(result.changed);
    EXPECT_EQ(result.cellsChanged, 5);
    EXPECT_EQ(result.cellsClamped, 1);
    EXPECT_EQ(At(3, 5), 45);
    EXPECT_EQ(At(2, 4), 21);
    EXPECT_EQ(At(3, 6), 21);
    EXPECT_EQ(At(1, 4), 20) << "outside the selection";
    EXPECT_EQ(At(2, 7), 20) << "outside the selection";
    EXPECT_EQ(result.area, (TableRect{2, 4, 3, 6}));
    editor->Step(-10);
    EXPECT_EQ(At(2, 4), 11);
    EXPECT_EQ(At(3, 5), 35);
}

TEST_F(Table, AnEditWritesOneBlockPerRowRunToALinkedModuleAndMarksTheCellsInSync) {
    comms.linked = true;
    Fill([](int, int) { return 10; });
    SelectRect(0, 0, 2, 63);
    editor->SetValue(12.0);
    ASSERT_EQ(comms.writes.size(), 3u) << "one block per row, not one write per cell";
    EXPECT_EQ(comms.writes[0].address, rows[0]->GetStartAddress());
    EXPECT_EQ(comms.writes[0].bytes, std::vector<std::uint8_t>(64, 12));
    EXPECT_TRUE(editor->InSync({1, 30}));
    EXPECT_GT(modifiedCount, 0);
}

TEST_F(Table, WithoutALinkNothingIsWrittenAndOnlyChangedCellsLoseTheirInSyncMark) {
    Fill([](int, int) { return 10; });
    for (int c = 0; c < 64; ++c) rows[0]->MarkPointInSync(c);
    Put(0, 11, 11);  // already what is set below
    rows[0]->MarkPointInSync(11);
    SelectRect(0, 10, 0, 12);
    editor->SetValue(11.0);
    EXPECT_TRUE(comms.writes.empty());
    EXPECT_FALSE(editor->InSync({0, 10}));
    EXPECT_TRUE(editor->InSync({0, 11})) << "a cell the edit did not change keeps its mark";
    EXPECT_FALSE(editor->InSync({0, 12}));
    EXPECT_TRUE(editor->InSync({0, 9}));
}

TEST_F(FuelTable, TypedValuesConvertAndClampToEachCellsModuleRange) {
    SelectRect(0, 0, 0, 1);
    auto result = editor->SetValue(12.0);
    EXPECT_EQ(At(0, 0), RoundToInteger(12.0 * 1023 / 20.95104));
    EXPECT_EQ(result.cellsClamped, 0);
    result = editor->SetValue(25.0);
    EXPECT_EQ(At(0, 1), 1023);
    EXPECT_EQ(result.cellsClamped, 2);
    result = editor->SetValue(-1.0);
    EXPECT_EQ(At(0, 0), 0);
    EXPECT_FALSE(editor->SetValue(std::nan("")).changed);
}

TEST_F(Table, MultiplyAndOffsetWorkOnDisplayValues) {
    Fill([](int, int) { return 20; });
    SelectRect(0, 0, 0, 0);
    editor->MultiplyByPercent(110);
    EXPECT_EQ(At(0, 0), 22);
    editor->AddOffset(-2.4);  // 19.6 rounds to 20
    EXPECT_EQ(At(0, 0), 20);
    editor->MultiplyByPercent(1000);
    EXPECT_EQ(At(0, 0), 45) << "clamped to the range";
}

TEST(TableRearTrim, PercentOfANegativeTrimGrowsAwayFromZero) {
    TableDoc t(1, "rear-trim");
    // Module 102 shows -50 + 102 * 99.6 / 255 = -10.16 %.
    t.Put(0, 0, 102);
    t.editor->Select({0, 0});
    t.editor->MultiplyByPercent(200);
    EXPECT_NEAR(t.editor->Value({0, 0}), -20.3, 0.2);
}

// --- Interpolation and smoothing -----------------------------------------------------------------

TEST_F(Table, HorizontalAndVerticalInterpolationDrawLinesBetweenTheSelectionsEdges) {
    Fill([](int r, int c) { return (r * 7 + c * 3) % 40; });
    Put(1, 2, 10);
    Put(1, 6, 30);
    Put(2, 2, 40);
    Put(2, 6, 0);
    SelectRect(1, 2, 2, 6);
    editor->InterpolateHorizontally();
    EXPECT_EQ((std::vector<int>{At(1, 2), At(1, 3), At(1, 4), At(1, 5), At(1, 6)}), (std::vector<int>{10, 15, 20, 25, 30}));
    EXPECT_EQ((std::vector<int>{At(2, 2), At(2, 3), At(2, 4), At(2, 5), At(2, 6)}), (std::vector<int>{40, 30, 20, 10, 0}));

    Put(4, 9, 1);
    Put(8, 9, 41);
    SelectRect(4, 9, 8, 9);
    editor->InterpolateVertically();
    EXPECT_EQ((std::vector<int>{At(4, 9), At(5, 9), At(6, 9), At(7, 9), At(8, 9)}), (std::vector<int>{1, 11, 21, 31, 41}));
}

TEST_F(Table, InterpolationNeedsThreeCellsAcrossAndOtherwiseChangesNothing) {
    Fill([](int, int) { return 5; });
    const auto before = Snapshot();
    SelectRect(0, 0, 5, 1);
    EXPECT_FALSE(editor->InterpolateHorizontally().message.empty());
    SelectRect(0, 0, 1, 5);
    EXPECT_FALSE(editor->InterpolateVertically().message.empty());
    EXPECT_FALSE(editor->InterpolateBilinearly().message.empty());
    EXPECT_FALSE(editor->Smooth().message.empty());
    EXPECT_EQ(Snapshot(), before);
    EXPECT_EQ(modifiedCount, 0);
}

TEST_F(Table, BilinearInterpolationFillsTheInsideFromAllFourEdgesAndKeepsThem) {
    Fill([](int, int) { return 0; });
    // Corners of a plane 4 + 2r + 3c over rows 0..4 and columns 0..4 ...
    for (int r = 0; r <= 4; ++r)
        for (int c = 0; c <= 4; ++c)
            if (r == 0 || r == 4 || c == 0 || c == 4) Put(r, c, 4 + 2 * r + 3 * c);
    // ... with a bump on the top edge, which must show inside, fading downwards.
    Put(0, 2, 30);
    SelectRect(0, 0, 4, 4);
    editor->InterpolateBilinearly();
    EXPECT_EQ(At(0, 2), 30) << "edges stay";
    EXPECT_EQ(At(4, 4), 24);
    EXPECT_EQ(At(2, 1), 4 + 4 + 3) << "away from the bump the plane";
    EXPECT_EQ(At(2, 3), 4 + 4 + 9);
    // Column 2 carries the bump of 20 (30 against the plane's 10) down to nothing at row 4.
    EXPECT_EQ(At(1, 2), 4 + 2 + 6 + 15);
    EXPECT_EQ(At(2, 2), 4 + 4 + 6 + 10);
    EXPECT_EQ(At(3, 2), 4 + 6 + 6 + 5);

    // The same with a bump of 20 on the left edge instead: it fades to the right, row by row.
    for (int r = 0; r <= 4; ++r)
        for (int c = 0; c <= 4; ++c) Put(r, c, (r == 0 || r == 4 || c == 0 || c == 4) ? 4 + 2 * r + 3 * c : 0);
    Put(2, 0, 8 + 20);
    editor->InterpolateBilinearly();
    EXPECT_EQ(At(2, 0), 28) << "edges stay";
    EXPECT_EQ(At(2, 1), 4 + 4 + 3 + 15);
    EXPECT_EQ(At(2, 2), 4 + 4 + 6 + 10);
    EXPECT_EQ(At(2, 3), 4 + 4 + 9 + 5);
    EXPECT_EQ(At(1, 2), 4 + 2 + 6) << "other rows keep the plane";

    // A single row is interpolated across, a single column down.
    Put(10, 0, 0);
    Put(10, 4, 40);
    SelectRect(10, 0, 10, 4);
    editor->InterpolateBilinearly();
    EXPECT_EQ(At(10, 2), 20);
}

TEST_F(Table, SmoothingTakesTheWeightedMeanOfTheOldValuesAndKeepsTheSelectionsEdge) {
    Fill([](int, int) { return 16; });
    Put(2, 2, 32);
    Put(2, 3, 32);
    SelectRect(0, 0, 4, 5);
    editor->Smooth();
    // Centre (2,2): 4*32 + 2*32 (right neighbour) + 10 * 16 others = 352 / 16 = 22.
    EXPECT_EQ(At(2, 2), 22);
    EXPECT_EQ(At(2, 3), 22) << "read from the old values, not from the smoothed (2,2)";
    // (1,2): 2*32 (below) + 1*32 (below right) + 13 * 16 = 304 / 16 = 19.
    EXPECT_EQ(At(1, 2), 19);
    EXPECT_EQ(At(0, 2), 16) << "the top edge stays";
    EXPECT_EQ(At(2, 5), 16) << "the right edge stays";
    EXPECT_EQ(At(2, 6), 16) << "outside the selection";
}

// --- Undo, the history and the curve -----------------------------------------------------------

TEST_F(Table, EachEditIsOneHistoryStepUndoneAndRedoneThroughThePush) {
    Fill([](int, int) { return 20; });
    rows[1]->StepPointTrimByModuleUnits(3, 4);  // a user trim on one cell
    ASSERT_EQ(rows[1]->GetPointTrimValue(3), 4);
    history.Checkpoint("loaded", true);
    const auto before = Snapshot();
    comms.linked = true;
    SelectRect(0, 0, 2, 5);
    editor->SetValue(30);
    const auto after = Snapshot();
    EXPECT_EQ(rows[1]->GetPointTrimValue(3), 0) << "a base edit clears the trim, as on the curve";
    ASSERT_EQ(history.StepCount(), 1u) << "18 cells in three maps, one step";
    EXPECT_EQ(history.Description(0), "Timing vs TPS table: set cells");
    editor->Step(0);  // changes nothing: no step
    editor->SetValue(30);
    EXPECT_EQ(history.StepCount(), 1u);
    comms.writes.clear();

    ASSERT_TRUE(history.Undo());
    EXPECT_EQ(Snapshot(), before);
    EXPECT_FALSE(comms.writes.empty()) << "undo reaches the module as the edit did";
    for (int c = 0; c < 6; ++c) EXPECT_EQ(comms.memory[rows[0]->GetStartAddress() + c], 20);
    EXPECT_EQ(comms.memory[rows[1]->GetStartAddress() + 3], 24);
    EXPECT_FALSE(modified) << "back at the loaded values";

    ASSERT_TRUE(history.Redo());
    EXPECT_EQ(Snapshot(), after);
    EXPECT_TRUE(modified);
}

TEST_F(Table, TableAndCurveEditsShareOneHistoryInTheOrderTheyWereMade) {
    Fill([](int r, int c) { return (r * 5 + c * c) % 13; });
    history.Checkpoint("loaded", true);
    const auto start = Snapshot();
    SelectRect(0, 0, 4, 4);
    editor->Smooth();
    const auto smoothed = Snapshot();
    {
        auto step = history.Begin("curve");
        rows[2]->StepPointByModuleUnits(2, 5);  // the curve view, on a smoothed cell
    }
    ASSERT_EQ(history.StepCount(), 2u);
    EXPECT_EQ(history.Description(0), "Timing vs TPS table: smooth");
    ASSERT_TRUE(history.Undo());
    EXPECT_EQ(Snapshot(), smoothed) << "the curve's edit goes first";
    ASSERT_TRUE(history.Undo());
    EXPECT_EQ(Snapshot(), start);
}

TEST_F(Table, TheCurvesRestoreGivesBackWhatATableEditReplaced) {
    Fill([](int, int) { return 20; });
    SelectRect(5, 0, 5, 63);
    editor->SetValue(33);
    rows[5]->RestoreBlock(0, 63);
    for (int c = 0; c < 64; ++c) ASSERT_EQ(At(5, c), 20);
}

// --- Spreadsheet text ----------------------------------------------------------------------------

TEST_F(FuelTable, CopiedCellsPasteBackToTheSameModuleValuesElsewhere) {
    Fill([](int r, int c) { return (r * 37 + c * 11) % 1024; });
    SelectRect(3, 7, 5, 12);
    const std::string text = editor->CopyText();
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 3);
    editor->Select({20, 40});
    ASSERT_TRUE(editor->PasteText(text).changed);
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 6; ++c) EXPECT_EQ(At(20 + r, 40 + c), At(3 + r, 7 + c)) << r << "," << c;
    EXPECT_EQ(editor->Selection(), (TableRect{20, 40, 20, 40})) << "the selection stays";
}

TEST_F(Table, ASinglePastedValueFillsTheSelection) {
    SelectRect(1, 1, 3, 4);
    EXPECT_EQ(editor->PasteText("17\r\n").cellsChanged, 12);
    EXPECT_EQ(At(3, 4), 17);
    EXPECT_EQ(At(0, 0), 0);
}

TEST_F(Table, APasteThatDoesNotFitOrHoldsNoNumberIsRefusedWholeNamingRowAndColumn) {
    Fill([](int, int) { return 7; });
    const auto before = Snapshot();
    editor->Select({30, 0});
    auto result = editor->PasteText("1\t2\n3\t4\n5\t6\n");
    EXPECT_FALSE(result.changed);
    EXPECT_EQ(result.message, "The pasted block does not fit: its row 3 would fall below the last row (7936 rpm). "
                              "Nothing was pasted.");
    editor->Select({0, 62});
    result = editor->PasteText("1\t2\t3\n");
    EXPECT_NE(result.message.find("its column 3 would fall beyond the last column (88.7 deg)"), std::string::npos)
        << result.message;
    editor->Select({2, 0});
    result = editor->PasteText("1\t2\n3\tx7\n");
    EXPECT_EQ(result.message, "Row 2, column 2 of the pasted text (for 768 rpm, 1.4 deg) is not a number: \"x7\". "
                              "Nothing was pasted.");
    result = editor->PasteText("1\t2\n3\n");
    EXPECT_EQ(result.message, "Row 2 of the pasted text has 1 cells where row 1 has 2. Nothing was pasted.");
    EXPECT_FALSE(editor->PasteText("1\t\n").changed) << "an empty cell is no number";
    EXPECT_FALSE(editor->PasteText("12,5").changed) << "no decimal comma guessed";
    EXPECT_FALSE(editor->PasteText("").changed);
    EXPECT_EQ(Snapshot(), before);
    EXPECT_EQ(modifiedCount, 0);
    EXPECT_EQ(history.StepCount(), 0u);
}

TEST(TableCsv, EveryFamilyExportsAndImportsBackToTheSameModuleValues) {
    const std::pair<std::uint32_t, const char*> cases[] = {{1, "fuel"}, {1, "rear-trim"}, {1, "ignition"},
                                                           {2, "timing"}, {4, "timing"}};
    for (const auto& [code, family] : cases) {
        TableDoc source(code, family);
        source.Fill([&](int r, int c) { return (r * 131 + c * 17) % (source.rows[0]->GetModuleMaximum().y + 1); });
        const std::string csv = source.editor->ExportCsv();
        TableDoc target(code, family);
        const auto result = target.editor->ImportCsv(csv);
        EXPECT_TRUE(result.message.empty()) << family << ": " << result.message;
        EXPECT_EQ(target.Snapshot(), source.Snapshot()) << family << " of product " << code;
    }
}

TEST_F(FuelTable, ImportTakesRowsByTheirSpeedAndRefusesAFaultyFileWhole) {
    Fill([](int, int) { return 100; });
    const std::string header = editor->ExportCsv().substr(0, editor->ExportCsv().find('\n') + 1);
    std::string line = "2304";
    for (int c = 0; c < 64; ++c) line += c == 5 ? ",3.00" : ",2.048";
    EXPECT_TRUE(editor->ImportCsv(header + line + "\n,,\n").changed);
    EXPECT_EQ(At(9, 5), RoundToInteger(3.0 / 0.02048));
    EXPECT_EQ(At(9, 6), 100);
    EXPECT_EQ(At(8, 5), 100) << "rows not in the file stay";

    const auto before = Snapshot();
    auto refused = [&](const std::string& text) {
        const auto result = editor->ImportCsv(text);
        EXPECT_FALSE(result.changed);
        EXPECT_EQ(Snapshot(), before);
        return result.message;
    };
    EXPECT_EQ(refused(header + "2300" + line.substr(4) + "\n"),
              "Line 2: \"2300\" is not the speed of a row (0 rpm to 7936 rpm). Nothing was imported.");
    EXPECT_EQ(refused(header + line + "\n" + line + "\n"), "Line 3: the row 2304 rpm is there twice. Nothing was imported.");
    std::string bad = line;
    bad.replace(bad.find(",3.00"), 5, ",abc");
    EXPECT_EQ(refused(header + bad + "\n"),
              "Line 2, column 7 (2304 rpm, 7.0 deg) is not a number: \"abc\". Nothing was imported.");
    EXPECT_NE(refused(header + "2304,1,2\n").find("has 2 values; the table has 64 columns"), std::string::npos);
    // One item over the table's size is as wrong as one short: the file is for another table.
    EXPECT_NE(refused(header + line + ",2.048\n").find("has 65 values; the table has 64 columns"), std::string::npos);
    const std::string wideHeader = header.substr(0, header.size() - 1) + ",90.0\n";
    EXPECT_EQ(refused(wideHeader + line + ",2.048\n"),
              "The header line has 65 x values; the table has 64 columns. Nothing was imported.");
    std::string shifted = header;
    shifted.replace(shifted.find(",1.4,"), 5, ",2.8,");
    EXPECT_NE(refused(shifted + line + "\n").find("Column 2 of the header line is \"2.8\""), std::string::npos);
    EXPECT_FALSE(refused(header).empty()) << "a header alone holds no rows";
}

// --- Comparing, following -------------------------------------------------------------------------

TEST_F(Table, TakeFromCopiesBaseAndTrimOfTheSelectedCellsOnly) {
    TableDoc other;
    other.Fill([](int, int) { return 30; });
    other.rows[2]->StepPointTrimByModuleUnits(2, -3);
    Fill([](int, int) { return 10; });
    std::vector<const CModuleMap*> compared(other.rows.begin(), other.rows.end());
    SelectRect(1, 1, 2, 2);
    EXPECT_EQ(editor->TakeFrom(compared).cellsChanged, 4);
    EXPECT_EQ(rows[2]->GetPointBaseValue(2), 30);
    EXPECT_EQ(rows[2]->GetPointTrimValue(2), -3);
    EXPECT_EQ(At(2, 2), 27);
    EXPECT_EQ(At(1, 1), 30);
    EXPECT_EQ(At(0, 1), 10);
    EXPECT_EQ(At(1, 3), 10);
}

TEST_F(Table, SelectionSpansAnchorAndActiveCellAndFollowModeJumpsToTheLiveCell) {
    editor->Select({4, 4});
    editor->Move(2, -1, true);
    EXPECT_EQ(editor->Selection(), (TableRect{4, 3, 6, 4}));
    editor->Move(100, 100);
    EXPECT_EQ(editor->Active(), (TableCell{31, 63}));
    editor->SelectRows(3, 1);
    EXPECT_EQ(editor->Selection(), (TableRect{1, 0, 3, 63}));
    editor->SelectColumns(7, 7);
    EXPECT_EQ(editor->Selection(), (TableRect{0, 7, 31, 7}));

    std::optional<TableCell> live;
    editor->SetLiveCellSource([&] { return live; });
    EXPECT_FALSE(editor->FollowLive()) << "follow mode is off";
    editor->SetFollowMode(true);
    EXPECT_FALSE(editor->FollowLive()) << "no live cell";
    live = TableCell{9, 20};
    EXPECT_TRUE(editor->FollowLive());
    EXPECT_EQ(editor->Selection(), (TableRect{9, 20, 9, 20}));
}

}  // namespace
}  // namespace corvane::test
