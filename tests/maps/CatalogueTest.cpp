#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "MapsFixture.h"

namespace corvane::test {
namespace {

using Catalogue = MapsFixture;

TEST(CatalogueTable, AxisTitlesLeaveOutANamelessAxis) {
    // The ignition table read against plain point position has no x-axis name: no "(na)".
    EXPECT_EQ(AxisTitle("", "na"), "");
    EXPECT_EQ(AxisTitle("Throttle Position", "deg"), "Throttle Position (deg)");
    // The sensor calibrations' texts stand as they are.
    EXPECT_EQ(AxisTitle("hex", "na"), "hex (na)");
}

TEST(CatalogueTable, HoldsEveryClassOnceInCatalogueOrder) {
    const auto names = CMapCatalogue::ClassNames();
    ASSERT_EQ(names.size(), 261u);
    EXPECT_EQ(std::set<std::string>(names.begin(), names.end()).size(), 261u);
    EXPECT_EQ(names.front(), "AirTemp384_447Map");
    EXPECT_EQ(names[10], "AdjTPS0_63Map");
    EXPECT_EQ(names.back(), "AirTemp320_383Map");
    int composites = 0;
    for (const auto& d : CMapCatalogue::Descriptions()) composites += d.isComposite ? 1 : 0;
    EXPECT_EQ(composites, 3);
}

// The catalogue against facts written down apart from it: every map, every field that decides
// where a map lives in module memory and how it is edited.
struct Single {
    const char* name;
    int group, bytes;
    std::uint16_t address;
    int moduleYMin, moduleYMax, marginType;
    double lower, upper;
    int channel;
};
constexpr Single kSingles[] = {
    {"CrankMap", 1, 2, 0x9000, 0, 1023, 0, 0, 0, 19},
    {"AIRFLOWVSTEMPMap", 2, 1, 0x9080, 0, 255, 0, 0, 0, 22},
    {"AIRFLOWVSBAROMMap", 2, 1, 0x90C0, 0, 255, 0, 0, 0, 23},
    {"FUELVSTHROTTLEPOSMap", 4, 1, 0x9140, 0, 255, 0, 0, 0, 19},
    {"FUELVSTHROTTLEVELMap", 4, 1, 0x9180, 0, 255, 0, 0, 0, 20},
    {"TRANSIENTVSDURATIONMap", 4, 1, 0x91C0, 0, 255, 0, 0, 0, 39},
    {"TRANSIENTVSTHROTTLEMap", 4, 1, 0x9200, 0, 255, 0, 0, 0, 19},
    {"FUELVSSPEEDMap", 4, 1, 0x9240, 0, 255, 0, 0, 0, 4},
    {"FUELVSTEMPMap", 4, 1, 0x9280, 0, 255, 0, 0, 0, 21},
    {"AFRVSTHROTTLEMap", 5, 1, 0x92C0, 0, 255, 1, -25, 10, 19},
    {"AFRVSTEMPMap", 5, 1, 0x9300, 0, 255, 0, 0, 0, 21},
    {"TEMPVSTHROTTLEMap", 5, 1, 0x9340, 0, 255, 0, 0, 0, 19},
    {"TEMPVSSPEEDMap", 5, 1, 0x9380, 0, 255, 0, 0, 0, 4},
    {"POSTAFRVSTIMEMap", 5, 1, 0x93C0, 0, 255, 0, 0, 0, 29},
    {"POSTAFRVSTEMPMap", 5, 1, 0x9400, 0, 255, 0, 0, 0, 21},
    {"CRANKAFRVSTEMPMap", 5, 1, 0x9440, 0, 255, 0, 0, 0, 21},
    {"CRANKAFRVSTIMEMap", 5, 1, 0x9480, 0, 255, 0, 0, 0, 29},
    {"INJECTORVSVOLTAGEMap", 6, 1, 0x94C0, 0, 255, 0, 0, 0, 0},
    {"COMPVSPULSEMap", 6, 1, 0x9540, 0, 255, 0, 0, 0, 16},
    {"COMPVSDEADMap", 6, 1, 0x95C0, 0, 255, 0, 0, 0, 32},
    {"IDLEVSTEMPMap", 7, 1, 0x9640, 25, 96, 2, -400, 400, 21},
    {"IACVSTEMPMap", 7, 1, 0x9680, 0, 255, 1, -25, 25, 21},
    {"IACVSIDLEMap", 7, 1, 0x96C0, 0, 255, 0, 0, 0, 33},
    {"TPSVSIACMap", 7, 1, 0x9700, 0, 255, 0, 0, 0, 28},
    {"EOIVSTHROTTLEMap", 8, 1, 0x9740, 0, 179, 0, 0, 0, 19},
    {"EOIVSSPEEDMap", 8, 1, 0x9780, 0, 255, 0, 0, 0, 4},
    {"EOIVSTEMPMap", 8, 1, 0x97C0, 0, 255, 0, 0, 0, 21},
    {"IGNITIONVSTEMPMap", 9, 1, 0xA000, 118, 138, 0, 0, 0, 21},
    {"REARIGNVSTHROTTLEMap", 9, 1, 0xA040, 118, 138, 0, 0, 0, 19},
    {"REARIGNVSSPEEDMap", 9, 1, 0xA080, 118, 138, 0, 0, 0, 4},
    {"IGNITIONVSAIRTEMPMap", 9, 1, 0xA0C0, 118, 138, 0, 0, 0, 22},
    {"IGNITIONVSBAROMMap", 9, 1, 0xA100, 118, 138, 0, 0, 0, 23},
    {"IGNDWELLVSVOLTAGEMap", 9, 1, 0x9100, 0, 255, 0, 0, 0, 0},
    {"FUELPUMPVSTHROTTLEMap", 10, 1, 0xA140, 0, 255, 0, 0, 0, 19},
};
struct RowFamily {
    const char* prefix;
    const char* title;
    int group, bytes;
    std::uint16_t base, stride;
    int moduleYMax, marginType;
    double lower, upper;
    int channel;
    const char* trimLabel;
};
constexpr RowFamily kRowFamilies[] = {
    {"IGNVSMAP", "Timing vs MAP @ ", 9, 1, 0x9800, 0x40, 45, 2, -10, 10, 44, "deg"},
    {"IGNVSTHROTTLE", "Timing vs TPS @ ", 9, 1, 0x9800, 0x40, 45, 2, -10, 10, 19, "Deg Change"},
    {"IGN", "Timing @ ", 9, 1, 0x9800, 0x40, 45, 2, -10, 10, 19, "deg"},
    {"Stoichiometric", "Fuelflow vs TPS @ ", 1, 2, 0x8000, 0x80, 1023, 1, -25, 25, 19, "% Change"},
    {"RearTrimVsThrottle", "Rear cyl trim vs TPS @ ", 3, 1, 0xA200, 0x40, 255, 2, -20, 20, 19, "% Change"},
};
struct SensorFamily {
    const char* prefix;
    const char* title;
    int group;
    std::uint16_t base;
    int channel;
};
constexpr SensorFamily kSensorFamilies[] = {
    {"AirTemp", "Air Temp", 12, 0xC800, 42},
    {"HeadTemp", "Head Temp", 11, 0xC000, 43},
    {"AdjTPS", "Adj TPS", 13, 0xD000, 41},
    {"TPSPercent", "TPS Percent", 14, 0xD800, 41},
};

void ExpectMap(const MapDescription& d, int group, int bytes, std::uint16_t address, int yMin, int yMax,
               int marginType, double lower, double upper, int channel) {
    SCOPED_TRACE(d.className);
    EXPECT_FALSE(d.isComposite);
    EXPECT_EQ(d.numberOfPoints, 64);
    EXPECT_EQ(d.groupNumber, group);
    EXPECT_EQ(d.bytesPerPoint, bytes);
    EXPECT_EQ(d.startAddress, address);
    EXPECT_EQ(d.moduleYMinimum, yMin);
    EXPECT_EQ(d.moduleYMaximum, yMax);
    EXPECT_EQ(d.marginType, marginType);
    EXPECT_EQ(d.lowerMargin, lower);
    EXPECT_EQ(d.upperMargin, upper);
    EXPECT_EQ(d.xAxisMonitorChannel, channel);
}

TEST(CatalogueTable, EveryMapMatchesItsIndependentFacts) {
    std::set<std::string> checked;
    for (const Single& s : kSingles) {
        const auto* d = CMapCatalogue::Find(s.name);
        ASSERT_NE(d, nullptr) << s.name;
        ExpectMap(*d, s.group, s.bytes, s.address, s.moduleYMin, s.moduleYMax, s.marginType, s.lower, s.upper,
                  s.channel);
        EXPECT_EQ(d->rowKey, 0) << s.name;
        checked.insert(s.name);
    }
    for (const RowFamily& f : kRowFamilies) {
        for (int k = 0; k < 32; ++k) {
            const std::string name = f.prefix + std::to_string(256 * (k + 1)) + "Map";
            const auto* d = CMapCatalogue::Find(name);
            ASSERT_NE(d, nullptr) << name;
            ExpectMap(*d, f.group, f.bytes, static_cast<std::uint16_t>(f.base + f.stride * k), 0, f.moduleYMax,
                      f.marginType, f.lower, f.upper, f.channel);
            EXPECT_EQ(d->rowKey, 256 * k) << name;
            EXPECT_EQ(d->title, f.title + std::to_string(256 * k) + " rpm");
            EXPECT_EQ(d->trimLabel, f.trimLabel) << name;
            checked.insert(name);
        }
    }
    for (const SensorFamily& f : kSensorFamilies) {
        for (int a = 0; a <= 960; a += 64) {
            const std::string range = std::to_string(a) + "_" + std::to_string(a + 63);
            const auto* d = CMapCatalogue::Find(f.prefix + range + "Map");
            ASSERT_NE(d, nullptr) << f.prefix << range;
            ExpectMap(*d, f.group, 2, static_cast<std::uint16_t>(f.base + 2 * a), 0, 1023, 0, 0, 0, f.channel);
            EXPECT_EQ(d->title, std::string(f.title) + " vs Hex Value (pts " + std::to_string(a) + " - " +
                                    std::to_string(a + 63) + ")");
            EXPECT_EQ(d->displayXMinimum, a);
            checked.insert(d->className);
        }
    }
    // Composites: no memory of their own.
    const auto* ignRpm = CMapCatalogue::Find("IgnVsRpmMap");
    EXPECT_EQ(ignRpm->numberOfPoints, 32);
    EXPECT_EQ(ignRpm->marginType, 2);
    EXPECT_EQ(ignRpm->lowerMargin, -10.0);
    EXPECT_EQ(ignRpm->upperMargin, 5.0);
    EXPECT_EQ(CMapCatalogue::Find("RearIgnTrimVsRpmMap")->moduleYMinimum, 118);
    EXPECT_EQ(CMapCatalogue::Find("IgnDwellVsVoltageMap")->groupText, "EFI Maps");
    for (const char* c : {"IgnVsRpmMap", "RearIgnTrimVsRpmMap", "IgnDwellVsVoltageMap"}) {
        EXPECT_TRUE(CMapCatalogue::Find(c)->isComposite) << c;
        checked.insert(c);
    }
    EXPECT_EQ(checked.size(), 261u);
    // Display facts the editing arithmetic depends on.
    const auto* idle = CMapCatalogue::Find("IDLEVSTEMPMap");
    EXPECT_EQ(idle->displayYMinimum, 400.0);
    EXPECT_EQ(idle->displayYMaximum, 1536.0);
    EXPECT_EQ(CMapCatalogue::Find("AirTemp384_447Map")->displayYMaximum, 471.5);
}

// Each product code builds one family, and within the maps of one document no two maps share
// a byte of module memory (the three ignition row families share theirs, but no document
// holds two of them).
TEST_F(Catalogue, EveryProductCodeBuildsItsFamilyWithoutOverlaps) {
    struct Expect {
        std::uint32_t code;
        char family;
        std::size_t basic, composites;
        const char* firstRow;
        bool warranty;
    };
    const Expect table[] = {{1, 'A', 194, 1, "Stoichiometric256Map", false},
                            {128, 'A', 194, 1, "Stoichiometric256Map", false},
                            {2, 'B', 34, 3, "IGN256Map", true},
                            {8, 'B', 34, 3, "IGN256Map", true},
                            {64, 'B', 34, 3, "IGN256Map", true},
                            {4, 'C', 34, 0, "IGNVSMAP256Map", false},
                            {256, 'C', 34, 0, "IGNVSMAP256Map", false}};
    for (const Expect& e : table) {
        SCOPED_TRACE(e.code);
        const auto layout = CMapCatalogue::ForProductCode(e.code);
        EXPECT_EQ(layout.family, e.family);
        EXPECT_EQ(layout.basicClassNames.size(), e.basic);
        EXPECT_EQ(layout.composites.size(), e.composites);
        EXPECT_EQ(layout.hasWarrantyValues, e.warranty);
        ASSERT_FALSE(layout.basicClassNames.empty());
        EXPECT_EQ(layout.basicClassNames.front(), e.firstRow);

        const auto maps = CMapCatalogue::BuildFamily(e.code, &context);
        ASSERT_EQ(maps.size(), e.basic + e.composites);
        std::vector<std::pair<int, int>> spans;
        for (const auto& m : maps) {
            if (m->IsComposite()) continue;
            const auto* d = CMapCatalogue::Find(m->GetClassName());
            EXPECT_EQ(m->GetMapSizeBytes(), 64 * d->bytesPerPoint) << d->className;
            spans.push_back({d->startAddress, d->startAddress + m->GetMapSizeBytes()});
        }
        std::sort(spans.begin(), spans.end());
        for (std::size_t i = 1; i < spans.size(); ++i)
            EXPECT_LE(spans[i - 1].second, spans[i].first) << std::hex << spans[i - 1].first << " overlaps " << spans[i].first;
        EXPECT_GE(spans.front().first, 0x8000);
        EXPECT_LE(spans.back().second, 0xE000);
    }
    for (std::uint32_t code : {0u, 3u, 16u, 32u, 512u, 0xFFFFFFFFu}) {
        EXPECT_EQ(CMapCatalogue::ForProductCode(code).family, 0) << code;
        EXPECT_TRUE(CMapCatalogue::BuildFamily(code, &context).empty()) << code;
    }
}

TEST_F(Catalogue, FamilyABuildsItsMapsInArrayOrderWithTheirPositions) {
    const auto layout = CMapCatalogue::ForProductCode(128);
    EXPECT_EQ(layout.family, 'A');
    ASSERT_EQ(layout.basicClassNames.size(), 194u);
    EXPECT_EQ(layout.basicClassNames[35], "RearTrimVsThrottle256Map");
    EXPECT_EQ(layout.basicClassNames[66], "RearTrimVsThrottle8192Map");
    EXPECT_EQ(layout.basicClassNames[31], "Stoichiometric8192Map");
    EXPECT_EQ(layout.positions.firstRearTrim, 35);
    EXPECT_EQ(layout.positions.lastRearTrim, 66);
    EXPECT_EQ(layout.positions.firstFuel, 0);
    EXPECT_EQ(layout.positions.lastFuel, 31);

    const auto maps = CMapCatalogue::BuildFamily(1, &context);
    ASSERT_EQ(maps.size(), 195u);
    int bytes = 0;
    for (const auto& m : maps)
        if (!m->IsComposite()) bytes += m->GetMapSizeBytes();
    EXPECT_EQ(bytes, 18624);
    EXPECT_EQ(maps.back()->GetClassName(), "IgnVsRpmMap");
    EXPECT_EQ(maps.back()->GetNumberOfPoints(), 32);
}

TEST_F(Catalogue, UnknownNamesAndCompositesWithoutSourcesMakeNothing) {
    EXPECT_EQ(CMapCatalogue::CreateMap("NoSuchMap", &context), nullptr);
    EXPECT_EQ(CMapCatalogue::CreateMap("IgnVsRpmMap", &context), nullptr);
    EXPECT_EQ(CMapCatalogue::CreateComposite("IgnVsRpmMap", &context, {}), nullptr);
}

TEST_F(Catalogue, AxisGridSpansTheRanges) {
    auto map = Make("RearTrimVsThrottle256Map");
    ASSERT_TRUE(map->IsGridBuilt());
    ASSERT_EQ(map->GetXGridValues().size(), 7u);
    EXPECT_DOUBLE_EQ(map->GetXGridValues().back(), 88.68);
    EXPECT_DOUBLE_EQ(map->GetYGridValues().front(), -50.0);
    EXPECT_DOUBLE_EQ(map->GetTrimGridValues().back(), 20.0);
    EXPECT_EQ(map->GetPlotWidth(), 640);
    EXPECT_EQ(map->GetDrawingHeight(), 478);
}

}  // namespace
}  // namespace corvane::test
