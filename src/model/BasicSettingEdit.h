#pragma once

#include <optional>
#include <string>

namespace corvane {

class CBasicSettingsModuleValue;

// Texts of the settings view and its value entry dialog.
inline constexpr const char* kSettingNotInFirmware = "N/A Firmware";
inline constexpr const char* kFirmwareSpecificSetting =
    "This setting is 'FirmWare Version' specific and may NOT be available."
    "\n\nNOTE: A 'Link' must be made to a compatible"
    "\nmodule to allow edit of this Basic Setting.";
inline constexpr const char* kFirmwareSpecificTitle = "Firmware Version Specific Setting";
inline constexpr const char* kValueOutOfRange = "Value out of range.";
inline constexpr const char* kValidRangePrefix = "Valid Range = ";

// What the settings view shows under a setting's button: its display value in the setting's
// own format, or "N/A Firmware" when the linked module's firmware does not have it.
[[nodiscard]] std::string SettingValueText(const CBasicSettingsModuleValue& setting, int moduleFirmwareVersion);

// The value entry of one basic setting: which way the value is entered and, in scroll-bar mode,
// where the bar stands. The bar moves in whole display units by the setting's step; a range
// that would take more than kMostScrollSteps steps (or has no whole step at all) is typed in.
//
// Invariant: in scroll mode the position lies within [ScrollMinimum(), ScrollLimit()] and the
// value text is the position as a whole number.
class BasicSettingEdit {
public:
    enum class Mode { kScroll, kTyped };
    enum class Scroll { kLineLeft, kLineRight, kPageLeft, kPageRight, kThumb, kHome, kEnd };
    static constexpr double kMostScrollSteps = 32000.0;

    // Prepared from the setting: display range, step = display range ÷ module range truncated
    // toward zero, the setting's display format, its name, its display value as text.
    explicit BasicSettingEdit(const CBasicSettingsModuleValue& setting);
    BasicSettingEdit(std::string label, std::string valueText, double minimum, double maximum, int step,
                     int displayFormat, std::string unit = {});

    [[nodiscard]] Mode GetMode() const { return m_mode; }
    [[nodiscard]] const std::string& Label() const { return m_label; }
    // The setting's unit ("rpm"), shown beside the value; empty for plain numbers.
    [[nodiscard]] const std::string& Unit() const { return m_unit; }
    [[nodiscard]] const std::string& ValueText() const { return m_valueText; }
    // "Valid Range = 0.0 - 2048.0" (typed mode; empty in scroll mode).
    [[nodiscard]] const std::string& RangeText() const { return m_rangeText; }
    [[nodiscard]] double Minimum() const { return m_minimum; }
    [[nodiscard]] double Maximum() const { return m_maximum; }
    [[nodiscard]] int Step() const { return m_step; }
    [[nodiscard]] int DisplayFormat() const { return m_format; }

    // The bar: its range is minimum … maximum (truncated), one page is one step, and the
    // highest position it takes is maximum − page + 1.
    [[nodiscard]] int ScrollMinimum() const { return m_scrollMin; }
    [[nodiscard]] int ScrollMaximum() const { return m_scrollMax; }
    [[nodiscard]] int ScrollPage() const { return m_step; }
    [[nodiscard]] int ScrollLimit() const;
    [[nodiscard]] int Position() const { return m_position; }
    // Moves the bar (`thumb`: where the thumb was dragged to) and writes the new position into
    // the value text. Returns the position.
    int Move(Scroll action, int thumb = 0);

    // Typed mode: what the user typed.
    void SetValueText(std::string text) { m_valueText = std::move(text); }
    // OK: the value (in scroll mode the bar's position) must be a number within minimum …
    // maximum; false when it is not ("Value out of range.").
    [[nodiscard]] bool Accept() const;

private:
    void Open();
    void SetPosition(int position);

    std::string m_label;
    std::string m_unit;
    std::string m_valueText;
    std::string m_rangeText;
    double m_minimum = 0;
    double m_maximum = 0;
    int m_step = 0;
    int m_format = 0;
    Mode m_mode = Mode::kTyped;
    int m_scrollMin = 0;
    int m_scrollMax = 0;
    int m_position = 0;
};

}  // namespace corvane
