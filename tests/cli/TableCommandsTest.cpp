#include <gtest/gtest.h>

#include <string>

#include "../documents/TempDir.h"
#include "CliRun.h"
#include "documents/CCorvaneMapsDoc.h"
#include "maps/CModuleMap.h"

using namespace corvane;
using corvane::test::Cli;
using corvane::test::CliRun;
using corvane::test::TempDir;

namespace {

// A family-A file whose fuel rows hold a pattern, so that a table can be told from another.
std::string PatternedFile(const TempDir& dir, const std::string& name) {
    const std::string path = dir.File(name);
    AppState app;
    CCorvaneMapsDoc doc(app);
    for (int i = 0; i < doc.GetMapCount(); ++i) {
        CModuleMap& map = *doc.GetMap(i);
        if (map.GetClassName().rfind("Stoichiometric", 0) != 0) continue;
        for (int p = 0; p < map.GetNumberOfPoints(); ++p) map.GetMapPoint(p)->AssignBase((map.GetRowKey() / 256 * 7 + p * 5) % 1024);
    }
    EXPECT_TRUE(doc.Save(path));
    return path;
}

std::string Line(const std::string& text, int index) {
    std::size_t start = 0;
    for (int i = 0; i < index; ++i) start = text.find('\n', start) + 1;
    return text.substr(start, text.find('\n', start) - start);
}

}  // namespace

TEST(CliTableCommands, HelpListsTheFamilies) {
    for (const char* name : {"table", "table-set"}) {
        const CliRun r = Cli(name, {"--help"});
        EXPECT_EQ(r.code, 0);
        EXPECT_NE(r.out.find("Families: fuel, rear-trim, ignition, timing"), std::string::npos) << name;
    }
}

TEST(CliTableCommands, TablePrintsRowsBySpeedAndTheCsvReadsBackUnchanged) {
    TempDir dir;
    const std::string path = PatternedFile(dir, "a.crv");
    CliRun plain = Cli("table", {path, "--family", "fuel"});
    ASSERT_EQ(plain.code, 0) << plain.err;
    EXPECT_EQ(Line(plain.out, 0), "Fuelflow vs TPS (ms): rows engine speed (rpm), columns Throttle Position (deg)");
    EXPECT_EQ(Line(plain.out, 1).substr(0, 20), " rpm  0.0  1.4  2.8 ");
    // Row 2304 rpm (the ninth row) starts at 9 * 7 = 63 module units: 1.29 ms.
    EXPECT_EQ(Line(plain.out, 11).substr(0, 15), "2304 1.29 1.39 ");

    const CliRun csv = Cli("table", {path, "--family", "fuel", "--csv"});
    ASSERT_EQ(csv.code, 0);
    EXPECT_EQ(Line(csv.out, 0).substr(0, 16), "rpm,0.0,1.4,2.8,");
    EXPECT_EQ(Line(csv.out, 10).substr(0, 15), "2304,1.29,1.39,");
    TempDir::WriteText(dir.File("fuel.csv"), csv.out);
    const CliRun set = Cli("table-set", {path, "--family", "fuel", "--from", dir.File("fuel.csv"), "-o", dir.File("b.crv")});
    ASSERT_EQ(set.code, 0) << set.err;
    EXPECT_EQ(set.out, "Fuelflow vs TPS: 0 cells changed\n");
    EXPECT_EQ(TempDir::ReadBytes(dir.File("b.crv")), TempDir::ReadBytes(path));
}

TEST(CliTableCommands, TableSetChangesTheNamedRowsAndHoldsValuesAtTheirLimits) {
    TempDir dir;
    const std::string path = PatternedFile(dir, "a.crv");
    std::string csv = Cli("table", {path, "--family", "ignition", "--csv"}).out;
    // Only the header and the 1792 rpm row, that one with 50 degrees in its first cell.
    std::string row = Line(csv, 8);
    ASSERT_EQ(row.substr(0, 7), "1792,0,");
    row.replace(5, 1, "50");
    TempDir::WriteText(dir.File("ign.csv"), Line(csv, 0) + "\n" + row + "\n");
    const CliRun set = Cli("table-set", {path, "--family", "ignition", "--from", dir.File("ign.csv")});
    ASSERT_EQ(set.code, 0) << set.err;
    EXPECT_EQ(set.out, "Timing vs TPS: 1 cell changed, 1 held at its limit\n");
    const CliRun after = Cli("table", {path, "--family", "ignition", "--csv"});
    EXPECT_EQ(Line(after.out, 8).substr(0, 8), "1792,45,");
    EXPECT_EQ(Line(after.out, 9), Line(csv, 9));
}

TEST(CliTableCommands, ARefusedTableExits2AndWritesNothing) {
    TempDir dir;
    const std::string path = PatternedFile(dir, "a.crv");
    const auto original = TempDir::ReadBytes(path);
    std::string csv = Cli("table", {path, "--family", "fuel", "--csv"}).out;
    csv.replace(csv.find("\n256,") + 5, 4, "x.yz");
    TempDir::WriteText(dir.File("bad.csv"), csv);
    CliRun r = Cli("table-set", {path, "--family", "fuel", "--from", dir.File("bad.csv"), "-o", dir.File("out.crv")});
    EXPECT_EQ(r.code, 2);
    EXPECT_NE(r.err.find("Line 3, column 2 (256 rpm, 0.0 deg) is not a number: \"x.yz\""), std::string::npos) << r.err;
    EXPECT_FALSE(std::filesystem::exists(dir.File("out.crv")));

    r = Cli("table-set", {path, "--family", "fuel", "--from", dir.File("missing.csv")});
    EXPECT_EQ(r.code, 2);
    r = Cli("table", {path, "--family", "timing"});
    EXPECT_EQ(r.code, cli::kExitUsage);
    EXPECT_EQ(r.err, "no table timing in a product code 1 document (its tables: fuel, rear-trim, ignition)");
    r = Cli("table", {"--product-code", "2", path, "--family", "timing"});
    EXPECT_EQ(r.code, 2) << "a family-A file is refused by a family-B product";
    EXPECT_EQ(TempDir::ReadBytes(path), original);
}
