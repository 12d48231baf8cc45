#include "platform/Sound.h"

#include <atomic>
#include <mutex>
#include <string>

#include "platform/ProcessLauncher.h"

namespace {

std::mutex beepMutex;
std::function<void()> beepHook;

std::atomic<bool> wavePlaying{false};

}  // namespace

void SetBeepHook(std::function<void()> beep) {
    std::lock_guard lock(beepMutex);
    beepHook = std::move(beep);
}

void PlayBeep() {
    std::function<void()> beep;
    {
        std::lock_guard lock(beepMutex);
        beep = beepHook;
    }
    if (beep) beep();
}

int PlayWaveFile(std::string_view path) {
    if (path.empty() || wavePlaying.exchange(true)) return 1;
    // The player reports a missing file or sound card on its output, which nobody reads.
    if (StartProcess({"aplay", "-q", "--", std::string(path)}, true,
                     [](int) { wavePlaying = false; }) != 0) {
        wavePlaying = false;
        return 1;
    }
    return 0;
}
