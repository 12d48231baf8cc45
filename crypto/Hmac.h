#pragma once
// HMAC (RFC 2104) with MD5, SHA-1 or SHA-2, for HMAC-MD5-96 and HMAC-SHA-96 of RFC 3414 6
// and 7 and the HMAC-SHA-2 protocols of RFC 7860.

#include <span>

#include "crypto/UsmDigest.h"
#include "crypto/UsmProtocols.h"

// One key with the digest states after its inner and outer pads, which RFC 2104 4 allows to
// compute once per key: each message then costs the digest of itself plus one block.
class HmacKey {
public:
    // The digest of UsmDigest(authProtocol). The key is the localized key: its first
    // UsmDigestLength(authProtocol) octets.
    HmacKey(int authProtocol, const UsmKey& key);

    // Writes the whole digest (UsmDigestLength octets) to the start of digest; the message
    // carries its first UsmMacLength. False when libcrypto failed: there is no MAC then.
    // Not for two threads at once: the work state is reused from message to message.
    bool Sign(std::span<const uint8_t> message, UsmKey& digest);

private:
    UsmDigest m_inner;
    UsmDigest m_outer;
    UsmDigest m_work;
};

// The same for a single message.
bool Hmac96(int authProtocol, const UsmKey& key, std::span<const uint8_t> message, UsmKey& digest);
