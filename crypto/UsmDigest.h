#pragma once
// MD5, SHA-1 or SHA-2 behind one incremental interface, chosen by the authentication
// protocol number, so HMAC and key localization are written once for all.

#include <span>
#include <variant>

#include "crypto/Md5.h"
#include "crypto/Sha1.h"
#include "crypto/Sha2.h"
#include "crypto/UsmProtocols.h"

class UsmDigest {
public:
    // MD5 for HMAC-MD5, the SHA-2 function of an RFC 7860 protocol, SHA-1 for every other
    // number.
    explicit UsmDigest(int authProtocol);

    void Feed(std::span<const uint8_t> octets);
    // Writes UsmDigestLength(protocol) octets to the start of out and returns that count,
    // or 0 when libcrypto failed (SHA-2 only): there is no digest then.
    std::size_t Finish(UsmKey& out);

private:
    std::variant<Md5Context, Sha1Context, Sha2Digest> m_context;
};
