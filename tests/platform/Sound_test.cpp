#include "platform/Sound.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

TEST(Sound, BeepGoesThroughTheInstalledHookOnly) {
    PlayBeep();  // no hook: silent, no crash
    int beeps = 0;
    SetBeepHook([&] { ++beeps; });
    PlayBeep();
    PlayBeep();
    SetBeepHook({});
    PlayBeep();
    EXPECT_EQ(beeps, 2);
}

// A stand-in player first in PATH: it records its arguments and plays until the test
// lets it finish (or at most ten seconds).
class FakePlayer {
public:
    FakePlayer() : folder_(fs::temp_directory_path() / ("olixtrap-aplay-" + std::to_string(getpid()))) {
        fs::create_directories(folder_);
        std::ofstream(folder_ / "aplay") << "#!/bin/sh\n"
                                            "printf '%s|' \"$@\" >> \"$(dirname \"$0\")/calls\"\n"
                                            "i=0; while [ ! -e \"$(dirname \"$0\")/finish\" ] && [ $i -lt 200 ]; "
                                            "do sleep 0.05; i=$((i+1)); done\n";
        fs::permissions(folder_ / "aplay", fs::perms::owner_all);
        savedPath_ = std::getenv("PATH") ? std::getenv("PATH") : "";
        setenv("PATH", (folder_.string() + ":" + savedPath_).c_str(), 1);
    }
    ~FakePlayer() {
        setenv("PATH", savedPath_.c_str(), 1);
        Finish();
        std::this_thread::sleep_for(100ms);
        std::error_code ignored;
        fs::remove_all(folder_, ignored);
    }
    void Finish() { std::ofstream(folder_ / "finish") << ""; }
    std::string Calls() const {
        std::ifstream in(folder_ / "calls");
        return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    }

private:
    fs::path folder_;
    std::string savedPath_;
};

TEST(Sound, WaveIsNotStartedWhileThePreviousOneStillPlays) {
    FakePlayer player;
    EXPECT_EQ(PlayWaveFile(""), 1);
    ASSERT_EQ(PlayWaveFile("/sounds/first.wav"), 0);
    EXPECT_EQ(PlayWaveFile("/sounds/second.wav"), 1);
    player.Finish();
    int result = 1;
    for (int i = 0; i < 300 && result != 0; ++i) {
        std::this_thread::sleep_for(20ms);
        result = PlayWaveFile("/sounds/third.wav");
    }
    EXPECT_EQ(result, 0);
    for (int i = 0; i < 300 && player.Calls().size() < 40; ++i) std::this_thread::sleep_for(20ms);
    EXPECT_EQ(player.Calls(), "-q|/sounds/first.wav|-q|/sounds/third.wav|");
}

TEST(Sound, MissingPlayerIsSilentAndDoesNotBlockLaterSounds) {
    const std::string savedPath = std::getenv("PATH");
    setenv("PATH", "/nonexistent", 1);
    EXPECT_EQ(PlayWaveFile("/sounds/x.wav"), 1);
    EXPECT_EQ(PlayWaveFile("/sounds/x.wav"), 1);
    setenv("PATH", savedPath.c_str(), 1);
    // The real player fails at once without a sound card; it is started all the same.
    EXPECT_EQ(PlayWaveFile("/nonexistent/x.wav"), 0);
}

}  // namespace
