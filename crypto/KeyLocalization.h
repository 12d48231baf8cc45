#pragma once
// Password to localized key of the user-based security model (RFC 3414 A.2), also with
// SHA-2 (RFC 7860).

#include <span>
#include <string_view>

#include "crypto/UsmProtocols.h"

// An snmpEngineID is at most 32 octets (RFC 3411), 64 hexadecimal digits.
inline constexpr std::size_t kMaxEngineIdOctets = 32;

// Hexadecimal text to octets, the first digit of a pair being the high nibble. Text of odd
// length, with a character other than 0-9 a-f A-F, or longer than octets has room for gives
// no octets at all. Returns the number of octets written.
[[nodiscard]] int EngineIdFromText(std::string_view text, std::span<uint8_t> octets);

// The localized key of RFC 3414 A.2 with the digest of the authentication protocol (MD5,
// SHA-1 or SHA-2); the engine ID is hexadecimal text as EngineIdFromText reads it. Returns
// the key length (UsmDigestLength), or 0 and no key for an unknown protocol, an empty
// password, over which the expansion of A.2 is undefined, or when libcrypto failed.
[[nodiscard]] int LocalizeKey(int authProtocol, std::string_view password,
                              std::string_view engineIdText, UsmKey& key);

// The same with the engine ID as octets.
[[nodiscard]] int LocalizeKey(int authProtocol, std::string_view password,
                              std::span<const uint8_t> engineId, UsmKey& key);
