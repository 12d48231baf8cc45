#pragma once
// The program folder holds the settings file and the db, tmp and log folders.

#include <string>

// The folder of the running executable without a trailing slash, or the folder that the
// environment variable OLIXTRAP_HOME names (installed copies, tests).
std::string GetProgramFolder();

// The settings file: GetProgramFolder() + "/OlixTrap.ini".
std::string SettingsFilePath();
