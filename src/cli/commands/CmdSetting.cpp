// corvane-cli setting: change one basic setting in a map file and on the module.
#include <iostream>

#include "cli/CliCommand.h"
#include "cli/CliPrompter.h"
#include "cli/ModuleSession.h"
#include "cli/commands/CliDocSupport.h"
#include "link/CBasicSettingsLink.h"
#include "link/MapsDocumentLink.h"

namespace corvane::cli {
namespace {

int RunSetting(const Args& args, std::ostream& out, std::ostream& err) {
    const auto port = args.Get("port");
    if (!port) throw UsageError{"--port PORT is required"};
    const auto className = args.Get("setting");
    const auto display = args.GetDouble("display");
    if (!className || !display) throw UsageError{"--setting CLASS and --display V are required"};
    const std::string path = OnePositional(args, "map file");
    const int index = FindBasicSetting(*className);
    if (index < 0) throw UsageError{"unknown setting class " + *className};
    const std::uint32_t code = DocumentProductCode(args);

    CliPrompter prompter(err, std::cin, true);
    ModuleSession session(args, code, prompter);
    auto opened = CCorvaneMapsDoc::Open(path, session.App(), &session.Comms(), &session.Link(), &prompter);
    if (!opened.document) {
        err << opened.Message() << "\n";
        return kExitRefused;
    }
    CCorvaneMapsDoc& doc = *opened.document;
    if (!session.EnsureLinked()) return kExitFailed;
    if (index == kStartIgnRevsDelay && !doc.GetSetting(index)->IsSupportedByFirmware(session.App().moduleFirmwareVersion)) {
        prompter.Message("This setting is 'FirmWare Version' specific and may NOT be available."
                         "\n\nNOTE: A 'Link' must be made to a compatible\nmodule to allow edit of this Basic Setting.",
                         "Firmware Version Specific Setting", Prompter::Icon::Information, Prompter::Buttons::Ok);
        return kExitRefused;
    }
    MapsDocumentLink docLink(doc);
    CBasicSettingsLink settings(session.Link());
    if (settings.EditSetting(docLink, index, *display) == CBasicSettingsLink::ApplyResult::kWriteFailed)
        return kExitFailed;
    std::string error;
    if (!doc.Save(path, &error)) {
        err << "corvane-cli setting: cannot write " << path << ": " << error << "\n";
        return kExitFailed;
    }
    const auto* setting = doc.GetSetting(index);
    out << setting->GetName() << " = " << setting->FormatDisplay() << "\n";
    return kExitOk;
}

const bool kRegistered = Register({
    "setting",
    "setting --port PORT [--product-code N] FILE.crv --setting CLASS --display V",
    "Changes one basic setting as the settings view does: V is clamped to the setting's range,\n"
    "the setting's 4-byte block is read from the module on PORT, patched and written back, and\n"
    "FILE.crv is saved with the new value. CLASS is the setting's class name, e.g. CRevLimit.",
    {},
    RunSetting,
});

}  // namespace
}  // namespace corvane::cli
