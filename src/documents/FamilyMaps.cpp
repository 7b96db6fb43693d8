#include "documents/FamilyMaps.h"

#include "maps/CMapCatalogue.h"

namespace corvane {

FamilyMaps BuildFamilyMaps(std::uint32_t productCode, const DocumentContext* context) {
    FamilyMaps result;
    const FamilyLayout layout = CMapCatalogue::ForProductCode(productCode);
    result.maps = CMapCatalogue::BuildFamily(productCode, context);
    result.compositeCount = 0;
    for (const auto& map : result.maps)
        if (map->IsComposite()) ++result.compositeCount;
    result.basicCount = static_cast<int>(result.maps.size()) - result.compositeCount;
    result.positions = layout.positions;
    return result;
}

}  // namespace corvane
