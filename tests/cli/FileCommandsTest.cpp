#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "../documents/TempDir.h"
#include "CliRun.h"
#include "cli/CliCommand.h"
#include "documents/CCorvaneMapsDoc.h"
#include "documents/FirmwareDataFile.h"
#include "maps/CModuleMap.h"

using namespace corvane;
using corvane::test::Cli;
using corvane::test::CliRun;
using corvane::test::TempDir;

namespace {

std::unique_ptr<CCorvaneMapsDoc> OpenDoc(const std::string& path, std::uint32_t code = 1) {
    AppState app;
    app.productCode = code;
    return CCorvaneMapsDoc::Open(path, app).document;
}

}  // namespace

TEST(CliFileCommands, EveryCommandHasHelp) {
    for (const char* name : {"new", "info", "dump", "diff", "set", "s19-to-b19", "b19-info"}) {
        const CliRun r = Cli(name, {"--help"});
        EXPECT_EQ(r.code, 0) << name;
        EXPECT_NE(r.out.find(name), std::string::npos) << name;
    }
}

TEST(CliFileCommands, NewThenInfo) {
    TempDir dir;
    const std::string path = dir.File("b.crv");
    ASSERT_EQ(Cli("new", {"--product-code", "2", path}).code, 0);
    const CliRun info = Cli("info", {"--product-code=2", path});
    ASSERT_EQ(info.code, 0) << info.err;
    EXPECT_NE(info.out.find("file version: 12"), std::string::npos);
    EXPECT_NE(info.out.find("product code: 2"), std::string::npos);
    EXPECT_NE(info.out.find("map count: 37"), std::string::npos);
    EXPECT_NE(info.out.find("base map name: 0000000000000000"), std::string::npos);
    EXPECT_NE(info.out.find("load status: 0"), std::string::npos);
}

TEST(CliFileCommands, RefusedFilesPrintTheMessageAndExit2) {
    TempDir dir;
    const std::string path = dir.File("a.crv");
    ASSERT_EQ(Cli("new", {path}).code, 0);
    CliRun r = Cli("info", {"--product-code", "4", path});
    EXPECT_EQ(r.code, 2);
    EXPECT_EQ(r.err, "This Product CANNOT read this file.  Wrong Product Code.\n");
    EXPECT_NE(r.out.find("load status: 1"), std::string::npos);

    TempDir::WriteText(dir.File("bad.crv"), std::string("\x0c\0\0\0\x01\0\0\0\x05\0\0\0", 12));
    r = Cli("dump", {dir.File("bad.crv"), "--json"});
    EXPECT_EQ(r.code, 2);
    EXPECT_EQ(r.err, "Aborting File Load: DataFile corrupt OR incompatible version.\n");
    EXPECT_EQ(Cli("diff", {path, dir.File("bad.crv")}).code, 2);
    EXPECT_EQ(Cli("set", {dir.File("bad.crv"), "--setting", "CRevLimit", "--display", "7000"}).code, 2);
}

TEST(CliFileCommands, UnknownProductCodeIsAUsageError) {
    TempDir dir;
    EXPECT_EQ(Cli("new", {"--product-code", "3", dir.File("x.crv")}).code, cli::kExitUsage);
}

TEST(CliFileCommands, DumpJsonCarriesSettingsAndPoints) {
    TempDir dir;
    const std::string path = dir.File("c.crv");
    ASSERT_EQ(Cli("new", {"--product-code", "4", path}).code, 0);
    const CliRun r = Cli("dump", {"--product-code", "4", path, "--json"});
    ASSERT_EQ(r.code, 0) << r.err;
    for (const char* key : {"\"file_version\": 12", "\"product_code\": 4", "\"map_count\": 34",
                            "\"base_map_name\": \"0000000000000000\"", "\"class\": \"CRevLimit\"",
                            "\"display_value\": 6144", "\"class\": \"IGNVSMAP2048Map\"",
                            "\"title\": \"Timing vs MAP @ 1792 rpm\"", "\"start_address\": 39360",
                            "\"trim_shown_value\"", "\"in_sync\": false", "\"base_display_value\""})
        EXPECT_NE(r.out.find(key), std::string::npos) << key;
    // Balanced brackets: a crude check that the document is one JSON value.
    int depth = 0;
    for (char c : r.out) depth += (c == '{' || c == '[') - (c == '}' || c == ']');
    EXPECT_EQ(depth, 0);
    const CliRun table = Cli("dump", {"--product-code", "4", path});
    EXPECT_EQ(table.code, 0);
    EXPECT_NE(table.out.find("Rev Limit"), std::string::npos);
}

