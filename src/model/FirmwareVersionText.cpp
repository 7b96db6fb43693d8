#include "model/FirmwareVersionText.h"

#include <cstdio>

#include "model/AppState.h"

namespace corvane {

std::string FirmwareVersionHex(int version) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%02X", static_cast<unsigned>(version) & 0xFFu);
    return text;
}

std::string FirmwareVersionText(const AppState& state) {
    // The version byte is 0 whenever no module is linked (or it could not be read).
    if (!state.moduleLinked || state.moduleFirmwareVersion == 0) return "Firmware Version: N/A";
    return "Firmware Version: " + FirmwareVersionHex(state.moduleFirmwareVersion);
}

}  // namespace corvane
