#include "settings/ProgramFolder.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <system_error>
#include <vector>

namespace {

std::string Environment(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? std::string(value) : std::string();
}

std::string WithoutTrailingSlash(std::string folder) {
    while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
    return folder;
}

std::string DataFolderBeside(const std::string& executableFolder) {
    return (std::filesystem::path(executableFolder).parent_path() / "share" / "olixtrap").string();
}

// HOME, or the password database's home when the environment has none (a service).
std::string UserHome() {
    if (std::string home = Environment("HOME"); !home.empty()) return home;
    long size = sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(static_cast<std::size_t>(size > 0 ? size : 16384));
    passwd entry{};
    passwd* found = nullptr;
    if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found &&
        found->pw_dir)
        return found->pw_dir;
    return {};
}

}  // namespace

std::string ExecutablePath() {
    std::error_code error;
    const std::filesystem::path executable = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::string() : executable.string();
}

std::string ExecutableFolder() {
    const std::string executable = ExecutablePath();
    return executable.empty() ? std::string(".")
                              : std::filesystem::path(executable).parent_path().string();
}

std::string ResolveProgramFolder(const ProgramFolderFacts& facts) {
    if (!facts.homeOverride.empty()) return WithoutTrailingSlash(facts.homeOverride);
    std::error_code error;
    const bool installedCopy =
        std::filesystem::is_directory(DataFolderBeside(facts.executableFolder), error);
    if (facts.executableFolderWritable && !installedCopy)
        return WithoutTrailingSlash(facts.executableFolder);

    // A relative XDG_DATA_HOME is invalid under the XDG base directory rules and is ignored.
    std::filesystem::path dataHome = facts.xdgDataHome;
    if (dataHome.empty() || dataHome.is_relative()) {
        if (facts.userHome.empty()) return WithoutTrailingSlash(facts.executableFolder);
        dataHome = std::filesystem::path(facts.userHome) / ".local" / "share";
    }
    const std::filesystem::path folder = dataHome / "olixtrap";
    std::filesystem::create_directories(folder, error);  // a failure shows at the first file access
    return WithoutTrailingSlash(folder.string());
}

std::string GetProgramFolder() {
    ProgramFolderFacts facts;
    facts.homeOverride = Environment("OLIXTRAP_HOME");
    if (facts.homeOverride.empty()) {
        facts.executableFolder = ExecutableFolder();
        facts.executableFolderWritable = access(facts.executableFolder.c_str(), W_OK) == 0;
        facts.xdgDataHome = Environment("XDG_DATA_HOME");
        facts.userHome = UserHome();
    }
    return ResolveProgramFolder(facts);
}

std::string SettingsFilePath() { return GetProgramFolder() + "/OlixTrap.ini"; }

std::string InstalledDataFolder() { return DataFolderBeside(ExecutableFolder()); }
