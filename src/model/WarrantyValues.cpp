#include "model/WarrantyValues.h"

#include <cstdio>

#include "comms/api/Comms.h"
#include "model/CModuleMemoryMapMirror.h"

namespace corvane {

namespace {

std::uint32_t BigEndian(std::span<const std::uint8_t> bytes, std::size_t n) {
    std::uint32_t v = 0;
    for (std::size_t i = 0; i < n && i < bytes.size(); ++i) v = (v << 8) | bytes[i];
    return v;
}

bool WriteZeros(Comms& comms, std::uint16_t address) {
    if (comms.ReadWriteCommandFailed()) return false;
    const std::uint8_t zeros[4] = {0, 0, 0, 0};
    return comms.WriteModuleMemoryBlock(address, zeros, 4);
}

}  // namespace

CModuleValue_WarrantyRPMLog::CModuleValue_WarrantyRPMLog(int band, const DocumentContext* context)
    : ModuleValue(context), m_band(band), m_label(std::to_string(500 + 100 * band) + " Rpm") {
    SetAddress(static_cast<std::uint16_t>(kWarrantyAreaStart + 4 * band));
    SetAreaStart(kWarrantyAreaStart);
    StoreModuleValue(0);
}

bool CModuleValue_WarrantyRPMLog::ReadFromModule(Comms& comms) {
    if (!comms.ReadModuleMemoryBlock(GetAddress(), 4)) return false;
    const auto data = comms.GetReceivedData();
    if (data.size() < 4) return false;
    SetModuleValueBigEndian(BigEndian(data, 4));
    return true;
}

bool CModuleValue_WarrantyRPMLog::ClearInModule(Comms& comms) {
    if (!WriteZeros(comms, GetAddress())) return false;
    SetModuleValueBigEndian(0);
    return true;
}

std::string CModuleValue_WarrantyRPMLog::FormatValue() const {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, " %.1f", static_cast<double>(GetSeconds()));
    return buffer;
}

CModuleValue_WarrantyREVLimitHits::CModuleValue_WarrantyREVLimitHits(const DocumentContext* context)
    : ModuleValue(context), m_label("Rev Limit Hits") {
    SetAddress(kRevLimitHitsAddress);
    SetAreaStart(kWarrantyAreaStart);
    StoreModuleValue(0);
}

bool CModuleValue_WarrantyREVLimitHits::ReadFromModule(Comms& comms) {
    if (!comms.ReadModuleMemoryBlock(GetAddress(), 2)) return false;
    const auto data = comms.GetReceivedData();
    if (data.size() < 2) return false;
    SetModuleValueBigEndian(BigEndian(data, 2));
    return true;
}

bool CModuleValue_WarrantyREVLimitHits::ClearInModule(Comms& comms) {
    if (!WriteZeros(comms, GetAddress())) return false;
    SetHitsFromFile(0);
    return true;
}

void CModuleValue_WarrantyREVLimitHits::SetHitsFromFile(std::int64_t v) {
    const auto hits = static_cast<std::uint16_t>(v);
    StoreModuleValue(hits);
    StoreDisplayValue(hits);
    if (m_context && m_context->image) {
        const std::uint8_t bytes[4] = {static_cast<std::uint8_t>(hits >> 8),
                                       static_cast<std::uint8_t>(hits & 0xFF), 0, 0};
        m_context->image->WriteDataBlock(GetAddress(), bytes, 4);
    }
}

std::string CModuleValue_WarrantyREVLimitHits::FormatValue() const {
    return std::to_string(static_cast<unsigned>(static_cast<std::uint16_t>(GetModuleValue())));
}

CModuleValue_WarrantyVINNumber::CModuleValue_WarrantyVINNumber(const DocumentContext* context)
    : ModuleValueNByteString(kVinLength, context), m_label("VIN Number") {
    SetAddress(kVinAddress);
    SetAreaStart(kWarrantyAreaStart);
    StoreModuleValue(0);
}

void CModuleValue_WarrantyVINNumber::SetText(const std::string& text) {
    m_text = text.substr(0, kVinLength);
    if (m_context && m_context->image) {
        std::uint8_t bytes[kVinLength] = {};
        for (std::size_t i = 0; i < m_text.size(); ++i) bytes[i] = static_cast<std::uint8_t>(m_text[i]);
        m_context->image->WriteDataBlock(GetAddress(), bytes, kVinLength);
    }
}

std::uint64_t WarrantyValues::TotalSeconds() const {
    std::uint64_t total = 0;
    for (const auto& log : logs) total += log->GetSeconds();
    return total;
}

WarrantyValues CreateWarrantyValues(const DocumentContext* context) {
    WarrantyValues w;
    w.vin = std::make_unique<CModuleValue_WarrantyVINNumber>(context);
    w.revLimitHits = std::make_unique<CModuleValue_WarrantyREVLimitHits>(context);
    w.logs.reserve(kWarrantyLogCount);
    for (int i = 0; i < kWarrantyLogCount; ++i)
        w.logs.push_back(std::make_unique<CModuleValue_WarrantyRPMLog>(i, context));
    return w;
}

std::string FormatRunTime(std::uint64_t seconds) {
    const std::uint64_t h = seconds / 3600, m = (seconds % 3600) / 60, s = seconds % 60;
    char buffer[48];
    std::snprintf(buffer, sizeof buffer, "%02llu:%02llu:%02llu", static_cast<unsigned long long>(h),
                  static_cast<unsigned long long>(m), static_cast<unsigned long long>(s));
    return buffer;
}

}  // namespace corvane
