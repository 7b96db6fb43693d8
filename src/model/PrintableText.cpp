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

}  // namespace corvane
