#include "snmp/TrapDecoder.h"

#include <algorithm>
#include <cstring>
#include <string_view>

#include "snmp/BerTags.h"
#include "snmp/V3Security.h"

namespace {

// Identifiers are cut to this many content octets before they become text.
constexpr std::size_t kMaxOidOctets = 127;
constexpr std::size_t kMaxCommunity = 127;
constexpr int32_t kMaxV1GenericTrap = 6;

constexpr std::string_view kSysUpTime0 = "1.3.6.1.2.1.1.3.0";
constexpr std::string_view kSnmpTrapOid0 = "1.3.6.1.6.3.1.1.4.1.0";
constexpr std::string_view kEnterprises = "1.3.6.1.4.1";

// snmpTrapOID values of the generic traps (RFC 3584 3.1), after a trailing ".0" is dropped.
constexpr std::array<std::string_view, 7> kGenericTrapOids = {
    "1.3.6.1.6.3.1.1.5.1", "1.3.6.1.6.3.1.1.5.2", "1.3.6.1.6.3.1.1.5.3",   "1.3.6.1.6.3.1.1.5.4",
    "1.3.6.1.6.3.1.1.5.5", "1.3.6.1.6.3.1.1.5.6", "1.3.6.1.6.3.1.1.4.3.0",
};
constexpr int32_t kOtherNotification = 7;

std::string_view TextOf(const char* text, std::size_t room) { return {text, strnlen(text, room)}; }

int ReadCommunity(BerReader& reader, TrapRecord& record, AnswerFacts* answer) {
    BerHeader community;
    if (reader.ReadElement(kTagOctetString, community) != 0) return kDecodeMalformed;
    if (answer) answer->community = community.content;
    const std::size_t kept = std::min(community.content.size(), kMaxCommunity);
    std::copy_n(community.content.begin(), kept, record.community.begin());
    return kDecodeOk;
}

// The enterprise is the binding name cut after the arc that follows 1.3.6.1.4.1.
void TakeEnterprise(std::string_view name, TrapRecord& record) {
    const std::size_t end = std::min(name.find('.', kEnterprises.size() + 1), name.size());
    record.enterprise.fill('\0');
    std::copy_n(name.begin(), end, record.enterprise.begin());
}

void MapGenericTrap(const VarBindEntry& binding, TrapRecord& record) {
    std::string_view value;
    if (binding.tag == kTagOid) value = TextOf(binding.oidText(), VarBindEntry::kOidTextRoom);
    if (value.ends_with(".0")) value.remove_suffix(2);
    const auto match = std::find(kGenericTrapOids.begin(), kGenericTrapOids.end(), value);
    if (match != kGenericTrapOids.end())
        record.genericTrap = static_cast<int32_t>(match - kGenericTrapOids.begin());
}

// Whether the name begins with the literal's characters, or with the literal's whole text
// and its terminator. Both lengths are known when compiled, so the comparison is inlined.
bool NameStartsWith(const VarBindEntry& binding, std::string_view literal, bool whole = false) {
    return std::memcmp(binding.name.data(), literal.data(), literal.size() + (whole ? 1 : 0)) == 0;
}

// RFC 3584 3.1: the SNMPv1 view of an SNMPv2 notification, from its bindings.
void DeriveFromBindings(TrapRecord& record) {
    record.genericTrap = kOtherNotification;
    for (int32_t i = 0; i < record.varBindCount; ++i) {
        const VarBindEntry& binding = record.varBinds[static_cast<std::size_t>(i)];
        if (NameStartsWith(binding, kSysUpTime0, true)) record.timeStamp = binding.intValue;
        if (NameStartsWith(binding, kEnterprises))
            TakeEnterprise(TextOf(binding.name.data(), binding.name.size()), record);
        if (NameStartsWith(binding, kSnmpTrapOid0, true)) MapGenericTrap(binding, record);
    }
}

// The message header, which must fill the datagram, and the version field: 0 with the
// version number, or the result of the failure.
int ReadMessageVersion(BerReader& reader, std::span<uint8_t> datagram, uint32_t& number) {
    BerHeader message;
    if (reader.ReadHeader(message) != 0) return kDecodeMalformed;
    if (message.tag != kTagSequence || message.content.size() != reader.BytesLeft())
        return reader.Refuse(DecodeReason::kMalformed, datagram.data());

    BerHeader version;
    if (reader.ReadElement(kTagInteger, version) != 0) return kDecodeMalformed;
    number = ReadUnsigned32(version.content);
    if (number != kSnmpV1 && number != kSnmpV2c && number != kSnmpV3)
        return reader.Refuse(DecodeReason::kMalformed, version.content.data());
    return kDecodeOk;
}

int8_t PeekVersion(std::span<uint8_t> datagram) {
    BerReader reader(datagram);
    uint32_t number = 0;
    return ReadMessageVersion(reader, datagram, number) == kDecodeOk ? static_cast<int8_t>(number)
                                                                     : -1;
}

uint16_t OffsetIn(std::span<const uint8_t> datagram, const uint8_t* at) {
    const uint8_t* begin = datagram.data();
    if (at < begin || at > begin + datagram.size()) return 0;
    return static_cast<uint16_t>(at - begin);
}

// An inform's request-id and bindings for its Response, once it has decoded as a trap would.
void TakeInform(BerReader content, const TrapRecord& record, AnswerFacts& answer) {
    BerHeader skipped;
    // The PDU decoded as a trap: its three integers are there to skip.
    for (int i = 0; i < 3; ++i) static_cast<void>(content.ReadElement(kTagInteger, skipped));
    answer.kind = AnswerKind::kResponse;
    answer.version = record.version;
    answer.requestId = record.requestId;
    answer.varBindList = content.Rest();
    answer.contextEngineId = {record.contextEngineId.data(),
                              std::size_t(record.contextEngineIdLength)};
    answer.contextName = {record.contextName.data(), std::size_t(record.contextNameLength)};
}

// The record is zero on entry. With local, informs are decoded too and answer is filled.
int DecodeMessage(std::span<uint8_t> datagram, std::array<uint8_t, 4> sender, TrapRecord& record,
                  const UsmContext& usm, DecodeStop* stop, const LocalEngine* local = nullptr,
                  AnswerFacts* answer = nullptr) {
    record.sourceAddress = sender;
    record.agentAddress = sender;

    BerReader reader(datagram, stop);
    uint32_t number = 0;
    if (const int result = ReadMessageVersion(reader, datagram, number); result != kDecodeOk)
        return result;
    record.version = static_cast<int32_t>(number);

    const bool v3 = record.version == kSnmpV3;
    const int header = !v3     ? ReadCommunity(reader, record, answer)
                       : local ? DecodeV3Security(usm, reader, datagram, record, *local, *answer)
                               : DecodeV3Security(usm, reader, datagram, record);
    if (header != kDecodeOk) return header;

    const uint8_t* pduAt = reader.Rest().data();
    BerHeader pdu;
    if (reader.ReadHeader(pdu) != 0) return kDecodeMalformed;
    const int32_t pduTag = pdu.tag & 0xFF;
    // An SNMPv3 inform is answered only by the engine it names as authoritative.
    const bool inform = local && pduTag == kPduInform && record.version != kSnmpV1 &&
                        (!v3 || answer->toLocalEngine);
    if (pduTag != kPduV1Trap && pduTag != kPduV2Trap && !inform)
        return reader.Refuse(DecodeReason::kNotATrap, pduAt);
    // Only informs and discovery probes ask for a report.
    if (v3 && !inform && (record.msgFlags & 4) != 0)
        return reader.Refuse(DecodeReason::kMalformed, pduAt);
    // A decrypted scoped PDU may end in the block cipher's fill octets.
    const bool decrypted = v3 && (record.msgFlags & 3) == 3;
    if (pdu.content.size() != reader.BytesLeft() && !decrypted)
        return reader.Refuse(DecodeReason::kMalformed, pduAt);

    BerReader content = reader.Inner(pdu.content);
    if (pduTag == kPduV1Trap && record.version == kSnmpV1) return DecodeV1Trap(content, record);
    if (pduTag != kPduV1Trap && record.version != kSnmpV1) {
        const int result = DecodeV2Trap(content, record);
        if (result == kDecodeOk && inform) TakeInform(reader.Inner(pdu.content), record, *answer);
        return result;
    }
    return reader.Refuse(DecodeReason::kMalformed, pduAt);
}

int DecodeReporting(std::span<uint8_t> datagram, std::array<uint8_t, 4> sender, TrapRecord& record,
                    const UsmContext& usm, DecodeFailure& failure,
                    const LocalEngine* local = nullptr, AnswerFacts* answer = nullptr) {
    DecodeStop stop;
    const int result = DecodeMessage(datagram, sender, record, usm, &stop, local, answer);
    if (result != kDecodeOk)
        failure = {stop.reason, OffsetIn(datagram, stop.at), PeekVersion(datagram)};
    return result;
}

}  // namespace

