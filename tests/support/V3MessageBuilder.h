#pragma once
// Builds SNMPv3 trap messages with the user-based security model for tests, following the
// sender's side of RFC 3414: the scoped PDU is padded to whole DES blocks and encrypted
// with CBC-DES (8.1.1), or encrypted with CFB128-AES-128 (RFC 3826 3.1.3), then the HMAC of
// the whole message with zeroed authentication parameters is written into them (6.3.1,
// 7.3.1).
//
//   ber::V3TrapFields fields;
//   fields.msgFlags = 3;
//   ber::Bytes datagram = ber::BuildV3Trap(fields, {.authProtocol = kAuthHmacSha1,
//       .authPassword = "authpass", .privPassword = "privpass", .engineIdText = "8000..."});

#include <optional>
#include <string>

#include "crypto/UsmProtocols.h"
#include "support/BerBuilder.h"

namespace ber {

struct V3TrapFields {
    int64_t msgId = 4711;
    int64_t msgMaxSize = 65507;
    Bytes msgFlags = {0x00};  // the octets of the msgFlags OCTET STRING
    int64_t securityModel = 3;
    Bytes engineId = {0x80, 0x00, 0x1F, 0x88, 0x80, 0x01, 0x02, 0x03, 0x04};
    int64_t engineBoots = 7;
    int64_t engineTime = 1234;
    std::string userName = "alice";
    std::size_t authParamsLength = 12;  // zeros, the MAC goes into the first ones when sealed
    Bytes privParams;                   // the salt (RFC 3414 8.1.1.1, RFC 3826 3.1.2.1)
    Bytes contextEngineId = {0x80, 0x00, 0x1F, 0x88, 0x80, 0x01, 0x02, 0x03, 0x04};
    std::string contextName;
    Bytes pdu;                         // V2TrapPdu(...)
    std::optional<Bytes> scopedPdu;    // sent in place of ScopedPdu(fields) when set
    std::size_t dropCipherOctets = 0;  // cut from the end of the ciphertext (broken senders)
};

// Keys are localized from these, as a sender holding the same user would.
struct UsmSecrets {
    int authProtocol = kAuthNone;
    std::string authPassword;
    std::string privPassword;
    std::string engineIdText;  // hexadecimal, as in the user store
    int privProtocol = kPrivCbcDes;
};

// SEQUENCE { contextEngineID, contextName, pdu }.
Bytes ScopedPdu(const V3TrapFields& fields);

// The whole message. Bit 1 of msgFlags (privacy) encrypts the scoped PDU, bit 0
// (authentication) writes the MAC; both with keys from secrets. authParamsAt, when given,
// receives the offset of the authentication parameters' content in the message.
Bytes BuildV3Trap(const V3TrapFields& fields, const UsmSecrets& secrets,
                  std::size_t* authParamsAt = nullptr);

}  // namespace ber
