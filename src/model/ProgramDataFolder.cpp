#include "model/ProgramDataFolder.h"

#include "CorvaneVersion.h"

namespace corvane {

std::filesystem::path FindProgramDataFolder(const std::filesystem::path& programFolder, const std::string& markerFile,
                                            const std::filesystem::path& installedFolder) {
    namespace fs = std::filesystem;
    std::error_code error;
    const fs::path candidates[] = {programFolder, programFolder.parent_path() / "share" / "corvane", installedFolder};
    for (const fs::path& folder : candidates)
        if (!folder.empty() && fs::is_regular_file(folder / markerFile, error)) return folder;
    return programFolder;
}

std::filesystem::path FindProgramDataFolder(const std::filesystem::path& programFolder, const std::string& markerFile) {
    return FindProgramDataFolder(programFolder, markerFile, kInstalledDataFolder);
}

}  // namespace corvane
