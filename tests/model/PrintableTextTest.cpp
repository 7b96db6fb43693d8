#include <gtest/gtest.h>

#include <cctype>
#include <optional>
#include <string>

#include "model/PrintableText.h"

namespace corvane {
namespace {

// Reads the bytes back from a shown text; nullopt when it is not in the shown form.
std::optional<std::string> Unescape(const std::string& shown) {
    std::string bytes;
    for (std::size_t i = 0; i < shown.size(); ++i) {
        if (shown[i] != '\\') {
            bytes += shown[i];
            continue;
        }
        if (i + 1 < shown.size() && shown[i + 1] == '\\') {
            bytes += '\\';
            ++i;
        } else if (i + 3 < shown.size() && shown[i + 1] == 'x' && std::isxdigit(static_cast<unsigned char>(shown[i + 2])) &&
                   std::isxdigit(static_cast<unsigned char>(shown[i + 3]))) {
            bytes += static_cast<char>(std::stoi(shown.substr(i + 2, 2), nullptr, 16));
            i += 3;
        } else {
            return std::nullopt;
        }
    }
    return bytes;
}

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
        EXPECT_EQ(Unescape(shown), name) << "byte " << b;
        const bool kept = b >= 0x20 && b <= 0x7E && b != '\\';
        EXPECT_EQ(shown.size(), kept ? 3u : b == '\\' ? 4u : 6u) << "byte " << b;
    }
    std::string all;
    for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
    const std::string shown = PrintableText(all);
    EXPECT_TRUE(IsPrintableAscii(shown));
    EXPECT_EQ(Unescape(shown), all);
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

}  // namespace
}  // namespace corvane
