#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "model/ModuleValue.h"

namespace corvane {

class Comms;

inline constexpr int kBasicSettingCount = 29;

// Indices of the settings that other parts of the system single out.
enum BasicSettingIndex : int {
    kEngineSize = 0,
    kRevLimit = 6,
    kIACStopOffset = 11,
    kTPSOffset = 13,
    kAuthorizationLevel = 16,
    kIdleRpm = 26,
    kStartIgnRevsDelay = 27,
    kMapSelectLock = 28,
};

// One row of the settings catalogue.
struct BasicSettingDef {
    const char* className;
    const char* name;
    const char* unit;
    int width;  // 1 or 2 bytes
    bool isSigned;
    std::uint16_t address;
    std::uint16_t areaStart;
    double initialDisplay;
    double displayMinimum;
    double displayMaximum;
    int moduleMinimum;
    int moduleMaximum;
    double resolution;
    int displayFormat;  // 0 "%.0f", 1 "%.1f", 2 "%.2f", 3 "%.3f", other "%.4f"
};

// The catalogue in array (and file) order.
const std::array<BasicSettingDef, kBasicSettingCount>& BasicSettingDefs();
// Construction order: the idle speed and the idle air control stop offset come after
// CStartModeExit.
const std::array<int, kBasicSettingCount>& BasicSettingConstructionOrder();

// A basic setting: one of the module's single-number configuration entries. The byte width
// and sign of the word, byte and signed-byte variants are data of the catalogue row.
class CBasicSettingsModuleValue : public ModuleValue {
public:
    CBasicSettingsModuleValue(const BasicSettingDef& def, const DocumentContext* context);

    [[nodiscard]] int GetByteWidth() const override { return m_def->width; }
    [[nodiscard]] bool IsSigned() const override { return m_def->isSigned; }

    [[nodiscard]] const std::string& GetName() const { return m_name; }
    [[nodiscard]] const std::string& GetUnit() const { return m_unit; }
    [[nodiscard]] const char* GetClassName() const { return m_def->className; }
    [[nodiscard]] int GetDisplayFormat() const { return m_def->displayFormat; }
    [[nodiscard]] const BasicSettingDef& Def() const { return *m_def; }

    // Asks the comms library for the setting's bytes; the caller takes GetReceivedData.
    bool RequestFromModule(Comms& comms) const;
    // Whether the connected module's firmware has this setting.
    [[nodiscard]] bool IsSupportedByFirmware(int moduleFirmwareVersion) const;
    // The display value with " %.1f".
    [[nodiscard]] std::string FormatValue() const;
    // The display value in the setting's own display format.
    [[nodiscard]] std::string FormatDisplay() const;

private:
    const BasicSettingDef* m_def;
    std::string m_name;
    std::string m_unit;
};

// Formats a number with display format kind 0..4.
std::string FormatWithDisplayFormat(double value, int displayFormat);

// The 29 settings in index order, built in construction order. Each holds its initial value
// as module value and base, and has written it into the image.
std::vector<std::unique_ptr<CBasicSettingsModuleValue>> CreateBasicSettings(const DocumentContext* context);

// The index of the setting with that class name, or -1.
int FindBasicSetting(const std::string& className);

}  // namespace corvane
