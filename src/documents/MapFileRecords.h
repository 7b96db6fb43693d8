#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "model/AppState.h"
#include "model/ModuleValue.h"

namespace corvane {

class Archive;
struct MapFileParse;

// Why a map file was refused. Every fault but a wrong product is the document's "corrupt or
// incompatible" load status; the finer reason is for tests, tools and logs.
enum class MapFileFault {
    kNone,
    kDamaged,             // ends before a field it must hold, or holds a length it cannot have
    kWrongProduct,        // written for another product code than the running one
    kUnsupportedVersion,  // no reader for this version with the running product code
    kMapCountMismatch,    // the map count is not the running family's
};

// What a map file of the running product must hold, known from the map catalogue without
// building a document.
struct MapFileShape {
    bool known = false;            // false for a product code of no family: nothing loads
    bool compositeTrailer = false; // family A: the 32 composite trims follow the points
    bool readsVersion10 = false;   // product codes 2, 4 and 8 also read the version 10 layout
    std::uint32_t fileMapCount = 0;  // family A counts its basic maps only
    // The points of each basic map in array order: one record each.
    std::vector<std::size_t> mapPoints;
    std::size_t pointCount = 0;  // their sum
};

// A map file as plain data: what the file says, read and checked whole before a document is
// touched, and what a document gives to be written. Records carry no reserved bytes; the
// writer puts back the zeros of the current layouts.
struct MapFileRecords {
    static constexpr int kCurrentVersion = 12;
    static constexpr std::size_t kRecordBytes = 10;  // uint16 address, int32 base, int32 trim
    static constexpr std::size_t kReservedAfterNameBytes = 1024;
    static constexpr std::size_t kReservedAfterSettingsBytes = 1004;
    static constexpr std::size_t kCurrentSettingCount = 29;
    // Versions 9 and 10 hold the settings 0..10 and 12..25 only.
    static constexpr std::size_t kVersion10SettingCount = 25;
    static constexpr std::size_t kCompositeTrimCount = 32;

    std::uint32_t version = kCurrentVersion;
    std::uint32_t productCode = 0;
    std::uint32_t mapCount = 0;
    // As stored, which may be longer than the 16 characters a document keeps.
    std::string baseMapName;
    // In file order: index order (29) in versions 11 and 12; 25 records in version 10.
    std::vector<ValueRecord> settings;
    // The point records of each basic map, maps in array order: composites store none. One
    // block per map keeps a family-A file in small pieces rather than one 150 KB array.
    std::vector<std::vector<ValueRecord>> mapPoints;
    // Family A: the trims of points 0..31 of IgnVsRpmMap; empty otherwise.
    std::vector<std::int32_t> compositeTrims;
    // Version 10 files end with one uint32 that nothing reads.
    std::uint32_t version10Tail = 0;

    friend bool operator==(const MapFileRecords&, const MapFileRecords&) = default;

    [[nodiscard]] static const MapFileShape& ShapeOf(std::uint32_t productCode);
    // The number of point records over all maps.
    [[nodiscard]] std::size_t PointCount() const;
    // The size of the file ToBytes writes.
    [[nodiscard]] std::size_t FileSize() const;

    // Reads a whole map file as the running product would, checking every version, product
    // code, count and length before anything is kept: the result's records are complete
    // exactly when its status is kLoadOk. Bytes after the last field are not read.
    [[nodiscard]] static MapFileParse Parse(std::span<const std::uint8_t> bytes,
                                            std::uint32_t runningProductCode);
    [[nodiscard]] static MapFileParse Parse(Archive& archive, std::uint32_t runningProductCode);

    // Whether these records fit a document of the running product, by the same rules as Parse
    // (all but the file's lengths, which records do not have). kNone when they fit.
    [[nodiscard]] MapFileFault Check(std::uint32_t runningProductCode) const;

    // The file of these records in the layout of their version.
    [[nodiscard]] std::vector<std::uint8_t> ToBytes() const;
    void Store(Archive& archive) const;
};

struct MapFileParse {
    int status = kLoadCorrupt;  // the document's load status for this file
    MapFileFault fault = MapFileFault::kDamaged;
    MapFileRecords records;  // complete only when status is kLoadOk

    [[nodiscard]] bool Ok() const { return status == kLoadOk; }
};

// The document's load status of a fault.
[[nodiscard]] constexpr int LoadStatusOf(MapFileFault fault) {
    switch (fault) {
        case MapFileFault::kNone: return kLoadOk;
        case MapFileFault::kWrongProduct: return kLoadWrongProduct;
        default: return kLoadCorrupt;
    }
}

}  // namespace corvane
