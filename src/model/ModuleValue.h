#pragma once

#include <cstdint>
#include <string>

#include "model/DocumentContext.h"

namespace corvane {

class Archive;

// What an edit can change of a value, in module units: its module value, its base and its
// trim. The edit history keeps these to put a value back exactly as it was.
struct ValueState {
    int module = 0;
    int base = 0;
    int trim = 0;
    friend bool operator==(const ValueState&, const ValueState&) = default;
};

// A value as a file stores it: the address it lives at and its base and trim in module units.
// Plain data, so a file can be read and checked whole before any value is touched.
struct ValueRecord {
    std::uint16_t address = 0;
    std::int32_t base = 0;
    std::int32_t trim = 0;
    friend bool operator==(const ValueRecord&, const ValueRecord&) = default;
};

// One number bound to an address of module memory: its module-unit value and the linear
// conversion to display units, and for map points a base value, a user trim on top of it and
// the margins the trim may move within. Setting the module value writes its bytes
// (big-endian) into the owning document's image.
//
// Invariants: module, base and range values are whole module units; whenever the module
// range is not degenerate every stored module and base value lies within it; whenever the
// display range is not degenerate every stored display value lies within it.
class ModuleValue {
public:
    explicit ModuleValue(const DocumentContext* context = nullptr) : m_context(context) {}
    virtual ~ModuleValue() = default;
    ModuleValue(const ModuleValue&) = delete;
    ModuleValue& operator=(const ModuleValue&) = delete;

    void SetContext(const DocumentContext* context) { m_context = context; }
    [[nodiscard]] const DocumentContext* Context() const { return m_context; }

    // Set-up.
    void InitializeForMap(std::uint16_t address, std::uint16_t areaStart, double displayMinimum,
                          double displayMaximum, int moduleMinimum, int moduleMaximum,
                          double lowerMargin, double upperMargin, int marginType);
    void Initialize(std::uint16_t address, std::uint16_t areaStart, double displayValue,
                    double displayMinimum, double displayMaximum, int moduleMinimum,
                    int moduleMaximum, double resolution, double lowerMargin, double upperMargin,
                    int marginType);
    ModuleValue& SetBlockPosition(std::uint16_t position) {
        m_blockPosition = position;
        return *this;
    }
    void SetAddress(std::uint16_t address) { m_address = address; }
    void SetAreaStart(std::uint16_t areaStart) { m_areaStart = areaStart; }

    // Module and display value.
    double SetDisplayValue(double x);
    bool SetModuleValue(int x);
    bool UpdateDisplayValue(double x);
    void StoreDisplayValue(double x) { m_displayValue = x; }
    int StoreModuleValue(int x) { return m_moduleValue = x; }
    void LoadFromModuleBytes(int raw);
    void LoadBaseFromModuleBytes(int raw);
    void SetModuleValueBigEndian(std::int64_t v);
    double SetDisplayMinimum(double x) { return m_displayMinimum = x; }
    double SetDisplayMaximum(double x) { return m_displayMaximum = x; }
    int SetModuleMinimum(int x) { return m_moduleMinimum = x; }
    int SetModuleMaximum(int x) { return m_moduleMaximum = x; }

    // Base and trim.
    bool SetBaseValue(int x);
    double SetBaseDisplayValue(double x);
    void StoreBaseDisplayValue(double x) { m_baseDisplayValue = x; }
    void SetBaseAndTrim(int base, int trim);
    bool SetTrimValue(int x);
    double SetTrimDisplayValue(double offset);
    double SetTrimFromShownValue(double shown);
    [[nodiscard]] int TrimForShownValue(double shown) const;
    [[nodiscard]] double ShownUnitsPerModuleStep(int direction) const;
    bool SetTrimWithinMargins(int x);
    void SetMargins(double lower, double upper);
    void StoreTrimDisplayValue(double x) { m_trimDisplayValue = x; }
    void RefreshTrimShownValue();
    double SetTrimShownFromDisplay(double trimDisplay);

    // In-sync flag: whether the value's bytes are known to equal the linked module's.
    [[nodiscard]] bool IsInSync() const { return m_inSync != 0; }
    void MarkInSync() { m_inSync = 1; }
    void MarkNotInSync() { m_inSync = 0; }

    // Getters.
    [[nodiscard]] int GetMarginType() const { return m_marginType; }
    [[nodiscard]] std::uint16_t GetBlockPosition() const { return m_blockPosition; }
    [[nodiscard]] std::uint16_t GetAddress() const { return m_address; }
    [[nodiscard]] std::uint16_t GetAreaStart() const { return m_areaStart; }
    [[nodiscard]] int GetModuleValue() const { return m_moduleValue; }
    [[nodiscard]] double GetDisplayValue() const { return m_displayValue; }
    [[nodiscard]] double GetResolution() const { return m_resolution; }
    [[nodiscard]] double GetDisplayMinimum() const { return m_displayMinimum; }
    [[nodiscard]] double GetDisplayMaximum() const { return m_displayMaximum; }
    [[nodiscard]] int GetModuleMinimum() const { return m_moduleMinimum; }
    [[nodiscard]] int GetModuleMaximum() const { return m_moduleMaximum; }
    [[nodiscard]] int GetBaseValue() const { return m_baseValue; }
    [[nodiscard]] double GetBaseDisplayValue() const { return m_baseDisplayValue; }
    [[nodiscard]] int GetTrimValue() const { return m_trimValue; }
    [[nodiscard]] double GetTrimDisplayValue() const { return m_trimDisplayValue; }
    [[nodiscard]] double GetTrimShownValue() const { return m_trimShownValue; }
    [[nodiscard]] double GetMarginResolution() const { return m_marginResolution; }
    [[nodiscard]] double GetRelativeResolution() const { return m_relativeResolution; }
    [[nodiscard]] int GetLowerMarginLimit() const { return m_lowerMarginLimit; }
    [[nodiscard]] int GetUpperMarginLimit() const { return m_upperMarginLimit; }
    [[nodiscard]] double GetLowerMargin() const { return m_lowerMargin; }
    [[nodiscard]] double GetUpperMargin() const { return m_upperMargin; }
    [[nodiscard]] double GetMarginBandLow() const { return m_marginBandLow; }
    [[nodiscard]] double GetMarginBandHigh() const { return m_marginBandHigh; }

