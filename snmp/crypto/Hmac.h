#pragma once
// HMAC (RFC 2104) with MD5 or SHA-1, for HMAC-MD5-96 and HMAC-SHA-96 of RFC 3414 6 and 7.

#include <span>

#include "snmp/crypto/UsmDigest.h"
#include "snmp/crypto/UsmProtocols.h"

// One key with the digest states after its inner and outer pads, which RFC 2104 4 allows to
// compute once per key: each message then costs the digest of itself plus one block.
class HmacKey {
public:
    // MD5 when authProtocol is kAuthHmacMd5 and SHA-1 otherwise. The key is the localized
    // key: its first 16 octets for MD5, all 20 for SHA-1.
    HmacKey(int authProtocol, const UsmKey& key);

    // Writes the whole digest (16 or 20 octets) to the start of digest; RFC 3414 compares
    // its first 12.
    void Sign(std::span<const uint8_t> message, UsmKey& digest) const;

private:
    UsmDigest m_inner;
    UsmDigest m_outer;
};

// The same for a single message.
void Hmac96(int authProtocol, const UsmKey& key, std::span<const uint8_t> message,
            UsmKey& digest);
