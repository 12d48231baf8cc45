#include "mib/MibLoadApart.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <memory>
#include <optional>
#include <string_view>
#include <system_error>

#include "mib/MibBuiltinNames.h"
#include "mib/MibLoadWire.h"
#include "settings/ProgramFolder.h"

namespace {

namespace fs = std::filesystem;

constexpr char kLoaderName[] = "olixtrap-mibload";
// The loader gets this long beyond the deadline it checks between files itself.
constexpr std::chrono::seconds kGrace{5};
constexpr int kWaitStepMs = 100;
constexpr char kNoLoader[] = "子プロセスを作れないため読み込みませんでした";

std::string Number(uint64_t value) { return std::to_string(value); }

// A temporary folder for the loader's own temporary files (it is its TMPDIR), removed once
// the loader has ended, however it ended.
class LoaderFolder {
public:
    LoaderFolder() {
        std::error_code error;
        std::string pattern = (fs::temp_directory_path(error) / "olixtrap-mibload-XXXXXX").string();
        if (!error && ::mkdtemp(pattern.data()) != nullptr) path_ = std::move(pattern);
    }
    ~LoaderFolder() {
        std::error_code ignored;
        if (!path_.empty()) fs::remove_all(path_, ignored);
    }
    LoaderFolder(const LoaderFolder&) = delete;
    LoaderFolder& operator=(const LoaderFolder&) = delete;
    const std::string& Path() const { return path_; }

private:
    std::string path_;
};

// The environment of this process, with TMPDIR naming folder.
std::vector<std::string> LoaderEnvironment(const std::string& folder) {
    std::vector<std::string> environment;
    for (char** entry = environ; *entry != nullptr; ++entry)
        if (std::string_view(*entry).substr(0, 7) != "TMPDIR=") environment.emplace_back(*entry);
    environment.push_back("TMPDIR=" + folder);
    return environment;
}

std::vector<char*> Pointers(std::vector<std::string>& texts) {
    std::vector<char*> pointers;
    for (std::string& text : texts) pointers.push_back(text.data());
    pointers.push_back(nullptr);
    return pointers;
}

// Starts the loader with its standard output on out; nothing else of the program's is
// handed over (a socket held there would keep its port bound) and every signal is as new.
std::optional<pid_t> StartLoader(const std::string& loader, const std::vector<std::string>& folders,
                                 const MibLoadLimits& limits, const std::string& folder, int out) {
    std::vector<std::string> arguments{loader,
                                       Number(static_cast<uint64_t>(::getpid())),
                                       Number(limits.maxFileBytes),
                                       Number(static_cast<uint64_t>(limits.deadline.count())),
                                       Number(static_cast<uint64_t>(limits.slowFile.count())),
                                       Number(limits.memoryBytes)};
    arguments.insert(arguments.end(), folders.begin(), folders.end());
    std::vector<std::string> environment = LoaderEnvironment(folder);
    std::vector<char*> argv = Pointers(arguments);
    std::vector<char*> envp = Pointers(environment);

    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attributes;
    if (posix_spawn_file_actions_init(&actions) != 0) return std::nullopt;
    if (posix_spawnattr_init(&attributes) != 0) {
        posix_spawn_file_actions_destroy(&actions);
        return std::nullopt;
    }
    sigset_t none, all;
    sigemptyset(&none);
    sigfillset(&all);
    pid_t child = -1;
    const bool prepared =
        posix_spawn_file_actions_adddup2(&actions, out, STDOUT_FILENO) == 0 &&
        posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0) == 0 &&
        posix_spawn_file_actions_addclosefrom_np(&actions, STDERR_FILENO + 1) == 0 &&
        posix_spawnattr_setsigmask(&attributes, &none) == 0 &&
        posix_spawnattr_setsigdefault(&attributes, &all) == 0 &&
        posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF) == 0;
    const bool started = prepared && posix_spawn(&child, loader.c_str(), &actions, &attributes,
                                                 argv.data(), envp.data()) == 0;
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    if (!started) return std::nullopt;
    return child;
}

