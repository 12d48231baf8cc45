#include "platform/ProcessLauncher.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

#include "support/ArgvRecorder.h"
#include "support/Eventually.h"

namespace {

namespace fs = std::filesystem;

TEST(SplitCommandLine, FollowsTheWindowsCommandLineRules) {
    using Args = std::vector<std::string>;
    const struct {
        const char* line;
        Args expected;
    } cases[] = {
        {"", {}},
        {"   \t ", {}},
        {"a b", {"a", "b"}},
        {"  a \t  b  ", {"a", "b"}},
        {R"("a b" c)", {"a b", "c"}},
        {R"(a"b c"d)", {"ab cd"}},
        {R"("")", {""}},
        {R"(a "" b)", {"a", "", "b"}},
        {R"("a""b")", {"a\"b"}},
        {R"(\"a)", {"\"a"}},
        {R"(\\"a b")", {"\\a b"}},
        {R"(\\\"a b)", {"\\\"a", "b"}},
        {R"(C:\dir\x.txt)", {"C:\\dir\\x.txt"}},
        {R"(a\\b)", {"a\\\\b"}},
        {R"("unterminated quote)", {"unterminated quote"}},
        {"$(touch x); rm -rf y", {"$(touch", "x);", "rm", "-rf", "y"}},
    };
    for (const auto& c : cases) EXPECT_EQ(SplitCommandLine(c.line), c.expected) << c.line;
}

TEST(LaunchProgram, PassesTrapTextLiterallyAndRunsNoShell) {
    ArgvRecorder recorder;
    const fs::path marker = recorder.Folder() / "X";
    const fs::path victim = recorder.Folder() / "Y";
    fs::create_directory(victim);
    const std::string community = "$(touch " + marker.string() + "); rm -rf " + victim.string();
    const std::string parameters = "\"" + community + "\" `id` ; | & > z";

    ProgramLauncher launcher;
    ASSERT_EQ(launcher.LaunchProgram(recorder.Program().string(), parameters), 0);
    const auto arguments = recorder.WaitForArguments();
    ASSERT_TRUE(arguments.has_value());
    EXPECT_EQ(*arguments, (std::vector<std::string>{community, "`id`", ";", "|", "&", ">", "z"}));
    EXPECT_FALSE(fs::exists(marker));
    EXPECT_TRUE(fs::exists(victim));
    EXPECT_FALSE(fs::exists(recorder.Folder() / "z"));
}

TEST(LaunchProgram, ProgramInheritsNoDescriptorButTheStandardOnes) {
    ArgvRecorder recorder;
    // Far above whatever the listing program opens itself; no close-on-exec.
    const int opened = open("/dev/null", O_RDONLY);
    const int inheritable = dup2(opened, 200);
    close(opened);
    ASSERT_EQ(inheritable, 200);
    ProgramLauncher launcher;
    ASSERT_EQ(launcher.StartProcess(
                  {"sh", "-c", "ls /proc/self/fd > \"$0\"", (recorder.Folder() / "fds").string()}),
              0);
    std::string listing;
    Eventually([&] {
        std::ifstream in(recorder.Folder() / "fds");
        listing.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        return !listing.empty();
    });
    close(inheritable);
    std::istringstream lines(listing);
    std::vector<int> descriptors;
    for (int fd; lines >> fd;) descriptors.push_back(fd);
    // 0-2, and the descriptor ls itself opens to read the folder.
    ASSERT_FALSE(descriptors.empty());
    EXPECT_EQ(std::count(descriptors.begin(), descriptors.end(), inheritable), 0) << listing;
    EXPECT_LE(descriptors.size(), 4u) << listing;
}

TEST(LaunchProgram, MissingOrEmptyProgramReportsFailure) {
    ProgramLauncher launcher;
    EXPECT_EQ(launcher.LaunchProgram("/nonexistent/olixtrap-no-such-program", "a"), 1);
    EXPECT_EQ(launcher.LaunchProgram("olixtrap-no-such-program-in-path", ""), 1);
    EXPECT_EQ(launcher.LaunchProgram("", "a"), 1);
    EXPECT_EQ(launcher.RunningProgramCount(), 0);
}

TEST(StartProcess, RunsOnExitWithTheExitCodeOnceTheProgramHasEnded) {
    ProgramLauncher launcher;
    std::atomic<int> exitCode{-2};
    ASSERT_EQ(launcher.StartProcess({"sh", "-c", "echo this output is discarded; exit 3"}, true,
                                    [&](int code) { exitCode = code; }),
              0);
    EXPECT_TRUE(Eventually([&] { return exitCode.load() == 3; }));
    exitCode = -2;
    ASSERT_EQ(launcher.StartProcess({"sh", "-c", "kill -KILL $$"}, true,
                                    [&](int code) { exitCode = code; }),
              0);
    EXPECT_TRUE(Eventually([&] { return exitCode.load() == -1; }));
}

// Its handler is its launcher's and is not run once the launcher is gone.
TEST(StartProcess, AProgramThatOutlivesItsLauncherIsStillReaped) {
    ArgvRecorder recorder;  // for its folder
    const fs::path pidFile = recorder.Folder() / "pid";
    std::atomic<int> exitCode{-2};
    {
        ProgramLauncher launcher;
        ASSERT_EQ(launcher.StartProcess(
                      {"sh", "-c", "echo $$ > \"$0\"; sleep 0.2; exit 4", pidFile.string()}, true,
                      [&](int code) { exitCode = code; }),
                  0);
    }
    pid_t pid = 0;
    ASSERT_TRUE(Eventually([&] { return (std::ifstream(pidFile) >> pid) && pid > 0; }));
    // A child that has ended but is not reaped can still be signalled.
    EXPECT_TRUE(Eventually([&] { return kill(pid, 0) != 0 && errno == ESRCH; }));
    EXPECT_EQ(exitCode.load(), -2);
}

}  // namespace
