#include "forward/ForwardSettings.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <type_traits>

#include "platform/Encoding.h"
#include "settings/CConfig.h"
#include "settings/IniFile.h"
#include "settings/ProgramFolder.h"

namespace {

constexpr std::string_view kSection = "FORWARD";
constexpr std::string_view kWhichAll = "all";
constexpr std::string_view kWhichFiltered = "filtered";

struct KindName {
    ForwardKind kind;
    std::string_view name;
};
constexpr std::array<KindName, 4> kKindNames = {{
    {ForwardKind::kSyslogUdp, "syslog-udp"},
    {ForwardKind::kSyslogTcp, "syslog-tcp"},
    {ForwardKind::kJson, "json"},
    {ForwardKind::kSnmp, "snmp"},
}};

struct ContentName {
    ForwardContent content;
    std::string_view name;
};
constexpr std::array<ContentName, 3> kContentNames = {{
    {ForwardContent::kTraps, "traps"},
    {ForwardContent::kAlarmChanges, "alarms"},
    {ForwardContent::kBoth, "both"},
}};

std::string Key(std::string_view name, int number) {
    return std::string(name) + std::to_string(number);
}

// Keys are matched without regard to letter case, values too for the words.
std::string Lower(std::string_view text) {
    std::string lower(text);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return std::tolower(c); });
    return lower;
}

template <typename T>
constexpr bool kIsNumber = std::is_same_v<T, uint16_t> || std::is_same_v<T, int>;

// The key's text as the file holds it; only for the text keys.
template <typename T>
std::string TextOf(const T& value) {
    if constexpr (std::is_same_v<T, ForwardKind>)
        return std::string(ForwardKindName(value));
    else if constexpr (std::is_same_v<T, ForwardContent>)
        return std::string(ForwardContentName(value));
    else if constexpr (std::is_same_v<T, bool>)
        return std::string(value ? kWhichFiltered : kWhichAll);
    else
        return value;
}

template <typename T>
T FromText(std::string_view text) {
    if constexpr (std::is_same_v<T, ForwardKind>)
        return ForwardKindOf(text);
    else if constexpr (std::is_same_v<T, ForwardContent>)
        return ForwardContentOf(text);
    else if constexpr (std::is_same_v<T, bool>)
        return Lower(text) == kWhichFiltered;
    else
        return std::string(text);
}

void ReadKey(const IniFile& ini, const ForwardKey& key, int number, ForwardDestination& d) {
    const std::string name = Key(key.name, number);
    std::visit(
        [&]<typename T>(T ForwardDestination::*member) {
            if constexpr (kIsNumber<T>)
                d.*member = static_cast<T>(std::clamp(ini.GetInt(kSection, name, key.fallback),
                                                      key.fileLowest, key.fileHighest));
            else
                d.*member = FromText<T>(ini.GetString(kSection, name).value_or(""));
        },
        key.field);
}

void WriteKey(IniFile& ini, const ForwardKey& key, int number, const ForwardDestination& d) {
    const std::string name = Key(key.name, number);
    const bool present = ini.GetString(kSection, name).has_value();
    std::visit(
        [&]<typename T>(T ForwardDestination::*member) {
            if constexpr (kIsNumber<T>) {
                const int value = d.*member;
                if (value != key.fallback || present) ini.SetInt(kSection, name, value);
            } else {
                const std::string value = TextOf(d.*member);
                if (value != TextOf(T{}) || present) ini.SetString(kSection, name, value);
            }
        },
        key.field);
}

}  // namespace

std::string_view ForwardKindName(ForwardKind kind) {
    for (const KindName& entry : kKindNames)
        if (entry.kind == kind) return entry.name;
    return {};
}

ForwardKind ForwardKindOf(std::string_view name) {
    const std::string lower = Lower(name);
    for (const KindName& entry : kKindNames)
        if (entry.name == lower) return entry.kind;
    return ForwardKind::kNone;
}

std::string_view ForwardContentName(ForwardContent content) {
    for (const ContentName& entry : kContentNames)
        if (entry.content == content) return entry.name;
    return kContentNames[0].name;
}

ForwardContent ForwardContentOf(std::string_view name) {
    const std::string lower = Lower(name);
    for (const ContentName& entry : kContentNames)
        if (entry.name == lower) return entry.content;
    return ForwardContent::kTraps;
}

bool TakesTraps(const ForwardDestination& destination) {
    return destination.kind == ForwardKind::kSnmp ||
           destination.content != ForwardContent::kAlarmChanges;
}

bool TakesAlarmChanges(const ForwardDestination& destination) {
    const bool formatted = destination.kind == ForwardKind::kSyslogUdp ||
                           destination.kind == ForwardKind::kSyslogTcp ||
                           destination.kind == ForwardKind::kJson;
    return formatted && destination.content != ForwardContent::kTraps;
}

uint16_t EffectivePort(const ForwardDestination& destination) {
    if (destination.port != 0) return destination.port;
    return destination.kind == ForwardKind::kSnmp ? kDefaultSnmpPort : kDefaultSyslogPort;
}

std::string EffectivePath(const ForwardDestination& destination, const std::string& programFolder) {
    // The settings file holds CP932; the file system takes UTF-8 names.
    const std::string path = Cp932ToUtf8(destination.path);
    if (path.starts_with('/')) return path;
    return programFolder + "/" + path;
}

int NumberOf(const ForwardKey& key, const ForwardDestination& destination) {
    return std::visit(
        [&]<typename T>(T ForwardDestination::*member) -> int {
            if constexpr (kIsNumber<T>)
                return destination.*member;
            else
                return 0;
        },
        key.field);
}

void SetNumber(const ForwardKey& key, ForwardDestination& destination, int value) {
    std::visit(
        [&]<typename T>(T ForwardDestination::*member) {
            if constexpr (kIsNumber<T>) destination.*member = static_cast<T>(value);
        },
        key.field);
}

ForwardSettings ReadForwardSettings(const IniFile& ini) {
    ForwardSettings settings;
    for (int i = 0; i < kMaxForwardDestinations; ++i)
        for (const ForwardKey& key : kForwardKeys)
            ReadKey(ini, key, i + 1, settings[static_cast<std::size_t>(i)]);
    return settings;
}

void WriteForwardSettings(const ForwardSettings& settings, IniFile& ini) {
    for (int i = 0; i < kMaxForwardDestinations; ++i)
        for (const ForwardKey& key : kForwardKeys)
            WriteKey(ini, key, i + 1, settings[static_cast<std::size_t>(i)]);
}

ForwardSettings LoadForwardSettingsFile() {
    IniFile ini;
    if (!ini.Load(SettingsFilePath())) return ForwardSettings{};
    return ReadForwardSettings(ini);
}

bool SaveForwardSettingsFile(const ForwardSettings& settings, MessageBoxPort& boxes) {
    const std::string path = SettingsFilePath();
    IniFile ini;
    // As the other settings: a file that exists but cannot be read is not replaced.
    const bool read = ini.Load(path) || !std::filesystem::exists(path);
    if (read) WriteForwardSettings(settings, ini);
    if (!read || !ini.Save(path)) {
        ShowSettingsNotWritten(boxes, path);
        return false;
    }
    return true;
}
