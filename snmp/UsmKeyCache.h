#pragma once
// Localized keys remembered by (protocol, password, engine ID octets), so that a steady
// stream of authenticated traps does not hash a megabyte of password per key per message.

#include <optional>
#include <string_view>

#include "snmp/crypto/Hmac.h"
#include "snmp/crypto/UsmProtocols.h"

struct LocalizedKey {
    UsmKey key;
    int length;      // 16 or 20
    HmacKey hmac;    // the key prepared for HMAC
};

// Same key as LocalizeKey, from the cache when it can; nothing when LocalizeKey gives no key.
std::optional<LocalizedKey> CachedLocalizeKey(int authProtocol, std::string_view password,
                                              std::string_view engineIdText);

// Number of keys kept; the least recently used one gives way to a new one.
inline constexpr std::size_t kUsmKeyCacheSize = 16;
