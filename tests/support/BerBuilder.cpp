#include "support/BerBuilder.h"

#include <gtest/gtest.h>

#include <charconv>

namespace ber {

Bytes Cat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& part : parts) out.insert(out.end(), part.begin(), part.end());
    return out;
}

Bytes Length(std::size_t length) {
    if (length < 0x80) return {static_cast<uint8_t>(length)};
    Bytes octets;
    for (std::size_t rest = length; rest > 0; rest >>= 8)
        octets.insert(octets.begin(), static_cast<uint8_t>(rest & 0xFF));
    octets.insert(octets.begin(), static_cast<uint8_t>(0x80 | octets.size()));
    return octets;
}

Bytes Tlv(uint8_t tag, const Bytes& content) {
    Bytes out{tag};
    const Bytes length = Length(content.size());
    out.insert(out.end(), length.begin(), length.end());
    out.insert(out.end(), content.begin(), content.end());
    return out;
}

Bytes Integer(int64_t value) {
    Bytes content;
    for (int i = 7; i >= 0; --i) content.push_back(static_cast<uint8_t>(value >> (8 * i)));
    // Drop leading octets that only repeat the sign of the next one.
    while (content.size() > 1 && ((content[0] == 0x00 && (content[1] & 0x80) == 0) ||
                                  (content[0] == 0xFF && (content[1] & 0x80) != 0)))
        content.erase(content.begin());
    return Tlv(0x02, content);
}

Bytes OctetString(std::string_view octets) {
    return Tlv(0x04, Bytes(octets.begin(), octets.end()));
}
Bytes OctetString(const Bytes& octets) { return Tlv(0x04, octets); }
Bytes Null() { return {0x05, 0x00}; }

static std::vector<uint32_t> ParseArcs(std::string_view dotted) {
    std::vector<uint32_t> arcs;
    while (!dotted.empty()) {
        uint32_t arc = 0;
        const auto [end, ec] = std::from_chars(dotted.data(), dotted.data() + dotted.size(), arc);
        if (ec != std::errc()) {
            ADD_FAILURE() << "bad OID text: " << dotted;
            return {0, 0};
        }
        arcs.push_back(arc);
        dotted.remove_prefix(static_cast<std::size_t>(end - dotted.data()));
        if (!dotted.empty()) dotted.remove_prefix(1);  // the dot
    }
    return arcs;
}

static void AppendSubIdentifier(Bytes& out, uint64_t value) {
    Bytes groups{static_cast<uint8_t>(value & 0x7F)};
    for (value >>= 7; value > 0; value >>= 7)
        groups.insert(groups.begin(), static_cast<uint8_t>(0x80 | (value & 0x7F)));
    out.insert(out.end(), groups.begin(), groups.end());
}

Bytes OidContent(std::string_view dotted) {
    const std::vector<uint32_t> arcs = ParseArcs(dotted);
    Bytes content;
    if (arcs.size() < 2) {
        ADD_FAILURE() << "an OID needs two arcs: " << dotted;
        return content;
    }
    AppendSubIdentifier(content, uint64_t{arcs[0]} * 40 + arcs[1]);
    for (std::size_t i = 2; i < arcs.size(); ++i) AppendSubIdentifier(content, arcs[i]);
    return content;
}

Bytes Oid(std::string_view dotted) { return Tlv(0x06, OidContent(dotted)); }

Bytes Sequence(std::initializer_list<Bytes> elements) { return Tlv(0x30, Cat(elements)); }

Bytes Sequence(const std::vector<Bytes>& elements) {
    Bytes content;
    for (const Bytes& e : elements) content.insert(content.end(), e.begin(), e.end());
    return Tlv(0x30, content);
}

Bytes UnsignedTlv(uint8_t tag, uint64_t value) {
    Bytes content;
    for (int i = 7; i >= 0; --i) content.push_back(static_cast<uint8_t>(value >> (8 * i)));
    while (content.size() > 1 && content[0] == 0x00 && (content[1] & 0x80) == 0)
        content.erase(content.begin());
    if (content[0] & 0x80) content.insert(content.begin(), 0x00);
    return Tlv(tag, content);
}

Bytes IpAddress(std::array<uint8_t, 4> address) {
    return Tlv(0x40, Bytes(address.begin(), address.end()));
}
Bytes Counter32(uint32_t value) { return UnsignedTlv(0x41, value); }
Bytes Gauge32(uint32_t value) { return UnsignedTlv(0x42, value); }
Bytes TimeTicks(uint32_t value) { return UnsignedTlv(0x43, value); }
Bytes Counter64(uint64_t value) { return UnsignedTlv(0x46, value); }

Bytes VarBind(std::string_view name, const Bytes& value) { return Sequence({Oid(name), value}); }

Bytes SysUpTimeBinding(uint32_t ticks) { return VarBind("1.3.6.1.2.1.1.3.0", TimeTicks(ticks)); }
Bytes TrapOidBinding(std::string_view trapOid) {
    return VarBind("1.3.6.1.6.3.1.1.4.1.0", Oid(trapOid));
}

Bytes V1TrapPdu(const V1TrapFields& f) {
    return Tlv(0xA4, Cat({Oid(f.enterprise), IpAddress(f.agentAddress), Integer(f.genericTrap),
                          Integer(f.specificTrap), TimeTicks(f.timeStamp), Sequence(f.varBinds)}));
}

Bytes V2TrapPdu(const V2TrapFields& f) {
    return Tlv(0xA7, Cat({Integer(f.requestId), Integer(f.errorStatus), Integer(f.errorIndex),
                          Sequence(f.varBinds)}));
}

Bytes Message(int64_t version, std::string_view community, const Bytes& pdu) {
    return Sequence({Integer(version), OctetString(community), pdu});
}

Bytes BuildV1Trap(const V1TrapFields& fields) {
    return Message(0, fields.community, V1TrapPdu(fields));
}
Bytes BuildV2cTrap(const V2TrapFields& fields) {
    return Message(1, fields.community, V2TrapPdu(fields));
}

}  // namespace ber
