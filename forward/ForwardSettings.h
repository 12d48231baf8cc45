#pragma once
// The forwarding destinations of section [FORWARD] in OlixTrap.ini: up to eight, each with
// keys numbered 1 to 8 (KIND1, HOST1, ...), so that the file can be written by hand.

#include <array>
#include <cstdint>
#include <limits>
#include <string>
#include <string_view>
#include <variant>

class MessageBoxPort;

class IniFile;

enum class ForwardKind : int { kNone, kSyslogUdp, kSyslogTcp, kJson, kSnmp };

// What a syslog or JSON destination is sent: traps, the changes of the alarms, or both. A
// relay sends traps whatever it says.
enum class ForwardContent : int { kTraps, kAlarmChanges, kBoth };

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
    ForwardContent content = ForwardContent::kTraps;

    bool operator==(const ForwardDestination&) const = default;
};

using ForwardSettings = std::array<ForwardDestination, kMaxForwardDestinations>;

// The field a key fills.
using ForwardField =
    std::variant<ForwardKind ForwardDestination::*, std::string ForwardDestination::*,
                 uint16_t ForwardDestination::*, bool ForwardDestination::*,
                 int ForwardDestination::*, ForwardContent ForwardDestination::*>;

// One key of a destination, written NAME1 to NAME8. A key is written only once it differs
// from what its absence gives, or the file has it already, so that a file without the
// section keeps its bytes.
struct ForwardKey {
    std::string_view name;
    ForwardField field;
    int fallback = 0;    // a number's value when the key is missing
    int lowest = 0;      // the numbers the dialog accepts; a fallback outside them is
    int highest = 0;     // the dialog's empty field ("the default")
    int fileLowest = 0;  // what a number in the file is brought into
    int fileHighest = 0;
};

// In the order they are written. Texts are kind, host, path, which (filteredOnly: "all"
// or "filtered") and content ("traps", "alarms" or "both"); a missing text is empty, a
// missing which is "all", a missing or unknown content "traps".
inline constexpr auto kForwardKeys = std::to_array<ForwardKey>({
    {"KIND", &ForwardDestination::kind},
    {"HOST", &ForwardDestination::host},
    {"PORT", &ForwardDestination::port, 0, 1, 65535, 0, 65535},
    {"PATH", &ForwardDestination::path},
    {"WHICH", &ForwardDestination::filteredOnly},
    {"FACILITY", &ForwardDestination::facility, kDefaultFacility, 0, 23, 0, 23},
    {"SEVERITY", &ForwardDestination::severity, kDefaultSeverity, 0, 7, 0, 7},
    // A hand-written file may keep more than a century of files.
    {"DAYS", &ForwardDestination::days, kDefaultRetentionDays, 0, 36500, 0,
     std::numeric_limits<int>::max()},
    {"CONTENT", &ForwardDestination::content},
});

// The entry of a field; a field without one does not compile.
consteval const ForwardKey& ForwardKeyOf(ForwardField field) {
    for (const ForwardKey& key : kForwardKeys)
        if (key.field == field) return key;
    throw "a field without a key";
}

// A number key's value in a destination, and setting it.
int NumberOf(const ForwardKey& key, const ForwardDestination& destination);
void SetNumber(const ForwardKey& key, ForwardDestination& destination, int value);

// The KIND value of a kind and back; an unknown or empty value is kNone.
std::string_view ForwardKindName(ForwardKind kind);
ForwardKind ForwardKindOf(std::string_view name);

// The CONTENT value of a content and back; an unknown or empty value is kTraps.
std::string_view ForwardContentName(ForwardContent content);
ForwardContent ForwardContentOf(std::string_view name);

// Whether the destination is sent traps, and whether the changes of the alarms (only
// syslog and JSON destinations take them).
bool TakesTraps(const ForwardDestination& destination);
bool TakesAlarmChanges(const ForwardDestination& destination);

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
// False when the file could not be read or written (it is then left as it was), after the
// box through boxes that tells the user so.
[[nodiscard]] bool SaveForwardSettingsFile(const ForwardSettings& settings, MessageBoxPort& boxes);
