#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "TempDir.h"
#include "documents/CCorvaneMapsDoc.h"
#include "maps/CMapEditor.h"
#include "maps/CModuleMap.h"
#include "maps/IdleMapSync.h"
#include "model/Archive.h"

using namespace corvane;
using corvane::test::TempDir;

namespace {

constexpr std::size_t kHeaderBytes = 4 + 4 + 4 + 17 + 1024 + 290 + 1004;

std::uint32_t U32At(const std::vector<std::uint8_t>& b, std::size_t at) {
    return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (static_cast<std::uint32_t>(b[at + 3]) << 24);
}
void PutU32(std::vector<std::uint8_t>& b, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}

std::size_t BasicPoints(const CCorvaneMapsDoc& doc) {
    std::size_t n = 0;
    for (int i = 0; i < doc.GetMapCount(); ++i)
        if (!doc.GetMap(i)->IsComposite()) n += static_cast<std::size_t>(doc.GetMap(i)->GetNumberOfPoints());
    return n;
}

AppState App(std::uint32_t code) {
    AppState app;
    app.productCode = code;
    return app;
}

// A version 10 file for a family B/C document: no reserved blocks, 25 settings records,
// the map records and one trailing uint32.
std::vector<std::uint8_t> Version10File(const CCorvaneMapsDoc& doc, std::uint32_t productCode) {
    Archive a;
    a.WriteU32(10);
    a.WriteU32(productCode);
    a.WriteU32(static_cast<std::uint32_t>(doc.GetMapCount()));
    a.WriteString("V10NAME000000000");
    for (int i = 0; i <= 25; ++i) {
        if (i == kIACStopOffset) continue;
        a.WriteU16(0xBEEF);  // the stored address is ignored
        a.WriteI32(doc.GetSetting(i)->GetBaseValue());
        a.WriteI32(0);
    }
    for (std::size_t p = 0; p < BasicPoints(doc); ++p) {
        a.WriteU16(0);
        a.WriteI32(10);
        a.WriteI32(0);
    }
    a.WriteU32(0);
    return a.Bytes();
}

}  // namespace

// --- Construction ---------------------------------------------------------------------------

TEST(MapsDocConstruction, EachFamilyBuildsItsMapsAndPositions) {
    AppState a = App(1);
    CCorvaneMapsDoc docA(a);
    EXPECT_EQ(docA.GetBasicMapCount(), 194);
    EXPECT_EQ(docA.GetCompositeMapCount(), 1);
    EXPECT_EQ(docA.GetMap(194)->GetClassName(), "IgnVsRpmMap");
    EXPECT_EQ(docA.GetMap(0)->GetClassName(), "Stoichiometric256Map");
    EXPECT_EQ(docA.GetMap(35)->GetClassName(), "RearTrimVsThrottle256Map");
    EXPECT_EQ(docA.GetWarrantyValues(), nullptr);
    EXPECT_EQ(a.familyPositions.firstRearTrim, 35);
    EXPECT_EQ(a.familyPositions.lastRearTrim, 66);
    EXPECT_EQ(a.familyPositions.firstFuel, 0);
    EXPECT_EQ(a.familyPositions.lastFuel, 31);

    AppState b = App(2);
    b.familyPositions = {1, 2, 3, 4};
    CCorvaneMapsDoc docB(b);
    EXPECT_EQ(docB.GetBasicMapCount(), 34);
    EXPECT_EQ(docB.GetCompositeMapCount(), 3);
    ASSERT_NE(docB.GetWarrantyValues(), nullptr);
    EXPECT_EQ(docB.GetWarrantyValues()->logs.size(), 60u);
    EXPECT_EQ(b.familyPositions.lastRearTrim, 0);
    EXPECT_EQ(b.familyPositions.firstRearTrim, 0);

    AppState c = App(256);
    CCorvaneMapsDoc docC(c);
    EXPECT_EQ(docC.GetMapCount(), 34);
    EXPECT_EQ(docC.GetMap(0)->GetClassName(), "IGNVSMAP256Map");
    EXPECT_EQ(docC.GetWarrantyValues(), nullptr);
}

