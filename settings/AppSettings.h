#pragma once
// The settings record, filled from OlixTrap.ini at start-up and changed by the settings
// dialogs (SettingsSource.h holds the program's). Texts are CP932 bytes, zero-terminated,
// one byte longer than their limit; settings/SettingsKeys.h gives each field's key.

#include <array>
#include <cstdint>

// The trap list's row ceiling (INIT / MAXROWS). Even the highest ceiling stays within
// memory at about 1 KB a row; the lowest still leaves a useful list.
inline constexpr int32_t kMaxRowsDefault = 1'000'000;
inline constexpr int32_t kMaxRowsLowest = 1'000;
inline constexpr int32_t kMaxRowsHighest = 10'000'000;

// The alarms' bounds (INIT / ALARMSHOWMIN, ALARMDAYS, ALARMMB): how long a cleared alarm
// stays in view, and how many days and megabytes of alarm history the store keeps.
inline constexpr int32_t kAlarmShownMinutesDefault = 60;
inline constexpr int32_t kAlarmHistoryDaysDefault = 30;
inline constexpr int32_t kAlarmHistoryMegabytesDefault = 100;

struct AppSettings {
    int32_t receiveMode;      // 0 every trap, 1 only traps that pass the reception filter
    uint16_t trapPort;        // UDP trap port, 1-65535
    int32_t resolveHostName;  // 0/1
    int32_t logMode;          // 0 no log, 1 every trap, 2 received traps only
    std::array<char, 257> formatV1;
    std::array<char, 257> formatV2c;
    std::array<char, 257> formatV3;
    int32_t logRetention;  // months, 0 = keep for ever
    std::array<char, 37> smtpServer;
    std::array<char, 129> mailFrom;
    std::array<char, 129> mailTo;
    int32_t usePopAuth;  // 0/1
    std::array<char, 37> popServer;
    std::array<char, 37> popUserId;
    std::array<char, 37> popPassword;
    std::array<char, 37> mailSubject;
    int32_t maxRows = kMaxRowsDefault;   // the most rows the trap list holds
    std::array<char, 513> mibFolders{};  // INIT / MIBDIRS: more MIB folders, ':' between them
    int32_t alarmShownMinutes = kAlarmShownMinutesDefault;  // a cleared alarm in view, minutes
    int32_t alarmHistoryDays = kAlarmHistoryDaysDefault;    // alarm history kept, days
    int32_t alarmHistoryMegabytes = kAlarmHistoryMegabytesDefault;  // and at most megabytes
};

// Brings a row ceiling into kMaxRowsLowest-kMaxRowsHighest.
int32_t ClampMaxRows(int32_t rows);
