#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace corvane {

// How a text that came from a file or from the module is shown: such texts are byte strings
// of no known encoding (a damaged map file, a module's memory), and a terminal, a JSON reader
// or a window must never receive them raw. Printable ASCII (0x20 ... 0x7E) is kept, a
// backslash is doubled so that the escapes stay unambiguous, and every other byte becomes
// "\xNN" with two upper-case hexadecimal digits. The result is pure ASCII, hence valid UTF-8,
// and the original bytes can be read back from it.
[[nodiscard]] std::string PrintableText(std::string_view bytes);

// The bytes a shown text stands for: the exact inverse of PrintableText, for a shown text the
// user may have edited. "\\" is one backslash, "\xNN" (hexadecimal digits, either case) one
// byte, printable ASCII itself. Nullopt for anything PrintableText never writes: a backslash
// starting neither escape, a short escape, a character outside printable ASCII.
[[nodiscard]] std::optional<std::string> BytesOfPrintableText(std::string_view shown);

}  // namespace corvane