TEST(MapsDocConstruction, NewDocumentImageHoldsWhatItShows) {
    AppState app = App(2);
    CCorvaneMapsDoc doc(app);
    EXPECT_EQ(doc.GetBaseMapName(), "0000000000000000");
    EXPECT_EQ(doc.GetFileVersion(), 12);
    EXPECT_FALSE(doc.IsModified());
    EXPECT_TRUE(doc.GetPathName().empty());
    // The settings' initial values survive the image fill: rev limit 6144 rpm = 192 at 0x040A.
    const CBasicSettingsModuleValue& rev = *doc.GetSetting(kRevLimit);
    EXPECT_DOUBLE_EQ(rev.GetDisplayValue(), 6144.0);
    EXPECT_EQ(rev.GetBaseValue(), rev.GetModuleValue());
    EXPECT_EQ(doc.ReadByte(0x040A), 192);
    EXPECT_EQ(doc.ReadByte(0x0400), 1340 >> 8);
    EXPECT_EQ(doc.ReadByte(0x0401), 1340 & 0xFF);
    for (int i = 0; i < 16; ++i) EXPECT_EQ(doc.ReadByte(static_cast<std::uint16_t>(0x0F00 + i)), '0');
}

TEST(MapsDocConstruction, SettingsBytesMatchASettingsOnlyImageInEveryFamily) {
    // The family's image fill covers the settings' addresses (family A fills far past 0x0F14);
    // afterwards every settings byte is as the settings alone write it.
    CModuleMemoryMapMirror reference;
    DocumentContext context;
    context.image = &reference;
    const auto settings = CreateBasicSettings(&context);
    for (std::uint32_t code : {1u, 2u, 4u}) {
        AppState app = App(code);
        CCorvaneMapsDoc doc(app);
        for (const auto& s : settings)
            for (int b = 0; b < s->GetByteWidth(); ++b) {
                const auto address = static_cast<std::uint16_t>(s->GetAddress() + b);
                EXPECT_EQ(doc.ReadByte(address), reference.ReadByte(address)) << code << " " << s->GetClassName();
            }
    }
}

TEST(MapsDocConstruction, SelectorTreeListsGroupsSettingsAndWarranty) {
    AppState app = App(2);
    CCorvaneMapsDoc doc(app);
    const auto tree = doc.SelectorTree();
    ASSERT_GE(tree.size(), 4u);
    EXPECT_EQ(tree[0].type, SelectorEntry::Type::kGroup);
    EXPECT_EQ(tree[1].type, SelectorEntry::Type::kMap);
    EXPECT_EQ(tree[1].number, 0);
    int maps = 0;
    for (std::size_t i = 0; i < tree.size(); ++i) {
        if (tree[i].type != SelectorEntry::Type::kMap) continue;
        ++maps;
        EXPECT_EQ(tree[i].itemKind, SelectorEntry::kKindMap);
        // A header precedes a map whose group differs from the previous map's.
        const int m = tree[i].number;
        if (m > 0 && doc.GetMap(m)->GetGroupNumber() != doc.GetMap(m - 1)->GetGroupNumber())
            EXPECT_EQ(tree[i - 1].type, SelectorEntry::Type::kGroup);
    }
    EXPECT_EQ(maps, doc.GetMapCount());
    const auto& last = tree.back();
    EXPECT_EQ(last.text, "Warranty Information");
    EXPECT_EQ(last.itemKind, 5);
    EXPECT_EQ(last.number, doc.GetMapCount() + 1);
    EXPECT_EQ(tree[tree.size() - 2].text, "Basic Settings");
    EXPECT_EQ(tree[tree.size() - 2].itemKind, 3);
    EXPECT_EQ(tree[tree.size() - 3].text, "Module Configuration");

    AppState appC = App(4);
    CCorvaneMapsDoc docC(appC);
    EXPECT_EQ(docC.SelectorTree().back().text, "Basic Settings");

    // Family A: a header wherever the group changes, the composite's group coming round again.
    AppState appA = App(1);
    CCorvaneMapsDoc docA(appA);
    std::vector<std::string> headers;
    for (const auto& entry : docA.SelectorTree())
        if (entry.type == SelectorEntry::Type::kGroup) headers.push_back(entry.text);
    const std::vector<std::string> expected = {
        "EFI Maps", "Air Density Correction Maps", "Rear Cylinder Trim Maps", "Transient Fuel Correction",
        "Air Fuel Ratio Curves", "Injector Characteristics", "IAC Curves", "Injection Timing",
        "Ignition Timing Maps", "Fuel Pump Curves", "Head Temperature Sensor Calibration",
        "Air Temperature Sensor Calibration", "Adj TPS Sensor Calibration", "TPS Percent Sensor Calibration",
        "Ignition Timing Maps", "Tables", "Module Configuration"};
    EXPECT_EQ(headers, expected);
    // The tables of the family's speed-indexed families, numbered after the settings' entries.
    std::vector<std::string> tables;
    for (const auto& entry : docA.SelectorTree())
        if (entry.type == SelectorEntry::Type::kTable) {
            tables.push_back(entry.text);
            EXPECT_EQ(entry.itemKind, SelectorEntry::kKindTable);
            EXPECT_FALSE(docA.TableOfSelectorNumber(entry.number).empty());
        }
    EXPECT_EQ(tables, (std::vector<std::string>{"Fuelflow vs TPS", "Rear cyl trim vs TPS", "Timing vs TPS"}));
    EXPECT_EQ(docA.SelectorNumberOfTable("fuel"), docA.GetMapCount() + 2);
    EXPECT_EQ(docA.TableOfSelectorNumber(docA.GetMapCount() + 4), "ignition");
    EXPECT_EQ(docA.TableOfSelectorNumber(docA.GetMapCount() + 1), "") << "the warranty's number";
    EXPECT_EQ(doc.TableOfSelectorNumber(doc.SelectorNumberOfTable("timing")), "timing");
}

