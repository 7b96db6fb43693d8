#pragma once

#include "maps/CModuleMapComposite.h"

namespace corvane {

// A half-resolution view of one 64-point map: point i stands for source points 2i and 2i+1.
class CModuleMapComposite3 : public CModuleMapComposite {
public:
    CModuleMapComposite3(const MapDescription& description, const DocumentContext* context,
                         CModuleMapBasic* source, ValueFactory factory = {});

    [[nodiscard]] CModuleMapBasic* GetSourceMap() const { return m_source; }

private:
    static std::vector<SourceRun> PairsOf(CModuleMapBasic* source, int points);

    CModuleMapBasic* m_source;
};

}  // namespace corvane
