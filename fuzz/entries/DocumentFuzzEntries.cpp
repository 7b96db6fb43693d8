// Fuzzed readers of the documents layer: map file, service data file, S19 and B19 files.
#include <string_view>

#include "FuzzEntry.h"
#include "documents/CCorvaneMapsDoc.h"
#include "documents/FirmwareDataFile.h"
#include "documents/S19Parser.h"
#include "documents/ServiceDataFile.h"
#include "maps/CModuleMap.h"

namespace corvane::fuzz {
namespace {

// The first byte picks the running product code; the rest is the map file. A loaded file
// must save and load again to the same bytes, with every base and trim kept.
int MapFile(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    static constexpr std::uint32_t kCodes[] = {1, 2, 4, 8, 64, 128, 256};
    AppState app;
    app.productCode = kCodes[data[0] % 7];
    auto loaded = CCorvaneMapsDoc::Load(std::span(data + 1, size - 1), app);
    FUZZ_CHECK(loaded.status == kLoadOk || loaded.status == kLoadWrongProduct || loaded.status == kLoadCorrupt);
    FUZZ_CHECK((loaded.document != nullptr) == (loaded.status == kLoadOk));
    FUZZ_CHECK(app.loadStatus == loaded.status);
    if (!loaded.document) return 0;
    CCorvaneMapsDoc& doc = *loaded.document;
    FUZZ_CHECK(doc.GetBaseMapName().size() <= 16);
    const auto saved = doc.SaveToBytes();
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

const FuzzEntryRegistrar kMapFile("map_file", MapFile);
const FuzzEntryRegistrar kServiceData("service_data", ServiceData);
const FuzzEntryRegistrar kS19("s19", S19);
const FuzzEntryRegistrar kB19("b19", B19);

}  // namespace

int RunMapFile(const std::uint8_t* d, std::size_t n) { return MapFile(d, n); }
int RunServiceData(const std::uint8_t* d, std::size_t n) { return ServiceData(d, n); }
int RunS19(const std::uint8_t* d, std::size_t n) { return S19(d, n); }
int RunB19(const std::uint8_t* d, std::size_t n) { return B19(d, n); }

}  // namespace corvane::fuzz
