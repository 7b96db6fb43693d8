#include "model/PrintableText.h"

namespace corvane {

std::string PrintableText(std::string_view bytes) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string shown;
    shown.reserve(bytes.size());
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        if (b == '\\') {
            shown += "\\\\";
        } else if (b >= 0x20 && b <= 0x7E) {
            shown += c;
        } else {
            shown += "\\x";
            shown += kHex[b >> 4];
            shown += kHex[b & 0x0F];
        }
    }
    return shown;
}

namespace {

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

}  // namespace

std::optional<std::string> BytesOfPrintableText(std::string_view shown) {
    std::string bytes;
    bytes.reserve(shown.size());
    for (std::size_t i = 0; i < shown.size(); ++i) {
        const auto c = static_cast<unsigned char>(shown[i]);
        if (c < 0x20 || c > 0x7E) return std::nullopt;
        if (c != '\\') {
            bytes += shown[i];
            continue;
        }
        if (i + 1 < shown.size() && shown[i + 1] == '\\') {
            bytes += '\\';
            ++i;
            continue;
        }
        // Otherwise only an escape "\xNN" may start here, all four characters of it.
        if (i + 3 >= shown.size() || shown[i + 1] != 'x') return std::nullopt;
        const int high = HexDigit(shown[i + 2]);
        const int low = HexDigit(shown[i + 3]);
        if (high < 0 || low < 0) return std::nullopt;
        bytes += static_cast<char>(high * 16 + low);
        i += 3;
    }
    return bytes;
}

}  // namespace corvane
