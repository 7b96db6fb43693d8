#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "model/Archive.h"
#include "monitor/CCorvaneMonitorDoc.h"
#include "monitor/MonitorValueSetupDlg.h"
#include "monitor/MonitoredItemsFile.h"
#include "monitor/MonitoredModuleValue.h"

namespace corvane {
namespace {

namespace file = MonitoredItemsFile;

std::vector<CMonitoredItem> CatalogueItems(const CCorvaneMonitorDoc& doc) {
    return file::Build(std::nullopt, std::nullopt, doc).items;
}

TEST(MonitoredItemsBuild, FromTheCatalogue) {
    CCorvaneMonitorDoc doc;
    const auto built = file::Build(std::nullopt, std::nullopt, doc);
    ASSERT_EQ(built.items.size(), 45u);
    EXPECT_EQ(built.source, file::Source::Catalogue);
    const CMonitoredItem& rpm = built.items[4];
    EXPECT_EQ(rpm.name, "Engine Speed");
    EXPECT_EQ(rpm.setupName, "Engine Speed");
    EXPECT_EQ(rpm.setupUnits, "rpm");
    EXPECT_EQ(rpm.valueText, "0.00");
    EXPECT_EQ(rpm.moduleAddress, 0x1406);
    EXPECT_EQ(rpm.moduleMaximum, 1023);
    EXPECT_DOUBLE_EQ(rpm.gaugeMaximum, 16368.0);
    EXPECT_DOUBLE_EQ(rpm.yellowStop, 0.25 * 16368.0);
    EXPECT_DOUBLE_EQ(rpm.whiteNormal, 0.5 * 16368.0);
    EXPECT_DOUBLE_EQ(rpm.redStart, 0.75 * 16368.0);
    EXPECT_DOUBLE_EQ(rpm.scale, 16.0);
    EXPECT_EQ(rpm.alarmOn, 1);
    EXPECT_EQ(rpm.ownWindow, 0);
    EXPECT_EQ(built.items[19].moduleMaximum, 1008);
}

TEST(MonitoredItemsBuild, FromTheDefinitionsFileAfterItsHeading) {
    CCorvaneMonitorDoc doc;
    const std::string text =
        "\r\nName,Units,Min,Max,Value,ModMin,ModMax,Unused,Address,Page\r\n"
        "Battery,V,0,16,12.345,0,1023,7,5120,2,extra,fields\r\n"
        "Spark,deg,junk,45\r\n"
        "\r\n"
        "After the blank line,x,1,2\r\n";
    const auto built = file::Build(std::nullopt, text, doc);
    EXPECT_EQ(built.source, file::Source::Definitions);
    ASSERT_EQ(built.items.size(), 45u);
    const CMonitoredItem& a = built.items[0];
    EXPECT_EQ(a.name, "Battery");
    EXPECT_EQ(a.units, "V");
    EXPECT_DOUBLE_EQ(a.dataMaximum, 16.0);
    EXPECT_EQ(a.valueText, "12.35");
    EXPECT_EQ(a.moduleMaximum, 1023);
    EXPECT_EQ(a.moduleAddress, 5120);
    EXPECT_EQ(a.memoryPage, 2);
    EXPECT_EQ(a.setupName, "");
    EXPECT_DOUBLE_EQ(a.scale, 0.0);
    EXPECT_DOUBLE_EQ(a.gaugeMaximum, 0.0);
    const CMonitoredItem& b = built.items[1];
    EXPECT_EQ(b.name, "Spark");
    EXPECT_DOUBLE_EQ(b.dataMinimum, 0.0);  // "junk" reads as 0
    EXPECT_EQ(b.valueText, "0.00");
    // Reading stopped at the empty line: the rest comes from the catalogue.
    EXPECT_EQ(built.items[2].name, "Rear Cyl. Spark Adv.");
    EXPECT_EQ(built.items[2].setupName, "Rear Cyl. Spark Adv.");
}

// The signed AFR channel at its middle raw value is -0.0047: the monitor shows it as zero.
TEST(MonitoredItemsBuild, ValueNearZeroShowsNoNegativeZero) {
    auto afr = MakeMonitoredValue(10);
    afr->SetModuleValue(32768);
    ASSERT_LT(afr->GetDisplayValue(), 0.0);
    EXPECT_EQ(afr->FormatValue(), " 0.0");
    afr->SetModuleValue(32700);
    EXPECT_EQ(afr->FormatValue(), " -26.6");
}

TEST(MonitoredItemsFileFormat, LayoutIsByteExact) {
    CCorvaneMonitorDoc doc;
    auto items = CatalogueItems(doc);
    items.resize(2);
    const auto bytes = file::Write(items);
    Archive ar(bytes);
    const std::string signature = ar.ReadString();
    EXPECT_FALSE(signature.empty());
    EXPECT_EQ(ar.ReadU32(), 1000u);
    EXPECT_EQ(ar.ReadU32(), 2u);
    EXPECT_EQ(ar.ReadU16(), 0xFFFF);
    EXPECT_EQ(ar.ReadU16(), 1);
    EXPECT_EQ(ar.ReadU16(), 14);
    std::string name(14, '\0');
    ar.ReadBytes(reinterpret_cast<std::uint8_t*>(name.data()), 14);
    EXPECT_EQ(name, "CMonitoredItem");
    CMonitoredItem first;
    first.Load(ar);
    EXPECT_EQ(first.name, "Battery Voltage");
    EXPECT_EQ(ar.ReadU16(), 0x8001);
    CMonitoredItem second;
    second.Load(ar);
    EXPECT_EQ(second.name, "Front Cyl. Spark Adv.");
    EXPECT_EQ(ar.Remaining(), 0u);
}

TEST(MonitoredItemsFileFormat, UserFileRoundTripsAndWins) {
    CCorvaneMonitorDoc doc;
    auto items = CatalogueItems(doc);
    items[7].setupUnits = "revs";
    items[7].ownWindow = 1;
    items[7].ownWindowLeft = -300;
    items[7].ownWindowTop = 40;
    items[7].yellowStop = 1234.5;
    items[12].shown = 0;
    const auto built = file::Build(file::Write(items), std::string("h\nX,y\n"), doc);
    EXPECT_EQ(built.source, file::Source::UserFile);
    EXPECT_EQ(built.items[7].setupUnits, "revs");
    EXPECT_EQ(built.items[7].ownWindowLeft, -300);
    EXPECT_DOUBLE_EQ(built.items[7].yellowStop, 1234.5);
    EXPECT_EQ(built.items[12].shown, 0);
}

TEST(MonitoredItemsFileFormat, ShortUserFileIsCompletedLongOneCut) {
    CCorvaneMonitorDoc doc;
    auto items = CatalogueItems(doc);
    items[0].name = "mine";
    items.resize(3);
    const std::string definitions = "heading\nd0\nd1\nd2\nd3\nd4\n";
    auto built = file::Build(file::Write(items), definitions, doc);
    ASSERT_EQ(built.items.size(), 45u);
    EXPECT_EQ(built.items[0].name, "mine");
    EXPECT_EQ(built.items[3].name, "d3");
    EXPECT_EQ(built.items[4].name, "d4");
    EXPECT_EQ(built.items[5].name, "Engine Acceleration");

    auto many = CatalogueItems(doc);
    many.resize(60, many[0]);
    built = file::Build(file::Write(many), std::nullopt, doc);
    EXPECT_EQ(built.items.size(), 45u);
}

TEST(MonitoredItemsFileFormat, DamagedFilesFallBackWithoutCrashing) {
    CCorvaneMonitorDoc doc;
    auto good = file::Write(CatalogueItems(doc));
    // Truncated anywhere, the file is refused as a whole.
    for (std::size_t cut : {std::size_t{0}, std::size_t{5}, std::size_t{60}, good.size() / 2, good.size() - 1}) {
        std::vector<std::uint8_t> bad(good.begin(), good.begin() + static_cast<long>(cut));
        EXPECT_FALSE(file::Read(bad).has_value()) << cut;
    }
    // A count far beyond what the bytes can hold is refused before anything is allocated.
    Archive ar;
    ar.WriteString("sig");
    ar.WriteU32(1000);
    ar.WriteU32(0xFFFFFFFF);
    EXPECT_FALSE(file::Read(ar.Bytes()).has_value());
    // A wrong class name or class reference.
    auto wrongName = good;
    wrongName[static_cast<std::size_t>(1 + wrongName[0] + 8 + 6)] = 'X';
    EXPECT_FALSE(file::Read(wrongName).has_value());
    const auto built = file::Build(wrongName, std::nullopt, doc);
    EXPECT_EQ(built.source, file::Source::Catalogue);
    EXPECT_EQ(built.items.size(), 45u);
}

TEST(MonitoredItemsFileFormat, SaveReplacesTheFileAndResetRemovesIt) {
    CCorvaneMonitorDoc doc;
    const auto folder = std::filesystem::temp_directory_path() / "corvane_monitor_items_test";
    std::filesystem::create_directories(folder);
    auto items = CatalogueItems(doc);
    items[3].setupUnits = "first";
    ASSERT_TRUE(file::Save(folder, 7, items));
    items[3].setupUnits = "second";
    ASSERT_TRUE(file::Save(folder, 7, items));
    EXPECT_TRUE(std::filesystem::exists(folder / "MonitoredItems-7.dat"));
    auto loaded = file::Load(folder, 7, doc);
    EXPECT_EQ(loaded.items[3].setupUnits, "second");
    EXPECT_TRUE(file::RemoveUserFile(folder, 7));
    EXPECT_EQ(file::Load(folder, 7, doc).source, file::Source::Catalogue);
    std::filesystem::remove_all(folder);
}

TEST(MonitorSetupValidation, RulesRunInOrderOnTheValuesLeftBefore) {
    CMonitoredItem item;
    item.dataMinimum = 0.0;
    item.dataMaximum = 5.0;
    item.gaugeMinimum = 10.0;  // rule 1 lowers it to 5
    item.gaugeMaximum = 3.0;   // rule 5 then lowers the minimum again to 3
    item.yellowStop = -1.0;    // rule 6: raised to the gauge minimum 3
    item.redStart = 2.0;       // rule 9: raised to the yellow stop
    EXPECT_EQ(MonitorValueSetupDlg::ApplyRangeRules(item), 4);
    EXPECT_DOUBLE_EQ(item.gaugeMinimum, 3.0);
    EXPECT_DOUBLE_EQ(item.gaugeMaximum, 3.0);
    EXPECT_DOUBLE_EQ(item.yellowStop, 3.0);
    EXPECT_DOUBLE_EQ(item.redStart, 3.0);
}

TEST(MonitorSetupValidation, OkStaysOpenWithOneMessageAfterCorrections) {
    CCorvaneMonitorDoc doc;
    auto items = CatalogueItems(doc);
    MonitorValueSetupDlg dlg(items, 30);  // data range 0..5
    dlg.boxes.gaugeMinimum = 10.0;
    dlg.boxes.gaugeMaximum = 20.0;
    dlg.boxes.setupUnits = "V";
    dlg.boxes.ownWindow = true;
    std::string message;
    EXPECT_EQ(dlg.Ok(&message), MonitorValueSetupDlg::Outcome::StaysOpen);
    EXPECT_EQ(message, "Validation of data failed.\n'Adjustments' to within limits automatically applied."
                       "\nPlease review all values and OK or edited as desired.");
    EXPECT_DOUBLE_EQ(dlg.boxes.gaugeMinimum, 5.0);  // the corrected values are shown again
    EXPECT_EQ(items[30].setupUnits, "V");
    EXPECT_EQ(items[30].ownWindow, 1);
    message.clear();
    EXPECT_EQ(dlg.Ok(&message), MonitorValueSetupDlg::Outcome::ClosedOk);
    EXPECT_TRUE(message.empty());
}

TEST(MonitorSetupValidation, SelectionChangeTakesTheBoxesFirst) {
    CCorvaneMonitorDoc doc;
    auto items = CatalogueItems(doc);
    MonitorValueSetupDlg dlg(items, 2);
    EXPECT_EQ(dlg.ListNames().size(), 45u);
    dlg.boxes.setupUnits = "degrees";
    dlg.SelectItem(4);
    EXPECT_EQ(items[2].setupUnits, "degrees");
    EXPECT_EQ(dlg.boxes.setupUnits, "rpm");
    EXPECT_EQ(dlg.Index(), 4);
}

}  // namespace
}  // namespace corvane
