#include "documents/TuneDifferences.h"

#include <algorithm>

#include "documents/CCorvaneMapsDoc.h"
#include "maps/CModuleMap.h"

namespace corvane {

TuneDifferences CompareTunes(const CCorvaneMapsDoc& a, const CCorvaneMapsDoc& b) {
    TuneDifferences result;
    result.baseMapNameDiffers = a.GetBaseMapName() != b.GetBaseMapName();

    // Same family means the same counts; the minimum only guards against a caller that mixed
    // families, which would otherwise read past the smaller document.
    const int settings = std::min(a.GetSettingCount(), b.GetSettingCount());
    for (int i = 0; i < settings; ++i) {
        const CBasicSettingsModuleValue& sa = *a.GetSetting(i);
        const CBasicSettingsModuleValue& sb = *b.GetSetting(i);
        if (sa.GetBaseValue() == sb.GetBaseValue() && sa.GetTrimValue() == sb.GetTrimValue() &&
            sa.GetModuleValue() == sb.GetModuleValue())
            continue;
        result.settings.push_back({i, sa.GetDisplayValue(), sb.GetDisplayValue()});
    }

    const int maps = std::min(a.GetMapCount(), b.GetMapCount());
    for (int m = 0; m < maps; ++m) {
        const CModuleMap& ma = *a.GetMap(m);
        const CModuleMap& mb = *b.GetMap(m);
        const int points = std::min(ma.GetNumberOfPoints(), mb.GetNumberOfPoints());
        for (int i = 0; i < points; ++i) {
            const bool baseDiffers = ma.GetPointBaseValue(i) != mb.GetPointBaseValue(i);
            const bool trimDiffers = ma.GetPointTrimValue(i) != mb.GetPointTrimValue(i);
            if (!baseDiffers && !trimDiffers && ma.GetPointModuleValue(i) == mb.GetPointModuleValue(i)) continue;
            PointDifference d;
            d.mapIndex = m;
            d.point = i;
            d.x = ma.GetPointX(i);
            d.displayA = ma.GetPointDisplayValue(i);
            d.displayB = mb.GetPointDisplayValue(i);
            d.trimDiffers = trimDiffers;
            d.trimA = ma.GetPointTrimDisplayValue(i);
            d.trimB = mb.GetPointTrimDisplayValue(i);
            result.points.push_back(d);
        }
    }
    return result;
}

}  // namespace corvane
