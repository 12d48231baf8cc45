#include "platform/Sound.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>

#include "platform/ProcessLauncher.h"
#include "support/Eventually.h"
#include "support/FakeSoundPlayer.h"

namespace {

using namespace std::chrono_literals;

class Sound : public ::testing::Test {
protected:
    ProgramLauncher launcher;
    SoundPlayer sounds{launcher};
};

TEST_F(Sound, BeepGoesThroughTheInstalledHookOnly) {
    sounds.PlayBeep();  // no hook: silent, no crash
    int beeps = 0;
    sounds.SetBeep([&] { ++beeps; });
    sounds.PlayBeep();
    sounds.PlayBeep();
    sounds.SetBeep({});
    sounds.PlayBeep();
    EXPECT_EQ(beeps, 2);
}

TEST_F(Sound, WaveIsNotStartedWhileThePreviousOneStillPlays) {
    FakeSoundPlayer player;
    EXPECT_EQ(sounds.PlayWaveFile(""), 1);
    ASSERT_EQ(sounds.PlayWaveFile("/sounds/first.wav"), 0);
    EXPECT_EQ(sounds.PlayWaveFile("/sounds/second.wav"), 1);
    player.Finish();
    // The first player has ended once a new one may start.
    EXPECT_TRUE(
        Eventually([&] { return sounds.PlayWaveFile("/sounds/third.wav") == 0; }, 6s, 20ms));
    Eventually([&] { return player.Calls().size() >= 40; }, 6s);
    EXPECT_EQ(player.Calls(), "-q|--|/sounds/first.wav|-q|--|/sounds/third.wav|");
}

TEST_F(Sound, MissingPlayerIsSilentAndDoesNotBlockLaterSounds) {
    const std::string savedPath = std::getenv("PATH");
    setenv("PATH", "/nonexistent", 1);
    EXPECT_EQ(sounds.PlayWaveFile("/sounds/x.wav"), 1);
    EXPECT_EQ(sounds.PlayWaveFile("/sounds/x.wav"), 1);
    setenv("PATH", savedPath.c_str(), 1);
    // The real player fails at once without a sound card; it is started all the same.
    EXPECT_EQ(sounds.PlayWaveFile("/nonexistent/x.wav"), 0);
}

}  // namespace
