// docs/protocol.md is what people write their own tools from: the parts generated from the
// catalogue tables and the example frames must be exactly what the program does.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "CliRun.h"
#include "protocol/Frame.h"

using namespace corvane;
using test::Cli;

namespace {

std::string ProtocolDoc() {
    std::ifstream in(std::string(CORVANE_DOCS_DIR) + "/protocol.md", std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string Hex(const std::vector<std::uint8_t>& bytes) {
    std::string out;
    char buf[4];
    for (std::uint8_t b : bytes) {
        std::snprintf(buf, sizeof buf, "%02X", b);
        out += (out.empty() ? "" : " ") + std::string(buf);
    }
    return out;
}

}  // namespace

TEST(ProtocolDoc, HoldsTheGeneratedMemoryMapsAndTheLiveValueTable) {
    const std::string doc = ProtocolDoc();
    ASSERT_FALSE(doc.empty()) << "docs/protocol.md not found";
    const std::vector<std::vector<std::string>> runs{
        {"--markdown"}, {"--product-code", "2", "--markdown"}, {"--product-code", "4", "--markdown"},
        {"--live-values", "--markdown"}, {"--settings", "--markdown"}, {"--ego-table", "--markdown"}};
    for (const auto& args : runs) {
        std::string line = "corvane-cli memory-map";
        for (const auto& a : args) line += " " + a;
        // The document's EGO table is the one the program ships; the test reads the same file.
        std::vector<std::string> argv = args;
        if (args.front() == "--ego-table") argv.insert(argv.end(), {"--data-dir", CORVANE_TEST_DATA_DIR});
        const auto run = Cli("memory-map", argv);
        ASSERT_EQ(run.code, cli::kExitOk) << line << ": " << run.err;
        EXPECT_NE(doc.find(run.out), std::string::npos)
            << "docs/protocol.md does not hold the output of `" << line
            << "`; scripts/update-protocol-tables.py writes it in again:\n" << run.out;
        EXPECT_NE(doc.find(line), std::string::npos) << "the document should say how its table was made";
    }
}

TEST(ProtocolDoc, GeneratedTablesPlaceEverythingTheLinkUses) {
    const auto a = Cli("memory-map", {});
    ASSERT_EQ(a.code, cli::kExitOk);
    for (const char* expected : {"0x0400  0x041A", "0x0500  0x05EF", "0x0F00  0x0F0F", "0x0F10  0x0F13",
                                 "0x0F1C  0x0F1F", "0x1400  0x1447", "Stoichiometric2048Map", "0x8380  0x83FF",
                                 "0xD800  0xDFFF"})
        EXPECT_NE(a.out.find(expected), std::string::npos) << expected;
    EXPECT_EQ(a.out.find("0xE000"), std::string::npos) << "nothing lies past the end of memory";
    const auto b = Cli("memory-map", {"--product-code", "8"});
    EXPECT_NE(b.out.find("IGN2048Map"), std::string::npos);
    EXPECT_EQ(b.out.find("(the program shows it for family B only)"), std::string::npos);
    EXPECT_EQ(Cli("memory-map", {"--product-code", "3"}).code, cli::kExitUsage);
    const auto live = Cli("memory-map", {"--live-values"});
    EXPECT_NE(live.out.find("Manifold Air Pressure"), std::string::npos);
    EXPECT_NE(live.out.find("0x1446"), std::string::npos) << "the last word of the block";
    // The sensors stream volts: a client that shows their numbers as AFR is wrong by a factor.
    EXPECT_NE(live.out.find("V (AFR through the EGO sensor table)"), std::string::npos);
}

TEST(ProtocolDoc, SettingsTableConvertsAsTheProgramDoes) {
    const auto run = Cli("memory-map", {"--settings"});
    ASSERT_EQ(run.code, cli::kExitOk) << run.err;
    // Rev limit: one byte at 0x040A, raw 125 … 250 for 4000 … 8000 rpm, 32 rpm a count; the
    // IAC stop offset signed by its range, not its byte: raw 0 … 40 for -20 … 20 steps.
    std::istringstream lines(run.out);
    std::string line, revLimit, iac;
    while (std::getline(lines, line)) {
        if (line.find(" CRevLimit ") != std::string::npos) revLimit = line;
        if (line.find(" CIACStopOffset ") != std::string::npos) iac = line;
    }
    for (const char* expected : {"0x040A", "125 … 250", "4000 … 8000", "32", "rpm"})
        EXPECT_NE(revLimit.find(expected), std::string::npos) << expected << " in: " << revLimit;
    for (const char* expected : {"0x0004", "0 … 40", "-20 … 20", "Steps", "shares its bytes with"})
        EXPECT_NE(iac.find(expected), std::string::npos) << expected << " in: " << iac;
    EXPECT_NE(run.out.find("29 catalogue entries"), std::string::npos);
}

TEST(ProtocolDoc, EgoTableListsTheShippedLinesWithTheirRawCounts) {
    const auto run = Cli("memory-map", {"--ego-table", "--data-dir", CORVANE_TEST_DATA_DIR});
    ASSERT_EQ(run.code, cli::kExitOk) << run.err;
    // 14.70 AFR is not a line; 14.00 AFR at 2.00 V is, at raw 409 (2 ÷ (5 ÷ 1023) = 409.2).
    EXPECT_NE(run.out.find("14.00  2.00   409"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("holds"), std::string::npos);
    const auto missing = Cli("memory-map", {"--ego-table", "--data-dir", "/nonexistent-corvane-data"});
    EXPECT_EQ(missing.code, cli::kExitRefused);
    EXPECT_NE(missing.err.find("no EGO sensor table"), std::string::npos);
}

TEST(ProtocolDoc, ExampleFramesAreWhatTheEncoderSends) {
    const std::string doc = ProtocolDoc();
    const std::string name = "CVA-STOCK-000001";
    const std::vector<protocol::Frame> frames{
        protocol::MakeIdentify(0x1234),
        protocol::MakeRead(0x1235, 0x0F00, 16),
        protocol::Frame{0x1235, protocol::Command::ReadAnswer, std::vector<std::uint8_t>(name.begin(), name.end())},
    };
    for (const auto& frame : frames) {
        const auto bytes = protocol::EncodeFrame(frame);
        char crcs[64];
        std::snprintf(crcs, sizeof crcs, "CRC-8 0x%02X, CRC-32 0x%02X%02X%02X%02X", bytes[6], bytes[bytes.size() - 4],
                      bytes[bytes.size() - 3], bytes[bytes.size() - 2], bytes[bytes.size() - 1]);
        EXPECT_NE(doc.find(Hex(bytes)), std::string::npos) << "missing frame " << Hex(bytes);
        EXPECT_NE(doc.find(crcs), std::string::npos) << "missing " << crcs;
    }
}
