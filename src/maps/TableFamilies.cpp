#include "maps/TableFamilies.h"

#include <unordered_map>

#include "maps/CModuleMap.h"

namespace corvane {

namespace {

// The families, as data: a new speed-indexed family is one line here. Built on first use, so
// that commands registering themselves at start-up may already ask for the names.
const std::vector<TableFamilyDef>& Families() {
    static const std::vector<TableFamilyDef> families = {
        {"fuel", {"Stoichiometric"}},
        {"rear-trim", {"RearTrimVsThrottle"}},
        {"ignition", {"IGNVSTHROTTLE"}},
        {"timing", {"IGN", "IGNVSMAP"}},
    };
    return families;
}

}  // namespace

const std::vector<TableFamilyDef>& TableFamilies::All() { return Families(); }

const TableFamilyDef* TableFamilies::Find(std::string_view name) {
    for (const auto& def : Families())
        if (def.name == name) return &def;
    return nullptr;
}

std::string TableFamilies::NameList() {
    std::string list;
    for (const auto& def : Families()) list += (list.empty() ? "" : ", ") + def.name;
    return list;
}

std::string TableFamilies::RowClassName(const std::string& prefix, int row) {
    return prefix + std::to_string(kFirstClassNumber + row * kClassNumberStep) + "Map";
}

std::optional<TableFamily> TableFamilies::Resolve(const std::vector<CModuleMap*>& maps, const TableFamilyDef& def) {
    std::unordered_map<std::string, int> byName;
    for (std::size_t i = 0; i < maps.size(); ++i)
        if (maps[i] != nullptr) byName.emplace(maps[i]->GetClassName(), static_cast<int>(i));
    for (const auto& prefix : def.classPrefixes) {
        TableFamily family{&def, prefix, {}, {}};
        for (int row = 0; row < kRowCount; ++row) {
            const auto it = byName.find(RowClassName(prefix, row));
            if (it == byName.end()) break;
            const CModuleMap& map = *maps[static_cast<std::size_t>(it->second)];
            // A table needs rows of one shape: the same points on the same x axis, none a
            // composite (which stands for rows rather than being one).
            if (map.IsComposite()) break;
            if (!family.rowMaps.empty()) {
                const CModuleMap& first = *maps[static_cast<std::size_t>(family.rowMaps.front())];
                if (map.GetNumberOfPoints() != first.GetNumberOfPoints() ||
                    map.GetDisplayMinimum().x != first.GetDisplayMinimum().x ||
                    map.GetDisplayMaximum().x != first.GetDisplayMaximum().x)
                    break;
            }
            family.rowMaps.push_back(it->second);
        }
        if (static_cast<int>(family.rowMaps.size()) != kRowCount) continue;
        // "Fuelflow vs TPS @ 0 rpm" names the family "Fuelflow vs TPS".
        family.title = maps[static_cast<std::size_t>(family.rowMaps.front())]->GetTitle();
        if (const auto at = family.title.rfind(" @ "); at != std::string::npos) family.title.resize(at);
        return family;
    }
    return std::nullopt;
}

std::vector<TableFamily> TableFamilies::Present(const std::vector<CModuleMap*>& maps) {
    std::vector<TableFamily> present;
    for (const auto& def : Families())
        if (auto family = Resolve(maps, def)) present.push_back(std::move(*family));
    return present;
}

std::optional<TableFamilyPlace> TableFamilies::PlaceOf(const std::vector<CModuleMap*>& maps, int mapIndex) {
    for (auto& family : Present(maps)) {
        for (int row = 0; row < static_cast<int>(family.rowMaps.size()); ++row)
            if (family.rowMaps[static_cast<std::size_t>(row)] == mapIndex) return TableFamilyPlace{std::move(family), row};
    }
    return std::nullopt;
}

}  // namespace corvane
