#pragma once
// Localized keys remembered by (protocol, password, engine ID octets), so that a steady
// stream of authenticated traps does not hash a megabyte of password per key per message.
// Each key is kept ready for every use a key can have: its HMAC pad states and its AES-128
// and DES key schedules; making them costs microseconds against the milliseconds of
// localization.

#include <mutex>
#include <span>
#include <string_view>

#include "crypto/Aes.h"
#include "crypto/Des.h"
#include "crypto/Hmac.h"
#include "crypto/UsmProtocols.h"
#include "snmp/LocalizationBudget.h"

struct LocalizedKey {
    LocalizedKey(int authProtocol, const UsmKey& localized, int localizedLength);

    UsmKey key;
    int length;     // UsmDigestLength of the protocol
    HmacKey hmac;   // the key prepared for HMAC
    Aes128Cfb aes;  // its first 16 octets prepared for decryption (RFC 3826 3.1.2.1)
    DesKey des;     // its first 8 octets, the CBC-DES key (RFC 3414 8.1.1.1)
};

// A key of the cache, usable while the handle lives: it holds the cache's lock, because the
// prepared states change with each use. A thread holds at most one handle at a time.
class CachedKey {
public:
    CachedKey(std::unique_lock<std::mutex> lock, LocalizedKey* key)
        : m_lock(std::move(lock)), m_key(key) {}
    explicit operator bool() const { return m_key != nullptr; }
    LocalizedKey& operator*() const { return *m_key; }
    LocalizedKey* operator->() const { return m_key; }

private:
    std::unique_lock<std::mutex> m_lock;
    LocalizedKey* m_key;
};

// Same key as LocalizeKey, from the cache when it can; an empty handle when LocalizeKey
// gives no key.
CachedKey CachedLocalizeKey(int authProtocol, std::string_view password,
                            std::string_view engineIdText);

// The same with the engine ID as octets. With a budget, a key that is not cached is made
// only when the budget gives a token; otherwise the handle is empty and refused is set.
CachedKey CachedLocalizeKey(int authProtocol, std::string_view password,
                            std::span<const uint8_t> engineId, LocalizationBudget* budget = nullptr,
                            bool* refused = nullptr);

// Number of keys kept, enough for a user who serves every engine of a large network; the
// least recently used one gives way to a new one.
inline constexpr std::size_t kUsmKeyCacheSize = 256;