// --- Golden bytes ---------------------------------------------------------------------------

TEST(MapsDocFile, NewDocumentOfFamiliesBAndCHasTheGoldenLayout) {
    for (std::uint32_t code : {2u, 4u, 8u, 64u, 256u}) {
        SCOPED_TRACE(code);
        AppState app = App(code);
        CCorvaneMapsDoc doc(app);
        const auto bytes = doc.SaveToBytes();
        ASSERT_EQ(bytes.size(), kHeaderBytes + 10 * BasicPoints(doc));
        EXPECT_EQ(U32At(bytes, 0), 12u);
        EXPECT_EQ(U32At(bytes, 4), code);
        EXPECT_EQ(U32At(bytes, 8), static_cast<std::uint32_t>(doc.GetMapCount()));
        EXPECT_EQ(bytes[12], 16);
        EXPECT_EQ(std::string(bytes.begin() + 13, bytes.begin() + 29), "0000000000000000");
        for (std::size_t i = 29; i < 29 + 1024; ++i) ASSERT_EQ(bytes[i], 0) << i;
        // Settings: address, base, trim of each in index order.
        for (int s = 0; s < 29; ++s) {
            const std::size_t at = 29 + 1024 + 10 * static_cast<std::size_t>(s);
            const CBasicSettingsModuleValue& v = *doc.GetSetting(s);
            EXPECT_EQ(bytes[at] | (bytes[at + 1] << 8), v.GetAddress());
            EXPECT_EQ(static_cast<std::int32_t>(U32At(bytes, at + 2)), v.GetBaseValue());
            EXPECT_EQ(U32At(bytes, at + 6), 0u);
        }
        for (std::size_t i = 29 + 1024 + 290; i < kHeaderBytes; ++i) ASSERT_EQ(bytes[i], 0) << i;
        // First map record: point 0 of map 0.
        const CModuleMap& first = *doc.GetMap(0);
        EXPECT_EQ(bytes[kHeaderBytes] | (bytes[kHeaderBytes + 1] << 8), first.GetStartAddress());
        EXPECT_EQ(static_cast<std::int32_t>(U32At(bytes, kHeaderBytes + 2)), first.GetPointBaseValue(0));
    }
}

TEST(MapsDocFile, FamilyAWritesBasicCountAndTheCompositeTrailer) {
    AppState app = App(1);
    CCorvaneMapsDoc doc(app);
    const auto bytes = doc.SaveToBytes();
    ASSERT_EQ(bytes.size(), kHeaderBytes + 10 * BasicPoints(doc) + 4 * 32);
    EXPECT_EQ(U32At(bytes, 8), 194u);
    EXPECT_EQ(BasicPoints(doc), 194u * 64u);
}

// --- Round trips ------------------------------------------------------------------------------

