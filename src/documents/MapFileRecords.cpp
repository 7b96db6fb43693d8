#include "documents/MapFileRecords.h"

#include <algorithm>
#include <array>
#include <new>

#include "maps/CMapCatalogue.h"
#include "model/Archive.h"

namespace corvane {

namespace {

// Point records are read and written in blocks through a buffer on the stack: one archive
// call per block instead of three per record keeps a family-A file (12,416 records) cheap.
// A map's points (64 in every family) fit one block.
constexpr std::size_t kRecordsPerBlock = 256;

MapFileShape ComputeShape(std::uint32_t productCode) {
    MapFileShape shape;
    const FamilyLayout layout = CMapCatalogue::ForProductCode(productCode);
    if (layout.family == 0) return shape;
    shape.known = true;
    shape.compositeTrailer = layout.family == 'A';
    shape.readsVersion10 = productCode == 2 || productCode == 4 || productCode == 8;
    std::uint32_t basicMaps = 0;
    for (const auto& name : layout.basicClassNames) {
        const MapDescription* description = CMapCatalogue::Find(name);
        if (description == nullptr) continue;
        ++basicMaps;
        const auto points = static_cast<std::size_t>(std::max(description->numberOfPoints, 0));
        shape.mapPoints.push_back(points);
        shape.pointCount += points;
    }
    // Family A files count the basic maps only: the composite's trims follow as a trailer.
    shape.fileMapCount = shape.compositeTrailer
                             ? basicMaps
                             : basicMaps + static_cast<std::uint32_t>(layout.composites.size());
    return shape;
}

bool ReadsVersion(const MapFileShape& shape, std::uint32_t version) {
    return version == 11 || version == 12 || (version == 10 && shape.readsVersion10);
}

ValueRecord DecodeRecord(const std::uint8_t* p) {
    ValueRecord r;
    r.address = static_cast<std::uint16_t>(p[0] | (p[1] << 8));
    r.base = static_cast<std::int32_t>(p[2] | (p[3] << 8) | (p[4] << 16) | (static_cast<std::uint32_t>(p[5]) << 24));
    r.trim = static_cast<std::int32_t>(p[6] | (p[7] << 8) | (p[8] << 16) | (static_cast<std::uint32_t>(p[9]) << 24));
    return r;
}

void EncodeRecord(const ValueRecord& r, std::uint8_t* p) {
    const auto base = static_cast<std::uint32_t>(r.base);
    const auto trim = static_cast<std::uint32_t>(r.trim);
    p[0] = static_cast<std::uint8_t>(r.address);
    p[1] = static_cast<std::uint8_t>(r.address >> 8);
    for (int i = 0; i < 4; ++i) {
        p[2 + i] = static_cast<std::uint8_t>(base >> (8 * i));
        p[6 + i] = static_cast<std::uint8_t>(trim >> (8 * i));
    }
}

// Reads count records; the caller has made sure the archive holds them.
void ReadRecords(Archive& archive, std::size_t count, std::vector<ValueRecord>& out) {
    out.resize(count);
    std::array<std::uint8_t, kRecordsPerBlock * MapFileRecords::kRecordBytes> block;
    for (std::size_t done = 0; done < count;) {
        const std::size_t n = std::min(kRecordsPerBlock, count - done);
        archive.ReadBytes(block.data(), n * MapFileRecords::kRecordBytes);
        for (std::size_t i = 0; i < n; ++i) out[done + i] = DecodeRecord(block.data() + i * MapFileRecords::kRecordBytes);
        done += n;
    }
}

void WriteRecords(Archive& archive, const std::vector<ValueRecord>& records) {
    std::array<std::uint8_t, kRecordsPerBlock * MapFileRecords::kRecordBytes> block;
    for (std::size_t done = 0; done < records.size();) {
        const std::size_t n = std::min(kRecordsPerBlock, records.size() - done);
        for (std::size_t i = 0; i < n; ++i) EncodeRecord(records[done + i], block.data() + i * MapFileRecords::kRecordBytes);
        archive.WriteBytes(block.data(), n * MapFileRecords::kRecordBytes);
        done += n;
    }
}

MapFileParse Refused(MapFileFault fault) {
    MapFileParse result;
    result.fault = fault;
    result.status = LoadStatusOf(fault);
    return result;
}

// The checks in the order the reader meets them; throws ArchiveError for a file that ends
// early. Only a file of the running product code gets past the first two fields, so a file
// of another product is always reported as such, however damaged the rest of it is.
MapFileParse ParseChecked(Archive& archive, std::uint32_t runningProductCode) {
    MapFileParse result;
    MapFileRecords& r = result.records;
    r.version = archive.ReadU32();
    // Files before version 10 carry no product code; no layout of them is read.
    if (r.version < 10) return Refused(MapFileFault::kUnsupportedVersion);
    r.productCode = archive.ReadU32();
    if (r.productCode != runningProductCode) return Refused(MapFileFault::kWrongProduct);
    const MapFileShape& shape = MapFileRecords::ShapeOf(runningProductCode);
    if (!shape.known || !ReadsVersion(shape, r.version)) return Refused(MapFileFault::kUnsupportedVersion);

    r.mapCount = archive.ReadU32();
    r.baseMapName = archive.ReadString();
    if (r.mapCount != shape.fileMapCount) return Refused(MapFileFault::kMapCountMismatch);

    const bool current = r.version >= 11;
    const std::size_t settings =
        current ? MapFileRecords::kCurrentSettingCount : MapFileRecords::kVersion10SettingCount;
    // Everything that follows has a fixed length: refuse a short file before any record is
    // allocated or decoded.
    std::size_t rest = (settings + shape.pointCount) * MapFileRecords::kRecordBytes;
    rest += current ? MapFileRecords::kReservedAfterNameBytes + MapFileRecords::kReservedAfterSettingsBytes : 0;
    rest += shape.compositeTrailer ? 4 * MapFileRecords::kCompositeTrimCount : 0;
    rest += current ? 0 : 4;
    if (archive.Remaining() < rest) return Refused(MapFileFault::kDamaged);

    if (current) archive.Skip(MapFileRecords::kReservedAfterNameBytes);
    ReadRecords(archive, settings, r.settings);
    if (current) archive.Skip(MapFileRecords::kReservedAfterSettingsBytes);
    r.mapPoints.resize(shape.mapPoints.size());
    for (std::size_t m = 0; m < shape.mapPoints.size(); ++m) ReadRecords(archive, shape.mapPoints[m], r.mapPoints[m]);
    if (shape.compositeTrailer) {
        r.compositeTrims.resize(MapFileRecords::kCompositeTrimCount);
        for (auto& trim : r.compositeTrims) trim = archive.ReadI32();
    }
    if (!current) r.version10Tail = archive.ReadU32();
    result.status = kLoadOk;
    result.fault = MapFileFault::kNone;
    return result;
}

}  // namespace

const MapFileShape& MapFileRecords::ShapeOf(std::uint32_t productCode) {
    // Computed once per product code that has a family; the catalogue never changes.
    static const std::array<std::pair<std::uint32_t, MapFileShape>, 7> kShapes = [] {
        std::array<std::pair<std::uint32_t, MapFileShape>, 7> shapes;
        const std::uint32_t codes[] = {1, 2, 4, 8, 64, 128, 256};
        for (std::size_t i = 0; i < shapes.size(); ++i) shapes[i] = {codes[i], ComputeShape(codes[i])};
        return shapes;
    }();
    static const MapFileShape kNoFamily;
    for (const auto& [code, shape] : kShapes)
        if (code == productCode) return shape;
    return kNoFamily;
}

std::size_t MapFileRecords::PointCount() const {
    std::size_t n = 0;
    for (const auto& map : mapPoints) n += map.size();
    return n;
}

std::size_t MapFileRecords::FileSize() const {
    const bool current = version >= 11;
    const std::size_t n = baseMapName.size();
    std::size_t size = 12 + (n < 0xFF ? 1 : n < 0xFFFE ? 3 : 7) + n;
    size += (settings.size() + PointCount()) * kRecordBytes + 4 * compositeTrims.size();
    size += current ? kReservedAfterNameBytes + kReservedAfterSettingsBytes : 4;
    return size;
}

MapFileParse MapFileRecords::Parse(std::span<const std::uint8_t> bytes, std::uint32_t runningProductCode) {
    Archive archive(bytes.data(), bytes.size());
    return Parse(archive, runningProductCode);
}

MapFileParse MapFileRecords::Parse(Archive& archive, std::uint32_t runningProductCode) {
    try {
        return ParseChecked(archive, runningProductCode);
    } catch (const ArchiveError&) {
        return Refused(MapFileFault::kDamaged);
    } catch (const std::bad_alloc&) {
        return Refused(MapFileFault::kDamaged);
    }
}

MapFileFault MapFileRecords::Check(std::uint32_t runningProductCode) const {
    if (version < 10) return MapFileFault::kUnsupportedVersion;
    if (productCode != runningProductCode) return MapFileFault::kWrongProduct;
    const MapFileShape& shape = ShapeOf(runningProductCode);
    if (!shape.known || !ReadsVersion(shape, version)) return MapFileFault::kUnsupportedVersion;
    if (mapCount != shape.fileMapCount) return MapFileFault::kMapCountMismatch;
    const std::size_t wantSettings = version >= 11 ? kCurrentSettingCount : kVersion10SettingCount;
    if (settings.size() != wantSettings || mapPoints.size() != shape.mapPoints.size() ||
        compositeTrims.size() != (shape.compositeTrailer ? kCompositeTrimCount : 0))
        return MapFileFault::kDamaged;
    for (std::size_t m = 0; m < mapPoints.size(); ++m)
        if (mapPoints[m].size() != shape.mapPoints[m]) return MapFileFault::kDamaged;
    return MapFileFault::kNone;
}

void MapFileRecords::Store(Archive& archive) const {
    const bool current = version >= 11;
    archive.WriteU32(version);
    archive.WriteU32(productCode);
    archive.WriteU32(mapCount);
    archive.WriteString(baseMapName);
    if (current) archive.WriteZeros(kReservedAfterNameBytes);
    WriteRecords(archive, settings);
    if (current) archive.WriteZeros(kReservedAfterSettingsBytes);
    for (const auto& map : mapPoints) WriteRecords(archive, map);
    for (const std::int32_t trim : compositeTrims) archive.WriteI32(trim);
    if (!current) archive.WriteU32(version10Tail);
}

std::vector<std::uint8_t> MapFileRecords::ToBytes() const {
    Archive archive;
    archive.Reserve(FileSize());
    Store(archive);
    return archive.TakeBytes();
}

}  // namespace corvane
