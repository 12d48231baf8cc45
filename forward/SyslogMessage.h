#pragma once
// One trap as an RFC 5424 syslog message: APP-NAME olixtrap, MSGID trap, the trap's head
// as structured data [trap@32473 ...] (RFC 5612's enterprise number for examples) and the
// one-line message as MSG in UTF-8.

#include <string>
#include <string_view>

#include "forward/TrapFields.h"

inline constexpr std::string_view kSyslogStructuredDataId = "trap@32473";

struct SyslogOrigin {
    std::string hostName;  // this machine, "-" when unknown
    std::string processId;
};

// The message without transport framing; facility 0-23, severity 0-7.
std::string BuildSyslogMessage(const TrapFields& fields, std::string_view messageUtf8, int facility,
                               int severity, const SyslogOrigin& origin);

// RFC 5424 6.3.3: '"', '\' and ']' in a PARAM-VALUE are preceded by a backslash.
std::string EscapeParamValue(std::string_view value);

// Appends ` name="value"` (escaped) to structured data; nothing for an empty value.
void AppendParam(std::string& out, std::string_view name, std::string_view value);

// This process's name and id for the header.
SyslogOrigin LocalSyslogOrigin();
