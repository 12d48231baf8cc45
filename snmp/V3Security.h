#pragma once
// SNMPv3 message processing (RFC 3412 6) and the user-based security model (RFC 3414) for
// received notifications: header data, security parameters, the user's security level, the
// HMAC, CBC-DES or CFB128-AES-128 decryption and the context fields of the scoped PDU.
// A notification's own engine is authoritative: its boots and time are recorded, not
// checked. Keys are localized with the user entry's engine ID, or with the message's when
// the entry has none.

#include <span>

#include "snmp/AnswerFacts.h"
#include "snmp/BerReader.h"
#include "trap/TrapRecord.h"

class UserStore;
class UsmKeyCache;

// What the checks consult besides the message: the users, and the keys localized for them.
struct UsmContext {
    const UserStore& users;
    UsmKeyCache& keys;
};

// reader stands after the version field of the message that fills datagram. On 0 it stands
// at the PDU, over the rest of the message, or for an encrypted message over the rest of the
// decrypted octets (which may end in the cipher's fill). Otherwise the result is 1 malformed,
// 2 authentication failure or 3 decryption failure. The datagram is changed in place: the
// authentication parameters are zeroed and an encrypted PDU is decrypted. The message's user
// is looked up in usm.users, its keys are localized and kept in usm.keys.
[[nodiscard]] int DecodeV3Security(const UsmContext& usm, BerReader& reader,
                                   std::span<uint8_t> datagram, TrapRecord& record);

// The same for a receiver that answers: the reportable flag is accepted, and a message to
// the local engine is checked with it as the authoritative engine (RFC 3414 3.2: keys
// localized with its engine ID, the time window). answer is filled with what a Response or
// a report needs; a failure that RFC 3414 reports sets answer.kind to kReport. A reportable
// message for another engine is a discovery probe: refused with kDiscovery and a report.
[[nodiscard]] int DecodeV3Security(const UsmContext& usm, BerReader& reader,
                                   std::span<uint8_t> datagram, TrapRecord& record,
                                   const LocalEngine& local, AnswerFacts& answer);