TEST(MapsDocFile, NewDocumentReopensWithItsInitialSettings) {
    TempDir dir;
    AppState app = App(1);
    CCorvaneMapsDoc doc(app);
    const std::string path = dir.File("new.crv");
    ASSERT_TRUE(doc.Save(path));
    EXPECT_EQ(doc.GetPathName(), path);
    auto opened = CCorvaneMapsDoc::Open(path, app);
    ASSERT_EQ(opened.status, kLoadOk);
    ASSERT_TRUE(opened.document);
    for (int s = 0; s < 29; ++s) {
        SCOPED_TRACE(s);
        EXPECT_DOUBLE_EQ(opened.document->GetSetting(s)->GetDisplayValue(), doc.GetSetting(s)->GetDisplayValue());
    }
    EXPECT_DOUBLE_EQ(opened.document->GetSetting(kRevLimit)->GetDisplayValue(), 6144.0);
    EXPECT_EQ(opened.document->ReadByte(0x040A), 192);
    EXPECT_FALSE(opened.document->IsModified());
    EXPECT_EQ(opened.document->GetPathName(), path);
}

// A map file is a few tens of kilobytes: a file past 16 MiB is refused before it is read into
// memory, even one that starts as a map file (bytes after the maps are otherwise passed over).
TEST(MapsDocFile, AFilePastTheSizeLimitIsRefusedEvenIfItStartsAsAMapFile) {
    TempDir dir;
    AppState app = App(1);
    CCorvaneMapsDoc doc(app);
    const std::string path = dir.File("padded.crv");
    ASSERT_TRUE(doc.Save(path));
    const std::uintmax_t limit = 16u * 1024u * 1024u;
    std::filesystem::resize_file(path, limit);
    EXPECT_EQ(CCorvaneMapsDoc::Open(path, app).status, kLoadOk) << "trailing bytes up to the limit are passed over";
    std::filesystem::resize_file(path, limit + 1);
    const auto past = CCorvaneMapsDoc::Open(path, app);
    EXPECT_EQ(past.status, kLoadCorrupt);
    EXPECT_FALSE(past.document);
}

TEST(MapsDocFile, RoundTripKeepsEveryBaseAndTrim) {
    for (std::uint32_t code : {1u, 2u, 4u}) {
        SCOPED_TRACE(code);
        AppState app = App(code);
        CCorvaneMapsDoc doc(app);
        // Vary bases and trims over every basic map.
        for (int m = 0; m < doc.GetMapCount(); ++m) {
            CModuleMap& map = *doc.GetMap(m);
            if (map.IsComposite()) continue;
            for (int i = 0; i < map.GetNumberOfPoints(); ++i) {
                ModuleValue& v = map.GetMapPoint(i)->GetValue();
                const int span = v.GetModuleMaximum() - v.GetModuleMinimum();
                v.SetBaseAndTrim(v.GetModuleMinimum() + (m * 7 + i * 3) % (span + 1), 0);
                if (v.GetMarginType() != 0) map.GetMapPoint(i)->AssignTrim((i % 5) - 2);
            }
        }
        doc.ApplySettingDisplayValue(kRevLimit, 6400);
        doc.SetBaseMapName("TUNEDMAP");
        for (int m = 0; m < doc.GetMapCount(); ++m) doc.GetMap(m)->SyncFromRows();
        if (code == 1) {
            // Trims edited through the composite reach its rows, and come back with them.
            CModuleMap& composite = *doc.GetMap(doc.FindMap("IgnVsRpmMap"));
            composite.StepPointTrimByModuleUnits(3, 4);
            composite.StepPointTrimByModuleUnits(31, -6);
            EXPECT_NE(composite.GetPointTrimValue(3), 0);
        }
        int trimmed = 0;
        for (int m = 0; m < doc.GetMapCount(); ++m)
            for (int i = 0; i < doc.GetMap(m)->GetNumberOfPoints(); ++i) trimmed += doc.GetMap(m)->GetPointTrimValue(i) != 0;
        ASSERT_GT(trimmed, 100);
        const auto bytes = doc.SaveToBytes();

        auto loaded = CCorvaneMapsDoc::Load(bytes, app);
        ASSERT_EQ(loaded.status, kLoadOk);
        CCorvaneMapsDoc& back = *loaded.document;
        EXPECT_EQ(back.GetBaseMapName(), "TUNEDMAP");
        EXPECT_DOUBLE_EQ(back.GetSetting(kRevLimit)->GetDisplayValue(), 6400.0);
        for (int m = 0; m < doc.GetMapCount(); ++m) {
            const CModuleMap& a = *doc.GetMap(m);
            const CModuleMap& b = *back.GetMap(m);
            for (int i = 0; i < a.GetNumberOfPoints(); ++i) {
                ASSERT_EQ(b.GetPointBaseValue(i), a.GetPointBaseValue(i)) << m << "/" << i;
                ASSERT_EQ(b.GetPointTrimValue(i), a.GetPointTrimValue(i)) << m << "/" << i;
                ASSERT_FALSE(b.IsPointInSync(i));
            }
        }
        // Every value rewrote its bytes: the images agree on the map area.
        for (int addr = 0x8000; addr < 0xE000; ++addr)
            ASSERT_EQ(back.ReadByte(static_cast<std::uint16_t>(addr)), doc.ReadByte(static_cast<std::uint16_t>(addr)))
                << std::hex << addr;
        EXPECT_EQ(back.SaveToBytes(), bytes);
    }
}

