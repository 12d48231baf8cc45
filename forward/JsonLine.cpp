#include "forward/JsonLine.h"

#include <rapidjson/stringbuffer.h>
#include <rapidjson/writer.h>

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

}  // namespace

// Written as a stream, without a tree of the line first: a sender thread builds one for
// every trap it forwards.
std::string BuildJsonLine(const TrapFields& fields) {
    rapidjson::StringBuffer buffer;
    JsonWriter writer(buffer);
    writer.StartObject();
    Text(writer, "time", fields.time);
    Text(writer, "source", fields.source);
    Number(writer, "sourcePort", fields.sourcePort);
    Text(writer, "version", fields.version);
    Number(writer, "event", fields.event);
    Text(writer, "agent", fields.agent);
    Text(writer, "trapOID", fields.trapOid);
    Text(writer, "enterprise", fields.enterprise);
    // Only an SNMPv1 trap has generic and specific numbers; a later notification is its OID.
    if (fields.version == "v1") {
        Number(writer, "generic", fields.generic);
        Number(writer, "specific", fields.specific);
    }
    Number(writer, "uptime", fields.uptime);
    Text(writer, "community", fields.community);
    Text(writer, "user", fields.user);
    Text(writer, "engineID", fields.engineId);
    writer.Key("bindings");
    writer.StartArray();
    for (const TrapBindingFields& binding : fields.bindings) {
        writer.StartObject();
        Text(writer, "oid", binding.oid);
        Text(writer, "type", binding.type);
        Text(writer, "value", binding.value);
        writer.EndObject();
    }
    writer.EndArray();
    writer.EndObject();
    return std::string(buffer.GetString(), buffer.GetSize());
}
