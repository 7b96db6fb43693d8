#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "../documents/TempDir.h"
#include "CliRun.h"
#include "comms/MonitorLog.h"
#include "model/PrintableText.h"
#include "monitor/CEgoSensorTable.h"
#include "sim/ModuleEmulator.h"
#include "sim/peer/ModulePeer.h"
#include "sim/peer/PtyPeerHost.h"

namespace corvane::test {
namespace {

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

std::vector<std::string> Fields(const std::string& line) {
    std::vector<std::string> fields(1);
    for (const char c : line) {
        if (c == ',') fields.emplace_back();
        else fields.back() += c;
    }
    return fields;
}

std::size_t Column(const std::vector<std::string>& heading, const std::string& name) {
    for (std::size_t i = 0; i < heading.size(); ++i)
        if (heading[i] == name) return i;
    ADD_FAILURE() << "no column " << name;
    return 0;
}

TEST(CliMonitor, CsvWritesTheAfrTheMonitorShowsAndTheSensorVoltsEachUnderItsUnit) {
    TempDir dir;
    const CliRun r = Cli("monitor", {"--port", "sim", "--count", "4", "--csv", "--data-dir", CORVANE_TEST_DATA_DIR,
                                     "--scenario", "hold rpm=2304 sites=20 dwell=10"});
    ASSERT_EQ(r.code, 0) << r.err;
    const auto lines = Lines(r.out);
    ASSERT_EQ(lines.size(), 5u);
    const auto heading = Fields(lines[0]);
    ASSERT_EQ(heading.size(), 1 + 47 + 1u);
    const std::size_t frontAfr = Column(heading, "Front Cylinder (AFR)");
    const std::size_t frontVolts = Column(heading, "Front Cylinder (V)");
    const std::size_t rearAfr = Column(heading, "Rear Cylinder (AFR)");
    EXPECT_EQ(frontVolts, frontAfr + 1);

    // The numbers agree with the raw block of their own row, through the shipped table.
    CEgoSensorTable table;
    table.Parse(TempDir::ReadText(std::string(CORVANE_TEST_DATA_DIR) + "/" + CEgoSensorTable::kFileName), 5.0 / 1023.0);
    const std::string log = dir.File("monitor.csv");
    TempDir::WriteText(log, r.out);
    const auto records = comms::MonitorLog::Read(log);
    ASSERT_TRUE(records);
    ASSERT_EQ(records->size(), 4u) << "every row replays from its raw block";
    for (std::size_t i = 0; i < records->size(); ++i) {
        const auto row = Fields(lines[i + 1]);
        const auto& block = (*records)[i].block;
        const int front = block[49] << 8 | block[50];
        const int rear = block[51] << 8 | block[52];
        EXPECT_NEAR(std::stod(row[frontAfr]), table.LookupEgoAfr(front), 1e-4);
        EXPECT_NEAR(std::stod(row[frontVolts]), front * 5.0 / 1023.0, 1e-4);
        EXPECT_NEAR(std::stod(row[rearAfr]), table.LookupEgoAfr(rear), 1e-4);
        EXPECT_GT(std::stod(row[frontAfr]), 10.0) << "an AFR, not volts";
    }
}

TEST(CliMonitor, WithoutTheTableTheSensorsAreVoltsOnly) {
    TempDir dir;  // no EgoSensorTable.txt here
    CliRun r = Cli("monitor", {"--port", "sim", "--count", "2", "--csv", "--data-dir", dir.Path().string()});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_NE(r.err.find(CEgoSensorTable::kNotFoundText), std::string::npos) << r.err;
    EXPECT_EQ(r.out.find("(AFR)"), std::string::npos);
    EXPECT_NE(r.out.find(",Front Cylinder (V),Rear Cylinder (V),"), std::string::npos);

    r = Cli("monitor", {"--port", "sim", "--count", "1", "--data-dir", dir.Path().string()});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_NE(r.out.find("30 Front Cylinder"), std::string::npos);
    for (const auto& line : Lines(r.out)) {
        if (line.find("Front Cylinder") == std::string::npos) continue;
        EXPECT_EQ(line.substr(line.size() - 2), " V") << line;
    }
}

TEST(CliAutotune, AtAnotherEngineSpeedItCollectsNothingSaysWhyAndFails) {
    TempDir dir;
    const std::string out = dir.File("tuned.crv");
    // The engine holds 1536 rpm; Stoichiometric2560Map is the row of 2304 rpm.
    const CliRun r = Cli("autotune", {"--port", "sim", "--map", "Stoichiometric2560Map", "--seconds", "2.5",
                                      "--scenario", "hold rpm=1536 sites=8..16/4 dwell=1 repeat=100", "--data-dir",
                                      CORVANE_TEST_DATA_DIR, "-o", out});
    EXPECT_EQ(r.code, cli::kExitFailed);
    EXPECT_NE(r.out.find("no correction collected on Stoichiometric2560Map"), std::string::npos) << r.out;
    for (const char* part : {"(Fuelflow vs TPS @ 2304 rpm)", "2304 +/- 64 rpm (2240 ... 2368 rpm)", "mostly 1536 rpm",
                             "Throttle sites held: 8 (11.3 deg)", "1536 rpm is the row of Stoichiometric1792Map: --row 1536",
                             "Nothing was changed, written or saved."})
        EXPECT_NE(r.err.find(part), std::string::npos) << part << "\n" << r.err;
    EXPECT_FALSE(std::filesystem::exists(out));
}

TEST(CliAutotune, RowPicksTheFuelRowByItsSpeedAndEveryCorrectedSiteIsPrinted) {
    // The simulated row is 8 % lean: the engine runs at 13.1 / 0.92 = 14.24 against 13.1.
    const CliRun r = Cli("autotune", {"--port", "sim", "--row", "2304", "--sim-lean", "8", "--seconds", "3", "--no-write",
                                      "--data-dir", CORVANE_TEST_DATA_DIR});
    ASSERT_EQ(r.code, cli::kExitOk) << r.err;
    EXPECT_NE(r.out.find("AutoTune on Stoichiometric2560Map (Fuelflow vs TPS @ 2304 rpm)"), std::string::npos) << r.out;
    int sites = 0;
    for (const auto& line : Lines(r.out)) {
        if (line.rfind("site ", 0) != 0) continue;
        ++sites;
        int site = 0;
        double throttle = 0, front = 0, rear = 0, correction = 0;
        ASSERT_EQ(std::sscanf(line.c_str(), "site %d throttle %lf deg front AFR %lf rear AFR %lf correction %lf %%", &site,
                              &throttle, &front, &rear, &correction),
                  5)
            << line;
        EXPECT_NEAR(throttle, site * 16 * 88.68 / 1008, 0.01) << line;
        EXPECT_NEAR(front, 14.24, 0.1) << line;
        EXPECT_NEAR(correction, 100.0 * (front / 13.1 - 1.0), 0.05) << line;  // the AFR is shown to 0.01
    }
    EXPECT_GE(sites, 1) << r.out;
    EXPECT_NE(r.out.find(std::to_string(sites) + " sites corrected on Stoichiometric2560Map"), std::string::npos) << r.out;
}

TEST(CliAutotune, RowMustBeTheSpeedOfAFuelRow) {
    CliRun r = Cli("autotune", {"--port", "sim", "--row", "2300"});
    EXPECT_EQ(r.code, cli::kExitUsage);
    EXPECT_NE(r.err.find("nearest: --row 2304"), std::string::npos) << r.err;
    EXPECT_EQ(Cli("autotune", {"--port", "sim", "--row", "8192"}).code, cli::kExitUsage);
    EXPECT_EQ(Cli("autotune", {"--port", "sim", "--row", "2304", "--map", "Stoichiometric2560Map"}).code, cli::kExitUsage);
    EXPECT_EQ(Cli("autotune", {"--port", "sim", "--map", "IGNVSMAP2048Map"}).code, cli::kExitUsage);
}

#ifdef CORVANE_HAVE_QT_SERIAL
TEST(CliWarranty, TheVinFromTheModuleIsShownPrintable) {
    sim::EmulatorOptions options;
    options.productCode = 2;
    sim::ModuleEmulator module(options);
    std::string vin = "1HD\xF3\x1B[2J\\";
    vin.resize(sim::kVinLength, ' ');
    module.Poke(sim::kVinAddress, std::span(reinterpret_cast<const std::uint8_t*>(vin.data()), vin.size()));
    sim::ModulePeer peer(module, 5);
    sim::PtyPeerHost host(peer);
    std::string error;
    ASSERT_TRUE(host.Open(&error)) << error;
    host.Start();
    const CliRun r = Cli("warranty", {"--port", host.DevicePath(), "read"});
    host.Stop();
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_NE(r.out.find("VIN: 1HD\\xF3\\x1B[2J\\\\"), std::string::npos) << r.out;
    for (const char c : r.out) EXPECT_TRUE(c == '\n' || (c >= 0x20 && c <= 0x7E)) << static_cast<int>(c);
}
#elif defined(_WIN32)
// It holds the emulator the command talks to on a pseudo-terminal, which Windows has not.
TEST(CliWarranty, TheVinFromTheModuleIsShownPrintable) { GTEST_SKIP() << "needs a pseudo-terminal"; }
#endif

}  // namespace
}  // namespace corvane::test
