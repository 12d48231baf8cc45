#include "forward/JsonLine.h"

#include <nlohmann/json.hpp>

std::string BuildJsonLine(const TrapFields& fields) {
    nlohmann::ordered_json line;
    line["time"] = fields.time;
    line["source"] = fields.source;
    line["sourcePort"] = fields.sourcePort;
    line["version"] = fields.version;
    line["event"] = fields.event;
    line["agent"] = fields.agent;
    line["trapOID"] = fields.trapOid;
    line["enterprise"] = fields.enterprise;
    line["generic"] = fields.generic;
    line["specific"] = fields.specific;
    line["uptime"] = fields.uptime;
    line["community"] = fields.community;
    line["user"] = fields.user;
    line["engineID"] = fields.engineId;
    nlohmann::ordered_json bindings = nlohmann::ordered_json::array();
    for (const TrapBindingFields& binding : fields.bindings)
        bindings.push_back(
            {{"oid", binding.oid}, {"type", binding.type}, {"value", binding.value}});
    line["bindings"] = std::move(bindings);
    // The texts are converted to UTF-8 already; a stray invalid byte still never breaks the line.
    return line.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
}
