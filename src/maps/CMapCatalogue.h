#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "maps/CModuleMapBasic.h"
#include "maps/CModuleMapComposite.h"
#include "maps/MapDescription.h"
#include "model/AppState.h"

namespace corvane {

// A composite of a product family and the maps it stands on, by class name, in row order.
struct CompositeLayout {
    std::string className;
    std::vector<std::string> sourceClassNames;
};

// The maps a document of one product family holds, in the order of its maps array: basic
// maps first, then composites; and the array positions the quick AFR keys depend on.
struct FamilyLayout {
    char family = 0;  // 'A', 'B', 'C'; 0 for an unknown product code
    std::vector<std::string> basicClassNames;
    std::vector<CompositeLayout> composites;
    FamilyPositions positions;
    bool hasWarrantyValues = false;
};

// The catalogue of every tuning map class: one table of descriptions (the speed-indexed and
// sensor families generated from their patterns, the single maps listed once) read by the
// generic map classes.
class CMapCatalogue {
public:
    // Every class in catalogue order (258 basic maps and 3 composites).
    [[nodiscard]] static const std::vector<MapDescription>& Descriptions();
    [[nodiscard]] static const MapDescription* Find(std::string_view className);
    [[nodiscard]] static std::vector<std::string> ClassNames();

    // A basic map of the class; null for an unknown name or a composite. Points are not
    // created yet (CreateMapPoints).
    [[nodiscard]] static std::unique_ptr<CModuleMapBasic> CreateMap(std::string_view className,
                                                                    const DocumentContext* context);
    // A composite over the given maps (rows for IgnVsRpmMap, one source map for the others);
    // null for an unknown name or missing sources.
    [[nodiscard]] static std::unique_ptr<CModuleMapComposite> CreateComposite(
        std::string_view className, const DocumentContext* context,
        const std::vector<CModuleMapBasic*>& sources);

    // The family of a product code: A for 1 and 128, B for 2, 8 and 64, C for 4 and 256.
    [[nodiscard]] static FamilyLayout ForProductCode(std::uint32_t productCode);

    // Builds every map of the family in array order, composites wired to their sources, and
    // creates their points (sources before composites).
    [[nodiscard]] static std::vector<std::unique_ptr<CModuleMap>> BuildFamily(
        std::uint32_t productCode, const DocumentContext* context);
};

}  // namespace corvane
