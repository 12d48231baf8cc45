#pragma once
// Notification sounds of the pipeline. Failures are silent: a trap's other actions go on.

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string_view>

class ProgramLauncher;

class SoundPlayer {
public:
    explicit SoundPlayer(ProgramLauncher& launcher);

    // The window layer installs the system beep (QApplication::beep); without one a beep
    // is silent. Any thread may call PlayBeep; the beep must be safe to call from any thread.
    void SetBeep(std::function<void()> beep);
    void PlayBeep();

    // Plays a wave file without waiting (aplay -q -- FILE, so a path never reads as an
    // option). While the previous sound still plays no new one is started. Returns 0 when a
    // player was started, 1 when not.
    [[nodiscard]] int PlayWaveFile(std::string_view path);

private:
    ProgramLauncher& launcher_;
    std::mutex beepMutex_;
    std::function<void()> beep_;
    // Shared with the player's exit handler, which may outlive this object.
    std::shared_ptr<std::atomic<bool>> wavePlaying_;
};
