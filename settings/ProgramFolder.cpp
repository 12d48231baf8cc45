#include "settings/ProgramFolder.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>

std::string GetProgramFolder() {
    std::string folder;
    if (const char* home = std::getenv("OLIXTRAP_HOME"); home != nullptr && home[0] != '\0') {
        folder = home;
    } else {
        std::error_code error;
        const std::filesystem::path executable = std::filesystem::read_symlink("/proc/self/exe", error);
        folder = error ? std::string(".") : executable.parent_path().string();
    }
    while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
    return folder;
}

std::string SettingsFilePath() { return GetProgramFolder() + "/OlixTrap.ini"; }
