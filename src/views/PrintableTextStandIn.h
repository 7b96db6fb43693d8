#pragma once

#include <cstdio>
#include <string>
#include <string_view>

namespace corvane::standin {

// Stand-in for corvane::PrintableText of model/PrintableText.h, with its signature and its
// rule, until that header is in this tree; then this file goes and the callers include it.
// Texts from a file or the module are bytes of no known encoding: printable ASCII is kept, a
// backslash is doubled, every other byte is shown as "\xNN" (upper-case hexadecimal digits).
[[nodiscard]] inline std::string PrintableText(std::string_view bytes) {
    std::string text;
    text.reserve(bytes.size());
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        if (b == '\\') {
            text += "\\\\";
        } else if (b >= 0x20 && b <= 0x7E) {
            text.push_back(c);
        } else {
            char escaped[5];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", b);
            text += escaped;
        }
    }
    return text;
}

}  // namespace corvane::standin
