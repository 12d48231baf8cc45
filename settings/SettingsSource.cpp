#include "settings/SettingsSource.h"

#include "settings/CConfig.h"
#include "settings/ProgramFolder.h"

AppSettings SettingsSource::Snapshot() const {
    std::lock_guard lock(lock_);
    return settings_;
}

void SettingsSource::Replace(const AppSettings& settings) {
    std::lock_guard lock(lock_);
    settings_ = settings;
}

void SettingsSource::Load() { Replace(CConfig::Load(SettingsFilePath())); }

bool SettingsSource::Save(MessageBoxPort& boxes) const {
    return CConfig::Save(SettingsFilePath(), Snapshot(), boxes);
}
