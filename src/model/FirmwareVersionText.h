#pragma once

#include <string>

namespace corvane {

struct AppState;

// The module's firmware version byte as the program shows it: "0x2A", two upper-case digits.
[[nodiscard]] std::string FirmwareVersionHex(int version);
// The About box's line: "Firmware Version: 0x2A" while a module is linked and its version was
// read, "Firmware Version: N/A" otherwise.
[[nodiscard]] std::string FirmwareVersionText(const AppState& state);

}  // namespace corvane
