#pragma once
// The fields of one trap as the forwarding formats carry them, in UTF-8: the JSON line
// takes all of them, syslog's structured data the head.

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include "trap/TrapRecord.h"

struct TrapBindingFields {
    std::string oid;
    std::string type;   // "INTEGER", "OCTET STRING", ... as RFC 2578 names the types
    std::string value;  // as the trap log shows it
};

struct TrapFields {
    std::string time;  // RFC 3339 with the local offset, to the millisecond
    std::string source;
    uint16_t sourcePort = 0;
    std::string version;  // "v1", "v2c", "v3"
    int32_t event = 0;    // the trap log's event number (generic trap, 6 for other notifications)
    std::string agent;    // v1
    std::string trapOid;  // v2c and v3: the value of snmpTrapOID.0
    std::string enterprise;
    int32_t generic = 0;
    int32_t specific = 0;
    uint32_t uptime = 0;    // hundredths of a second
    std::string community;  // v1, v2c
    std::string user;       // v3
    std::string engineId;   // v3, hex digits
    std::vector<TrapBindingFields> bindings;
};

TrapFields CollectTrapFields(const TrapRecord& record,
                             std::chrono::system_clock::time_point received, uint16_t sourcePort);

// For example 2024-05-01T09:30:00.125+09:00.
std::string Rfc3339Time(std::chrono::system_clock::time_point time);

// Well-formed UTF-8 from CP932 bytes: what cannot be converted becomes '?'.
std::string ForwardText(std::string_view cp932);
