#pragma once
// The forwarding destinations of section [FORWARD] in OlixTrap.ini: up to eight, each with
// keys numbered 1 to 8 (KIND1, HOST1, ...), so that the file can be written by hand.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

class IniFile;

enum class ForwardKind : int { kNone, kSyslogUdp, kSyslogTcp, kJson, kSnmp };

inline constexpr int kMaxForwardDestinations = 8;
inline constexpr int kDefaultFacility = 16;  // local0
inline constexpr int kDefaultSeverity = 5;   // notice
inline constexpr int kDefaultRetentionDays = 7;
inline constexpr uint16_t kDefaultSyslogPort = 514;
inline constexpr uint16_t kDefaultSnmpPort = 162;

struct ForwardDestination {
    ForwardKind kind = ForwardKind::kNone;
    std::string host;
    uint16_t port = 0;  // 0: the kind's default
    std::string path;   // json, CP932; relative to the program folder unless it starts with '/'
    bool filteredOnly = false;  // only traps the reception filter passes
    int facility = kDefaultFacility;
    int severity = kDefaultSeverity;
    int days = kDefaultRetentionDays;

    bool operator==(const ForwardDestination&) const = default;
};

using ForwardSettings = std::array<ForwardDestination, kMaxForwardDestinations>;

// The KIND value of a kind and back; an unknown or empty value is kNone.
std::string_view ForwardKindName(ForwardKind kind);
ForwardKind ForwardKindOf(std::string_view name);

// The port the destination sends to: its own, or its kind's default.
uint16_t EffectivePort(const ForwardDestination& destination);
// The file a json destination writes: its path, under programFolder when relative.
std::string EffectivePath(const ForwardDestination& destination, const std::string& programFolder);

ForwardSettings ReadForwardSettings(const IniFile& ini);

// Writes a key only when its value differs from its default or the file has the key
// already, so that a file without the section keeps its bytes.
void WriteForwardSettings(const ForwardSettings& settings, IniFile& ini);

// OlixTrap.ini of the program folder; a missing file gives no destinations.
ForwardSettings LoadForwardSettingsFile();
// 0 saved, 1 the file could not be read or written (it is then left as it was).
int SaveForwardSettingsFile(const ForwardSettings& settings);