TEST(CliFileCommands, SetEditsAsTheViewsDoAndDiffShowsIt) {
    TempDir dir;
    const std::string a = dir.File("a.crv");
    const std::string b = dir.File("b.crv");
    ASSERT_EQ(Cli("new", {a}).code, 0);
    CliRun same = Cli("diff", {a, a});
    EXPECT_EQ(same.code, 0);
    EXPECT_TRUE(same.out.empty());

    ASSERT_EQ(Cli("set", {a, "-o", b, "--setting", "CRevLimit", "--display", "8100"}).code, 0);
    CliRun r = Cli("set", {b, "--map", "IGNVSTHROTTLE2048Map", "--point", "5", "--display", "20"});
    ASSERT_EQ(r.code, 0) << r.err;

    auto doc = OpenDoc(b);
    ASSERT_TRUE(doc);
    EXPECT_DOUBLE_EQ(doc->GetSetting(kRevLimit)->GetDisplayValue(), 8000.0);  // clamped
    const CModuleMap& map = *doc->GetMap(doc->FindMap("IGNVSTHROTTLE2048Map"));
    EXPECT_EQ(map.GetPointBaseValue(5), 20);
    EXPECT_DOUBLE_EQ(map.GetPointDisplayValue(5), 20.0);
    EXPECT_EQ(map.GetPointBaseValue(4), 0);

    r = Cli("diff", {a, b});
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.out.find("setting 6 Rev Limit: 6144 rpm -> 8000 rpm"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("\"Timing vs TPS @ 1792 rpm\" point 5"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("-> 20 deg"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("2 difference(s)"), std::string::npos) << r.out;

    // A negative value is a value, not an option; a trim-only difference shows its trims.
    ASSERT_EQ(Cli("set", {b, "--map", "IGNITIONVSTEMPMap", "--point", "3", "--display", "-5"}).code, 0);
    doc = OpenDoc(b);
    EXPECT_DOUBLE_EQ(doc->GetMap(doc->FindMap("IGNITIONVSTEMPMap"))->GetPointDisplayValue(3), -5.0);
    doc->GetMap(doc->FindMap("IGNVSTHROTTLE2048Map"))->StepPointTrimByModuleUnits(9, 2);
    ASSERT_TRUE(doc->Save(b));
    r = Cli("diff", {a, b});
    EXPECT_NE(r.out.find("point 9 (x 12.6686): 0 deg -> 2 deg (trim 0 -> 2)"), std::string::npos) << r.out;
}

// Setting a point of the idle speed map moves the idle speed setting to the map's low idle.
TEST(CliFileCommands, SetOnTheIdleMapUpdatesTheIdleSetting) {
    TempDir dir;
    const std::string a = dir.File("a.crv");
    ASSERT_EQ(Cli("new", {a}).code, 0);
    ASSERT_EQ(Cli("set", {a, "--map", "IDLEVSTEMPMap", "--point", "63", "--display", "400"}).code, 0);
    auto doc = OpenDoc(a);
    ASSERT_TRUE(doc);
    EXPECT_DOUBLE_EQ(doc->GetMap(doc->FindMap("IDLEVSTEMPMap"))->GetPointDisplayValue(63), 400.0);
    EXPECT_DOUBLE_EQ(doc->GetSetting(kIdleRpm)->GetDisplayValue(), 400.0);
}

TEST(CliFileCommands, SetOnACompositeMovesItsRow) {
    TempDir dir;
    const std::string a = dir.File("a.crv");
    ASSERT_EQ(Cli("new", {a}).code, 0);
    ASSERT_EQ(Cli("set", {a, "--map", "IgnVsRpmMap", "--point", "8", "--display", "12"}).code, 0);
    auto doc = OpenDoc(a);
    ASSERT_TRUE(doc);
    const CModuleMap& row = *doc->GetMap(doc->FindMap("IGNVSTHROTTLE2304Map"));
    EXPECT_EQ(row.GetRowKey(), 2048);
    for (int i = 0; i < row.GetNumberOfPoints(); ++i) EXPECT_EQ(row.GetPointBaseValue(i), 12) << i;
}

TEST(CliFileCommands, SetRejectsUnknownNamesAndPoints) {
    TempDir dir;
    const std::string a = dir.File("a.crv");
    ASSERT_EQ(Cli("new", {a}).code, 0);
    EXPECT_EQ(Cli("set", {a, "--map", "NoSuchMap", "--point", "1", "--display", "1"}).code, cli::kExitUsage);
    EXPECT_EQ(Cli("set", {a, "--map", "CrankMap", "--point", "64", "--display", "1"}).code, cli::kExitUsage);
    EXPECT_EQ(Cli("set", {a, "--map", "CrankMap", "--point", "5x", "--display", "1"}).code, cli::kExitUsage);
    EXPECT_EQ(Cli("set", {a, "--setting", "CNope", "--display", "1"}).code, cli::kExitUsage);
    EXPECT_EQ(Cli("set", {a, "--display", "1"}).code, cli::kExitUsage);
}

TEST(CliFileCommands, S19ToB19AndB19Info) {
    TempDir dir;
    const std::string s19 = dir.File("Mod_12_V26.s19");
    // Two adjacent 4-byte records and a header.
    TempDir::WriteText(s19, "S00600004844521B\nS1078000010203046E\nS1078004050607085A\nS9030000FC\n");
    CliRun r = Cli("s19-to-b19", {s19, "--version", "26"});
    ASSERT_EQ(r.code, 0) << r.err;
    r = Cli("b19-info", {dir.File("Mod_12_V26.B19")});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_NE(r.out.find("firmware version: 26 (0x1A)"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("blocks: 1"), std::string::npos);
    EXPECT_NE(r.out.find("0x8000    8 bytes"), std::string::npos) << r.out;

    const std::string out = dir.File("other.B19");
    ASSERT_EQ(Cli("s19-to-b19", {s19, "--version", "27", "-o", out}).code, 0);
    EXPECT_EQ(Cli("b19-info", {out}).code, 0);

    TempDir::WriteText(s19, "S1078000010203046F\n");  // checksum off by one
    r = Cli("s19-to-b19", {s19, "--version", "26", "-o", dir.File("bad.B19")});
    EXPECT_EQ(r.code, 2);
    EXPECT_EQ(r.err, "File and Calculated CheckSum Do Not Match\n");
    EXPECT_FALSE(std::filesystem::exists(dir.File("bad.B19")));

    r = Cli("b19-info", {s19});
    EXPECT_EQ(r.code, 2);
    EXPECT_EQ(r.err, "Selected file:" + s19 + "\nIs not a valid Halvark Firmware Data File.\n");
}
