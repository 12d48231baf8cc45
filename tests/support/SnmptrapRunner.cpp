#include "support/SnmptrapRunner.h"

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fcntl.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "support/Eventually.h"

extern char** environ;

std::string FindSnmptrap() { return FindSnmpTool("snmptrap"); }

std::string FindSnmpTool(const std::string& name) {
    const char* path = std::getenv("PATH");
    std::string folders = path ? path : "/usr/bin:/bin";
    std::size_t start = 0;
    while (start <= folders.size()) {
        const std::size_t end = std::min(folders.find(':', start), folders.size());
        const std::string candidate = folders.substr(start, end - start) + "/" + name;
        if (end > start && access(candidate.c_str(), X_OK) == 0) return candidate;
        start = end + 1;
    }
    return "";
}

namespace {

// Removes its folder when the run ends.
struct RunFolder {
    RunFolder() {
        std::string pattern = (std::filesystem::temp_directory_path() / "snmptrap-XXXXXX").string();
        if (mkdtemp(pattern.data())) path = pattern;
    }
    ~RunFolder() {
        std::error_code ignored;
        if (!path.empty()) std::filesystem::remove_all(path, ignored);
    }
    std::string path;
};

int WaitBounded(pid_t pid, std::chrono::milliseconds timeout) {
    int status = 0;
    pid_t done = 0;
    if (Eventually([&] { return (done = waitpid(pid, &status, WNOHANG)) != 0; }, timeout))
        return done == pid && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    kill(pid, SIGKILL);
    waitpid(pid, &status, 0);
    return -1;
}

}  // namespace

int RunSnmptrap(const std::vector<std::string>& arguments, std::chrono::milliseconds timeout) {
    return RunSnmpTool("snmptrap", arguments, timeout);
}

int RunSnmpTool(const std::string& name, const std::vector<std::string>& arguments,
                std::chrono::milliseconds timeout, std::string* output) {
    const std::string program = FindSnmpTool(name);
    RunFolder folder;
    if (program.empty() || folder.path.empty()) return -1;

    std::vector<std::string> environment = {"MIBS=", "SNMP_PERSISTENT_DIR=" + folder.path,
                                            "SNMPCONFPATH=" + folder.path, "HOME=" + folder.path};
    for (char** entry = environ; *entry; ++entry) {
        const std::string variable = *entry;
        if (!variable.starts_with("MIBS=") && !variable.starts_with("SNMP") &&
            !variable.starts_with("HOME=") && !variable.starts_with("MIBDIRS="))
            environment.push_back(variable);
    }
    std::vector<std::string> argv = {program};
    argv.insert(argv.end(), arguments.begin(), arguments.end());

    std::vector<char*> argvPointers;
    for (std::string& a : argv) argvPointers.push_back(a.data());
    argvPointers.push_back(nullptr);
    std::vector<char*> envPointers;
    for (std::string& e : environment) envPointers.push_back(e.data());
    envPointers.push_back(nullptr);

    const std::string outputPath = folder.path + "/output";
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (output) {
        posix_spawn_file_actions_addopen(&actions, 1, outputPath.c_str(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0600);
        posix_spawn_file_actions_adddup2(&actions, 1, 2);
    }
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, program.c_str(), &actions, nullptr, argvPointers.data(),
                                    envPointers.data());
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) return -1;
    const int status = WaitBounded(pid, timeout);
    if (output) {
        std::ifstream in(outputPath);
        output->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    return status;
}
