// corvane-cli b19-info: the header and blocks of a firmware data file.
#include <cstdio>

#include "cli/commands/CliDocSupport.h"
#include "documents/FirmwareDataFile.h"

namespace corvane::cli {
namespace {

int RunB19Info(const Args& args, std::ostream& out, std::ostream& err) {
    const std::string path = OnePositional(args, "B19 file");
    FirmwareDataFile file;
    if (!file.LoadB19(path)) {
        err << "Selected file:" << path << "\n" << FirmwareDataFile::kInvalidFileMessage << "\n";
        return kExitRefused;
    }
    char line[128];
    std::snprintf(line, sizeof line, "firmware version: %d (0x%X)\n", file.GetFirmwareVersion(),
                  static_cast<unsigned>(file.GetFirmwareVersion()));
    out << "signature: \"" << PrintableText(file.GetSignature()) << "\"\n"
        << "format version: " << file.GetFormatVersion() << "\n"
        << line << "blocks: " << file.GetBlocks().size() << "\n"
        << "data bytes: " << file.DataBytes() << "\n";
    for (const auto& b : file.GetBlocks()) {
        std::snprintf(line, sizeof line, "  0x%04X  %3u bytes%s\n", b.GetAddress(), b.GetLength(),
                      b.GetAddress() >= 0xC000 ? "  (not written to the module)" : "");
        out << line;
    }
    return kExitOk;
}

const bool kRegistered = Register({
    "b19-info",
    "b19-info FILE.B19",
    "Prints the signature, format version, firmware version and blocks of a firmware data\n"
    "file. A file that is not a valid firmware data file exits 2.",
    {},
    RunB19Info,
});

}  // namespace
}  // namespace corvane::cli
