#pragma once
// The settings of one test: a fresh source that the receiver, the pipeline, the log and
// the forwarder read (as they read the program's) while the object lives.

#include "settings/SettingsSource.h"

class TestSettings : public SettingsSource {
public:
    TestSettings() = default;
    TestSettings(const TestSettings&) = delete;
    TestSettings& operator=(const TestSettings&) = delete;

private:
    CurrentSettingsScope current_{*this};
};
