#include "forward/TrapFields.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <string_view>

#include "platform/Encoding.h"
#include "platform/FixedText.h"
#include "snmp/BerTags.h"
#include "traplog/TrapText.h"

namespace {

constexpr std::string_view kSnmpTrapOid0 = "1.3.6.1.6.3.1.1.4.1.0";

std::string TypeName(int32_t tag) {
    switch (tag & 0xFF) {
    case kTagBoolean: return "BOOLEAN";
    case kTagInteger: return "INTEGER";
    case kTagBitString: return "BITS";
    case kTagOctetString: return "OCTET STRING";
    case kTagNull: return "NULL";
    case kTagOid: return "OBJECT IDENTIFIER";
    case kTagObjectDescriptor: return "ObjectDescriptor";
    case kTagIpAddress: return "IpAddress";
    case kTagCounter32: return "Counter32";
    case kTagGauge32: return "Gauge32";
    case kTagTimeTicks: return "TimeTicks";
    case kTagOpaque: return "Opaque";
    case kTagCounter64: return "Counter64";
    case 0x80: return "noSuchObject";
    case 0x81: return "noSuchInstance";
    case 0x82: return "endOfMibView";
    default: {
        char text[16];
        std::snprintf(text, sizeof text, "tag 0x%02X", static_cast<unsigned>(tag & 0xFF));
        return text;
    }
    }
}

std::string VersionName(int32_t version) {
    switch (version) {
    case kSnmpV1: return "v1";
    case kSnmpV2c: return "v2c";
    case kSnmpV3: return "v3";
    default: return std::to_string(version);
    }
}

std::string HexDigits(int32_t length, const std::array<uint8_t, 128>& octets) {
    constexpr std::string_view kDigits = "0123456789abcdef";
    std::string text;
    const auto count = static_cast<std::size_t>(std::clamp<int32_t>(length, 0, 128));
    for (std::size_t i = 0; i < count; ++i) {
        text.push_back(kDigits[octets[i] >> 4]);
        text.push_back(kDigits[octets[i] & 0x0F]);
    }
    return text;
}

}  // namespace

std::string ForwardText(std::string_view cp932) {
    // Plain ASCII, the usual case, needs no conversion.
    if (std::all_of(cp932.begin(), cp932.end(),
                    [](char c) { return static_cast<unsigned char>(c) < 0x80; }))
        return std::string(cp932);
    return Cp932ToUtf8(cp932);
}

std::string Rfc3339Time(std::chrono::system_clock::time_point time) {
    const auto since = time.time_since_epoch();
    const std::time_t seconds = std::chrono::duration_cast<std::chrono::seconds>(since).count();
    const auto millis = std::chrono::duration_cast<std::chrono::milliseconds>(since).count() % 1000;
    std::tm local{};
    localtime_r(&seconds, &local);
    const long offset = local.tm_gmtoff / 60;
    char text[64];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%03d%c%02ld:%02ld",
                  local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour,
                  local.tm_min, local.tm_sec, static_cast<int>(millis), offset < 0 ? '-' : '+',
                  std::labs(offset) / 60, std::labs(offset) % 60);
    return text;
}

TrapFields CollectTrapFields(const TrapRecord& record,
                             std::chrono::system_clock::time_point received, uint16_t sourcePort) {
    TrapFields fields;
    fields.time = Rfc3339Time(received);
    fields.source = FormatTrapField(record, TrapField::SourceAddress);
    fields.sourcePort = sourcePort;
    fields.version = VersionName(record.version);
    fields.event = record.genericTrap;
    if (record.version == kSnmpV1) fields.agent = FormatTrapField(record, TrapField::AgentAddress);
    fields.enterprise = ForwardText(FixedTextView(record.enterprise));
    fields.generic = record.genericTrap;
    fields.specific = record.specificTrap;
    fields.uptime = record.timeStamp;
    if (record.version == kSnmpV3) {
        fields.user = ForwardText(FixedTextView(record.userName));
        fields.engineId = HexDigits(record.engineIdLength, record.engineId);
    } else {
        fields.community = ForwardText(FixedTextView(record.community));
    }
    const int count = std::clamp(record.varBindCount, 0, kMaxVarBinds);
    fields.bindings.reserve(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        const VarBindEntry& entry = record.varBinds[static_cast<std::size_t>(i)];
        TrapBindingFields binding{ForwardText(FixedTextView(entry.name)), TypeName(entry.tag),
                                  ForwardText(FormatTrapField(record, TrapField::VarBindValue, i))};
        if (binding.oid == kSnmpTrapOid0 && record.version != kSnmpV1)
            fields.trapOid = binding.value;
        fields.bindings.push_back(std::move(binding));
    }
    return fields;
}