    // Conversions and clamps.
    [[nodiscard]] double ClampDisplayValue(double x) const;
    [[nodiscard]] int ClampModuleValue(int x) const;
    [[nodiscard]] double ShownToDisplay(double x) const;
    [[nodiscard]] int ClampTrimValue(int t) const;
    [[nodiscard]] double ClampToMarginBand(double x) const;
    [[nodiscard]] int ClampToMargins(int x) const;
    [[nodiscard]] double ModuleToDisplay(int v) const;
    [[nodiscard]] double TrimToDisplay(int t) const;
    [[nodiscard]] int DisplayToModule(double d) const;
    [[nodiscard]] int MarginDisplayToModule(double d) const;
    [[nodiscard]] int BandDisplayToModule(double d) const;
    // A trim offset in display units as a trim in module units:
    // DisplayToModule(base display + offset) - base. A zero offset is always a zero trim.
    [[nodiscard]] int TrimOffsetToModule(double offset) const;

    [[nodiscard]] ValueState State() const { return {m_moduleValue, m_baseValue, m_trimValue}; }
    // Puts back a state taken by State(): base and trim as they were (the trim as stored, even
    // outside the margins), then the module value, whose bytes go into the image. The in-sync
    // flag is left to the caller, who knows whether the module got the bytes.
    void RestoreState(const ValueState& state);

    // Writes the current module value's bytes into the image again (after an image fill).
    void RewriteImage() const;

    // File record: uint16 address, int32 base, int32 trim (little-endian).
    virtual void Serialize(Archive& archive, int fileVersion);
    [[nodiscard]] ValueRecord FileRecord() const { return {m_address, m_baseValue, m_trimValue}; }
    // Takes base and trim of a loaded record, rewrites the value's bytes and clears the in-sync
    // flag. The record's address is not trusted: the value keeps the address of its class.
    void LoadFileRecord(const ValueRecord& record);

    [[nodiscard]] virtual bool IsSigned() const { return false; }
    [[nodiscard]] virtual int GetByteWidth() const = 0;

protected:
    // Writes `count` bytes into the owning document's image at the value's address.
    void WriteImage(const std::uint8_t* bytes, int count) const;
    // Decodes bytes as read from the module (first byte in the lowest 8 bits).
    [[nodiscard]] int DecodeModuleBytes(int raw) const;
    [[nodiscard]] double TrimShownRange() const;

    const DocumentContext* m_context = nullptr;

    std::uint16_t m_address = 0;
    std::uint16_t m_areaStart = 0;
    int m_baseValue = 0;
    int m_trimValue = 0;
    int m_marginType = 0;
    int m_moduleValue = 0;
    int m_moduleMinimum = 0;
    int m_moduleMaximum = 0;
    double m_displayValue = 0.0;
    double m_baseDisplayValue = 0.0;
    double m_trimDisplayValue = 0.0;
    double m_displayMinimum = 0.0;
    double m_displayMaximum = 0.0;
    double m_resolution = 0.0;
    double m_trimShownValue = 0.0;
    double m_marginBandLow = 0.0;
    double m_marginBandHigh = 0.0;
    int m_lowerMarginLimit = 0;
    int m_upperMarginLimit = 0;
    double m_lowerMargin = 0.0;
    double m_upperMargin = 0.0;
    double m_marginResolution = 0.0;
    double m_relativeResolution = 0.0;
    std::uint8_t m_inSync = 0;
    std::uint16_t m_blockPosition = 0;
};

class ByteModuleValue : public ModuleValue {
public:
    using ModuleValue::ModuleValue;
    [[nodiscard]] int GetByteWidth() const override { return 1; }
};

class WordModuleValue : public ModuleValue {
public:
    using ModuleValue::ModuleValue;
    [[nodiscard]] int GetByteWidth() const override { return 2; }
};

class SignedModuleValue : public ModuleValue {
public:
    using ModuleValue::ModuleValue;
    [[nodiscard]] bool IsSigned() const override { return true; }
};

class ByteSignedModuleValue : public SignedModuleValue {
public:
    using SignedModuleValue::SignedModuleValue;
    [[nodiscard]] int GetByteWidth() const override { return 1; }
};

// A text of N characters in module memory (the VIN).
class ModuleValueNByteString : public ModuleValue {
public:
    ModuleValueNByteString(int length, const DocumentContext* context = nullptr)
        : ModuleValue(context), m_length(length) {}
    [[nodiscard]] int GetByteWidth() const override { return m_length; }

    [[nodiscard]] const std::string& GetText() const { return m_text; }
    void StoreText(const std::string& text) { m_text = text; }

    // Reads N bytes at the address into the text; false when the read failed.
    virtual bool ReadStringFromModule();
    // Stores the text, writes it zero-padded into the image and sends it to the module.
    // Returns true only when every block was written.
    bool SetStringAndDownload(const std::string& text);
    // Sends the image bytes address..address+N-1 in 4-byte blocks; false on any failure.
    virtual bool WriteStringToModule();

protected:
    int m_length;
    std::string m_text;
};

}  // namespace corvane
