#include "settings/SettingsSource.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "settings/CConfig.h"
#include "settings/ProgramFolder.h"

namespace {

// Only until every reader is handed the program's source (see CurrentSettingsSource): the
// sources of the scopes alive, newest last, and the newest of them for the readers, who
// take it without a lock.
std::mutex scopesLock;
std::vector<const SettingsSource*> scopes;
std::atomic<const SettingsSource*> currentSource{nullptr};

}  // namespace

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

const SettingsSource& CurrentSettingsSource() {
    const SettingsSource* source = currentSource.load();
    if (source == nullptr) {
        // A wiring fault, not a condition to live with: whoever runs these readers builds
        // the program object (or, in a test, a CurrentSettingsScope) first.
        std::fputs("olixtrap: no current settings source\n", stderr);
        std::abort();
    }
    return *source;
}

CurrentSettingsScope::CurrentSettingsScope(const SettingsSource& source) : source_(source) {
    std::lock_guard lock(scopesLock);
    scopes.push_back(&source_);
    currentSource.store(&source_);
}

CurrentSettingsScope::~CurrentSettingsScope() {
    // Scopes may end in any order: a program object built during a test outlives its scope.
    std::lock_guard lock(scopesLock);
    scopes.erase(std::find(scopes.rbegin(), scopes.rend(), &source_).base() - 1);
    currentSource.store(scopes.empty() ? nullptr : scopes.back());
}
