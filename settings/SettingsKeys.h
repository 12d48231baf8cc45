#pragma once
// The keys of OlixTrap.ini's INIT and SMTP sections, one entry each: its field of
// AppSettings, its defaults and the range the dialogs accept. Loading, saving and the
// settings dialogs all go by this table, so a new key is its field and one entry.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <type_traits>
#include <variant>

#include "settings/AppSettings.h"

inline constexpr std::string_view kInitSection = "INIT";
inline constexpr std::string_view kSmtpSection = "SMTP";

// The field a key fills: a number, or a zero-terminated text of its array's size.
using SettingsField =
    std::variant<int32_t AppSettings::*, uint16_t AppSettings::*,
                 std::array<char, 37> AppSettings::*, std::array<char, 129> AppSettings::*,
                 std::array<char, 257> AppSettings::*, std::array<char, 513> AppSettings::*>;

// What loading does to a number read from the file.
enum class OnLoad {
    kTaken,          // kept as read (narrowed to its field)
    kZeroIsDefault,  // 0 after narrowing gives the default
    kClamped,        // brought into lowest-highest
};

struct SettingsKey {
    std::string_view section;
    std::string_view name;
    SettingsField field;
    int32_t firstRun = 0;  // a number's value when there is no file
    int32_t missing = 0;   // a number's value when a file lacks the key
    // A text's value when there is no file; a missing key is empty.
    std::string_view firstRunText = {};
    int32_t lowest = 0;  // the numbers the dialogs accept
    int32_t highest = 0;
    OnLoad onLoad = OnLoad::kTaken;
    // Keys added after the first release are written only once they differ from their
    // missing-key value (or the file has them already), so that older files keep their bytes.
    bool writtenOnceChanged = false;

    constexpr bool IsText() const {
        return !std::holds_alternative<int32_t AppSettings::*>(field) &&
               !std::holds_alternative<uint16_t AppSettings::*>(field);
    }
    // The most bytes a text holds (its array less the terminator).
    constexpr std::size_t TextLimit() const {
        return std::visit(
            [](auto member) -> std::size_t {
                using Field = std::remove_cvref_t<decltype(AppSettings{}.*member)>;
                if constexpr (std::is_integral_v<Field>)
                    return 0;
                else
                    return std::tuple_size_v<Field> - 1;
            },
            field);
    }
};

inline constexpr std::string_view kDefaultFormatV1 =
    "Com = %C / ePrise = %E / GID = %G / SID = %S / TickTime = %T / VarBindings = %B";
inline constexpr std::string_view kDefaultFormatV2c = "Com = %C / VarBindings = %B";
inline constexpr std::string_view kDefaultFormatV3 =
    "User = %u / eBoots = %b / eTime = %t / VarBindings = %B";

// A number key: its values when there is no file and when a file lacks it, and the range
// the dialogs accept.
constexpr SettingsKey NumberKey(std::string_view section, std::string_view name,
                                SettingsField field, int32_t firstRun, int32_t missing,
                                int32_t lowest, int32_t highest, OnLoad onLoad = OnLoad::kTaken,
                                bool writtenOnceChanged = false) {
    return {.section = section,
            .name = name,
            .field = field,
            .firstRun = firstRun,
            .missing = missing,
            .lowest = lowest,
            .highest = highest,
            .onLoad = onLoad,
            .writtenOnceChanged = writtenOnceChanged};
}

// A text key: its value when there is no file (a missing key is empty).
constexpr SettingsKey TextKey(std::string_view section, std::string_view name, SettingsField field,
                              std::string_view firstRun = {}, bool writtenOnceChanged = false) {
    return {.section = section,
            .name = name,
            .field = field,
            .firstRunText = firstRun,
            .writtenOnceChanged = writtenOnceChanged};
}

// In the order a save writes them into a new file.
inline constexpr auto kSettingsKeys = std::to_array<SettingsKey>({
    NumberKey(kInitSection, "TRECV", &AppSettings::receiveMode, 0, 0, 0, 1),
    NumberKey(kInitSection, "RECVP", &AppSettings::trapPort, 162, 162, 1, 65535,
              OnLoad::kZeroIsDefault),
    NumberKey(kInitSection, "HOST", &AppSettings::resolveHostName, 1, 0, 0, 1),
    NumberKey(kInitSection, "LOG", &AppSettings::logMode, 1, 0, 0, 2),
    TextKey(kInitSection, "T1MSG", &AppSettings::formatV1, kDefaultFormatV1),
    TextKey(kInitSection, "T2MSG", &AppSettings::formatV2c, kDefaultFormatV2c),
    TextKey(kInitSection, "T3MSG", &AppSettings::formatV3, kDefaultFormatV3),
    // Months; 0 keeps the log for ever.
    NumberKey(kInitSection, "LOGDELM", &AppSettings::logRetention, 3, 3, 0, 12),
    TextKey(kSmtpSection, "smtpserver", &AppSettings::smtpServer),
    TextKey(kSmtpSection, "adrfrom", &AppSettings::mailFrom),
    TextKey(kSmtpSection, "adrto", &AppSettings::mailTo),
    NumberKey(kSmtpSection, "pop", &AppSettings::usePopAuth, 0, 0, 0, 1),
    TextKey(kSmtpSection, "popserver", &AppSettings::popServer),
    TextKey(kSmtpSection, "userid", &AppSettings::popUserId),
    TextKey(kSmtpSection, "passward", &AppSettings::popPassword),
    TextKey(kSmtpSection, "subject", &AppSettings::mailSubject),
    NumberKey(kInitSection, "MAXROWS", &AppSettings::maxRows, kMaxRowsDefault, kMaxRowsDefault,
              kMaxRowsLowest, kMaxRowsHighest, OnLoad::kClamped, true),
    TextKey(kInitSection, "MIBDIRS", &AppSettings::mibFolders, {}, true),
    NumberKey(kInitSection, "ALARMSHOWMIN", &AppSettings::alarmShownMinutes,
              kAlarmShownMinutesDefault, kAlarmShownMinutesDefault, 0, 10'080, OnLoad::kClamped,
              true),
    NumberKey(kInitSection, "ALARMDAYS", &AppSettings::alarmHistoryDays, kAlarmHistoryDaysDefault,
              kAlarmHistoryDaysDefault, 1, 3'650, OnLoad::kClamped, true),
    NumberKey(kInitSection, "ALARMMB", &AppSettings::alarmHistoryMegabytes,
              kAlarmHistoryMegabytesDefault, kAlarmHistoryMegabytesDefault, 1, 100'000,
              OnLoad::kClamped, true),
});

// The entry of a field; a field without one does not compile.
consteval const SettingsKey& SettingsKeyOf(SettingsField field) {
    for (const SettingsKey& key : kSettingsKeys)
        if (key.field == field) return key;
    throw "a field without a key";
}

// A number key's value, and setting it (narrowed to its field as the file's value is).
int32_t NumberOf(const SettingsKey& key, const AppSettings& settings);
void SetNumber(const SettingsKey& key, AppSettings& settings, int32_t value);

// A text key's value up to its terminator, and setting it (cut to the key's limit).
std::string_view TextOf(const SettingsKey& key, const AppSettings& settings);
void SetText(const SettingsKey& key, AppSettings& settings, std::string_view text);
