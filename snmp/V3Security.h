#pragma once
// SNMPv3 message processing (RFC 3412 6) and the user-based security model (RFC 3414) for
// received notifications: header data, security parameters, the user's security level, the
// HMAC, CBC-DES or CFB128-AES-128 decryption and the context fields of the scoped PDU. There is no discovery
// and no time window: boots and time are recorded, not checked.

#include <span>

#include "reception/TrapRecord.h"
#include "snmp/BerReader.h"

// reader stands after the version field of the message that fills datagram. On 0 it stands
// at the PDU, over the rest of the message, or for an encrypted message over the rest of the
// decrypted octets (which may end in the cipher's fill). Otherwise the result is 1 malformed,
// 2 authentication failure or 3 decryption failure. The datagram is changed in place: the
// authentication parameters are zeroed and an encrypted PDU is decrypted.
int DecodeV3Security(BerReader& reader, std::span<uint8_t> datagram, TrapRecord& record);
