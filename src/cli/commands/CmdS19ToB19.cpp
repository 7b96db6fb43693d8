// corvane-cli s19-to-b19: converts an S-record firmware file into a firmware data file.
#include <iostream>

#include "cli/CliPrompter.h"
#include "cli/commands/CliDocSupport.h"
#include "documents/FirmwareDataFile.h"

namespace corvane::cli {
namespace {

int RunS19ToB19(const Args& args, std::ostream& out, std::ostream& err) {
    const std::string path = OnePositional(args, "S19 file");
    const auto version = args.GetInt("version");
    if (!version) throw UsageError{"--version V is required"};
    const std::string target = args.GetOr("o", args.GetOr("output", FirmwareDataFile::B19PathFor(path)));
    CliPrompter prompter(err, std::cin, true);
    FirmwareDataFile file(&prompter);
    using R = FirmwareDataFile::ConvertResult;
    switch (file.ConvertS19ToB19(path, static_cast<int>(*version), target)) {
        case R::kOk:
            out << "wrote " << target << ": firmware version " << *version << ", " << file.GetBlocks().size()
                << " block(s), " << file.DataBytes() << " data bytes from " << file.GetRecords().size()
                << " record(s)\n";
            return kExitOk;
        case R::kCannotOpen:
            err << "cannot read " << path << "\n";
            return kExitRefused;
        case R::kNoData:
            err << path << " holds no S1 data records\n";
            return kExitRefused;
        case R::kBadRecord:
        case R::kCountMismatch:
            return kExitRefused;  // the prompter has shown the system's message
        case R::kCannotWrite:
            err << "cannot write " << target << "\n";
            return kExitFailed;
    }
    return kExitFailed;
}

const bool kRegistered = Register({
    "s19-to-b19",
    "s19-to-b19 IN.S19 --version V [-o OUT.B19]",
    "Converts the S1 records of IN.S19 into a firmware data file with firmware version V:\n"
    "records sorted by address and merged into blocks of up to 512 bytes. The output is\n"
    "IN.S19 with the extension .B19 unless -o is given. A record with a wrong checksum or\n"
    "malformed fields fails the conversion (exit 2) and nothing is written.",
    {},
    RunS19ToB19,
});

}  // namespace
}  // namespace corvane::cli