bool IsProgram(const fs::path& path) {
    std::error_code error;
    return fs::is_regular_file(path, error) && ::access(path.c_str(), X_OK) == 0;
}

MibLoadResult Interrupted(const std::vector<std::string>& folders, std::size_t reached,
                          const std::string& message) {
    auto index = std::make_shared<MibIndex>();
    AddBuiltinNames(*index);
    MibLoadResult result;
    result.index = std::move(index);
    const std::vector<std::string> files = ListMibFiles(folders);
    MibFileResult failed;
    failed.file = reached < files.size() ? files[reached] : std::string();
    failed.folder = failed.file.empty() ? std::string()
                                        : std::filesystem::path(failed.file).parent_path().string();
    failed.failed = true;
    failed.messages.push_back({0, 1, message});
    result.report.files.push_back(std::move(failed));
    result.report.failed = 1;
    return result;
}

}  // namespace

std::string MibLoaderExecutable() {
    const fs::path executables = ExecutableFolder();
    const fs::path installed = executables.parent_path() / "lib" / "olixtrap" / kLoaderName;
    if (IsProgram(installed)) return installed.string();
    return (executables / kLoaderName).string();
}

MibLoadResult LoadMibModulesApart(const std::vector<std::string>& folders,
                                  const MibLoadLimits& limits, const MibProgress& progress,
                                  const std::atomic<bool>* stop) {
    const LoaderFolder folder;
    std::array<int, 2> pipe{};
    if (folder.Path().empty() || ::pipe2(pipe.data(), O_CLOEXEC) != 0)
        return Interrupted(folders, ~std::size_t(0), kNoLoader);
    const std::optional<pid_t> child =
        StartLoader(MibLoaderExecutable(), folders, limits, folder.Path(), pipe[1]);
    ::close(pipe[1]);
    if (!child) {
        ::close(pipe[0]);
        return Interrupted(folders, ~std::size_t(0), kNoLoader);
    }

    const auto deadline = std::chrono::steady_clock::now() + limits.deadline + kGrace;
    std::string received;
    std::size_t reached = 0;
    std::optional<MibLoadResult> result;
    bool killed = false;
    while (!result) {
        if ((stop && stop->load()) || std::chrono::steady_clock::now() > deadline) {
            ::kill(*child, SIGKILL);
            killed = true;
            break;
        }
        pollfd wait{pipe[0], POLLIN, 0};
        if (::poll(&wait, 1, kWaitStepMs) <= 0) continue;
        std::array<char, 65536> chunk;
        const ssize_t n = ::read(pipe[0], chunk.data(), chunk.size());
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;  // the loader ended
        received.append(chunk.data(), static_cast<std::size_t>(n));
        // Whole records from the front.
        while (received.size() >= kMibRecordHead) {
            uint64_t first = 0, second = 0;
            std::memcpy(&first, received.data() + 1, sizeof first);
            std::memcpy(&second, received.data() + 1 + sizeof first, sizeof second);
            if (received[0] == kMibProgressRecord) {
                reached = first;
                if (progress) progress(first, second);
                received.erase(0, kMibRecordHead);
                continue;
            }
            if (received[0] != kMibResultRecord || received.size() - kMibRecordHead < first) break;
            result = DecodeMibLoadResult(std::string_view(received).substr(kMibRecordHead, first));
            break;
        }
    }
    ::close(pipe[0]);
    int status = 0;
    while (::waitpid(*child, &status, 0) < 0 && errno == EINTR) {
    }
    if (result) return std::move(*result);
    return Interrupted(folders, reached,
                       killed ? "時間の制限を超えたため、読み込みを中止しました"
                              : "制限を超えたか異常終了したため、読み込みを中止しました");
}
