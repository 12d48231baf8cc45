#pragma once
// One change of an alarm (raised, severity changed, acknowledged, cleared) as the syslog
// and JSON destinations carry it, in UTF-8. The program fills it from the alarm engine's
// change feed; this folder, below the alarms, only formats it.

#include <cstdint>
#include <string>
#include <string_view>

#include "forward/SyslogMessage.h"

inline constexpr std::string_view kAlarmStructuredDataId = "alarm@32473";

struct AlarmChangeFields {
    std::string change;  // "raised", "severity", "acknowledged", "cleared"
    int64_t ms = 0;      // when it changed, milliseconds since the epoch
    int64_t alarmId = 0;
    std::string severity;       // the X.733 name: critical ... indeterminate, cleared
    std::string severityLabel;  // the label the alarm windows show
    std::string state;          // raised, acknowledged, cleared
    std::string sender;
    std::string trapOid;
    std::string trapName;  // empty when no MIB name is known
    std::string instance;  // the instance bindings' values, "," between them
    std::string instanceNames;
    std::string rule;
    uint64_t count = 0;
    int64_t firstMs = 0;
    int64_t lastMs = 0;
    std::string message;
    std::string ackUser;  // acknowledged only
    std::string ackNote;
};

// For example 2024-05-01T00:30:00.125Z.
std::string Rfc3339UtcTime(int64_t ms);

// The syslog severity of an X.733 severity name: critical 2 (crit), major 3 (err), minor
// and warning 4 (warning), indeterminate 5 (notice), cleared and anything else 6 (info).
int SyslogSeverityOfAlarm(std::string_view severity);

// One JSON object, "type":"alarm", without a line end.
std::string BuildAlarmJsonLine(const AlarmChangeFields& fields);

// An RFC 5424 message, MSGID alarm, the change as structured data [alarm@32473 ...] and the
// alarm's message as MSG; the severity comes from the alarm's.
std::string BuildAlarmSyslogMessage(const AlarmChangeFields& fields, int facility,
                                    const SyslogOrigin& origin);
