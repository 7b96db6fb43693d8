#pragma once

#include <filesystem>
#include <string>

namespace corvane {

// The folder that holds the program's data files (the EGO sensor table, the items
// definitions), looked for in this order: beside the program, where a build tree puts them;
// the installation's share folder next to the program's (<prefix>/share/corvane beside
// <prefix>/bin); the data folder of the installation the program was built for. The first
// that holds `markerFile` wins; when none does, the program's folder, so that a missing file is
// reported as missing from there as before.
[[nodiscard]] std::filesystem::path FindProgramDataFolder(const std::filesystem::path& programFolder,
                                                          const std::string& markerFile,
                                                          const std::filesystem::path& installedFolder);
// The same with the installed data folder this build was configured for.
[[nodiscard]] std::filesystem::path FindProgramDataFolder(const std::filesystem::path& programFolder,
                                                          const std::string& markerFile);

}  // namespace corvane
