#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "documents/CCorvaneMapsDoc.h"
#include "documents/MapFileRecords.h"
#include "maps/CModuleMap.h"
#include "model/Archive.h"

using namespace corvane;

namespace {

void PutU32(std::vector<std::uint8_t>& b, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}

AppState App(std::uint32_t code) {
    AppState app;
    app.productCode = code;
    return app;
}

std::vector<std::uint8_t> NewFile(std::uint32_t code) {
    AppState app = App(code);
    CCorvaneMapsDoc doc(app);
    return doc.SaveToBytes();
}

MapFileFault FaultOf(const std::vector<std::uint8_t>& bytes, std::uint32_t code) {
    return MapFileRecords::Parse(bytes, code).fault;
}

}  // namespace

// --- Shape and round trip ---------------------------------------------------------------------

TEST(MapFileRecords, ShapeOfEveryProductCodeIsWhatItsDocumentHolds) {
    for (std::uint32_t code : {1u, 2u, 4u, 8u, 64u, 128u, 256u}) {
        SCOPED_TRACE(code);
        AppState app = App(code);
        CCorvaneMapsDoc doc(app);
        std::size_t points = 0;
        for (int m = 0; m < doc.GetMapCount(); ++m)
            if (!doc.GetMap(m)->IsComposite()) points += static_cast<std::size_t>(doc.GetMap(m)->GetNumberOfPoints());
        const MapFileShape& shape = MapFileRecords::ShapeOf(code);
        EXPECT_TRUE(shape.known);
        EXPECT_EQ(shape.fileMapCount, doc.GetFileMapCount());
        EXPECT_EQ(shape.pointCount, points);
        EXPECT_EQ(shape.compositeTrailer, doc.GetFamily() == ProductFamily::kA);
        EXPECT_EQ(shape.readsVersion10, code == 2 || code == 4 || code == 8);
    }
    EXPECT_FALSE(MapFileRecords::ShapeOf(3).known);
}

TEST(MapFileRecords, EditedDocumentRoundTripsThroughRecords) {
    for (std::uint32_t code : {1u, 2u}) {
        SCOPED_TRACE(code);
        AppState app = App(code);
        CCorvaneMapsDoc doc(app);
        doc.GetMap(3)->StepPointByModuleUnits(5, 7);
        doc.ApplySettingDisplayValue(kRevLimit, 6400);
        doc.SetBaseMapName("EDITED");
        const MapFileRecords records = doc.ToRecords();
        const auto bytes = doc.SaveToBytes();
        // The writer is records to bytes: the document adds nothing of its own.
        EXPECT_EQ(records.ToBytes(), bytes);
        const MapFileParse parsed = MapFileRecords::Parse(bytes, code);
        ASSERT_TRUE(parsed.Ok());
        EXPECT_EQ(parsed.records, records);
        EXPECT_EQ(parsed.records.compositeTrims.size(), code == 1 ? 32u : 0u);
        EXPECT_EQ(parsed.records.baseMapName, "EDITED");
        // Bytes after the last field are not part of the file.
        auto longer = bytes;
        longer.insert(longer.end(), {1, 2, 3});
        EXPECT_EQ(MapFileRecords::Parse(longer, code).records, records);
    }
}

TEST(MapFileRecords, Version10RecordsWriteTheirOwnLayout) {
    MapFileRecords records = MapFileRecords::Parse(NewFile(4), 4).records;
    records.version = 10;
    records.settings.resize(MapFileRecords::kVersion10SettingCount);
    records.version10Tail = 0xDEADBEEF;
    const auto bytes = records.ToBytes();
    // No reserved blocks; the tail follows the point records.
    EXPECT_EQ(bytes.size(), 12 + 17 + 10 * (25 + records.PointCount()) + 4);
    EXPECT_EQ(bytes.size(), records.FileSize());
    const MapFileParse parsed = MapFileRecords::Parse(bytes, 4);
    ASSERT_TRUE(parsed.Ok());
    EXPECT_EQ(parsed.records, records);
}

// --- Rules and their load status -------------------------------------------------------------

