#include "crypto/Hmac.h"

namespace {

UsmDigest PadDigest(int authProtocol, const UsmKey& key, uint8_t fill) {
    std::array<uint8_t, kMaxUsmBlockLength> pad;
    pad.fill(fill);
    for (std::size_t i = 0; i < UsmDigestLength(authProtocol); ++i) pad[i] ^= key[i];
    UsmDigest digest(authProtocol);
    digest.Feed(std::span(pad).first(UsmBlockLength(authProtocol)));
    return digest;
}

}  // namespace

HmacKey::HmacKey(int authProtocol, const UsmKey& key)
    : m_inner(PadDigest(authProtocol, key, 0x36)),
      m_outer(PadDigest(authProtocol, key, 0x5C)),
      m_work(m_inner) {}

// The message is streamed after the pad rather than copied into a work area, so its length
// is not bounded.
bool HmacKey::Sign(std::span<const uint8_t> message, UsmKey& digest) {
    m_work = m_inner;
    m_work.Feed(message);
    UsmKey innerDigest{};
    const std::size_t innerLength = m_work.Finish(innerDigest);

    m_work = m_outer;
    m_work.Feed(std::span(innerDigest.data(), innerLength));
    return m_work.Finish(digest) != 0 && innerLength != 0;
}

bool Hmac96(int authProtocol, const UsmKey& key, std::span<const uint8_t> message, UsmKey& digest) {
    return HmacKey(authProtocol, key).Sign(message, digest);
}
