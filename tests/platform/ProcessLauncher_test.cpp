#include "platform/ProcessLauncher.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "support/ArgvRecorder.h"

namespace {

namespace fs = std::filesystem;

TEST(SplitCommandLine, FollowsTheWindowsCommandLineRules) {
    using Args = std::vector<std::string>;
    const struct { const char* line; Args expected; } cases[] = {
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

    ASSERT_EQ(LaunchProgram(recorder.Program().string(), parameters), 0);
    const auto arguments = recorder.WaitForArguments();
    ASSERT_TRUE(arguments.has_value());
    EXPECT_EQ(*arguments, (std::vector<std::string>{community, "`id`", ";", "|", "&", ">", "z"}));
    EXPECT_FALSE(fs::exists(marker));
    EXPECT_TRUE(fs::exists(victim));
    EXPECT_FALSE(fs::exists(recorder.Folder() / "z"));
}

TEST(LaunchProgram, MissingOrEmptyProgramReportsFailure) {
    EXPECT_EQ(LaunchProgram("/nonexistent/olixtrap-no-such-program", "a"), 1);
    EXPECT_EQ(LaunchProgram("olixtrap-no-such-program-in-path", ""), 1);
    EXPECT_EQ(LaunchProgram("", "a"), 1);
}

TEST(StartProcess, RunsOnExitOnceTheProgramHasEnded) {
    std::atomic<bool> ended{false};
    ASSERT_EQ(StartProcess({"sh", "-c", "echo this output is discarded; exit 3"}, true, [&] { ended = true; }), 0);
    for (int i = 0; i < 500 && !ended; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_TRUE(ended);
}

}  // namespace
