#pragma once
// Localized keys remembered by (protocol, password, engine ID octets), so that a steady
// stream of authenticated traps does not hash a megabyte of password per key per message.
// Each key is kept ready for every use a key can have: its HMAC pad states and its AES-128
// and DES key schedules; making them costs microseconds against the milliseconds of
// localization.

#include <algorithm>
#include <array>
#include <cstdint>
#include <deque>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_set>

#include "crypto/Aes.h"
#include "crypto/Des.h"
#include "crypto/Hmac.h"
#include "crypto/KeyLocalization.h"
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

class UsmKeyCache;

// A key of the cache, usable while the handle lives: it holds the cache's lock, because the
// prepared states change with each use. A thread holds at most one handle at a time.
class CachedKey {
public:
    CachedKey(std::unique_lock<std::mutex> lock, LocalizedKey* key, UsmKeyCache* cache = nullptr,
              std::size_t slot = 0)
        : m_lock(std::move(lock)), m_key(key), m_cache(cache), m_slot(slot) {}
    explicit operator bool() const { return m_key != nullptr; }
    LocalizedKey& operator*() const { return *m_key; }
    LocalizedKey* operator->() const { return m_key; }
    // A message checked with this key authenticated: its engine is a real one.
    void Authenticated() const;

private:
    std::unique_lock<std::mutex> m_lock;
    LocalizedKey* m_key;
    UsmKeyCache* m_cache;
    std::size_t m_slot;
};

// Number of keys kept, enough for a user who serves every engine of a large network; the
// least recently used one gives way to a new one. Keys of engines whose messages have
// authenticated give way only to each other, so a flood of forged engine IDs cannot push
// them out; and an engine that has authenticated gets its key back outside the budget of
// new engines (the last kProvenEngines of them are remembered).
inline constexpr std::size_t kUsmKeyCacheSize = 256;
inline constexpr std::size_t kProvenEngines = 4096;

class UsmKeyCache {
public:
    using Now = LocalizationBudget::Clock::time_point (*)();
    // now is the budget's clock (tests freeze it).
    explicit UsmKeyCache(int newEnginesPerSecond = kNewEngineLocalizationsPerSecond,
                         Now now = &LocalizationBudget::Clock::now)
        : newEngines_(newEnginesPerSecond), now_(now) {}

    // Same key as LocalizeKey, from the cache when it can; an empty handle when LocalizeKey
    // gives no key.
    CachedKey Localize(int authProtocol, std::string_view password, std::string_view engineIdText);

    // The same with the engine ID as octets.
    CachedKey Localize(int authProtocol, std::string_view password,
                       std::span<const uint8_t> engineId) {
        return Find(authProtocol, password, engineId, false, nullptr);
    }

    // The same for an engine that a message names itself: a key that is not cached is made
    // only when the budget of new localizations (kNewEngineLocalizationsPerSecond) gives a
    // token; otherwise the handle is empty and refused is set.
    CachedKey LocalizeForNamedEngine(int authProtocol, std::string_view password,
                                     std::span<const uint8_t> engineId, bool& refused) {
        return Find(authProtocol, password, engineId, true, &refused);
    }

private:
    struct Entry {
        int authProtocol = kAuthNone;
        std::string password;
        std::array<uint8_t, kMaxEngineIdOctets> engineId{};
        int engineIdLength = 0;
        std::optional<LocalizedKey> key;  // empty: the slot is free
        uint64_t lastUse = 0;
        bool authenticated = false;  // a message checked with the key authenticated

        bool Holds(int protocol, std::string_view pass, std::span<const uint8_t> engine) const {
            return key && authProtocol == protocol && password == pass &&
                   std::equal(engine.begin(), engine.end(), engineId.begin(),
                              engineId.begin() + engineIdLength);
        }
    };

    friend class CachedKey;
    CachedKey Find(int authProtocol, std::string_view password, std::span<const uint8_t> engineId,
                   bool budgeted, bool* refused);
    // With lock_ held (by a handle).
    void MarkAuthenticated(std::size_t slot);
    static uint64_t Fingerprint(int authProtocol, std::string_view password,
                                std::span<const uint8_t> engineId);

    std::mutex lock_;
    std::array<Entry, kUsmKeyCacheSize> entries_;
    uint64_t useClock_ = 0;
    // Taken under lock_, so any thread may ask.
    LocalizationBudget newEngines_;
    Now now_;
    // Engines that have authenticated, by fingerprint, oldest first in provenOrder_.
    std::unordered_set<uint64_t> proven_;
    std::deque<uint64_t> provenOrder_;
};

inline void CachedKey::Authenticated() const {
    if (m_cache != nullptr) m_cache->MarkAuthenticated(m_slot);
}
