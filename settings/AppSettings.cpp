#include "settings/AppSettings.h"

#include <algorithm>
#include <mutex>

namespace {

std::mutex settingsLock;
AppSettings settings{};

}  // namespace

AppSettings ReadSettings() {
    std::lock_guard lock(settingsLock);
    return settings;
}

void WriteSettings(const AppSettings& newSettings) {
    std::lock_guard lock(settingsLock);
    settings = newSettings;
}

int32_t ClampMaxRows(int32_t rows) { return std::clamp(rows, kMaxRowsLowest, kMaxRowsHighest); }
