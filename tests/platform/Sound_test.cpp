#include "platform/Sound.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <thread>

#include "support/FakeSoundPlayer.h"

namespace {

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

TEST(Sound, WaveIsNotStartedWhileThePreviousOneStillPlays) {
    FakeSoundPlayer player;
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
    EXPECT_EQ(player.Calls(), "-q|--|/sounds/first.wav|-q|--|/sounds/third.wav|");
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
