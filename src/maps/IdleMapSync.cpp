#include "maps/IdleMapSync.h"

#include <cmath>

#include "maps/CModuleMap.h"
#include "model/ModuleValue.h"
#include "model/NumberText.h"

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
    if (m_idleMap == nullptr) return {};
    // What the map holds now: a READ or a load changes it without an edit.
    int low = 0;
    if (!m_idleMap->GetMapLowIdleRpm(low)) return {};
    const CModuleMapPoint* p = m_idleMap->GetMapPoint(0);
    const double rpm = m_idleRpmSetting != nullptr ? m_idleRpmSetting->ModuleToDisplay(low)
                       : p != nullptr             ? p->ModuleToDisplay(low)
                                                  : low;
    return " (Low Idle: " + FormatFixed(rpm, 0) + " Rpm)";
}

}  // namespace corvane
