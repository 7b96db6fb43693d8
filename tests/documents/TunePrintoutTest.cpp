#include <gtest/gtest.h>

#include <string>

#include "documents/CCorvaneMapsDoc.h"
#include "documents/TunePrintout.h"
#include "maps/CModuleMap.h"
#include "model/NumberText.h"

using namespace corvane;

namespace {

AppState App(std::uint32_t code) {
    AppState app;
    app.productCode = code;
    return app;
}

TEST(TunePrintout, AMapsPointsInDisplayUnitsWithItsTrimsAndSync) {
    AppState app = App(1);
    CCorvaneMapsDoc doc(app);
    const int index = doc.FindMap("Stoichiometric2048Map");
    CModuleMap& map = *doc.GetMap(index);
    map.SetBlockModuleValue(0, map.GetNumberOfPoints() - 1, 500);
    doc.ApplyEditMargins();
    map.StepPointTrimByModuleUnits(10, 25);
    map.MarkPointInSync(10);

    const PrintTable table = TunePrintout::MapPoints(doc, index);
    EXPECT_EQ(table.title, map.GetTitle());
    EXPECT_EQ(table.headings, (std::vector<std::string>{"Point", "Throttle Position (deg)", "Base (ms)",
                                                        "% Change (%)", "Fuelflow (ms)", "Sync"}));
    ASSERT_EQ(table.rows.size(), 64u);
    ASSERT_EQ(table.numeric.size(), table.headings.size());
    const auto& row = table.rows[10];
    EXPECT_EQ(row[0], "10");
    EXPECT_EQ(row[1], FormatFixed(map.GetPointX(10), 2));
    EXPECT_EQ(row[2], FormatFixed(map.GetPointBaseDisplayValue(10), 3));
    EXPECT_EQ(row[3], FormatFixed(map.GetPointTrimShownValue(10), 2));
    EXPECT_NE(row[3], "0.00");
    EXPECT_EQ(row[4], FormatFixed(map.GetPointDisplayValue(10), 3));
    EXPECT_NE(row[4], row[2]) << "the value holds the trim";
    EXPECT_EQ(row[5], "in sync");
    EXPECT_EQ(table.rows[11][5], "not in sync");
    EXPECT_TRUE(TunePrintout::MapPoints(doc, -1).rows.empty());
}

TEST(TunePrintout, MapsWithoutTrimsOrAxisNamesAndTheIdleTitle) {
    AppState app = App(1);
    CCorvaneMapsDoc doc(app);
    const PrintTable crank = TunePrintout::MapPoints(doc, doc.FindMap("CrankMap"));
    EXPECT_EQ(crank.headings.size(), 5u) << "no trim column without margins";
    const int idle = doc.FindMap("IDLEVSTEMPMap");
    EXPECT_EQ(TunePrintout::MapPoints(doc, idle).title, doc.MapTitle(idle));
    EXPECT_NE(doc.MapTitle(idle).find("(Low Idle: "), std::string::npos);

    AppState appB = App(64);  // the ignition table read against plain point position
    CCorvaneMapsDoc docB(appB);
    const PrintTable ign = TunePrintout::MapPoints(docB, docB.FindMap("IGN2048Map"));
    ASSERT_FALSE(ign.headings.empty());
    EXPECT_EQ(ign.headings[1], "x") << "a nameless axis is not printed as \"(na)\"";
}

TEST(TunePrintout, SettingsAsTheViewShowsThemWithUnitRangeAndAddress) {
    AppState app = App(1);
    CCorvaneMapsDoc doc(app);
    const PrintTable table = TunePrintout::Settings(doc, 82);
    ASSERT_EQ(table.rows.size(), 29u);
    EXPECT_EQ(table.rows[kRevLimit], (std::vector<std::string>{"Rev Limit", "6144", "rpm", "4000 - 8000", "0x040A"}));
    EXPECT_EQ(table.rows[kStartIgnRevsDelay][1], "2");
    EXPECT_EQ(TunePrintout::Settings(doc, 80).rows[kStartIgnRevsDelay][1], "N/A Firmware");
}

TEST(TunePrintout, TheWarrantyRecordBandByBandWithItsTotal) {
    AppState app = App(2);
    CCorvaneMapsDoc doc(app);
    WarrantyValues& record = *doc.GetWarrantyValues();
    record.vin->SetText(std::string("1HD1\xF3", 5));
    record.revLimitHits->SetModuleValue(17);
    record.logs[3]->SetModuleValue(12 * 3600 + 34 * 60 + 56);
    record.logs[4]->SetModuleValue(4);
    const PrintTable bands = TunePrintout::WarrantyBands(record);
    ASSERT_EQ(bands.rows.size(), 61u);
    EXPECT_EQ(bands.rows[3], (std::vector<std::string>{record.logs[3]->GetLabel(), "12:34:56"}));
    EXPECT_EQ(bands.rows.back(), (std::vector<std::string>{"Total Hrs.", "12:35:00"}));
    EXPECT_EQ(TunePrintout::WarrantyHeader(record),
              (std::vector<std::string>{"VIN: 1HD1\\xF3", "Rev limiter hits: 17"}));
}

TEST(TunePrintout, TheDocumentLineNamesFileNameProductAndTime) {
    AppState app = App(1);
    CCorvaneMapsDoc doc(app);
    doc.SetBaseMapName("CVA-STOCK");
    EXPECT_EQ(TunePrintout::DocumentLine(doc, "tune.crv", "2024-05-01 14:03"),
              "tune.crv  |  base map name CVA-STOCK  |  product code 1  |  printed 2024-05-01 14:03");
}

}  // namespace
