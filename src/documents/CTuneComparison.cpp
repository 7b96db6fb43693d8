#include "documents/CTuneComparison.h"

#include "documents/CCorvaneMapsDoc.h"
#include "maps/CModuleMap.h"

namespace corvane {

CTuneComparison::CTuneComparison(CCorvaneMapsDoc& active, std::string path)
    : m_active(active), m_path(std::move(path)) {}

CTuneComparison::~CTuneComparison() = default;

CTuneComparison::OpenResult CTuneComparison::Open(CCorvaneMapsDoc& active, const std::string& path) {
    OpenResult result;
    std::unique_ptr<CTuneComparison> comparison(new CTuneComparison(active, path));
    // The compared tune is read as the active document's product; the application's own state
    // (load status, family positions) is not touched by a file that only stands beside it.
    comparison->m_app.productCode = active.GetProductCode();
    auto loaded = CCorvaneMapsDoc::Open(path, comparison->m_app);
    result.status = loaded.status;
    if (!loaded.document) {
        result.message = loaded.Message();
        if (loaded.status == kLoadWrongProduct) result.message = std::string(kOtherProductMessage) + "\n" + result.message;
        return result;
    }
    comparison->m_compared = std::move(loaded.document);
    result.comparison = std::move(comparison);
    return result;
}

const CModuleMap* CTuneComparison::ComparedMap(int index) const {
    if (index < 0 || index >= m_compared->GetMapCount()) return nullptr;
    return m_compared->GetMap(index);
}

TuneDifferences CTuneComparison::Differences() const {
    for (int i = 0; i < m_active.GetMapCount(); ++i)
        if (CModuleMap* map = m_active.GetMap(i); map != nullptr && map->IsComposite()) map->SyncFromRows();
    return CompareTunes(m_active, *m_compared);
}

}  // namespace corvane
