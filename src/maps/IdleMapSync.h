#pragma once

#include <optional>
#include <string>
#include <vector>

namespace corvane {

class CModuleMap;
class ModuleValue;

// Keeps the idle speed map and the idle speed setting of one document in step, both ways,
// and passes the IAC stop offset setting on as the trim of the idle air control map. In a
// product family without these maps every operation does nothing.
class IdleMapSync {
public:
    static constexpr const char* kIdleMapName = "IDLEVSTEMPMap";
    static constexpr const char* kIacMapName = "IACVSTEMPMap";

    // The maps of the document (not owned) and its idle speed and IAC stop offset settings
    // (not owned; null when the document has none).
    IdleMapSync(const std::vector<CModuleMap*>& maps, ModuleValue* idleRpmSetting,
                ModuleValue* iacStopOffsetSetting);

    [[nodiscard]] CModuleMap* IdleMap() const { return m_idleMap; }
    [[nodiscard]] CModuleMap* IacMap() const { return m_iacMap; }

    // After the idle map was edited, or when the settings view asks: the setting takes the
    // map's lowest idle speed (base and module value), which is remembered. False without an
    // idle map.
    bool UpdateSettingFromMap();
    // After any map edit: updates the setting when the edited map is the idle map.
    void OnMapEdited(const CModuleMap& map);
    // After the idle speed setting changed: the whole idle curve moves so that its lowest
    // point equals the setting.
    void OnIdleRpmSettingChanged();
    // After the IAC stop offset setting changed: every point of the idle air control map
    // takes the setting's display value (truncated) as its trim.
    void OnIacStopOffsetChanged();

    // The lowest idle speed last read from the map, module units; none before the first read.
    [[nodiscard]] std::optional<int> RememberedLowIdleRpm() const { return m_lowIdle; }
    // " (Low Idle: 950 Rpm)" for the idle map's title, from the lowest idle speed the map holds
    // now in the setting's display units; empty without an idle map.
    [[nodiscard]] std::string LowIdleTitleSuffix() const;

private:
    CModuleMap* m_idleMap = nullptr;
    CModuleMap* m_iacMap = nullptr;
    ModuleValue* m_idleRpmSetting;
    ModuleValue* m_iacStopOffsetSetting;
    std::optional<int> m_lowIdle;
};

}  // namespace corvane
