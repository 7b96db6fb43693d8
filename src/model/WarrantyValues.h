#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "model/ModuleValue.h"

namespace corvane {

class Comms;

inline constexpr int kWarrantyLogCount = 60;
inline constexpr std::uint16_t kWarrantyAreaStart = 0x0500;
inline constexpr std::uint16_t kRevLimitHitsAddress = 0x05F0;
inline constexpr std::uint16_t kVinAddress = 0x05F4;
inline constexpr int kVinLength = 32;

// Run time in one 100-rpm engine-speed band, in seconds, kept by the module as a 32-bit
// big-endian count at 0x0500 + 4 × band.
class CModuleValue_WarrantyRPMLog : public ModuleValue {
public:
    CModuleValue_WarrantyRPMLog(int band, const DocumentContext* context);
    [[nodiscard]] int GetByteWidth() const override { return 4; }

    [[nodiscard]] int GetBand() const { return m_band; }
    [[nodiscard]] const std::string& GetLabel() const { return m_label; }
    [[nodiscard]] std::uint32_t GetSeconds() const { return static_cast<std::uint32_t>(GetModuleValue()); }

    // Reads the 4 bytes from the module; keeps the old value when the read fails.
    bool ReadFromModule(Comms& comms);
    // Writes four zero bytes at the log's address (nothing while the failure event is set).
    bool ClearInModule(Comms& comms);
    [[nodiscard]] std::string FormatValue() const;  // " %.1f" of the display value

private:
    int m_band;
    std::string m_label;
};

// Number of rev-limiter hits: a 16-bit big-endian counter at 0x05F0. Clearing zeroes the four
// bytes 0x05F0..0x05F3; a value from a file is written as the counter and two zero bytes, so
// what is written is what a read gives back.
class CModuleValue_WarrantyREVLimitHits : public ModuleValue {
public:
    explicit CModuleValue_WarrantyREVLimitHits(const DocumentContext* context);
    [[nodiscard]] int GetByteWidth() const override { return 2; }
    [[nodiscard]] const std::string& GetLabel() const { return m_label; }

    bool ReadFromModule(Comms& comms);
    bool ClearInModule(Comms& comms);
    void SetHitsFromFile(std::int64_t v);
    [[nodiscard]] std::string FormatValue() const;  // "%u"

private:
    std::string m_label;
};

// The vehicle identification number: 32 characters at 0x05F4, zero padded.
class CModuleValue_WarrantyVINNumber : public ModuleValueNByteString {
public:
    explicit CModuleValue_WarrantyVINNumber(const DocumentContext* context);
    [[nodiscard]] const std::string& GetLabel() const { return m_label; }
    bool ReadFromModule() { return ReadStringFromModule(); }
    // Stores the text (cut to 32 characters) and writes it zero padded into the image.
    void SetText(const std::string& text);

private:
    std::string m_label;
};

// The warranty record of a document: VIN, rev-limit hits and the 60 logs.
struct WarrantyValues {
    std::unique_ptr<CModuleValue_WarrantyVINNumber> vin;
    std::unique_ptr<CModuleValue_WarrantyREVLimitHits> revLimitHits;
    std::vector<std::unique_ptr<CModuleValue_WarrantyRPMLog>> logs;

    // Sum of all logs in seconds; never overflows.
    [[nodiscard]] std::uint64_t TotalSeconds() const;
};

// Built in the order VIN, rev-limit hits, logs 0..59.
WarrantyValues CreateWarrantyValues(const DocumentContext* context);

// hh:mm:ss with at least two digits per field ("01:02:05", "100:00:00").
std::string FormatRunTime(std::uint64_t seconds);

}  // namespace corvane
