#pragma once
// Starts other programs directly, never through a shell: text that reaches an argument
// (much of it comes from the network) is passed as it stands and never interpreted.

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/ChildReaper.h"

// Splits a parameter string into arguments as a Windows program parses its command line:
// arguments end at blanks (space, tab); double quotes group blanks into an argument and
// are removed; inside quotes "" gives one literal quote; 2n backslashes before a quote
// give n backslashes (the quote then groups), 2n+1 give n backslashes and a literal
// quote; other backslashes are literal.
std::vector<std::string> SplitCommandLine(std::string_view parameters);

// A trap storm, or a slow program under a steady stream of traps, would otherwise start
// processes without end. Sounds and opened documents have rules of their own.
inline constexpr int kMaxRunningPrograms = 32;
inline constexpr int kLaunchSkipped = 2;

// Starts the programs of the rules' actions, the sound player and the desktop's opener,
// and reaps them when they end.
class ProgramLauncher {
public:
    ProgramLauncher();
    ~ProgramLauncher();
    ProgramLauncher(const ProgramLauncher&) = delete;
    ProgramLauncher& operator=(const ProgramLauncher&) = delete;

    // Starts argv[0] (looked up in PATH when it holds no slash) with the arguments argv,
    // without waiting for it. With quiet the program's output goes to /dev/null. onExit,
    // when given, runs on the reaping thread once the program has ended, with its exit
    // code. Returns 0 when the program was started, 1 when not.
    [[nodiscard]] int StartProcess(const std::vector<std::string>& argv, bool quiet = false,
                                   ExitHandler onExit = {});

    // Starts program with parameters split by SplitCommandLine. Returns as StartProcess, or
    // kLaunchSkipped, starting nothing, while kMaxRunningPrograms started programs still run.
    [[nodiscard]] int LaunchProgram(std::string_view program, std::string_view parameters);
    // Programs started by LaunchProgram that have not ended yet.
    int RunningProgramCount() const;

private:
    ChildReaper reaper_;
    // Shared with the exit handlers of the programs still running, which may outlive this.
    std::shared_ptr<std::atomic<int>> running_;
};
