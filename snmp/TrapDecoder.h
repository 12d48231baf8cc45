#pragma once
// Decoding of one received datagram into the TrapRecord: the message wrapper of SNMPv1 and
// SNMPv2c (RFC 1157, RFC 1901), the SNMPv1 Trap-PDU, the SNMPv2-Trap-PDU (RFC 3416) and
// their variable bindings. Only traps are accepted; everything else is malformed.

#include <array>
#include <cstdint>
#include <span>
#include <string_view>

#include "snmp/AnswerFacts.h"
#include "snmp/BerReader.h"
#include "snmp/DecodeResult.h"
#include "snmp/V3Security.h"
#include "trap/ReusableTrapRecord.h"
#include "trap/TrapRecord.h"

// Why a datagram was refused, beside the result.
struct DecodeFailure {
    DecodeReason reason = DecodeReason::kMalformed;
    uint16_t offset = 0;  // of the first octet not accepted; the length when it ran out
    int8_t version = -1;  // the message's version field when it is 0, 1 or 3, else -1
};

class TrapDecoder {
public:
    // An SNMPv3 message is checked with its user in users; keys are localized and kept in
    // keys.
    TrapDecoder(const UserStore& users, UsmKeyCache& keys) : usm_{users, keys} {}

    // Zeroes the record, sets both addresses to the sender's and fills it from the
    // datagram, which the message must fill exactly. The datagram is mutable because SNMPv3
    // decrypts in place. Returns one of the results of DecodeResult.h; on failure the
    // record is not to be used.
    [[nodiscard]] int Decode(std::span<uint8_t> datagram, std::array<uint8_t, 4> sender,
                             TrapRecord& record) const;

    // The same; on a result other than 0 failure tells why.
    [[nodiscard]] int Decode(std::span<uint8_t> datagram, std::array<uint8_t, 4> sender,
                             TrapRecord& record, DecodeFailure& failure) const;

    // The same into the receiver's reused record, zeroing only what the last decode wrote:
    // the record comes out byte for byte as from a zeroed one.
    [[nodiscard]] int Decode(std::span<uint8_t> datagram, std::array<uint8_t, 4> sender,
                             ReusableTrapRecord& target, DecodeFailure& failure) const;

    // The same for a receiver that answers as the local engine: an InformRequest-PDU of
    // SNMPv2c, or of SNMPv3 to the local engine, is decoded as a SNMPv2 trap is, and a
    // reportable SNMPv3 message is checked as RFC 3414 3.2 says. answer tells what to send
    // back: kResponse only for an inform that decoded whole (result 0), kReport for a
    // discovery probe or a failure the RFC reports. Traps decode exactly as above.
    [[nodiscard]] int Decode(std::span<uint8_t> datagram, std::array<uint8_t, 4> sender,
                             ReusableTrapRecord& target, DecodeFailure& failure,
                             const LocalEngine& local, AnswerFacts& answer) const;

private:
    UsmContext usm_;
};

// The PDU decoders read from a reader over the PDU's content.
[[nodiscard]] int DecodeV1Trap(BerReader& pdu, TrapRecord& record);
// Also derives timeStamp, enterprise and genericTrap from the bindings stored, even when
// the binding list fails part way.
[[nodiscard]] int DecodeV2Trap(BerReader& pdu, TrapRecord& record);

// Reads the binding list, whose SEQUENCE must fill the rest of the reader, into
// varBinds. Bindings past the record's 100 entries are read and checked but not stored.
[[nodiscard]] int DecodeVarBinds(BerReader& reader, TrapRecord& record);

// The value of the snmpTrapOID.0 binding of a decoded SNMPv2c or SNMPv3 trap; empty when
// there is none.
std::string_view NotificationOid(const TrapRecord& record);
