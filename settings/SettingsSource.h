#pragma once
// The settings of the running program: one AppSettings record that OlixTrap.ini fills at
// start-up and the settings dialogs change, owned by the program object and handed down
// by reference.

#include <mutex>

#include "settings/AppSettings.h"

class MessageBoxPort;

class SettingsSource {
public:
    // The receiver, the pipeline and the log maintenance read the settings while the user
    // interface thread changes them, so the record is only reached through these two,
    // each under the lock: no reader sees a half-written field.
    AppSettings Snapshot() const;
    void Replace(const AppSettings& settings);

    // Fills the settings from OlixTrap.ini in the program folder (SettingsFilePath());
    // a missing file gives the first-run defaults.
    void Load();

    // Writes them there. False when the file could not be written, after a box through
    // boxes that tells the user so.
    [[nodiscard]] bool Save(MessageBoxPort& boxes) const;

private:
    mutable std::mutex lock_;
    AppSettings settings_{};
};
