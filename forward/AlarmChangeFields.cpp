#include "forward/AlarmChangeFields.h"

#include <rapidjson/stringbuffer.h>
#include <rapidjson/writer.h>

#include <array>
#include <cstdio>
#include <ctime>

namespace {

using JsonWriter = rapidjson::Writer<rapidjson::StringBuffer>;

void Text(JsonWriter& writer, std::string_view key, std::string_view value) {
    writer.Key(key.data(), static_cast<rapidjson::SizeType>(key.size()));
    writer.String(value.data(), static_cast<rapidjson::SizeType>(value.size()));
}

void Number(JsonWriter& writer, const char* key, int64_t value) {
    writer.Key(key);
    writer.Int64(value);
}

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

void AddParam(std::string& out, std::string_view name, std::string_view value) {
    if (value.empty()) return;
    out += ' ';
    out += name;
    out += "=\"";
    out += EscapeParamValue(value);
    out += '"';
}

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
    Text(writer, "type", "alarm");
    Text(writer, "change", fields.change);
    Text(writer, "time", Rfc3339UtcTime(fields.ms));
    Number(writer, "alarmId", fields.alarmId);
    Text(writer, "severity", fields.severity);
    Text(writer, "severityLabel", fields.severityLabel);
    Text(writer, "state", fields.state);
    Text(writer, "source", fields.sender);
    Text(writer, "trapOID", fields.trapOid);
    Text(writer, "trapName", fields.trapName);
    Text(writer, "instance", fields.instance);
    Text(writer, "instanceNames", fields.instanceNames);
    Text(writer, "rule", fields.rule);
    writer.Key("count");
    writer.Uint64(fields.count);
    Text(writer, "firstTime", Rfc3339UtcTime(fields.firstMs));
    Text(writer, "lastTime", Rfc3339UtcTime(fields.lastMs));
    Text(writer, "message", fields.message);
    if (fields.change == "acknowledged") {
        Text(writer, "ackUser", fields.ackUser);
        Text(writer, "ackNote", fields.ackNote);
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
    AddParam(out, "change", fields.change);
    AddParam(out, "alarmId", std::to_string(fields.alarmId));
    AddParam(out, "severity", fields.severity);
    AddParam(out, "state", fields.state);
    AddParam(out, "source", fields.sender);
    AddParam(out, "trapOID", fields.trapOid);
    AddParam(out, "trapName", fields.trapName);
    AddParam(out, "instance", fields.instance);
    AddParam(out, "count", std::to_string(fields.count));
    AddParam(out, "firstTime", Rfc3339UtcTime(fields.firstMs));
    AddParam(out, "lastTime", Rfc3339UtcTime(fields.lastMs));
    if (fields.change == "acknowledged") {
        AddParam(out, "ackUser", fields.ackUser);
        AddParam(out, "ackNote", fields.ackNote);
    }
    out += ']';
    if (!fields.message.empty()) {
        out += " \xEF\xBB\xBF";
        out += fields.message;
    }
    return out;
}
