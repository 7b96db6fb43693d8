// Fuzzed readers of the documents layer: map file (its records, and whole documents), service
// data file, S19 and B19 files.
#include <string_view>

#include "FuzzEntry.h"
#include "documents/CCorvaneMapsDoc.h"
#include "documents/FirmwareDataFile.h"
#include "documents/MapFileRecords.h"
#include "documents/S19Parser.h"
#include "documents/ServiceDataFile.h"
#include "maps/CModuleMap.h"

namespace corvane::fuzz {
namespace {

// Both map file entries read the same inputs, so their corpora serve each other: the first
// byte picks the running product code, the rest is the map file.
constexpr std::uint32_t kProductCodes[] = {1, 2, 4, 8, 64, 128, 256};

std::uint32_t ProductCodeOf(std::uint8_t first) { return kProductCodes[first % 7]; }

// Bytes to records to bytes to records is stable: whatever a parse accepts writes back to a
// file that parses to the same records and writes the same bytes again; one byte less of it
// is refused as damaged. A refusal's status is the one of its reason.
int MapRecords(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    const std::uint32_t code = ProductCodeOf(data[0]);
    const MapFileParse parsed = MapFileRecords::Parse(std::span(data + 1, size - 1), code);
    FUZZ_CHECK(parsed.status == LoadStatusOf(parsed.fault));
    if (!parsed.Ok()) return 0;
    const MapFileRecords& records = parsed.records;
    FUZZ_CHECK(records.Check(code) == MapFileFault::kNone);
    FUZZ_CHECK(records.PointCount() == MapFileRecords::ShapeOf(code).pointCount);
    const auto bytes = records.ToBytes();
    FUZZ_CHECK(bytes.size() == records.FileSize());
    FUZZ_CHECK(bytes.size() <= size - 1);
    // Records equal and writing deterministic: the second write would give the same bytes.
    const MapFileParse again = MapFileRecords::Parse(bytes, code);
    FUZZ_CHECK(again.Ok());
    FUZZ_CHECK(again.records == records);
    const MapFileParse cut = MapFileRecords::Parse(std::span(bytes).first(bytes.size() - 1), code);
    FUZZ_CHECK(cut.fault == MapFileFault::kDamaged);
    return 0;
}

// The apply step: a document is built exactly when the records parse, with the parse's
// status. A loaded file must save and load again to the same bytes, with every base and
// trim kept.
int MapFile(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    AppState app;
    app.productCode = ProductCodeOf(data[0]);
    const std::span file(data + 1, size - 1);
    auto loaded = CCorvaneMapsDoc::Load(file, app);
    FUZZ_CHECK(loaded.status == kLoadOk || loaded.status == kLoadWrongProduct || loaded.status == kLoadCorrupt);
    FUZZ_CHECK((loaded.document != nullptr) == (loaded.status == kLoadOk));
    FUZZ_CHECK(app.loadStatus == loaded.status);
    FUZZ_CHECK(MapFileRecords::Parse(file, app.productCode).status == loaded.status);
    if (!loaded.document) return 0;
    CCorvaneMapsDoc& doc = *loaded.document;
    FUZZ_CHECK(doc.GetBaseMapName().size() <= 16);
    const auto saved = doc.SaveToBytes();
    FUZZ_CHECK(doc.ToRecords().ToBytes() == saved);
    auto again = CCorvaneMapsDoc::Load(saved, app);
    FUZZ_CHECK(again.status == kLoadOk);
    FUZZ_CHECK(again.document->SaveToBytes() == saved);
    for (int m = 0; m < doc.GetMapCount(); ++m) {
        const CModuleMap& a = *doc.GetMap(m);
        const CModuleMap& b = *again.document->GetMap(m);
        for (int i = 0; i < a.GetNumberOfPoints(); ++i) {
            FUZZ_CHECK(a.GetPointBaseValue(i) == b.GetPointBaseValue(i));
            FUZZ_CHECK(a.GetPointTrimValue(i) == b.GetPointTrimValue(i));
        }
    }
    return 0;
}

// Any text loads; what loads saves and loads again to the same values.
int ServiceData(const std::uint8_t* data, std::size_t size) {
    CModuleMemoryMapMirror image;
    DocumentContext context;
    context.image = &image;
    WarrantyValues values = CreateWarrantyValues(&context);
    ServiceDataFile::FromText(std::string_view(reinterpret_cast<const char*>(data), size), values);
    FUZZ_CHECK(values.vin->GetText().size() <= 32);
    const std::string text = ServiceDataFile::ToText(values);
    WarrantyValues again = CreateWarrantyValues(&context);
    ServiceDataFile::FromText(text, again);
    FUZZ_CHECK(ServiceDataFile::ToText(again) == text);
    FUZZ_CHECK(again.TotalSeconds() == values.TotalSeconds());
    return 0;
}

// A parsed S19 file merges into blocks of at most 512 bytes holding every data byte, which
// a .B19 file carries unchanged.
int S19(const std::uint8_t* data, std::size_t size) {
    const auto parsed = S19Parser::Parse(std::string_view(reinterpret_cast<const char*>(data), size));
    if (!parsed.Ok()) return 0;
    const auto blocks = S19Parser::BuildBlocks(parsed.records);
    std::size_t total = 0;
    for (const auto& b : blocks) {
        FUZZ_CHECK(b.GetLength() <= CCVNFlashMemoryItem::kMaxLength);
        total += b.GetLength();
    }
    FUZZ_CHECK(total == parsed.dataBytes);
    FirmwareDataFile file;
    file.SetBlocks(blocks);
    FirmwareDataFile back;
    FUZZ_CHECK(back.LoadB19FromBytes(file.ToBytes(3)));
    FUZZ_CHECK(back.GetBlocks() == blocks);
    return 0;
}

// A .B19 file either is refused, leaving the object as it was, or reads back to itself.
int B19(const std::uint8_t* data, std::size_t size) {
    FirmwareDataFile file;
    if (!file.LoadB19FromBytes(std::span(data, size))) {
        FUZZ_CHECK(file.GetBlocks().empty());
        return 0;
    }
    for (const auto& b : file.GetBlocks()) FUZZ_CHECK(b.GetLength() <= CCVNFlashMemoryItem::kMaxLength);
    FirmwareDataFile back;
    FUZZ_CHECK(back.LoadB19FromBytes(file.ToBytes(file.GetFirmwareVersion())));
    FUZZ_CHECK(back.GetBlocks() == file.GetBlocks());
    FUZZ_CHECK(back.GetFirmwareVersion() == file.GetFirmwareVersion());
    return 0;
}

const FuzzEntryRegistrar kMapRecords("map_records", MapRecords);
const FuzzEntryRegistrar kMapFile("map_file", MapFile);
const FuzzEntryRegistrar kServiceData("service_data", ServiceData);
const FuzzEntryRegistrar kS19("s19", S19);
const FuzzEntryRegistrar kB19("b19", B19);

}  // namespace

int RunMapRecords(const std::uint8_t* d, std::size_t n) { return MapRecords(d, n); }
int RunMapFile(const std::uint8_t* d, std::size_t n) { return MapFile(d, n); }
int RunServiceData(const std::uint8_t* d, std::size_t n) { return ServiceData(d, n); }
int RunS19(const std::uint8_t* d, std::size_t n) { return S19(d, n); }
int RunB19(const std::uint8_t* d, std::size_t n) { return B19(d, n); }

}  // namespace corvane::fuzz