int TrapDecoder::Decode(std::span<uint8_t> datagram, std::array<uint8_t, 4> sender,
                        TrapRecord& record) const {
    ClearTrapRecord(record);
    return DecodeMessage(datagram, sender, record, usm_, nullptr);
}

int TrapDecoder::Decode(std::span<uint8_t> datagram, std::array<uint8_t, 4> sender,
                        TrapRecord& record, DecodeFailure& failure) const {
    ClearTrapRecord(record);
    return DecodeReporting(datagram, sender, record, usm_, failure);
}

int TrapDecoder::Decode(std::span<uint8_t> datagram, std::array<uint8_t, 4> sender,
                        ReusableTrapRecord& target, DecodeFailure& failure) const {
    return DecodeReporting(datagram, sender, target.Cleared(), usm_, failure);
}

int TrapDecoder::Decode(std::span<uint8_t> datagram, std::array<uint8_t, 4> sender,
                        ReusableTrapRecord& target, DecodeFailure& failure,
                        const LocalEngine& local, AnswerFacts& answer) const {
    answer = AnswerFacts{};
    const int result =
        DecodeReporting(datagram, sender, target.Cleared(), usm_, failure, &local, &answer);
    // A Response goes only to an inform that decoded whole.
    if (result != kDecodeOk && answer.kind == AnswerKind::kResponse)
        answer.kind = AnswerKind::kNone;
    return result;
}

