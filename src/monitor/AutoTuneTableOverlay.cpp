#include "monitor/AutoTuneTableOverlay.h"

#include <algorithm>

#include "monitor/CAutoTuneCollector.h"
#include "monitor/ModuleMapTarget.h"

namespace corvane {

CTableOverlay AutoTuneTableOverlay(const CAutoTuneCollector& collector, const std::vector<CModuleMap*>& rows) {
    CTableOverlay overlay;
    for (const CFuelingDataItem& record : collector.Records()) {
        const auto* target = dynamic_cast<const ModuleMapTarget*>(collector.TargetOfRecord(record));
        if (target == nullptr) continue;
        const auto row = std::find(rows.begin(), rows.end(), &target->Map());
        if (row == rows.end() || record.site < 0 || record.site >= target->NumberOfPoints()) continue;
        const double percent = collector.CorrectionPercent(record);
        overlay.Set({static_cast<int>(row - rows.begin()), record.site}, percent,
                    percent >= 0 ? CTableOverlay::kRicherColour : CTableOverlay::kLeanerColour);
    }
    return overlay;
}

}  // namespace corvane