TEST(MapFileRecords, EveryVersionAndProductRuleHasItsFaultAndStatus) {
    const auto good = NewFile(2);
    struct Case {
        std::uint32_t version;
        std::uint32_t product;
        std::uint32_t running;
        MapFileFault fault;
    };
    const Case cases[] = {
        {12, 2, 2, MapFileFault::kNone},
        {11, 2, 2, MapFileFault::kNone},
        // The product code comes before any version rule a reader has...
        {12, 2, 4, MapFileFault::kWrongProduct},
        {13, 2, 4, MapFileFault::kWrongProduct},
        {10, 2, 64, MapFileFault::kWrongProduct},
        // ...but files before version 10 have none, so they are never "another product's".
        {9, 2, 4, MapFileFault::kUnsupportedVersion},
        {0, 2, 2, MapFileFault::kUnsupportedVersion},
        {13, 2, 2, MapFileFault::kUnsupportedVersion},
        {0xFFFFFFFF, 2, 2, MapFileFault::kUnsupportedVersion},
        // A product code of no family reads nothing, even its own files.
        {12, 3, 3, MapFileFault::kUnsupportedVersion},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.version << " " << c.product << " " << c.running);
        auto bytes = good;
        PutU32(bytes, 0, c.version);
        PutU32(bytes, 4, c.product);
        const MapFileParse parsed = MapFileRecords::Parse(bytes, c.running);
        EXPECT_EQ(parsed.fault, c.fault);
        EXPECT_EQ(parsed.status, LoadStatusOf(c.fault));
        AppState app = App(c.running);
        EXPECT_EQ(CCorvaneMapsDoc::Load(bytes, app).status, parsed.status);
    }
    EXPECT_EQ(LoadStatusOf(MapFileFault::kWrongProduct), kLoadWrongProduct);
    EXPECT_EQ(LoadStatusOf(MapFileFault::kMapCountMismatch), kLoadCorrupt);
    EXPECT_EQ(LoadStatusOf(MapFileFault::kDamaged), kLoadCorrupt);
}

TEST(MapFileRecords, VersionTenIsReadOnlyByItsProductCodes) {
    for (std::uint32_t code : {1u, 2u, 4u, 8u, 64u, 128u, 256u}) {
        MapFileRecords records = MapFileRecords::Parse(NewFile(code), code).records;
        records.version = 10;
        records.settings.resize(MapFileRecords::kVersion10SettingCount);
        const bool reads = code == 2 || code == 4 || code == 8;
        EXPECT_EQ(FaultOf(records.ToBytes(), code), reads ? MapFileFault::kNone : MapFileFault::kUnsupportedVersion)
            << code;
    }
}

TEST(MapFileRecords, MapCountIsCheckedAfterTheNameIsRead) {
    auto bytes = NewFile(1);
    PutU32(bytes, 8, 195);  // the document's map count: family A files count basic maps only
    EXPECT_EQ(FaultOf(bytes, 1), MapFileFault::kMapCountMismatch);
    // With its name cut short the same file is damaged: the name is read before the count
    // is judged.
    bytes.resize(20);
    EXPECT_EQ(FaultOf(bytes, 1), MapFileFault::kDamaged);
}

TEST(MapFileRecords, EveryProperPrefixOfAFileIsDamaged) {
    for (std::uint32_t code : {2u, 1u}) {
        const auto good = NewFile(code);
        for (std::size_t cut = 0; cut < good.size(); ++cut) {
            const MapFileParse parsed = MapFileRecords::Parse(std::span(good).first(cut), code);
            ASSERT_EQ(parsed.fault, MapFileFault::kDamaged) << code << " cut at " << cut;
            ASSERT_TRUE(parsed.records.mapPoints.empty()) << "records decoded before the length check";
        }
    }
}

// --- Apply step ---------------------------------------------------------------------------------

TEST(MapFileRecordsApply, RecordsThatDoNotFitBuildNoDocument) {
    MapFileRecords good = MapFileRecords::Parse(NewFile(1), 1).records;
    AppState app = App(1);
    auto shortOfOne = good;
    shortOfOne.mapPoints.back().pop_back();
    auto noTrailer = good;
    noTrailer.compositeTrims.clear();
    for (const MapFileRecords* r : {&shortOfOne, &noTrailer}) {
        app.loadStatus = kLoadOk;
        const auto result = CCorvaneMapsDoc::FromRecords(*r, app);
        EXPECT_EQ(result.status, kLoadCorrupt);
        EXPECT_EQ(app.loadStatus, kLoadCorrupt);
        EXPECT_FALSE(result.document);
    }
    AppState other = App(128);
    EXPECT_EQ(CCorvaneMapsDoc::FromRecords(good, other).status, kLoadWrongProduct);
    const auto loaded = CCorvaneMapsDoc::FromRecords(good, app);
    ASSERT_EQ(loaded.status, kLoadOk);
    EXPECT_FALSE(loaded.document->IsModified());
}

TEST(MapFileRecordsApply, SerializeOfARefusedFileLeavesTheDocumentAsItWas) {
    AppState app = App(2);
    CCorvaneMapsDoc doc(app);
    doc.GetMap(0)->StepPointByModuleUnits(0, 9);
    doc.SetBaseMapName("KEEPME");
    const auto before = doc.SaveToBytes();
    auto damaged = NewFile(2);
    damaged.resize(damaged.size() - 1);
    Archive archive(damaged);
    doc.Serialize(archive);
    EXPECT_EQ(app.loadStatus, kLoadCorrupt);
    EXPECT_EQ(doc.GetBaseMapName(), "KEEPME");
    EXPECT_EQ(doc.SaveToBytes(), before);
}