TEST(MapsDocFile, StoredAddressesAreIgnoredWhenLoading) {
    AppState app = App(4);
    CCorvaneMapsDoc doc(app);
    auto bytes = doc.SaveToBytes();
    // Point 0 of map 0: address scrambled, base 20.
    bytes[kHeaderBytes] = 0x34;
    bytes[kHeaderBytes + 1] = 0x12;
    PutU32(bytes, kHeaderBytes + 2, 20);
    auto loaded = CCorvaneMapsDoc::Load(bytes, app);
    ASSERT_EQ(loaded.status, kLoadOk);
    const CModuleMap& map = *loaded.document->GetMap(0);
    EXPECT_EQ(map.GetMapPoint(0)->GetAddress(), map.GetStartAddress());
    EXPECT_EQ(loaded.document->ReadByte(map.GetStartAddress()), 20);
    EXPECT_EQ(loaded.document->ReadByte(0x0100), 0xFF);  // inside the filled area, untouched
}

// --- Base map name ----------------------------------------------------------------------------

TEST(MapsDocFile, AnOverlongBaseMapNameIsCutTo16) {
    AppState app = App(2);
    CCorvaneMapsDoc doc(app);
    doc.SetBaseMapName("ABCDEFGHIJKLMNOPQRSTUVWXYZ");
    EXPECT_EQ(doc.GetBaseMapName(), "ABCDEFGHIJKLMNOP");
    EXPECT_TRUE(doc.IsModified());

    // A file whose name field is longer than 16: read whole, kept as 16, never spilling past
    // 0x0F0F in the image.
    Archive a;
    a.WriteU32(12);
    a.WriteU32(2);
    a.WriteU32(static_cast<std::uint32_t>(doc.GetMapCount()));
    a.WriteString(std::string(40, 'N'));
    auto rest = doc.SaveToBytes();
    std::vector<std::uint8_t> file = a.Bytes();
    file.insert(file.end(), rest.begin() + 29, rest.end());
    auto loaded = CCorvaneMapsDoc::Load(file, app);
    ASSERT_EQ(loaded.status, kLoadOk);
    EXPECT_EQ(loaded.document->GetBaseMapName(), std::string(16, 'N'));
    EXPECT_EQ(loaded.document->ReadByte(0x0F0F), 'N');
    EXPECT_EQ(loaded.document->ReadByte(0x0F10), 0);
}

TEST(MapsDocFile, BaseMapNameFromPathIsPaddedOrCut) {
    EXPECT_EQ(CCorvaneMapsDoc::BaseMapNameFromPath("/x.d/Stage1.crv"), "Stage10000000000");
    EXPECT_EQ(CCorvaneMapsDoc::BaseMapNameFromPath("C:\\maps\\AVeryLongMapFileName.crv"), "AVeryLongMapFile");
}

// --- Load status --------------------------------------------------------------------------------

TEST(MapsDocLoad, WrongProductCodeIsRefusedBeforeAnythingElse) {
    AppState writer = App(2);
    CCorvaneMapsDoc doc(writer);
    auto bytes = doc.SaveToBytes();
    bytes.resize(12);  // nothing after the product code: still status 1
    AppState reader = App(4);
    auto loaded = CCorvaneMapsDoc::Load(bytes, reader);
    EXPECT_EQ(loaded.status, kLoadWrongProduct);
    EXPECT_EQ(reader.loadStatus, kLoadWrongProduct);
    EXPECT_FALSE(loaded.document);
    EXPECT_EQ(loaded.Message(), "This Product CANNOT read this file.  Wrong Product Code.");
}

TEST(MapsDocLoad, MapCountMismatchIsCorrupt) {
    AppState app = App(2);
    CCorvaneMapsDoc doc(app);
    auto bytes = doc.SaveToBytes();
    PutU32(bytes, 8, 36);
    auto loaded = CCorvaneMapsDoc::Load(bytes, app);
    EXPECT_EQ(loaded.status, kLoadCorrupt);
    EXPECT_EQ(loaded.Message(), "Aborting File Load: DataFile corrupt OR incompatible version.");
}

