#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace corvane {

class CModuleMap;

// A speed-indexed family of the catalogue shown as one table: its rows are the maps
// "<prefix><n>Map", n = 256, 512 ... 8192, in that order (engine speed n - 256 down the table),
// its columns their points. A family name may stand for different classes in different
// product families ("timing": IGN<n>Map in one, IGNVSMAP<n>Map in another); a document holds
// at most one of them.
struct TableFamilyDef {
    std::string name;                        // the command-line name: "fuel"
    std::vector<std::string> classPrefixes;  // the row class patterns, tried in order
};

// One family as a document holds it.
struct TableFamily {
    const TableFamilyDef* def = nullptr;
    std::string classPrefix;   // the pattern the rows matched
    std::string title;         // the rows' title without its speed: "Fuelflow vs TPS"
    std::vector<int> rowMaps;  // indices into the document's maps array, in row order

    [[nodiscard]] const std::string& Name() const { return def->name; }
    [[nodiscard]] const std::string& Title() const { return title; }
};

// Where a map sits in a family's table.
struct TableFamilyPlace {
    TableFamily family;
    int row = 0;
};

class TableFamilies {
public:
    static constexpr int kRowCount = 32;
    static constexpr int kFirstClassNumber = 256;
    static constexpr int kClassNumberStep = 256;

    // Every family, in the order the selector and the command line list them.
    [[nodiscard]] static const std::vector<TableFamilyDef>& All();
    [[nodiscard]] static const TableFamilyDef* Find(std::string_view name);
    // The names, comma separated, for help texts.
    [[nodiscard]] static std::string NameList();

    // The class name of row `row` (0 ... kRowCount - 1) of a pattern.
    [[nodiscard]] static std::string RowClassName(const std::string& prefix, int row);

    // The families a maps array holds completely, every row present with the same points and
    // x axis as the first; in the order of All().
    [[nodiscard]] static std::vector<TableFamily> Present(const std::vector<CModuleMap*>& maps);
    // The named family of a maps array, if it holds it.
    [[nodiscard]] static std::optional<TableFamily> Resolve(const std::vector<CModuleMap*>& maps,
                                                            const TableFamilyDef& def);
    // The family and row of the map at index `mapIndex`, if it is a row of one.
    [[nodiscard]] static std::optional<TableFamilyPlace> PlaceOf(const std::vector<CModuleMap*>& maps,
                                                                 int mapIndex);
};

}  // namespace corvane
