// corvane-cli probe: links to a module and says what it is.
#include <string>

#include "cli/CliCommand.h"
#include "cli/ModuleSession.h"
#include "comms/ModuleComms.h"
#include "model/PrintableText.h"

namespace corvane::cli {
namespace {

int RunProbe(const Args& args, std::ostream& out, std::ostream& err) {
    OpenedComms opened = OpenModuleComms(args, ProductCodeOption(args));
    comms::ModuleComms& link = *opened.comms;
    const std::string port = *args.Get("port");
    if (!link.DetectModule()) {
        err << "corvane-cli probe: no module answers on " << port << "\n";
        return kExitFailed;
    }
    const int moduleId = link.ConnectedModuleId();
    out << "module id: " << moduleId << (moduleId == kUpgradeModeModuleId ? " (firmware upgrade mode)" : "") << "\n";
    out << "firmware version: " << link.ConnectedFirmwareVersion() << "\n";
    // The module's own firmware version byte, as the application reads it at link time.
    if (link.ReadModuleMemoryBlock(0x0F18, 1)) out << "firmware version byte: " << int{link.GetReceivedData()[0]} << "\n";
    if (!link.ReadModuleMemoryBlock(0x0F00, 16)) {
        err << "corvane-cli probe: reading the base map name failed\n";
        link.CloseLink();
        return kExitFailed;
    }
    auto bytes = link.GetReceivedData();
    std::string name;
    for (std::uint8_t b : bytes) {
        if (b == 0) break;
        name += static_cast<char>(b);
    }
    out << "base map name: " << PrintableText(name) << "\n";
    link.CloseLink();
    return kExitOk;
}

const bool kRegistered = Register({
    "probe",
    "probe --port PORT [--baud N] [--device-pattern P] [--product-code N]",
    "Links to the module on PORT (\"sim\" for the built-in simulated module, \"Com n\", or a\n"
    "serial device path such as the one corvane-sim prints) and prints its module id, firmware\n"
    "version and base map name. --baud sets the serial line rate (default 115200); on systems\n"
    "without COM names \"Com n\" opens the device --device-pattern gives with n - 1 (default\n"
    "/dev/ttyUSB%d). --product-code chooses the simulated module's product. Exits 3 when no\n"
    "module answers.",
    {},
    RunProbe,
});

}  // namespace
}  // namespace corvane::cli