TEST(MapsDocLoad, Version10KeepsWhatItLacks) {
    AppState app2 = App(2);
    CCorvaneMapsDoc doc2(app2);
    auto loaded = CCorvaneMapsDoc::Load(Version10File(doc2, 2), app2);
    ASSERT_EQ(loaded.status, kLoadOk);
    const CCorvaneMapsDoc& d = *loaded.document;
    EXPECT_EQ(d.GetFileVersion(), 10);
    EXPECT_EQ(d.GetBaseMapName(), "V10NAME000000000");
    EXPECT_EQ(d.GetMap(0)->GetPointBaseValue(5), 10);
    // The four settings version 10 lacks keep their construction values.
    for (int s : {kIACStopOffset, kIdleRpm, kStartIgnRevsDelay, kMapSelectLock})
        EXPECT_DOUBLE_EQ(d.GetSetting(s)->GetDisplayValue(), doc2.GetSetting(s)->GetDisplayValue()) << s;
    EXPECT_DOUBLE_EQ(d.GetSetting(kIdleRpm)->GetDisplayValue(), 944.0);  // 950 rpm in 16 rpm steps
}

// Every product code with every file version: 11 and 12 are read by every family, version 10
// only by the codes 2, 4 and 8, anything else is corrupt.
TEST(MapsDocLoad, EveryProductCodeWithEveryFileVersion) {
    for (std::uint32_t code : {1u, 2u, 4u, 8u, 64u, 128u, 256u}) {
        AppState app = App(code);
        CCorvaneMapsDoc doc(app);
        const auto current = doc.SaveToBytes();
        for (std::uint32_t version : {0u, 5u, 9u, 10u, 11u, 12u, 13u, 0xFFFFFFFFu}) {
            std::vector<std::uint8_t> bytes;
            if (version == 10) {
                bytes = Version10File(doc, code);
            } else {
                bytes = current;
                PutU32(bytes, 0, version);
            }
            const bool readable = version == 11 || version == 12 || (version == 10 && (code == 2 || code == 4 || code == 8));
            AppState reader = App(code);
            const auto loaded = CCorvaneMapsDoc::Load(bytes, reader);
            EXPECT_EQ(loaded.status, readable ? kLoadOk : kLoadCorrupt) << "code " << code << " version " << version;
            EXPECT_EQ(loaded.document != nullptr, readable) << "code " << code << " version " << version;
        }
    }
}

TEST(MapsDocLoad, TruncationsAreCorrupt) {
    AppState app = App(1);
    CCorvaneMapsDoc doc(app);
    const auto good = doc.SaveToBytes();
    for (std::size_t cut : {std::size_t{0}, std::size_t{3}, std::size_t{20}, kHeaderBytes - 1, kHeaderBytes + 15,
                            good.size() - 200, good.size() - 1}) {
        std::vector<std::uint8_t> bytes(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(cut));
        auto loaded = CCorvaneMapsDoc::Load(bytes, app);
        EXPECT_EQ(loaded.status, kLoadCorrupt) << cut;
        EXPECT_FALSE(loaded.document);
    }
}

TEST(MapsDocLoad, AFailedOpenLeavesNoDocument) {
    TempDir dir;
    AppState app = App(1);
    EXPECT_EQ(CCorvaneMapsDoc::Open(dir.File("missing.crv"), app).status, kLoadCorrupt);
    TempDir::WriteText(dir.File("junk.crv"), std::string("\x05\0\0\0junk", 8));
    auto r = CCorvaneMapsDoc::Open(dir.File("junk.crv"), app);
    EXPECT_EQ(r.status, kLoadCorrupt);
    EXPECT_FALSE(r.document);
}

// --- Modified flag and settings edits ------------------------------------------------------------

TEST(MapsDocEdits, EditsMarkModifiedAndSavingClearsIt) {
    TempDir dir;
    AppState app = App(1);
    CCorvaneMapsDoc doc(app);
    ASSERT_FALSE(doc.IsModified());
    doc.GetMap(40)->StepPointByModuleUnits(3, 2);
    EXPECT_TRUE(doc.IsModified());
    ASSERT_TRUE(doc.Save(dir.File("m.crv")));
    EXPECT_FALSE(doc.IsModified());
    doc.ApplySettingDisplayValue(kRevLimit, 8100);
    EXPECT_TRUE(doc.IsModified());
    EXPECT_EQ(doc.GetSetting(kRevLimit)->GetModuleValue(), 250);
    EXPECT_EQ(doc.GetSetting(kRevLimit)->GetBaseValue(), 250);
    EXPECT_EQ(doc.ReadByte(0x040A), 250);
}

