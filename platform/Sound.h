#pragma once
// Notification sounds of the pipeline. Failures are silent: a trap's other actions go on.

#include <functional>
#include <string_view>

// The window layer installs the system beep (QApplication::beep); without one a beep is
// silent. Any thread may call PlayBeep; the hook must be safe to call from any thread.
void SetBeepHook(std::function<void()> beep);
void PlayBeep();

// Plays a wave file without waiting (aplay -q -- FILE, so a path never reads as an
// option). While the previous sound still plays no new one is started. Returns 0 when a
// player was started, 1 when not.
[[nodiscard]] int PlayWaveFile(std::string_view path);
