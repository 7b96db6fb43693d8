#include "maps/IdleMapSync.h"

#include <cmath>
#include <cstdio>

#include "maps/CModuleMap.h"
#include "model/ModuleValue.h"

namespace corvane {

IdleMapSync::IdleMapSync(const std::vector<CModuleMap*>& maps, ModuleValue* idleRpmSetting,
                         ModuleValue* iacStopOffsetSetting)
    : m_idleRpmSetting(idleRpmSetting), m_iacStopOffsetSetting(iacStopOffsetSetting) {
    for (CModuleMap* map : maps) {
        if (map == nullptr) continue;
        if (map->GetClassName() == kIdleMapName) m_idleMap = map;
        if (map->GetClassName() == kIacMapName) m_iacMap = map;
    }
}

bool IdleMapSync::UpdateSettingFromMap() {
    if (m_idleMap == nullptr) return false;
    int low = 0;
    if (!m_idleMap->GetMapLowIdleRpm(low)) return false;
    m_lowIdle = low;
    if (m_idleRpmSetting != nullptr) {
        m_idleRpmSetting->SetModuleValue(low);
        m_idleRpmSetting->SetBaseValue(low);
    }
    return true;
}

void IdleMapSync::OnMapEdited(const CModuleMap& map) {
    if (&map == m_idleMap) UpdateSettingFromMap();
}

void IdleMapSync::OnIdleRpmSettingChanged() {
    if (m_idleMap == nullptr || m_idleRpmSetting == nullptr) return;
    m_idleMap->SynchronizeIdleMap(m_idleRpmSetting->GetBaseValue());
    UpdateSettingFromMap();
}

void IdleMapSync::OnIacStopOffsetChanged() {
    if (m_iacMap == nullptr || m_iacStopOffsetSetting == nullptr) return;
    const int trim = static_cast<int>(std::trunc(m_iacStopOffsetSetting->GetDisplayValue()));
    m_iacMap->SetBlockTrim(0, m_iacMap->GetNumberOfPoints(), trim);
}

std::string IdleMapSync::LowIdleTitleSuffix() const {
    if (!m_lowIdle || m_idleMap == nullptr) return {};
    const CModuleMapPoint* p = m_idleMap->GetMapPoint(0);
    const double rpm = m_idleRpmSetting != nullptr ? m_idleRpmSetting->ModuleToDisplay(*m_lowIdle)
                       : p != nullptr             ? p->ModuleToDisplay(*m_lowIdle)
                                                  : *m_lowIdle;
    char text[64];
    std::snprintf(text, sizeof text, " (Low Idle: %.0f Rpm)", rpm);
    return text;
}

}  // namespace corvane
