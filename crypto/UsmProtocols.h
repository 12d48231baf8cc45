#pragma once
// Protocol numbers of the user-based security model as the user store keeps them, and the
// sizes of the keys and MACs they produce.

#include <array>
#include <cstddef>
#include <cstdint>

inline constexpr int kAuthNone = 0;
inline constexpr int kAuthHmacSha1 = 1;
inline constexpr int kAuthHmacMd5 = 2;
// RFC 7860: usmHMAC128SHA224AuthProtocol, usmHMAC192SHA256AuthProtocol,
// usmHMAC256SHA384AuthProtocol, usmHMAC384SHA512AuthProtocol.
inline constexpr int kAuthHmacSha224 = 3;
inline constexpr int kAuthHmacSha256 = 4;
inline constexpr int kAuthHmacSha384 = 5;
inline constexpr int kAuthHmacSha512 = 6;

inline constexpr int kPrivNone = 0;
inline constexpr int kPrivCbcDes = 1;
inline constexpr int kPrivCfbAes128 = 2;  // RFC 3826

// Room for the longest key and digest: 64 octets of SHA-512 (shorter ones fill the start).
using UsmKey = std::array<uint8_t, 64>;

constexpr bool IsSha2Protocol(int authProtocol) {
    return authProtocol >= kAuthHmacSha224 && authProtocol <= kAuthHmacSha512;
}

constexpr bool IsKnownAuthProtocol(int authProtocol) {
    return authProtocol == kAuthHmacSha1 || authProtocol == kAuthHmacMd5 ||
           IsSha2Protocol(authProtocol);
}

// Octets a digest of this authentication protocol yields: MD5 for HMAC-MD5, SHA-2 for the
// RFC 7860 protocols, SHA-1 for every other number.
constexpr std::size_t UsmDigestLength(int authProtocol) {
    constexpr std::array<std::size_t, 4> kSha2Lengths = {28, 32, 48, 64};
    if (IsSha2Protocol(authProtocol)) return kSha2Lengths[authProtocol - kAuthHmacSha224];
    return authProtocol == kAuthHmacMd5 ? 16 : 20;
}

// Octets of the digest's input block, which HMAC pads the key to (RFC 2104 2): 128 for
// SHA-384 and SHA-512, 64 for the others.
inline constexpr std::size_t kMaxUsmBlockLength = 128;
constexpr std::size_t UsmBlockLength(int authProtocol) {
    return authProtocol == kAuthHmacSha384 || authProtocol == kAuthHmacSha512 ? kMaxUsmBlockLength
                                                                              : 64;
}

// Octets of the MAC a message carries: 12 for HMAC-MD5-96 and HMAC-SHA-96 (RFC 3414), the
// truncations RFC 7860 names for SHA-2.
constexpr std::size_t UsmMacLength(int authProtocol) {
    constexpr std::array<std::size_t, 4> kSha2MacLengths = {16, 24, 32, 48};
    if (IsSha2Protocol(authProtocol)) return kSha2MacLengths[authProtocol - kAuthHmacSha224];
    return 12;
}
