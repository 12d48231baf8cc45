#include "forward/AlarmChangeFields.h"

#include "forward/JsonFields.h"

#include <array>
#include <cstdio>
#include <ctime>

namespace {

struct SeverityMapping {
    std::string_view name;
    int syslog;
};
constexpr std::array<SeverityMapping, 5> kSyslogSeverities = {{
    {"critical", 2},
    {"major", 3},
    {"minor", 4},
    {"warning", 4},
    {"indeterminate", 5},
}};
constexpr int kSyslogInfo = 6;

}  // namespace

std::string Rfc3339UtcTime(int64_t ms) {
    const std::time_t seconds = static_cast<std::time_t>(ms / 1000);
    std::tm utc{};
    gmtime_r(&seconds, &utc);
    char text[64];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%03dZ", utc.tm_year + 1900,
                  utc.tm_mon + 1, utc.tm_mday, utc.tm_hour, utc.tm_min, utc.tm_sec,
                  static_cast<int>(ms % 1000));
    return text;
}

int SyslogSeverityOfAlarm(std::string_view severity) {
    for (const SeverityMapping& mapping : kSyslogSeverities)
        if (mapping.name == severity) return mapping.syslog;
    return kSyslogInfo;
}

std::string BuildAlarmJsonLine(const AlarmChangeFields& fields) {
    rapidjson::StringBuffer buffer;
    JsonWriter writer(buffer);
    writer.StartObject();
    JsonText(writer, "type", "alarm");
    JsonText(writer, "change", fields.change);
    JsonText(writer, "time", Rfc3339UtcTime(fields.ms));
    JsonNumber(writer, "alarmId", fields.alarmId);
    JsonText(writer, "severity", fields.severity);
    JsonText(writer, "severityLabel", fields.severityLabel);
    JsonText(writer, "state", fields.state);
    JsonText(writer, "source", fields.sender);
    JsonText(writer, "trapOID", fields.trapOid);
    JsonText(writer, "trapName", fields.trapName);
    JsonText(writer, "instance", fields.instance);
    JsonText(writer, "instanceNames", fields.instanceNames);
    JsonText(writer, "rule", fields.rule);
    writer.Key("count");
    writer.Uint64(fields.count);
    JsonText(writer, "firstTime", Rfc3339UtcTime(fields.firstMs));
    JsonText(writer, "lastTime", Rfc3339UtcTime(fields.lastMs));
    JsonText(writer, "message", fields.message);
    if (fields.change == "acknowledged") {
        JsonText(writer, "ackUser", fields.ackUser);
        JsonText(writer, "ackNote", fields.ackNote);
    }
    writer.EndObject();
    return std::string(buffer.GetString(), buffer.GetSize());
}

std::string BuildAlarmSyslogMessage(const AlarmChangeFields& fields, int facility,
                                    const SyslogOrigin& origin) {
    const int severity = SyslogSeverityOfAlarm(fields.severity);
    std::string out = "<" + std::to_string(facility * 8 + severity) + ">1 " +
                      Rfc3339UtcTime(fields.ms) + ' ' + origin.hostName + " olixtrap " +
                      origin.processId + " alarm [";
    out += kAlarmStructuredDataId;
    AppendParam(out, "change", fields.change);
    AppendParam(out, "alarmId", std::to_string(fields.alarmId));
    AppendParam(out, "severity", fields.severity);
    AppendParam(out, "state", fields.state);
    AppendParam(out, "source", fields.sender);
    AppendParam(out, "trapOID", fields.trapOid);
    AppendParam(out, "trapName", fields.trapName);
    AppendParam(out, "instance", fields.instance);
    AppendParam(out, "count", std::to_string(fields.count));
    AppendParam(out, "firstTime", Rfc3339UtcTime(fields.firstMs));
    AppendParam(out, "lastTime", Rfc3339UtcTime(fields.lastMs));
    if (fields.change == "acknowledged") {
        AppendParam(out, "ackUser", fields.ackUser);
        AppendParam(out, "ackNote", fields.ackNote);
    }
    out += ']';
    if (!fields.message.empty()) {
        out += " \xEF\xBB\xBF";
        out += fields.message;
    }
    return out;
}
