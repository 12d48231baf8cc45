#include "snmp/crypto/Hmac.h"

#include "snmp/crypto/UsmDigest.h"

namespace {

constexpr std::size_t kBlockSize = 64;  // both digests work on 64-octet blocks

std::array<uint8_t, kBlockSize> Pad(const UsmKey& key, std::size_t keyLength, uint8_t fill) {
    std::array<uint8_t, kBlockSize> pad;
    pad.fill(fill);
    for (std::size_t i = 0; i < keyLength; ++i) pad[i] ^= key[i];
    return pad;
}

}  // namespace

// The message is streamed after the pad rather than copied into a work area, so its length
// is not bounded.
void Hmac96(int authProtocol, const UsmKey& key, std::span<const uint8_t> message,
            UsmKey& digest) {
    const std::size_t keyLength = UsmDigestLength(authProtocol);

    UsmDigest inner(authProtocol);
    inner.Feed(Pad(key, keyLength, 0x36));
    inner.Feed(message);
    UsmKey innerDigest{};
    const std::size_t innerLength = inner.Finish(innerDigest);

    UsmDigest outer(authProtocol);
    outer.Feed(Pad(key, keyLength, 0x5C));
    outer.Feed(std::span(innerDigest.data(), innerLength));
    outer.Finish(digest);
}
