// corvane-cli warranty: read or clear the module's warranty record.
#include <iostream>

#include "cli/CliCommand.h"
#include "cli/CliPrompter.h"
#include "cli/ModuleSession.h"
#include "cli/commands/CliDocSupport.h"
#include "link/CWarrantyLink.h"
#include "link/MapsDocumentLink.h"
#include "model/PrintableText.h"
#include "model/WarrantyValues.h"

namespace corvane::cli {
namespace {

void PrintRecord(const WarrantyValues& w, std::ostream& out) {
    out << "VIN: " << PrintableText(w.vin->GetText()) << "\n";
    out << "Rev Limit Hits: " << w.revLimitHits->GetModuleValue() << "\n";
    for (const auto& log : w.logs) out << log->GetLabel() << ": " << FormatRunTime(log->GetSeconds()) << "\n";
    out << "Total Hrs.: " << FormatRunTime(w.TotalSeconds()) << "\n";
}

int RunWarranty(const Args& args, std::ostream& out, std::ostream& err) {
    const auto port = args.Get("port");
    if (!port) throw UsageError{"--port PORT is required"};
    if (args.Positional().size() != 1) throw UsageError{"expected 'read' or 'clear'"};
    const std::string action = args.Positional()[0];
    if (action != "read" && action != "clear") throw UsageError{"expected 'read' or 'clear'"};
    // The warranty record lives in family B documents.
    const std::uint32_t code = args.Has("product-code") ? DocumentProductCode(args) : 2;
    if (FamilyOfProductCode(code) != ProductFamily::kB)
        throw UsageError{"the warranty record exists in family B only (product codes 2, 8, 64)"};

    CliPrompter prompter(err, std::cin, args.Has("yes"));
    ModuleSession session(args, code, prompter);
    CCorvaneMapsDoc doc(session.App(), &session.Comms(), &session.Link(), &prompter);
    MapsDocumentLink docLink(doc);
    CWarrantyLink warranty(session.Link());
    const bool ok = action == "read" ? warranty.ReadWarranty(docLink) : warranty.ClearWarranty(docLink);
    if (!ok) return kExitFailed;
    PrintRecord(*doc.GetWarrantyValues(), out);
    if (const auto ssd = args.Get("ssd")) {
        if (!CWarrantyLink::SaveServiceData(docLink, *ssd)) {
            err << "corvane-cli warranty: cannot write " << *ssd << "\n";
            return kExitFailed;
        }
    }
    return kExitOk;
}

const bool kRegistered = Register({
    "warranty",
    "warranty --port PORT [--product-code N] (read [--ssd OUT.ssd] | clear [--yes])",
    "read: reads the VIN, the rev-limit hits and the 60 run-time logs from the module on PORT and\n"
    "prints them; --ssd also saves them as a service data file. clear: sets every log of the\n"
    "module to 00:00:00 (asks first unless --yes) and prints the record read back.",
    {"yes"},
    RunWarranty,
});

}  // namespace
}  // namespace corvane::cli
