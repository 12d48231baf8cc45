#include "forward/ForwardSettings.h"

#include <algorithm>
#include <cctype>
#include <filesystem>

#include "platform/Encoding.h"
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

class KeyWriter {
public:
    KeyWriter(IniFile& ini, int number) : ini_(ini), number_(number) {}

    void Text(std::string_view name, std::string_view value, std::string_view fallback) {
        const std::string key = Key(name, number_);
        if (value != fallback || ini_.GetString(kSection, key))
            ini_.SetString(kSection, key, value);
    }
    void Number(std::string_view name, int value, int fallback) {
        const std::string key = Key(name, number_);
        if (value != fallback || ini_.GetString(kSection, key)) ini_.SetInt(kSection, key, value);
    }

private:
    IniFile& ini_;
    int number_;
};

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

ForwardSettings ReadForwardSettings(const IniFile& ini) {
    ForwardSettings settings;
    for (int i = 0; i < kMaxForwardDestinations; ++i) {
        const int n = i + 1;
        ForwardDestination& d = settings[static_cast<std::size_t>(i)];
        d.kind = ForwardKindOf(ini.GetString(kSection, Key("KIND", n)).value_or(""));
        d.host = ini.GetString(kSection, Key("HOST", n)).value_or("");
        d.port =
            static_cast<uint16_t>(std::clamp(ini.GetInt(kSection, Key("PORT", n), 0), 0, 65535));
        d.path = ini.GetString(kSection, Key("PATH", n)).value_or("");
        d.filteredOnly =
            Lower(ini.GetString(kSection, Key("WHICH", n)).value_or("")) == kWhichFiltered;
        d.facility = std::clamp(ini.GetInt(kSection, Key("FACILITY", n), kDefaultFacility), 0, 23);
        d.severity = std::clamp(ini.GetInt(kSection, Key("SEVERITY", n), kDefaultSeverity), 0, 7);
        d.days = std::max(ini.GetInt(kSection, Key("DAYS", n), kDefaultRetentionDays), 0);
    }
    return settings;
}

void WriteForwardSettings(const ForwardSettings& settings, IniFile& ini) {
    for (int i = 0; i < kMaxForwardDestinations; ++i) {
        const ForwardDestination& d = settings[static_cast<std::size_t>(i)];
        KeyWriter keys(ini, i + 1);
        keys.Text("KIND", ForwardKindName(d.kind), "");
        keys.Text("HOST", d.host, "");
        keys.Number("PORT", d.port, 0);
        keys.Text("PATH", d.path, "");
        keys.Text("WHICH", d.filteredOnly ? kWhichFiltered : kWhichAll, kWhichAll);
        keys.Number("FACILITY", d.facility, kDefaultFacility);
        keys.Number("SEVERITY", d.severity, kDefaultSeverity);
        keys.Number("DAYS", d.days, kDefaultRetentionDays);
    }
}

ForwardSettings LoadForwardSettingsFile() {
    IniFile ini;
    if (!ini.Load(SettingsFilePath())) return ForwardSettings{};
    return ReadForwardSettings(ini);
}

int SaveForwardSettingsFile(const ForwardSettings& settings) {
    const std::string path = SettingsFilePath();
    IniFile ini;
    // As the other settings: a file that exists but cannot be read is not replaced.
    if (!ini.Load(path) && std::filesystem::exists(path)) return 1;
    WriteForwardSettings(settings, ini);
    return ini.Save(path) ? 0 : 1;
}
