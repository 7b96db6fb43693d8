#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace corvane {

class CBasicSettingsModuleValue;
class CLinkController;
class LinkDocument;

// The module holds the basic settings in 4-byte blocks; this moves settings between a
// document and a linked module. Every write is read-modify-write: the block is read from the
// module, only the bytes that belong to a setting are replaced, and the block is written
// back, so bytes no value owns are never overwritten from the document's image.
class CBasicSettingsLink {
public:
    // The blocks WRITE sends, in order.
    static constexpr std::array<std::uint16_t, 8> kSettingsBlocks{0x400, 0x404, 0x408, 0x40C,
                                                                 0x410, 0x414, 0x418, 0xF14};
    static constexpr std::uint16_t kBlockSize = 4;
    // A setting that does not answer after this many reads ends the settings read.
    static constexpr int kReadAttempts = 3;
    // Firmware from which the module has the ignition delay revolutions and the authorization
    // level blocks; older modules keep other data there.
    static constexpr int kExtendedSettingsFirmware = 81;

    enum class ApplyResult {
        kNotANumber,   // the text is no number (ParseNumber); nothing changed
        kUnchanged,    // the value did not change; nothing sent
        kChanged,      // the document changed; no module linked
        kWritten,      // the document changed and the module holds the new value
        kWriteFailed,  // the module could not be updated; the old value was kept
    };

    explicit CBasicSettingsLink(CLinkController& link) : m_link(link) {}

    // Applies a typed display value to setting `index` (clamped to its range) and, when a module
    // is linked and the value changed, writes the setting's block(s). When the module cannot be
    // updated the setting goes back to its old value and the user is told.
    ApplyResult ApplyValueText(LinkDocument& doc, int index, const std::string& text);
    ApplyResult ApplyDisplayValue(LinkDocument& doc, int index, double display);
    // An accepted edit of the settings view: apply with the packet queue held, the document's
    // follow-ups for the idle settings, and the document marked modified. The follow-ups run
    // also when the value entered is the one the setting had: entering the IAC stop offset or
    // the idle speed again is how trims and idle points edited by hand are put back.
    ApplyResult EditSetting(LinkDocument& doc, int index, const std::string& text);
    ApplyResult EditSetting(LinkDocument& doc, int index, double display);

    // Writes setting `index` as the document's image holds it to the linked module (the same
    // read-modify-write as an edit); false when it was not written. Undo and redo use it.
    bool WriteSetting(LinkDocument& doc, int index);

    // One setting's bytes as the module sent them (first byte in the lowest 8 bits).
    struct SettingBytes {
        int index = 0;
        int raw = 0;
    };
    // Reads the settings READ reads (all but the IAC stop offset and the idle speed) without
    // touching the document. False when one did not answer within kReadAttempts.
    [[nodiscard]] bool ReadSettingsBytes(LinkDocument& doc, std::vector<SettingBytes>& read);
    // Puts settings read by ReadSettingsBytes into the document (value and base).
    static void ApplySettingsBytes(LinkDocument& doc, const std::vector<SettingBytes>& read);
    // Both: the document's settings change only when every one of them was read.
    [[nodiscard]] bool ReadSettingsFromModule(LinkDocument& doc);
    // The "Read Module Settings" command; false when there was no link or a read failed (the
    // user has been told).
    bool ReadModuleSettings(LinkDocument& doc);

    // WRITE's settings phase: every settings block the module type takes, read-modify-write.
    // Appends the addresses of the blocks written to `written` when given.
    [[nodiscard]] bool WriteSettingsBlocks(LinkDocument& doc, int firmwareVersion,
                                           std::vector<std::uint16_t>* written = nullptr);
    // Whether WRITE sends the settings block at `block` to a module with that firmware.
    [[nodiscard]] static bool IsBlockWritten(std::uint16_t block, int firmwareVersion);

    // Replaces in `bytes` (the 4 bytes of the block at `block`) every byte that belongs to one
    // of the document's settings by the image's byte; the rest stay as given.
    static void PatchOwnedBytes(LinkDocument& doc, std::uint16_t block, std::uint8_t* bytes);

private:
    bool WriteSettingToModule(LinkDocument& doc, const CBasicSettingsModuleValue& setting);

    CLinkController& m_link;
};

}  // namespace corvane
