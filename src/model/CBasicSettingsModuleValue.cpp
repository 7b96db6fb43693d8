#include "model/CBasicSettingsModuleValue.h"


#include "comms/api/Comms.h"
#include "model/NumberText.h"

namespace corvane {

namespace {

constexpr double kPlaceholderMax = 335.5392;  // shared range of the settings kept at 0x0004

const std::array<BasicSettingDef, kBasicSettingCount> kDefs = {{
    {"CEngineSize", "Engine Size", "", 2, false, 0x0400, 0x0400, 1340, 0, 65535, 0, 65535, 1, 0},
    {"CNumberOfCylinders", "Number Of Cylinders", "", 1, false, 0x0402, 0x0400, 2, 1, 16, 1, 16, 1, 0},
    {"CInjectorSize", "Injector Size", "", 2, false, 0x0403, 0x0400, 585, 0, 2048, 1, 65535, 2048.0 / 65535, 1},
    {"CNumberOfInjectors", "Number Of Injectors", "", 1, false, 0x0405, 0x0400, 2, 1, 16, 1, 16, 1, 0},
    {"CStoichAfr", "Stoich AFR", "", 2, false, 0x0406, 0x0400, 14.7, 0, 32, 0, 65535, 32.0 / 65535, 1},
    {"CFuelDensity", "Fuel Density", "", 2, false, 0x0408, 0x0400, 737, 0, 1536, 0, 65535, 1536.0 / 65535, 1},
    {"CRevLimit", "Rev Limit", "rpm", 1, false, 0x040A, 0x0400, 6144, 4000, 8000, 125, 250, 32, 0},
    {"CRevLimit2", "Rev Limit 2", "rpm", 1, false, 0x0416, 0x0400, 6144, 4000, 8000, 125, 250, 32, 0},
    {"CCrankSensorDelay", "Crank Sensor Delay", "", 1, false, 0x040B, 0x0400, 8, 0, 120, 0, 15, 8, 0},
    {"CCrankSensorSync", "Crank Sensor Sync", "", 1, true, 0x040C, 0x0400, 0, -15, 15, -15, 15, 1, 0},
    {"CIACHomePosition", "IAC Home Position", "", 1, false, 0x040D, 0x0400, 11.5, 0, 255, 0, 255, 1, 0},
    {"CIACStopOffset", "IAC Stop Offset", "Steps", 1, false, 0x0004, 0x0000, 0, -20, 20, 0, 40, 1, 0},
    {"CAccelFuel", "Accel Fuel", "", 2, false, 0x040E, 0x0400, 10, 0, 20.95, 0, 1023, 20.95 / 1023, 1},
    {"CTPSOffset", "TPS Offset", "", 1, false, 0x0410, 0x0400, 70, 0, 255, 0, 255, 1, 0},
    {"CSpeedoCal", "Speedo Cal", "", 2, false, 0x0414, 0x0400, 80, 0, 65535, 0, 65535, 1, 0},
    {"CShiftRPM", "Shift RPM", "rpm", 1, false, 0x0417, 0x0400, 6144, 4000, 8000, 125, 250, 32, 0},
    {"CAuthorizationLevel", "Authorization Level", "", 1, false, 0x0F14, 0x0F00, 0, 0, 1, 0, 1, 1, 0},
    {"CNumberOfCylindersRev1", "Number Of Cylinders/R1", "", 2, false, 0x0002, 0x0000, 0, 0, 45, 0, 45, 1, 0},
    {"CNumberOfInjectorsRev1", "Number Of Injectors/R1", "", 2, false, 0x0004, 0x0000, 0, 0, kPlaceholderMax, 0, 65535, 0.00512, 2},
    {"CCamSensorOffset", "Cam Sensor Offset", "", 1, false, 0x0004, 0x0000, 0, 0, kPlaceholderMax, 0, 65535, 0.00512, 2},
    {"CCamSensorSync", "Cam Sensor Sync", "", 1, true, 0x0004, 0x0000, 0, 0, kPlaceholderMax, 0, 65535, 0.00512, 2},
    {"CIgnitionMode", "Ignition Mode", "", 1, false, 0x0004, 0x0000, 0, 0, kPlaceholderMax, 0, 65535, 0.00512, 2},
    {"CIgnitionDelay", "Ignition Delay", "", 1, false, 0x0004, 0x0000, 0, 0, kPlaceholderMax, 0, 65535, 0.00512, 2},
    {"CRevLimitRate", "Rev Limit Rate", "", 1, false, 0x0004, 0x0000, 0, 0, kPlaceholderMax, 0, 65535, 0.00512, 2},
    {"CStartModeEnter", "Start Mode Enter", "", 1, true, 0x0004, 0x0000, 0, 0, kPlaceholderMax, 0, 65535, 0.00512, 2},
    {"CStartModeExit", "Start Mode Exit", "", 1, true, 0x0004, 0x0000, 0, 0, kPlaceholderMax, 0, 65535, 0.00512, 2},
    {"CIdleRpm", "Idle Rpm", "rpm", 1, false, 0x0004, 0x0000, 950, 400, 1536, 25, 96, 16, 0},
    {"CStartIgnRevsDelay", "Ignition Delay Revolutions", "Rev.", 1, false, 0x0418, 0x0400, 2, 0, 5, 0, 5, 1, 0},
    {"CMapSelectLock", "Map Select Lock", "On/Off", 1, false, 0x041A, 0x0400, 0, 0, 1, 0, 1, 1, 0},
}};

const std::array<int, kBasicSettingCount> kConstructionOrder = {
    0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23, 24, 25, 26, 11, 27, 28};

// Firmware from which the module knows the ignition delay revolutions.
constexpr int kStartIgnRevsDelayFirmware = 81;

}  // namespace

const std::array<BasicSettingDef, kBasicSettingCount>& BasicSettingDefs() { return kDefs; }
const std::array<int, kBasicSettingCount>& BasicSettingConstructionOrder() { return kConstructionOrder; }

CBasicSettingsModuleValue::CBasicSettingsModuleValue(const BasicSettingDef& def,
                                                     const DocumentContext* context)
    : ModuleValue(context), m_def(&def), m_name(def.name), m_unit(def.unit) {
    Initialize(def.address, def.areaStart, def.initialDisplay, def.displayMinimum,
               def.displayMaximum, def.moduleMinimum, def.moduleMaximum, def.resolution, 0.0, 0.0, 0);
    // The shown initial value is also the base, so a new document saved and opened again
    // shows what it showed before.
    SetBaseValue(GetModuleValue());
    m_baseDisplayValue = GetDisplayValue();
}

bool CBasicSettingsModuleValue::RequestFromModule(Comms& comms) const {
    return comms.ReadModuleMemoryBlock(GetAddress(), static_cast<std::uint16_t>(GetByteWidth()));
}

bool CBasicSettingsModuleValue::IsSupportedByFirmware(int moduleFirmwareVersion) const {
    if (m_def == &kDefs[kStartIgnRevsDelay]) return moduleFirmwareVersion >= kStartIgnRevsDelayFirmware;
    return true;
}

std::string FormatWithDisplayFormat(double value, int displayFormat) {
    // 0 … 3 decimals as the format says, 4 for any other format; never a negative zero.
    return FormatFixed(value, displayFormat >= 0 && displayFormat <= 3 ? displayFormat : 4);
}

std::string CBasicSettingsModuleValue::FormatValue() const {
    return " " + FormatFixed(GetDisplayValue(), 1);
}

std::string CBasicSettingsModuleValue::FormatDisplay() const {
    return FormatWithDisplayFormat(GetDisplayValue(), GetDisplayFormat());
}

std::vector<std::unique_ptr<CBasicSettingsModuleValue>> CreateBasicSettings(const DocumentContext* context) {
    std::vector<std::unique_ptr<CBasicSettingsModuleValue>> settings(kBasicSettingCount);
    for (int index : kConstructionOrder)
        settings[static_cast<std::size_t>(index)] =
            std::make_unique<CBasicSettingsModuleValue>(kDefs[static_cast<std::size_t>(index)], context);
    return settings;
}

int FindBasicSetting(const std::string& className) {
    for (std::size_t i = 0; i < kDefs.size(); ++i)
        if (className == kDefs[i].className) return static_cast<int>(i);
    return -1;
}

}  // namespace corvane