int DecodeV1Trap(BerReader& pdu, TrapRecord& record) {
    BerHeader element;
    if (pdu.ReadElement(kTagOid, element) != 0) return kDecodeMalformed;
    OidToText(element.content.first(std::min(element.content.size(), kMaxOidOctets)),
              record.enterprise);

    if (pdu.ReadElement(kTagIpAddress, element) != 0) return kDecodeMalformed;
    if (element.content.size() > record.agentAddress.size())
        return pdu.Refuse(DecodeReason::kMalformed, element.content.data());
    std::copy(element.content.begin(), element.content.end(), record.agentAddress.begin());

    if (pdu.ReadElement(kTagInteger, element) != 0) return kDecodeMalformed;
    const uint32_t generic = ReadUnsigned32(element.content);
    if (generic > kMaxV1GenericTrap)
        return pdu.Refuse(DecodeReason::kMalformed, element.content.data());
    record.genericTrap = static_cast<int32_t>(generic);

    if (pdu.ReadElement(kTagInteger, element) != 0) return kDecodeMalformed;
    record.specificTrap = static_cast<int32_t>(ReadUnsigned32(element.content));

    if (pdu.ReadElement(kTagTimeTicks, element) != 0) return kDecodeMalformed;
    record.timeStamp = ReadUnsigned32(element.content);

    return DecodeVarBinds(pdu, record);
}

int DecodeV2Trap(BerReader& pdu, TrapRecord& record) {
    for (int32_t* field : {&record.requestId, &record.errorStatus, &record.errorIndex}) {
        BerHeader element;
        if (pdu.ReadElement(kTagInteger, element) != 0) return kDecodeMalformed;
        *field = static_cast<int32_t>(ReadUnsigned32(element.content));
    }
    const int result = DecodeVarBinds(pdu, record);
    DeriveFromBindings(record);
    return result;
}

std::string_view NotificationOid(const TrapRecord& record) {
    for (int32_t i = 0; i < record.varBindCount; ++i) {
        const VarBindEntry& binding = record.varBinds[static_cast<std::size_t>(i)];
        if (binding.tag == kTagOid &&
            TextOf(binding.name.data(), binding.name.size()) == kSnmpTrapOid0)
            return TextOf(binding.oidText(), VarBindEntry::kOidTextRoom);
    }
    return {};
}
