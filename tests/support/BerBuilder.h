#pragma once
// Builds BER-encoded SNMP datagrams for tests: generic elements, variable bindings and
// whole SNMPv1 / SNMPv2c trap messages. Everything is a plain byte vector, so a test can
// splice, cut or corrupt any part before decoding it.
//
//   Bytes datagram = BuildV2cTrap({.varBinds = {
//       VarBind("1.3.6.1.2.1.1.3.0", TimeTicks(100)),
//       VarBind("1.3.6.1.6.3.1.1.4.1.0", Oid("1.3.6.1.6.3.1.1.5.3"))}});

#include <array>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

namespace ber {

using Bytes = std::vector<uint8_t>;

// Concatenation of the given pieces.
Bytes Cat(std::initializer_list<Bytes> parts);

// Definite length octets: short form below 0x80, else the shortest long form.
Bytes Length(std::size_t length);

// tag, Length(content.size()), content.
Bytes Tlv(uint8_t tag, const Bytes& content);

// Universal types.
Bytes Integer(int64_t value);  // shortest two's complement
Bytes OctetString(std::string_view octets);
Bytes OctetString(const Bytes& octets);
Bytes Null();
Bytes Oid(std::string_view dotted);  // "1.3.6.1...", at least two arcs (else a test failure)
Bytes Sequence(std::initializer_list<Bytes> elements);
Bytes Sequence(const std::vector<Bytes>& elements);

// Content of an OBJECT IDENTIFIER (no tag or length).
Bytes OidContent(std::string_view dotted);

// SNMP application types (RFC 2578): unsigned values in the shortest form that stays
// positive (a leading 0x00 when the top bit would be set).
Bytes UnsignedTlv(uint8_t tag, uint64_t value);
Bytes IpAddress(std::array<uint8_t, 4> address);
Bytes Counter32(uint32_t value);
Bytes Gauge32(uint32_t value);
Bytes TimeTicks(uint32_t value);
Bytes Counter64(uint64_t value);

// SEQUENCE { name, value }.
Bytes VarBind(std::string_view name, const Bytes& value);

// The usual first two bindings of an SNMPv2 notification (RFC 3416 4.2.6).
Bytes SysUpTimeBinding(uint32_t ticks);
Bytes TrapOidBinding(std::string_view trapOid);

struct V1TrapFields {
    std::string community = "public";
    std::string enterprise = "1.3.6.1.4.1.8072.2.3";
    std::array<uint8_t, 4> agentAddress = {192, 0, 2, 10};
    int64_t genericTrap = 6;
    int64_t specificTrap = 17;
    uint32_t timeStamp = 12345;
    std::vector<Bytes> varBinds;
};

struct V2TrapFields {
    std::string community = "public";
    int64_t requestId = 1000;
    int64_t errorStatus = 0;
    int64_t errorIndex = 0;
    std::vector<Bytes> varBinds;
};

// Trap-PDU (tag 0xA4) and SNMPv2-Trap-PDU (tag 0xA7) on their own, for wrapping in
// other messages (an SNMPv3 scoped PDU, say).
Bytes V1TrapPdu(const V1TrapFields& fields);
Bytes V2TrapPdu(const V2TrapFields& fields);

// SEQUENCE { version, community, pdu } with version 0 and 1.
Bytes Message(int64_t version, std::string_view community, const Bytes& pdu);
Bytes BuildV1Trap(const V1TrapFields& fields);
Bytes BuildV2cTrap(const V2TrapFields& fields);

}  // namespace ber
