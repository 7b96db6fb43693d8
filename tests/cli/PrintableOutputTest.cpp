#include <gtest/gtest.h>

#include <string>

#include "../documents/TempDir.h"
#include "CliRun.h"
#include "JsonCheck.h"
#include "documents/CCorvaneMapsDoc.h"
#include "model/PrintableText.h"

namespace corvane::test {
namespace {

bool IsPrintableAscii(const std::string& text) {
    for (const char c : text) {
        const auto b = static_cast<unsigned char>(c);
        if ((b < 0x20 && b != '\n') || b > 0x7E) return false;
    }
    return true;
}

// A map file whose base map name holds exactly these bytes, as a damaged file may.
void WriteMapFileNamed(const std::string& path, const std::string& name) {
    AppState app;
    CCorvaneMapsDoc doc(app);
    doc.SetBaseMapName(name);
    std::string error;
    ASSERT_TRUE(doc.Save(path, &error)) << error;
}

TEST(CliPrintableOutput, EveryByteOfABaseMapNameReachesTheTerminalEscaped) {
    TempDir dir;
    // Sixteen files, sixteen bytes each: every value from 0 to 255 in a name.
    for (int first = 0; first < 256; first += 16) {
        std::string name;
        for (int b = first; b < first + 16; ++b) name += static_cast<char>(b);
        const std::string path = dir.File("name" + std::to_string(first) + ".crv");
        WriteMapFileNamed(path, name);
        const std::string shown = PrintableText(name);

        const CliRun info = Cli("info", {path});
        ASSERT_EQ(info.code, 0) << info.err;
        EXPECT_TRUE(IsPrintableAscii(info.out)) << "bytes " << first;
        EXPECT_NE(info.out.find("base map name: " + shown + "\n"), std::string::npos) << info.out;

        const CliRun table = Cli("dump", {path});
        ASSERT_EQ(table.code, 0);
        EXPECT_TRUE(IsPrintableAscii(table.out)) << "bytes " << first;

        const CliRun json = Cli("dump", {path, "--json"});
        ASSERT_EQ(json.code, 0);
        EXPECT_EQ(JsonCheck::Fault(json.out), std::nullopt) << "bytes " << first;
        std::string quoted;  // the shown text as a JSON string
        for (const char c : shown) quoted += (c == '"' || c == '\\') ? std::string("\\") + c : std::string(1, c);
        EXPECT_NE(json.out.find("\"base_map_name\": \"" + quoted + "\""), std::string::npos) << "bytes " << first;
    }
}

TEST(CliPrintableOutput, DiffShowsBothNamesEscaped) {
    TempDir dir;
    WriteMapFileNamed(dir.File("a.crv"), "TUNE\xF3");
    WriteMapFileNamed(dir.File("b.crv"), "TUNE\x1B[2J");
    const CliRun r = Cli("diff", {dir.File("a.crv"), dir.File("b.crv")});
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.out.find("base map name: \"TUNE\\xF3\" -> \"TUNE\\x1B[2J\""), std::string::npos) << r.out;
}

TEST(CliPrintableOutput, JsonCheckCatchesWhatAReaderWouldRefuse) {
    EXPECT_EQ(JsonCheck::Fault("{\"a\": [1, -2.5e3, true, null, \"x\\\\y\\u00f3\"]}"), std::nullopt);
    EXPECT_NE(JsonCheck::Fault("{\"a\": \"\xF3\"}"), std::nullopt);   // not UTF-8
    EXPECT_NE(JsonCheck::Fault("{\"a\": \"\x01\"}"), std::nullopt);   // raw control character
    EXPECT_NE(JsonCheck::Fault("{\"a\": \"\\x41\"}"), std::nullopt);  // not a JSON escape
    EXPECT_NE(JsonCheck::Fault("{\"a\": 1,}"), std::nullopt);
}

}  // namespace
}  // namespace corvane::test
