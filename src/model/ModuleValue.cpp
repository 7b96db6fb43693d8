#include "model/ModuleValue.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "comms/api/Comms.h"
#include "comms/api/Rounding.h"
#include "model/Archive.h"
#include "model/CModuleMemoryMapMirror.h"

namespace corvane {

namespace {

int TruncateToInt(double d) {
    if (!std::isfinite(d)) return 0;
    if (d >= 2147483647.0) return 2147483647;
    if (d <= -2147483648.0) return -2147483647 - 1;
    return static_cast<int>(d);  // toward zero
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Set-up

void ModuleValue::InitializeForMap(std::uint16_t address, std::uint16_t areaStart,
                                   double displayMinimum, double displayMaximum, int moduleMinimum,
                                   int moduleMaximum, double lowerMargin, double upperMargin,
                                   int marginType) {
    m_address = address;
    m_areaStart = areaStart;
    m_displayMinimum = displayMinimum;
    m_displayMaximum = displayMaximum;
    m_moduleMinimum = moduleMinimum;
    m_moduleMaximum = moduleMaximum;
    if (moduleMaximum != moduleMinimum)
        m_resolution = (displayMaximum - displayMinimum) / (moduleMaximum - moduleMinimum);
    m_marginResolution = m_resolution;
    m_marginBandLow = m_lowerMargin = lowerMargin;
    m_marginBandHigh = m_upperMargin = upperMargin;
    m_trimDisplayValue = 0.0;
    m_trimValue = 0;
    m_lowerMarginLimit = 0;
    m_upperMarginLimit = 0;
    m_trimShownValue = 0.0;
    m_marginType = marginType;
    SetBaseAndTrim(moduleMinimum, 0);
}

void ModuleValue::Initialize(std::uint16_t address, std::uint16_t areaStart, double displayValue,
                             double displayMinimum, double displayMaximum, int moduleMinimum,
                             int moduleMaximum, double resolution, double lowerMargin,
                             double upperMargin, int marginType) {
    m_address = address;
    m_areaStart = areaStart;
    m_displayMinimum = displayMinimum;
    m_displayMaximum = displayMaximum;
    m_moduleMinimum = moduleMinimum;
    m_moduleMaximum = moduleMaximum;
    m_displayValue = m_baseDisplayValue = displayValue;
    SetModuleValue(DisplayToModule(m_displayValue));
    m_lowerMargin = lowerMargin;
    m_upperMargin = upperMargin;
    m_marginType = marginType;
    if (resolution != 0.0)
        m_resolution = resolution;
    else if (moduleMaximum != moduleMinimum)
        m_resolution = (displayMaximum - displayMinimum) / (moduleMaximum - moduleMinimum);
    else
        m_resolution = 0.0;
    if (m_marginType != 0) {
        m_marginResolution = m_resolution;
        SetMargins(m_lowerMargin, m_upperMargin);
        m_relativeResolution = m_displayValue != 0.0 ? m_resolution / m_displayValue : 0.0;
    }
}

// ---------------------------------------------------------------------------------------------
// Module and display value

double ModuleValue::SetDisplayValue(double x) {
    const double d = ClampDisplayValue(x);
    m_moduleValue = DisplayToModule(d);
    m_displayValue = ModuleToDisplay(m_moduleValue);
    return d;
}

bool ModuleValue::SetModuleValue(int x) {
    const int v = ClampModuleValue(x);
    const int previous = m_moduleValue;
    m_moduleValue = v;
    RewriteImage();
    if (v != previous) {
        m_displayValue = ModuleToDisplay(v);
        return true;
    }
    return false;
}

bool ModuleValue::UpdateDisplayValue(double x) {
    const double d = ClampDisplayValue(x);
    const bool changed = d != m_displayValue;
    m_displayValue = d;
    return changed;
}

void ModuleValue::RewriteImage() const {
    const int w = GetByteWidth();
    if (w < 1 || w > 4) return;  // texts write themselves
    std::uint8_t bytes[4];
    const auto v = static_cast<std::uint32_t>(m_moduleValue);
    for (int i = 0; i < w; ++i) bytes[i] = static_cast<std::uint8_t>(v >> (8 * (w - 1 - i)));
    WriteImage(bytes, w);
}

void ModuleValue::WriteImage(const std::uint8_t* bytes, int count) const {
    if (m_context == nullptr || m_context->image == nullptr || count <= 0) return;
    m_context->image->WriteDataBlock(m_address, bytes, static_cast<std::uint16_t>(count));
}

int ModuleValue::DecodeModuleBytes(int raw) const {
    const auto r = static_cast<std::uint32_t>(raw);
    const int w = GetByteWidth();
    if (w == 1) {
        const int b = static_cast<int>(r & 0xFF);
        return (IsSigned() && (b & 0x80)) ? b - 256 : b;
    }
    if (w == 2) return static_cast<int>((r & 0xFF) * 256 + ((r >> 8) & 0xFF));
    // Four bytes, first byte read in the lowest 8 bits: most significant first in memory.
    std::uint32_t v = 0;
    for (int i = 0; i < std::min(w, 4); ++i) v = (v << 8) | ((r >> (8 * i)) & 0xFF);
    return static_cast<int>(v);
}

void ModuleValue::LoadFromModuleBytes(int raw) {
    const int v = DecodeModuleBytes(raw);
    const int w = std::min(GetByteWidth(), 4);
    std::uint8_t bytes[4];
    for (int i = 0; i < w; ++i) bytes[i] = static_cast<std::uint8_t>(static_cast<std::uint32_t>(raw) >> (8 * i));
    WriteImage(bytes, w);
    m_displayValue = ClampDisplayValue(ModuleToDisplay(v));
    m_moduleValue = ClampModuleValue(v);
    m_inSync = 1;
}

void ModuleValue::LoadBaseFromModuleBytes(int raw) {
    const int v = DecodeModuleBytes(raw);
    m_baseDisplayValue = ClampDisplayValue(ModuleToDisplay(v));
    m_baseValue = ClampModuleValue(v);
    m_inSync = 1;
}

void ModuleValue::SetModuleValueBigEndian(std::int64_t v) {
    // Keeps all 32 bits: a run-time log of more than 18 hours must survive a file round trip.
    m_moduleValue = static_cast<int>(static_cast<std::uint32_t>(v));
    m_displayValue = ModuleToDisplay(m_moduleValue);
    RewriteImage();
}

// ---------------------------------------------------------------------------------------------
// Base and trim

bool ModuleValue::SetBaseValue(int x) {
    const int b = ClampModuleValue(x);
    if (b == m_baseValue) return false;
    m_baseValue = b;
    m_baseDisplayValue = ModuleToDisplay(b);
    SetMargins(m_lowerMargin, m_upperMargin);
    return true;
}

double ModuleValue::SetBaseDisplayValue(double x) {
    m_baseDisplayValue = ClampDisplayValue(x);
    m_baseValue = DisplayToModule(m_baseDisplayValue);
    return m_baseDisplayValue;
}

void ModuleValue::SetBaseAndTrim(int base, int trim) {
    m_baseValue = ClampModuleValue(base);
    m_baseDisplayValue = ModuleToDisplay(m_baseValue);
    m_trimValue = trim;
    m_trimDisplayValue = TrimToDisplay(trim);
    // With whole-range margins the trim display is already absolute.
    m_displayValue = m_marginType == 3 ? m_trimDisplayValue : m_baseDisplayValue + m_trimDisplayValue;
    SetModuleValue(DisplayToModule(m_displayValue));
    if (m_marginType != 0) {
        SetMargins(m_lowerMargin, m_upperMargin);
        m_relativeResolution = m_displayValue != 0.0 ? m_resolution / m_displayValue : 0.0;
        SetTrimShownFromDisplay(m_trimDisplayValue);
    }
}

bool ModuleValue::SetTrimValue(int x) {
    const int t = ClampTrimValue(x);
    const bool changed = t != m_trimValue;
    m_trimValue = t;
    if (changed) m_trimDisplayValue = TrimToDisplay(t);
    return changed;
}

int ModuleValue::TrimOffsetToModule(double offset) const {
    return DisplayToModule(m_baseDisplayValue + offset) - m_baseValue;
}

double ModuleValue::SetTrimDisplayValue(double offset) {
    switch (m_marginType) {
        case 1: {
            // The band is absolute here; the trim display is an offset from the base.
            double absolute = m_baseDisplayValue + offset;
            if (m_marginBandLow != m_marginBandHigh)
                absolute = std::clamp(absolute, m_marginBandLow, m_marginBandHigh);
            m_trimDisplayValue = absolute - m_baseDisplayValue;
            m_trimValue = TrimOffsetToModule(m_trimDisplayValue);
            break;
        }
        case 3:
            m_trimDisplayValue = ClampToMarginBand(offset);
            m_trimValue = DisplayToModule(m_trimDisplayValue) - m_baseValue;
            break;
        default:
            m_trimDisplayValue = ClampToMarginBand(offset);
            m_trimValue = TrimOffsetToModule(m_trimDisplayValue);
            break;
    }
    return m_trimDisplayValue;
}

double ModuleValue::TrimShownRange() const {
    return std::max(m_marginBandHigh - m_baseDisplayValue, m_baseDisplayValue - m_marginBandLow);
}

double ModuleValue::SetTrimFromShownValue(double shown) {
    const double r = TrimShownRange();
    m_trimDisplayValue = m_upperMargin != 0.0 ? shown / m_upperMargin * r : 0.0;
    m_trimValue = TrimOffsetToModule(m_trimDisplayValue);
    return m_trimDisplayValue;
}

int ModuleValue::TrimForShownValue(double shown) const {
    const double r = TrimShownRange();
    const double trimDisplay = m_upperMargin != 0.0 ? shown / m_upperMargin * r : 0.0;
    return TrimOffsetToModule(trimDisplay);
}

double ModuleValue::ShownUnitsPerModuleStep(int direction) const {
    const double m = direction > 0 ? m_upperMargin : std::fabs(m_lowerMargin);
    const double denominator = m_upperMargin * 0.01 * m_baseValue;
    if (denominator == 0.0) return 0.0;
    return m / denominator * direction;
}

bool ModuleValue::SetTrimWithinMargins(int x) {
    const int t = ClampToMargins(x);
    const bool changed = t != m_trimValue;
    m_trimValue = t;
    if (changed) m_trimDisplayValue = TrimToDisplay(t);
    return changed;
}

void ModuleValue::SetMargins(double lower, double upper) {
    switch (m_marginType) {
        case 1:
            m_marginBandLow = m_baseDisplayValue + m_baseDisplayValue * lower * 0.01;
            if (m_marginBandLow < m_displayMinimum) m_marginBandLow = m_displayMinimum;
            m_lowerMarginLimit = DisplayToModule(m_marginBandLow);
            m_marginBandHigh = m_baseDisplayValue + m_baseDisplayValue * upper * 0.01;
            if (m_marginBandHigh > m_displayMaximum) m_marginBandHigh = m_displayMaximum;
            m_upperMarginLimit = DisplayToModule(m_marginBandHigh);
            break;
        case 2:
            m_lowerMarginLimit = DisplayToModule(ClampDisplayValue(lower + m_baseDisplayValue));
            m_upperMarginLimit = DisplayToModule(ClampDisplayValue(upper + m_baseDisplayValue));
            break;
        case 3:
            if (m_trimDisplayValue < lower || m_trimDisplayValue > upper) {
                m_trimDisplayValue = m_baseDisplayValue;
                m_trimValue = 0;
            }
            m_marginBandLow = m_displayMinimum;
            m_marginBandHigh = m_displayMaximum;
            m_lowerMarginLimit = BandDisplayToModule(m_marginBandLow);
            m_upperMarginLimit = BandDisplayToModule(m_marginBandHigh);
            break;
        default:
            break;
    }
}

void ModuleValue::RefreshTrimShownValue() {
    const double d = TrimToDisplay(m_trimValue);
    if (m_marginType == 1) {
        const double r = TrimShownRange();
        m_trimShownValue = r != 0.0 ? d / r * m_upperMargin : 0.0;
    } else if (m_marginType == 2 || m_marginType == 3) {
        m_trimShownValue = d;
    }
}

double ModuleValue::SetTrimShownFromDisplay(double trimDisplay) {
    if (m_marginType == 1) {
        const double r = TrimShownRange();
        m_trimShownValue = r != 0.0 ? trimDisplay / r * m_upperMargin : 0.0;
    } else {
        m_trimShownValue = trimDisplay;
    }
    return m_trimShownValue;
}

// ---------------------------------------------------------------------------------------------
// Conversions and clamps

double ModuleValue::ClampDisplayValue(double x) const {
    if (m_displayMinimum == m_displayMaximum) return x;
    return std::clamp(x, std::min(m_displayMinimum, m_displayMaximum),
                      std::max(m_displayMinimum, m_displayMaximum));
}

int ModuleValue::ClampModuleValue(int x) const {
    if (m_moduleMinimum == m_moduleMaximum) return x;
    return std::clamp(x, std::min(m_moduleMinimum, m_moduleMaximum),
                      std::max(m_moduleMinimum, m_moduleMaximum));
}

double ModuleValue::ShownToDisplay(double x) const {
    return m_marginType == 1 ? x * 0.01 * m_baseDisplayValue : x;
}

int ModuleValue::ClampTrimValue(int t) const {
    if (m_lowerMarginLimit == m_upperMarginLimit) return 0;
    const long long sum = static_cast<long long>(m_baseValue) + t;
    if (sum < m_lowerMarginLimit) return m_lowerMarginLimit - m_baseValue;
    if (sum > m_upperMarginLimit) return m_upperMarginLimit - m_baseValue;
    return t;
}

double ModuleValue::ClampToMarginBand(double x) const {
    if (m_marginBandLow == m_marginBandHigh) return 0.0;
    return std::clamp(x, std::min(m_marginBandLow, m_marginBandHigh),
                      std::max(m_marginBandLow, m_marginBandHigh));
}

int ModuleValue::ClampToMargins(int x) const {
    if (m_lowerMargin == m_upperMargin) return 0;
    const int lo = TruncateToInt(std::min(m_lowerMargin, m_upperMargin));
    const int hi = TruncateToInt(std::max(m_lowerMargin, m_upperMargin));
    return std::clamp(x, lo, hi);
}

double ModuleValue::ModuleToDisplay(int v) const {
    if (m_moduleMinimum == m_moduleMaximum) return v;
    return m_displayMinimum + static_cast<double>(v - m_moduleMinimum) *
                                  (m_displayMaximum - m_displayMinimum) /
                                  (m_moduleMaximum - m_moduleMinimum);
}

double ModuleValue::TrimToDisplay(int t) const {
    double d = t;
    if (m_moduleMinimum != m_moduleMaximum)
        d = t * (m_displayMaximum - m_displayMinimum) / (m_moduleMaximum - m_moduleMinimum);
    if (m_marginType == 3) d += m_baseDisplayValue;
    return d;
}

int ModuleValue::DisplayToModule(double d) const {
    if (m_displayMinimum == m_displayMaximum) return TruncateToInt(d);
    return RoundToInteger(m_moduleMinimum + (d - m_displayMinimum) *
                                                (m_moduleMaximum - m_moduleMinimum) /
                                                (m_displayMaximum - m_displayMinimum));
}

int ModuleValue::MarginDisplayToModule(double d) const {
    if (m_displayMinimum == m_displayMaximum) return TruncateToInt(d);
    if (m_upperMargin == m_lowerMargin) return m_lowerMarginLimit;
    return RoundToInteger(m_lowerMarginLimit + (d - m_lowerMargin) *
                                                   (m_upperMarginLimit - m_lowerMarginLimit) /
                                                   (m_upperMargin - m_lowerMargin));
}

int ModuleValue::BandDisplayToModule(double d) const {
    if (m_moduleMaximum == m_moduleMinimum) return m_moduleMinimum;
    const double k = (m_marginBandHigh - m_marginBandLow) / (m_moduleMaximum - m_moduleMinimum);
    if (k == 0.0) return m_moduleMinimum;
    return RoundToInteger((d - m_marginBandLow) / k + m_moduleMinimum);
}

// ---------------------------------------------------------------------------------------------
// File record

void ModuleValue::Serialize(Archive& archive, int /*fileVersion*/) {
    if (archive.IsStoring()) {
        archive.WriteU16(m_address);
        archive.WriteI32(m_baseValue);
        archive.WriteI32(m_trimValue);
        return;
    }
    ValueRecord record;
    record.address = archive.ReadU16();
    record.base = archive.ReadI32();
    record.trim = archive.ReadI32();
    LoadFileRecord(record);
}

void ModuleValue::RestoreState(const ValueState& state) {
    SetBaseAndTrim(state.base, state.trim);
    // The module value is derived through the display units; a value read from the module
    // may not be what base + trim give back, so it is put back as it was.
    if (m_moduleValue != state.module) SetModuleValue(state.module);
}

void ModuleValue::LoadFileRecord(const ValueRecord& record) {
    m_areaStart = m_address;
    SetBaseAndTrim(record.base, record.trim);
    m_inSync = 0;
}

// ---------------------------------------------------------------------------------------------
// Texts

bool ModuleValueNByteString::ReadStringFromModule() {
    m_text.clear();
    Comms* comms = m_context ? m_context->comms : nullptr;
    if (comms == nullptr || m_length <= 0) return false;
    if (!comms->ReadModuleMemoryBlock(m_address, static_cast<std::uint16_t>(m_length))) return false;
    const auto data = comms->GetReceivedData();
    // The module pads the text with zero bytes; they are not part of it.
    for (std::size_t i = 0; i < data.size() && i < static_cast<std::size_t>(m_length); ++i) {
        if (data[i] == 0) break;
        m_text.push_back(static_cast<char>(data[i]));
    }
    return true;
}

bool ModuleValueNByteString::SetStringAndDownload(const std::string& text) {
    m_text = text.substr(0, static_cast<std::size_t>(std::max(m_length, 0)));
    std::vector<std::uint8_t> buffer(static_cast<std::size_t>(std::max(m_length, 0)), 0);
    std::copy(m_text.begin(), m_text.end(), buffer.begin());
    WriteImage(buffer.data(), static_cast<int>(buffer.size()));
    Comms* comms = m_context ? m_context->comms : nullptr;
    if (comms == nullptr) return false;
    comms->SetPacketQueueWriting(true);
    const bool ok = WriteStringToModule();
    comms->SetPacketQueueWriting(false);
    return ok;
}

bool ModuleValueNByteString::WriteStringToModule() {
    Comms* comms = m_context ? m_context->comms : nullptr;
    if (comms == nullptr || m_context->image == nullptr) return false;
    const CModuleMemoryMapMirror& image = *m_context->image;
    const int full = m_length / 4;
    for (int b = 0; b < full; ++b) {
        const auto address = static_cast<std::uint16_t>(m_address + 4 * b);
        std::uint8_t bytes[4];
        for (int i = 0; i < 4; ++i) bytes[i] = image.ReadByte(static_cast<std::uint16_t>(address + i));
        if (comms->ReadWriteCommandFailed()) return false;
        if (!comms->WriteModuleMemoryBlock(address, bytes, 4)) return false;
    }
    const int rest = m_length % 4;
    if (rest > 0) {
        const auto address = static_cast<std::uint16_t>(m_address + 4 * full);
        std::uint8_t bytes[4];
        for (int i = 0; i < rest; ++i) bytes[i] = image.ReadByte(static_cast<std::uint16_t>(address + i));
        if (comms->ReadWriteCommandFailed()) return false;
        if (!comms->WriteModuleMemoryBlock(address, bytes, static_cast<std::uint16_t>(rest))) return false;
    }
    return true;
}

}  // namespace corvane
