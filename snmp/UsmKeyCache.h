#pragma once
// Localized keys remembered by (protocol, password, engine ID octets), so that a steady
// stream of authenticated traps does not hash a megabyte of password per key per message.

#include <string_view>

#include "snmp/crypto/UsmProtocols.h"

// Same result as LocalizeKey (key length, 0 for no key), from the cache when it can.
int CachedLocalizeKey(int authProtocol, std::string_view password, std::string_view engineIdText,
                      UsmKey& key);

// Number of keys kept; the least recently used one gives way to a new one.
inline constexpr std::size_t kUsmKeyCacheSize = 16;
