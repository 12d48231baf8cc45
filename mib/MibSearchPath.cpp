#include "mib/MibSearchPath.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "settings/ProgramFolder.h"

namespace {

namespace fs = std::filesystem;

constexpr char kBaseFolderName[] = "base-mibs";

bool IsFolder(const std::string& path) {
    std::error_code error;
    return !path.empty() && fs::is_directory(path, error);
}

std::vector<std::string> Subfolders(const std::string& parent) {
    std::vector<std::string> found;
    std::error_code error;
    for (fs::directory_iterator it(parent, error), end; !error && it != end; it.increment(error))
        if (it->is_directory(error)) found.push_back(it->path().string());
    std::sort(found.begin(), found.end());
    return found;
}

}  // namespace

std::vector<std::string> MibSearchFolders(const MibFolderFacts& facts) {
    std::vector<std::string> candidates;
    if (!facts.programFolder.empty()) candidates.push_back(facts.programFolder + "/mibs");
    if (!facts.userHome.empty()) candidates.push_back(facts.userHome + "/.snmp/mibs");
    for (const char* folder :
         {"/usr/share/snmp/mibs", "/usr/share/snmp/mibs/ietf", "/usr/share/snmp/mibs/iana"})
        candidates.emplace_back(folder);
    for (std::string& folder : Subfolders("/usr/share/mibs"))
        candidates.push_back(std::move(folder));
    candidates.emplace_back("/var/lib/mibs/ietf");
    candidates.emplace_back("/var/lib/mibs/iana");
    std::string_view extra = facts.extraFolders;
    while (!extra.empty()) {
        const std::size_t colon = extra.find(':');
        if (colon != 0) candidates.emplace_back(extra.substr(0, colon));
        extra = colon == std::string_view::npos ? std::string_view() : extra.substr(colon + 1);
    }
    candidates.push_back(facts.baseFolder);

    std::vector<std::string> folders;
    for (std::string& folder : candidates)
        if (IsFolder(folder) && std::find(folders.begin(), folders.end(), folder) == folders.end())
            folders.push_back(std::move(folder));
    return folders;
}

MibFolderFacts CurrentMibFolderFacts(std::string_view extraFolders) {
    MibFolderFacts facts;
    facts.programFolder = GetProgramFolder();
    if (const char* home = std::getenv("HOME")) facts.userHome = home;
    facts.extraFolders = extraFolders;
    facts.baseFolder = InstalledDataFolder() + "/" + kBaseFolderName;
    if (!IsFolder(facts.baseFolder)) {
        std::error_code error;
        const fs::path executable = fs::read_symlink("/proc/self/exe", error);
        facts.baseFolder = (executable.parent_path() / kBaseFolderName).string();
    }
    return facts;
}

std::string ProgramMibFolder() { return GetProgramFolder() + "/mibs"; }
