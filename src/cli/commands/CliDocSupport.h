#pragma once

// Helpers shared by the file commands of corvane-cli (map files and firmware files).

#include <charconv>
#include <cmath>
#include <cstdio>
#include <memory>
#include <ostream>
#include <string>

#include "cli/CliCommand.h"
#include "documents/CCorvaneMapsDoc.h"
#include "documents/ProductFamily.h"
#include "model/AppState.h"
#include "model/PrintableText.h"
#include "model/Prompter.h"

namespace corvane::cli {

// The running product code from --product-code; a code of no known family is a usage error.
inline std::uint32_t DocumentProductCode(const Args& args) {
    const std::uint32_t code = ProductCodeOption(args);
    if (FamilyOfProductCode(code) == ProductFamily::kUnknown)
        throw UsageError{"unknown product code " + std::to_string(code) +
                         " (families: A 1, 128; B 2, 8, 64; C 4, 256)"};
    return code;
}

// Opens a map file as the application does. A refused file prints the system's message on
// err; the result is then null.
inline std::unique_ptr<CCorvaneMapsDoc> OpenMapFile(const std::string& path, AppState& app,
                                                    std::ostream& err) {
    auto result = CCorvaneMapsDoc::Open(path, app);
    if (!result.document) err << result.Message() << "\n";
    else if (const std::string text = result.document->OutOfLimitsText(); !text.empty())
        err << "warning: " << text << "\n";
    return std::move(result.document);
}

inline std::string OnePositional(const Args& args, const char* what) {
    if (args.Positional().size() != 1) throw UsageError{std::string("expected one ") + what};
    return args.Positional()[0];
}

// A number as JSON: shortest text that reads back to the same double; null when not finite.
inline std::string JsonNumber(double v) {
    if (!std::isfinite(v)) return "null";
    char buf[64];
    const auto r = std::to_chars(buf, buf + sizeof buf, v);
    return std::string(buf, r.ptr);
}

// A text as a JSON string, shown as every text is (PrintableText): map files and modules hold
// byte strings of no known encoding, and a JSON reader must get valid UTF-8. The printable
// form is ASCII, so only quotes and backslashes need JSON's escapes.
inline std::string JsonString(const std::string& s) {
    std::string out = "\"";
    for (const char c : PrintableText(s)) {
        if (c == '"' || c == '\\') out += '\\';
        out += c;
    }
    return out + "\"";
}

// A display value in its natural short form (up to 6 significant digits).
inline std::string ShortNumber(double v) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.6g", v);
    return buf;
}

}  // namespace corvane::cli