// A composite stands for its rows at every moment, whichever window edits them: a row edited
// directly shows in it at once, an edit through it starts from what the row holds, and what is
// saved and opened again is the rows' values.
TEST(MapsDocComposites, ARowEditedDirectlyShowsInItsCompositeAtOnce) {
    TempDir dir;
    AppState app = App(1);
    CCorvaneMapsDoc doc(app);
    CModuleMap* composite = doc.GetMap(doc.FindMap("IgnVsRpmMap"));
    CModuleMap* row = doc.GetMap(doc.FindMap("IGNVSTHROTTLE2304Map"));  // the composite's point 8
    ASSERT_NE(composite, nullptr);
    ASSERT_NE(row, nullptr);
    for (int j = 0; j < row->GetNumberOfPoints(); ++j) row->StepPointByModuleUnits(j, 10 - row->GetPointModuleValue(j));
    ASSERT_EQ(composite->GetPointModuleValue(8), 10);

    row->StepPointByModuleUnits(0, 5);
    EXPECT_EQ(composite->GetPointBaseValue(8), row->GetPointBaseValue(0));
    // A step through the composite sets the row from the value it holds, not from an older one.
    composite->StepPointByModuleUnits(8, 1);
    for (int j = 0; j < row->GetNumberOfPoints(); ++j) EXPECT_EQ(row->GetPointModuleValue(j), 16) << j;

    row->StepPointTrimByModuleUnits(0, 2);
    EXPECT_EQ(composite->GetPointTrimValue(8), row->GetPointTrimValue(0));
    // The history's undo of a row edit takes the composite along.
    ASSERT_TRUE(doc.History().Undo());
    EXPECT_EQ(composite->GetPointTrimValue(8), row->GetPointTrimValue(0));
    ASSERT_TRUE(doc.History().Redo());

    const std::string path = dir.File("composite.crv");
    ASSERT_TRUE(doc.Save(path));
    auto opened = CCorvaneMapsDoc::Open(path, app);
    ASSERT_NE(opened.document, nullptr);
    const CModuleMap* reopened = opened.document->GetMap(opened.document->FindMap("IgnVsRpmMap"));
    const CModuleMap* reopenedRow = opened.document->GetMap(opened.document->FindMap("IGNVSTHROTTLE2304Map"));
    EXPECT_EQ(reopened->GetPointTrimValue(8), reopenedRow->GetPointTrimValue(0));
    EXPECT_EQ(reopened->GetPointTrimValue(8), 2);
    EXPECT_EQ(reopened->GetPointModuleValue(8), reopenedRow->GetPointModuleValue(0));
}

// A file whose composite trims lag behind its rows (saved by a version that let them) opens
// with the composite showing the rows' trims: the rows are what the module holds.
TEST(MapsDocComposites, AStaleCompositeTrailerIsNotTakenOverTheRows) {
    AppState app = App(1);
    CCorvaneMapsDoc doc(app);
    MapFileRecords records = doc.ToRecords();
    ASSERT_FALSE(records.compositeTrims.empty());
    const int row = doc.FindMap("IGNVSTHROTTLE2304Map");
    records.mapPoints[static_cast<std::size_t>(row)][0].trim = 3;
    records.compositeTrims[8] = -4;
    auto loaded = CCorvaneMapsDoc::Load(records.ToBytes(), app);
    ASSERT_NE(loaded.document, nullptr);
    const CModuleMap* composite = loaded.document->GetMap(loaded.document->FindMap("IgnVsRpmMap"));
    EXPECT_EQ(composite->GetPointTrimValue(8), 3);
}

