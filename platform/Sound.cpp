#include "platform/Sound.h"

#include <string>

#include "platform/ProcessLauncher.h"

SoundPlayer::SoundPlayer(ProgramLauncher& launcher)
    : launcher_(launcher), wavePlaying_(std::make_shared<std::atomic<bool>>(false)) {}

void SoundPlayer::SetBeep(std::function<void()> beep) {
    std::lock_guard lock(beepMutex_);
    beep_ = std::move(beep);
}

void SoundPlayer::PlayBeep() {
    std::function<void()> beep;
    {
        std::lock_guard lock(beepMutex_);
        beep = beep_;
    }
    if (beep) beep();
}

int SoundPlayer::PlayWaveFile(std::string_view path) {
    if (path.empty() || wavePlaying_->exchange(true)) return 1;
    // The player reports a missing file or sound card on its output, which nobody reads.
    if (launcher_.StartProcess({"aplay", "-q", "--", std::string(path)}, true,
                               [playing = wavePlaying_](int) { *playing = false; }) != 0) {
        *wavePlaying_ = false;
        return 1;
    }
    return 0;
}
