#pragma once
// OlixTrap.ini: the settings it holds and writing them back. Keys, defaults and the order
// of a new file come from the table of settings/SettingsKeys.h.

#include <string>

#include "settings/AppSettings.h"

class MessageBoxPort;

class CConfig {
public:
    virtual ~CConfig() = default;

    // The settings of the file at path; a missing file gives the first-run defaults.
    static AppSettings Load(const std::string& path);

    // Writes every key of settings to the file at path, keeping whatever else it holds.
    // False when the file could not be written, after a box through boxes that tells the
    // user so; the file is then left as it was.
    [[nodiscard]] static bool Save(const std::string& path, const AppSettings& settings,
                                   MessageBoxPort& boxes);
};

// The box that tells the user the settings file at path could not be written.
void ShowSettingsNotWritten(MessageBoxPort& boxes, const std::string& path);
