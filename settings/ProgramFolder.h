#pragma once
// The program folder holds the settings file and the db, tmp and log folders.

#include <string>

// What the program folder is chosen from.
struct ProgramFolderFacts {
    std::string homeOverride;      // OLIXTRAP_HOME, empty when unset
    std::string executableFolder;  // the folder of the running executable
    bool executableFolderWritable = false;
    std::string xdgDataHome;  // XDG_DATA_HOME, empty when unset
    std::string userHome;     // the user's home folder
};

// The program folder, without a trailing slash, in this order:
// 1. homeOverride when set (installed services, tests);
// 2. the executable's folder when the user may write there and it is not the bin folder
//    of an installed copy (one with InstalledDataFolder beside it), as in a build tree;
// 3. $XDG_DATA_HOME/olixtrap, by default ~/.local/share/olixtrap, created when missing.
std::string ResolveProgramFolder(const ProgramFolderFacts& facts);

// ResolveProgramFolder for this process and its environment.
std::string GetProgramFolder();

// The settings file: GetProgramFolder() + "/OlixTrap.ini".
std::string SettingsFilePath();

// The running executable, and its folder.
std::string ExecutablePath();
std::string ExecutableFolder();

// Where an installed copy keeps its shared files, such as the help document:
// share/olixtrap beside the executable's bin folder.
std::string InstalledDataFolder();
