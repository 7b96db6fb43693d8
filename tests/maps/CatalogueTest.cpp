#include <gtest/gtest.h>

#include <set>

#include "MapsFixture.h"

namespace corvane::test {
namespace {

using Catalogue = MapsFixture;

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

TEST(CatalogueTable, FamiliesFollowTheirPatterns) {
    const auto* ign = CMapCatalogue::Find("IGNVSMAP2048Map");
    ASSERT_NE(ign, nullptr);
    EXPECT_EQ(ign->title, "Timing vs MAP @ 1792 rpm");
    EXPECT_EQ(ign->startAddress, 0x99C0);
    EXPECT_EQ(ign->rowKey, 1792);
    EXPECT_EQ(ign->trimLabel, "deg");
    const auto* stoich = CMapCatalogue::Find("Stoichiometric8192Map");
    EXPECT_EQ(stoich->startAddress, 0x8F80);
    EXPECT_EQ(stoich->title, "Fuelflow vs TPS @ 7936 rpm");
    EXPECT_EQ(stoich->marginType, 1);
    EXPECT_EQ(stoich->bytesPerPoint, 2);
    EXPECT_EQ(CMapCatalogue::Find("RearTrimVsThrottle256Map")->startAddress, 0xA200);
    EXPECT_EQ(CMapCatalogue::Find("IGNVSTHROTTLE8192Map")->trimLabel, "Deg Change");
    EXPECT_EQ(CMapCatalogue::Find("IGN512Map")->title, "Timing @ 256 rpm");
    const auto* air = CMapCatalogue::Find("AirTemp384_447Map");
    EXPECT_EQ(air->title, "Air Temp vs Hex Value (pts 384 - 447)");
    EXPECT_EQ(air->startAddress, 0xCB00);
    EXPECT_EQ(CMapCatalogue::Find("HeadTemp960_1023Map")->startAddress, 0xC000 + 2 * 960);
    EXPECT_EQ(CMapCatalogue::Find("TPSPercent64_127Map")->groupText, "TPS Percent Sensor Calibration");
}

TEST(CatalogueTable, SinglesCarryTheirOwnRangesAndMargins) {
    const auto* idle = CMapCatalogue::Find("IDLEVSTEMPMap");
    EXPECT_EQ(idle->startAddress, 0x9640);
    EXPECT_EQ(idle->moduleYMinimum, 25);
    EXPECT_EQ(idle->moduleYMaximum, 96);
    EXPECT_EQ(idle->marginType, 2);
    EXPECT_EQ(idle->trimLabel, "Rpm Change");
    const auto* afr = CMapCatalogue::Find("AFRVSTHROTTLEMap");
    EXPECT_EQ(afr->lowerMargin, -25.0);
    EXPECT_EQ(afr->upperMargin, 10.0);
    EXPECT_EQ(CMapCatalogue::Find("EOIVSTHROTTLEMap")->moduleYMaximum, 179);
    EXPECT_EQ(CMapCatalogue::Find("IGNITIONVSBAROMMap")->xAxisName, "Barametric Pressure");
    EXPECT_EQ(CMapCatalogue::Find("IGNDWELLVSVOLTAGEMap")->startAddress, 0x9100);
    const auto* dwell = CMapCatalogue::Find("IgnDwellVsVoltageMap");
    EXPECT_EQ(dwell->groupNumber, 9);
    EXPECT_EQ(dwell->groupText, "EFI Maps");
    EXPECT_EQ(CMapCatalogue::Find("IgnVsRpmMap")->title, " *Timing vs Engine Speed");
}

TEST(CatalogueTable, EveryBasicMapLiesInTheMapRegion) {
    for (const auto& d : CMapCatalogue::Descriptions()) {
        if (d.isComposite) continue;
        const int end = d.startAddress + d.numberOfPoints * d.bytesPerPoint;
        EXPECT_GE(d.startAddress, 0x8000) << d.className;
        EXPECT_LE(end, 0xE000) << d.className;
        EXPECT_EQ(d.numberOfPoints, 64) << d.className;
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

TEST_F(Catalogue, FamiliesBAndCHoldTheIgnitionSets) {
    const auto b = CMapCatalogue::ForProductCode(64);
    EXPECT_EQ(b.family, 'B');
    EXPECT_EQ(b.basicClassNames.size(), 34u);
    ASSERT_EQ(b.composites.size(), 3u);
    EXPECT_EQ(b.composites[0].sourceClassNames.front(), "IGN256Map");
    EXPECT_EQ(b.composites[1].sourceClassNames, std::vector<std::string>{"REARIGNVSSPEEDMap"});
    EXPECT_TRUE(b.hasWarrantyValues);
    const auto c = CMapCatalogue::ForProductCode(256);
    EXPECT_EQ(c.family, 'C');
    EXPECT_EQ(c.basicClassNames.front(), "IGNVSMAP256Map");
    EXPECT_TRUE(c.composites.empty());
    EXPECT_EQ(c.positions.lastRearTrim, 0);
    EXPECT_EQ(CMapCatalogue::ForProductCode(3).family, 0);
    EXPECT_EQ(CMapCatalogue::BuildFamily(4, &context).size(), 34u);
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
