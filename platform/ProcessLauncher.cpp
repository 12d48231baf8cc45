#include "platform/ProcessLauncher.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <unistd.h>

extern char** environ;

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// Removes the spawn attributes on every way out.
struct SpawnSetup {
    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attributes;
    SpawnSetup() {
        posix_spawn_file_actions_init(&actions);
        posix_spawnattr_init(&attributes);
    }
    ~SpawnSetup() {
        posix_spawn_file_actions_destroy(&actions);
        posix_spawnattr_destroy(&attributes);
    }
    SpawnSetup(const SpawnSetup&) = delete;
    SpawnSetup& operator=(const SpawnSetup&) = delete;
};

}  // namespace

std::vector<std::string> SplitCommandLine(std::string_view parameters) {
    std::vector<std::string> arguments;
    std::size_t i = 0;
    const std::size_t n = parameters.size();
    while (true) {
        while (i < n && IsBlank(parameters[i])) ++i;
        if (i >= n) break;
        std::string argument;
        bool quoted = false;
        while (i < n && (quoted || !IsBlank(parameters[i]))) {
            const char c = parameters[i];
            if (c == '\\') {
                std::size_t backslashes = 0;
                while (i < n && parameters[i] == '\\') ++backslashes, ++i;
                if (i < n && parameters[i] == '"') {
                    argument.append(backslashes / 2, '\\');
                    if (backslashes % 2 == 1) {
                        argument += '"';
                        ++i;
                    }
                } else {
                    argument.append(backslashes, '\\');
                }
            } else if (c == '"') {
                if (quoted && i + 1 < n && parameters[i + 1] == '"') {
                    argument += '"';
                    i += 2;
                } else {
                    quoted = !quoted;
                    ++i;
                }
            } else {
                argument += c;
                ++i;
            }
        }
        arguments.push_back(std::move(argument));
    }
    return arguments;
}

ProgramLauncher::ProgramLauncher() : running_(std::make_shared<std::atomic<int>>(0)) {}

ProgramLauncher::~ProgramLauncher() = default;

int ProgramLauncher::StartProcess(const std::vector<std::string>& argv, bool quiet,
                                  ExitHandler onExit) {
    if (argv.empty() || argv[0].empty()) return 1;
    std::vector<char*> pointers;
    pointers.reserve(argv.size() + 1);
    for (const std::string& argument : argv)
        pointers.push_back(const_cast<char*>(argument.c_str()));
    pointers.push_back(nullptr);

    SpawnSetup setup;
    // The program gets none of our descriptors (trap socket, rule file, log).
    posix_spawn_file_actions_addclosefrom_np(&setup.actions, STDERR_FILENO + 1);
    posix_spawn_file_actions_addopen(&setup.actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    if (quiet) {
        posix_spawn_file_actions_addopen(&setup.actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_adddup2(&setup.actions, STDOUT_FILENO, STDERR_FILENO);
    }
    // The program starts with default signal handling and nothing blocked, whatever this
    // process (or the receiver thread) has changed.
    sigset_t none;
    sigemptyset(&none);
    sigset_t defaults;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGPIPE);
    sigaddset(&defaults, SIGCHLD);
    posix_spawnattr_setsigmask(&setup.attributes, &none);
    posix_spawnattr_setsigdefault(&setup.attributes, &defaults);
    posix_spawnattr_setflags(&setup.attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);

    pid_t pid = 0;
    if (posix_spawnp(&pid, pointers[0], &setup.actions, &setup.attributes, pointers.data(),
                     environ) != 0)
        return 1;
    // The program may run for as long as it likes; only its exit status is collected here.
    reaper_.ReapWhenEnded(pid, std::move(onExit));
    return 0;
}

int ProgramLauncher::LaunchProgram(std::string_view program, std::string_view parameters) {
    std::atomic<int>& running = *running_;
    int now = running.load();
    do {
        if (now >= kMaxRunningPrograms) return kLaunchSkipped;
    } while (!running.compare_exchange_weak(now, now + 1));
    std::vector<std::string> argv{std::string(program)};
    for (std::string& argument : SplitCommandLine(parameters)) argv.push_back(std::move(argument));
    if (StartProcess(argv, false, [counted = running_](int) { --*counted; }) != 0) {
        --running;
        return 1;
    }
    return 0;
}

int ProgramLauncher::RunningProgramCount() const { return running_->load(); }
