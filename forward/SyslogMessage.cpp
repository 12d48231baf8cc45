#include "forward/SyslogMessage.h"

#include <unistd.h>

#include <climits>

namespace {

// RFC 5424 6.2.4: HOSTNAME is at most 255 printable US-ASCII characters.
constexpr std::size_t kMaxHostName = 255;
constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

std::string PrintableAscii(std::string_view text) {
    std::string out;
    for (char c : text.substr(0, kMaxHostName))
        if (c > ' ' && c < 0x7F) out.push_back(c);
    return out.empty() ? "-" : out;
}

}  // namespace

std::string EscapeParamValue(std::string_view value) {
    std::string out;
    out.reserve(value.size());
    for (char c : value) {
        if (c == '"' || c == '\\' || c == ']') out.push_back('\\');
        out.push_back(c);
    }
    return out;
}

void AppendParam(std::string& out, std::string_view name, std::string_view value) {
    if (value.empty()) return;
    out += ' ';
    out += name;
    out += "=\"";
    out += EscapeParamValue(value);
    out += '"';
}

std::string BuildSyslogMessage(const TrapFields& fields, std::string_view messageUtf8, int facility,
                               int severity, const SyslogOrigin& origin) {
    std::string out = "<" + std::to_string(facility * 8 + severity) + ">1 " + fields.time + ' ' +
                      origin.hostName + " olixtrap " + origin.processId + " trap [";
    out += kSyslogStructuredDataId;
    AppendParam(out, "source", fields.source);
    AppendParam(out, "agent", fields.agent);
    AppendParam(out, "version", fields.version);
    AppendParam(out, "event", std::to_string(fields.event));
    if (fields.version == "v1") {
        AppendParam(out, "enterprise", fields.enterprise);
        AppendParam(out, "generic", std::to_string(fields.generic));
        AppendParam(out, "specific", std::to_string(fields.specific));
    } else {
        AppendParam(out, "trapOID", fields.trapOid);
    }
    AppendParam(out, "community", fields.community);
    AppendParam(out, "user", fields.user);
    AppendParam(out, "uptime", std::to_string(fields.uptime));
    out += ']';
    if (!messageUtf8.empty()) {
        out += ' ';
        out += kUtf8Bom;
        out += messageUtf8;
    }
    return out;
}

SyslogOrigin LocalSyslogOrigin() {
    char name[HOST_NAME_MAX + 1] = {};
    const bool named = gethostname(name, sizeof name - 1) == 0;
    return {named ? PrintableAscii(name) : "-", std::to_string(getpid())};
}