TEST(MapsDocEdits, IdleSpeedSettingAndMapFollowEachOther) {
    AppState app = App(1);
    CCorvaneMapsDoc doc(app);
    CModuleMap& idle = *doc.GetMap(doc.FindMap("IDLEVSTEMPMap"));
    idle.SetBlockModuleValue(0, idle.GetNumberOfPoints() - 1, 60);
    idle.StepPointByModuleUnits(10, -5);  // lowest point: 55
    ASSERT_TRUE(doc.SyncIdleSettingFromMap());
    EXPECT_EQ(doc.GetSetting(kIdleRpm)->GetBaseValue(), 55);
    EXPECT_EQ(doc.GetSetting(kIdleRpm)->GetModuleValue(), 55);

    doc.ApplySettingDisplayValue(kIdleRpm, 50 * 16);  // 800 rpm = module 50
    int low = 0;
    ASSERT_TRUE(idle.GetMapLowIdleRpm(low));
    EXPECT_EQ(low, 50);
    EXPECT_EQ(idle.GetPointBaseValue(0), 55);

    AppState appB = App(2);
    CCorvaneMapsDoc docB(appB);
    EXPECT_FALSE(docB.SyncIdleSettingFromMap());
}

namespace {

std::vector<CModuleMap*> MapsOf(const CCorvaneMapsDoc& doc) {
    std::vector<CModuleMap*> maps;
    for (int i = 0; i < doc.GetMapCount(); ++i) maps.push_back(doc.GetMap(i));
    return maps;
}

}  // namespace

TEST(MapsDocIdle, AViewsEditorCarriesTheIdleSettingAlongAndTheTitleShowsIt) {
    AppState app = App(1);
    CCorvaneMapsDoc doc(app);
    const int idleIndex = doc.FindMap(IdleMapSync::kIdleMapName);
    CModuleMap& idle = *doc.GetMap(idleIndex);
    idle.SetBlockModuleValue(0, idle.GetNumberOfPoints() - 1, 60);
    CMapEditor editor(EditorView::Maps, MapsOf(doc), &doc.Context());
    editor.SetIdleMapSync(&doc.IdleSync());

    // Another map's edit leaves the setting alone.
    const int before = doc.GetSetting(kIdleRpm)->GetModuleValue();
    editor.ShowMap(idleIndex + 1);
    editor.HandleKey(Key::Down);
    EXPECT_EQ(doc.GetSetting(kIdleRpm)->GetModuleValue(), before);

    editor.ShowMap(idleIndex);
    editor.SetActivePoint(3);
    editor.HandleKey(Key::Down, {true, false});  // 60 - 5
    EXPECT_EQ(doc.GetSetting(kIdleRpm)->GetModuleValue(), 55);
    EXPECT_EQ(doc.GetSetting(kIdleRpm)->GetBaseValue(), 55);
    EXPECT_EQ(doc.GetLowIdleRpm(), 55);
    EXPECT_EQ(doc.MapTitle(idleIndex), idle.GetTitle() + " (Low Idle: 880 Rpm)");
    EXPECT_EQ(doc.MapTitle(idleIndex + 1), doc.GetMap(idleIndex + 1)->GetTitle());
    EXPECT_EQ(doc.MapTitle(-1), "");

    // The command-line tool's path is the document's too.
    idle.StepPointByModuleUnits(3, 10);
    doc.AfterMapEdited(idle);
    EXPECT_EQ(doc.GetSetting(kIdleRpm)->GetModuleValue(), 60);
}

TEST(MapsDocIdle, EnteringTheIacStopOffsetAgainPutsBackTrimsEditedByHand) {
    AppState app = App(1);
    CCorvaneMapsDoc doc(app);
    CModuleMap& iac = *doc.GetMap(doc.FindMap(IdleMapSync::kIacMapName));
    // Bases with room around them, and the margins opening a file gives, so trims may move.
    iac.SetBlockModuleValue(0, iac.GetNumberOfPoints() - 1, 100);
    doc.ApplyEditMargins();
    EXPECT_TRUE(doc.ApplySettingDisplayValue(kIACStopOffset, 3));
    iac.StepPointTrimByModuleUnits(5, 4);
    ASSERT_NE(iac.GetPointTrimValue(5), 3);
    EXPECT_FALSE(doc.ApplySettingDisplayValue(kIACStopOffset, 3));  // the value did not change
    for (int i = 0; i < iac.GetNumberOfPoints(); ++i) EXPECT_EQ(iac.GetPointTrimValue(i), 3) << i;
}

TEST(MapsDocIdle, AFamilyWithoutIdleMapsTitlesPlainly) {
    AppState app = App(2);
    CCorvaneMapsDoc doc(app);
    EXPECT_EQ(doc.IdleSync().IdleMap(), nullptr);
    EXPECT_EQ(doc.MapTitle(0), doc.GetMap(0)->GetTitle());
    doc.AfterSettingEntered(kIACStopOffset);  // nothing to do, nothing breaks
    doc.AfterMapEdited(*doc.GetMap(0));
}
