#include "forward/JsonLine.h"

#include "forward/JsonFields.h"

// Written as a stream, without a tree of the line first: a sender thread builds one for
// every trap it forwards.
std::string BuildJsonLine(const TrapFields& fields) {
    rapidjson::StringBuffer buffer;
    JsonWriter writer(buffer);
    writer.StartObject();
    JsonText(writer, "time", fields.time);
    JsonText(writer, "source", fields.source);
    JsonNumber(writer, "sourcePort", fields.sourcePort);
    JsonText(writer, "version", fields.version);
    JsonNumber(writer, "event", fields.event);
    JsonText(writer, "agent", fields.agent);
    JsonText(writer, "trapOID", fields.trapOid);
    JsonText(writer, "enterprise", fields.enterprise);
    // Only an SNMPv1 trap has generic and specific numbers; a later notification is its OID.
    if (fields.version == "v1") {
        JsonNumber(writer, "generic", fields.generic);
        JsonNumber(writer, "specific", fields.specific);
    }
    JsonNumber(writer, "uptime", fields.uptime);
    JsonText(writer, "community", fields.community);
    JsonText(writer, "user", fields.user);
    JsonText(writer, "engineID", fields.engineId);
    writer.Key("bindings");
    writer.StartArray();
    for (const TrapBindingFields& binding : fields.bindings) {
        writer.StartObject();
        JsonText(writer, "oid", binding.oid);
        JsonText(writer, "type", binding.type);
        JsonText(writer, "value", binding.value);
        writer.EndObject();
    }
    writer.EndArray();
    writer.EndObject();
    return std::string(buffer.GetString(), buffer.GetSize());
}
