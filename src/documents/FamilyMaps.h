#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "model/AppState.h"
#include "model/DocumentContext.h"

namespace corvane {

class CModuleMap;

// The maps of the running product family in document order: the basic maps, then the
// composites, each composite wired to the maps it stands on; points created. The family
// positions (first and last rear-cylinder trim map, first and last fuel map) come with them.
struct FamilyMaps {
    std::vector<std::unique_ptr<CModuleMap>> maps;
    int basicCount = 0;
    int compositeCount = 0;
    FamilyPositions positions;
};

[[nodiscard]] FamilyMaps BuildFamilyMaps(std::uint32_t productCode, const DocumentContext* context);

}  // namespace corvane
