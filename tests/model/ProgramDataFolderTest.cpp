#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "model/ProgramDataFolder.h"

using namespace corvane;
namespace fs = std::filesystem;

TEST(ProgramDataFolder, BesideTheProgramThenTheShareFolderThenTheInstalledOne) {
    const fs::path root = fs::temp_directory_path() / ("corvane-datafolder-" + std::to_string(::getpid()));
    fs::remove_all(root);
    const fs::path bin = root / "usr" / "bin";
    const fs::path share = root / "usr" / "share" / "corvane";
    const fs::path installed = root / "opt" / "corvane";
    fs::create_directories(bin);
    fs::create_directories(share);
    fs::create_directories(installed);
    const std::string marker = "EgoSensorTable.txt";
    auto put = [&](const fs::path& folder) { std::ofstream(folder / marker) << "x"; };

    // Nowhere: the program's folder, so that the missing file is reported from there.
    EXPECT_EQ(FindProgramDataFolder(bin, marker, installed), bin);
    put(installed);
    EXPECT_EQ(FindProgramDataFolder(bin, marker, installed), installed);
    put(share);
    EXPECT_EQ(FindProgramDataFolder(bin, marker, installed), root / "usr" / "share" / "corvane");
    put(bin);  // a build tree: the file beside the program wins
    EXPECT_EQ(FindProgramDataFolder(bin, marker, installed), bin);
    // A folder of that name is not the file.
    fs::remove(bin / marker);
    fs::create_directories(bin / marker);
    EXPECT_EQ(FindProgramDataFolder(bin, marker, installed), root / "usr" / "share" / "corvane");
    fs::remove_all(root);
}
