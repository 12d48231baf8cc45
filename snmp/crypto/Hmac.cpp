#include "snmp/crypto/Hmac.h"

namespace {

constexpr std::size_t kBlockSize = 64;  // both digests work on 64-octet blocks

UsmDigest PadDigest(int authProtocol, const UsmKey& key, uint8_t fill) {
    std::array<uint8_t, kBlockSize> pad;
    pad.fill(fill);
    for (std::size_t i = 0; i < UsmDigestLength(authProtocol); ++i) pad[i] ^= key[i];
    UsmDigest digest(authProtocol);
    digest.Feed(pad);
    return digest;
}

}  // namespace

HmacKey::HmacKey(int authProtocol, const UsmKey& key)
    : m_inner(PadDigest(authProtocol, key, 0x36)), m_outer(PadDigest(authProtocol, key, 0x5C)) {}

// The message is streamed after the pad rather than copied into a work area, so its length
// is not bounded.
void HmacKey::Sign(std::span<const uint8_t> message, UsmKey& digest) const {
    UsmDigest inner = m_inner;
    inner.Feed(message);
    UsmKey innerDigest{};
    const std::size_t innerLength = inner.Finish(innerDigest);

    UsmDigest outer = m_outer;
    outer.Feed(std::span(innerDigest.data(), innerLength));
    outer.Finish(digest);
}

void Hmac96(int authProtocol, const UsmKey& key, std::span<const uint8_t> message,
            UsmKey& digest) {
    HmacKey(authProtocol, key).Sign(message, digest);
}
