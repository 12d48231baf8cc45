#pragma once
// Protocol numbers of the user-based security model as the user store keeps them, and the
// localized key they produce.

#include <array>
#include <cstddef>
#include <cstdint>

inline constexpr int kAuthNone = 0;
inline constexpr int kAuthHmacSha1 = 1;
inline constexpr int kAuthHmacMd5 = 2;

inline constexpr int kPrivNone = 0;
inline constexpr int kPrivCbcDes = 1;

// Room for the longer of the two keys: 20 octets of SHA-1 (MD5 fills the first 16).
using UsmKey = std::array<uint8_t, 20>;

// Octets a digest of this authentication protocol yields: MD5 for HMAC-MD5, SHA-1 otherwise.
constexpr std::size_t UsmDigestLength(int authProtocol) {
    return authProtocol == kAuthHmacMd5 ? 16 : 20;
}
