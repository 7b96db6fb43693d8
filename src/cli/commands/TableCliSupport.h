#pragma once

// What the two table commands share: the family option and the table editor over a document.

#include <memory>
#include <string>
#include <vector>

#include "cli/commands/CliDocSupport.h"
#include "maps/CModuleMap.h"
#include "maps/CTableEditor.h"
#include "maps/TableFamilies.h"

namespace corvane::cli {

inline std::string TableFamilyHelp() {
    return "Families: " + TableFamilies::NameList() +
           " (fuel, rear-trim and ignition in product family A, timing in families B and C).";
}

struct OpenedTable {
    TableFamily family;
    std::unique_ptr<CTableEditor> editor;
};

// The table of --family NAME in the document; a name the document has no table of is a usage
// error that lists the tables it has.
inline OpenedTable OpenTable(const CCorvaneMapsDoc& doc, const Args& args) {
    const auto name = args.Get("family");
    if (!name) throw UsageError{"--family NAME is required. " + TableFamilyHelp()};
    std::vector<CModuleMap*> maps;
    for (int i = 0; i < doc.GetMapCount(); ++i) maps.push_back(doc.GetMap(i));
    const TableFamilyDef* def = TableFamilies::Find(*name);
    std::optional<TableFamily> family = def ? TableFamilies::Resolve(maps, *def) : std::nullopt;
    if (!family) {
        std::string present;
        for (const auto& f : TableFamilies::Present(maps)) present += (present.empty() ? "" : ", ") + f.Name();
        throw UsageError{"no table " + *name + " in a product code " + std::to_string(doc.GetProductCode()) +
                         " document (its tables: " + present + ")"};
    }
    std::vector<CModuleMap*> rows;
    for (int index : family->rowMaps) rows.push_back(doc.GetMap(index));
    return {std::move(*family), std::make_unique<CTableEditor>(std::move(rows))};
}

}  // namespace corvane::cli
