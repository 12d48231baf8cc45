#include "crypto/UsmDigest.h"

#include <algorithm>
#include <limits>

UsmDigest::UsmDigest(int authProtocol) {
    if (authProtocol == kAuthHmacMd5) {
        Md5Init(m_context.emplace<Md5Context>());
    } else if (IsSha2Protocol(authProtocol)) {
        m_context.emplace<Sha2Digest>(UsmDigestLength(authProtocol));
    } else {
        // Our context is never null: the reset cannot fail.
        static_cast<void>(Sha1Reset(&m_context.emplace<Sha1Context>()));
    }
}

void UsmDigest::Feed(std::span<const uint8_t> octets) {
    if (auto* md5 = std::get_if<Md5Context>(&m_context)) {
        // Md5Update takes a 16-bit length per call.
        constexpr std::size_t kMaxChunk = std::numeric_limits<uint16_t>::max();
        while (!octets.empty()) {
            const std::size_t take = std::min(octets.size(), kMaxChunk);
            Md5Update(*md5, octets.data(), uint16_t(take));
            octets = octets.subspan(take);
        }
    } else if (auto* sha2 = std::get_if<Sha2Digest>(&m_context)) {
        sha2->Feed(octets);
    } else {
        // Fails only past 2^64 bits or after the result, neither of which a digest of
        // ours reaches.
        static_cast<void>(
            Sha1Input(&std::get<Sha1Context>(m_context), octets.data(), octets.size()));
    }
}

std::size_t UsmDigest::Finish(UsmKey& out) {
    if (auto* md5 = std::get_if<Md5Context>(&m_context)) {
        std::array<uint8_t, kMd5DigestSize> digest;
        Md5Final(digest, *md5);
        std::copy(digest.begin(), digest.end(), out.begin());
        return digest.size();
    }
    if (auto* sha2 = std::get_if<Sha2Digest>(&m_context)) return sha2->Finish(out);
    std::array<uint8_t, kSha1DigestSize> digest;
    // Fails only for a context corrupted by too long an input, which Feed never gives.
    static_cast<void>(Sha1Result(&std::get<Sha1Context>(m_context), &digest));
    std::copy(digest.begin(), digest.end(), out.begin());
    return digest.size();
}
