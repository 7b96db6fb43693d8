#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "model/PrintableText.h"

namespace corvane {
namespace {

bool IsPrintableAscii(const std::string& text) {
    for (const char c : text)
        if (static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) > 0x7E) return false;
    return true;
}

TEST(PrintableText, EveryByteValueIsShownAsPrintableAsciiAndCanBeReadBack) {
    for (int b = 0; b < 256; ++b) {
        const std::string name = std::string("A") + static_cast<char>(b) + "Z";
        const std::string shown = PrintableText(name);
        EXPECT_TRUE(IsPrintableAscii(shown)) << "byte " << b;
        EXPECT_EQ(BytesOfPrintableText(shown), name) << "byte " << b;
        const bool kept = b >= 0x20 && b <= 0x7E && b != '\\';
        EXPECT_EQ(shown.size(), kept ? 3u : b == '\\' ? 4u : 6u) << "byte " << b;
    }
    std::string all;
    for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
    const std::string shown = PrintableText(all);
    EXPECT_TRUE(IsPrintableAscii(shown));
    EXPECT_EQ(BytesOfPrintableText(shown), all);
}

TEST(PrintableText, EscapesAreTwoUpperCaseHexDigitsAndBackslashesAreDoubled) {
    EXPECT_EQ(PrintableText("CVA-STOCK-000001"), "CVA-STOCK-000001");
    EXPECT_EQ(PrintableText(std::string("MAP\xF3\x00\x7F\n", 7)), "MAP\\xF3\\x00\\x7F\\x0A");
    // Without the doubling a name that holds the four characters \xF3 would look like one
    // that holds the byte.
    EXPECT_EQ(PrintableText("C:\\xF3"), "C:\\\\xF3");
    EXPECT_NE(PrintableText("\\xF3"), PrintableText("\xF3"));
    EXPECT_EQ(PrintableText(""), "");
}

TEST(PrintableText, AnEditedShownTextReadsBackOnlyInTheShownForm) {
    EXPECT_EQ(BytesOfPrintableText("1HD1\\xF3"), "1HD1\xF3");      // the escape is one byte
    EXPECT_EQ(BytesOfPrintableText("C:\\\\xF3"), "C:\\xF3");     // a doubled backslash: four characters
    EXPECT_EQ(BytesOfPrintableText("\\xf3\\x41"), "\xF3" "A");   // typed in lower case too
    EXPECT_EQ(BytesOfPrintableText(""), "");
    // Nothing PrintableText would write: a lone or unknown escape, a cut escape, bytes the
    // field never shows raw (a tab, UTF-8 typed by the user).
    for (const char* shown : {"AB\\", "AB\\CD", "\\x4", "\\x4G", "\\X41", "A\tB", "caf\xC3\xA9"})
        EXPECT_FALSE(BytesOfPrintableText(shown).has_value()) << shown;
}

}  // namespace
}  // namespace corvane
