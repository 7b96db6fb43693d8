#include "maps/CModuleMapComposite3.h"

namespace corvane {

CModuleMapComposite3::CModuleMapComposite3(const MapDescription& description,
                                           const DocumentContext* context, CModuleMapBasic* source,
                                           ValueFactory factory)
    : CModuleMapComposite(description, context, PairsOf(source, description.numberOfPoints),
                          std::move(factory)),
      m_source(source) {}

std::vector<CModuleMapComposite::SourceRun> CModuleMapComposite3::PairsOf(CModuleMapBasic* source,
                                                                          int points) {
    std::vector<SourceRun> runs;
    if (source == nullptr) return runs;
    for (int i = 0; i < points; ++i) runs.push_back({source, 2 * i, 2 * i + 1});
    return runs;
}

}  // namespace corvane
