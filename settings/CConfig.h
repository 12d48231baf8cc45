#pragma once
// Loads and saves the process-wide settings (settings/AppSettings.h) from and to
// OlixTrap.ini in the program folder.

class CConfig {
public:
    virtual ~CConfig() = default;

    // Fills the settings from the file; a missing file gives the first-run defaults.
    static void Load();

    // Writes every key of the settings, keeping whatever else the file holds. Returns 1;
    // a failure to write is not reported.
    static int Save();
};
