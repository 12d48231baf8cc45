#include "settings/CConfig.h"

#include <algorithm>
#include <filesystem>

#include "platform/Encoding.h"
#include "platform/MessageBox.h"
#include "settings/IniFile.h"
#include "settings/SettingsKeys.h"

namespace {

AppSettings FirstRunDefaults() {
    AppSettings settings{};
    for (const SettingsKey& key : kSettingsKeys) {
        if (key.IsText())
            SetText(key, settings, key.firstRunText);
        else
            SetNumber(key, settings, key.firstRun);
    }
    return settings;
}

int32_t ReadNumber(const IniFile& ini, const SettingsKey& key) {
    const int32_t value = ini.GetInt(key.section, key.name, key.missing);
    switch (key.onLoad) {
    case OnLoad::kTaken: return value;
    case OnLoad::kZeroIsDefault: {
        // Narrowed to the field first: a stored 65536 is a port of 0.
        AppSettings narrowed{};
        SetNumber(key, narrowed, value);
        return NumberOf(key, narrowed) == 0 ? key.missing : value;
    }
    case OnLoad::kClamped: return std::clamp(value, key.lowest, key.highest);
    }
    return value;
}

AppSettings ReadFile(const IniFile& ini) {
    AppSettings settings{};
    for (const SettingsKey& key : kSettingsKeys) {
        if (key.IsText())
            SetText(key, settings, ini.GetString(key.section, key.name).value_or(std::string()));
        else
            SetNumber(key, settings, ReadNumber(ini, key));
    }
    return settings;
}

void WriteKeys(const AppSettings& settings, IniFile& ini) {
    for (const SettingsKey& key : kSettingsKeys) {
        if (key.writtenOnceChanged && !ini.GetString(key.section, key.name)) {
            const bool unchanged = key.IsText() ? TextOf(key, settings).empty()
                                                : NumberOf(key, settings) == key.missing;
            if (unchanged) continue;
        }
        if (key.IsText())
            ini.SetString(key.section, key.name, TextOf(key, settings));
        else
            ini.SetInt(key.section, key.name, NumberOf(key, settings));
    }
}

}  // namespace

void ShowSettingsNotWritten(MessageBoxPort& boxes, const std::string& path) {
    ShowMessageBox(boxes, Utf8ToCp932("設定ファイルに書き込めませんでした。\n" + path),
                   MessageIcon::Stop);
}

AppSettings CConfig::Load(const std::string& path) {
    IniFile ini;
    return ini.Load(path) ? ReadFile(ini) : FirstRunDefaults();
}

bool CConfig::Save(const std::string& path, const AppSettings& settings, MessageBoxPort& boxes) {
    IniFile ini;
    // A missing file starts empty; one that exists but cannot be read is left alone rather
    // than replaced by a file that lost its other lines.
    if (!ini.Load(path) && std::filesystem::exists(path)) {
        ShowSettingsNotWritten(boxes, path);
        return false;
    }
    WriteKeys(settings, ini);
    if (!ini.Save(path)) {
        ShowSettingsNotWritten(boxes, path);
        return false;
    }
    return true;
}
