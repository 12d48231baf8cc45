#include "snmp/UsmKeyCache.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "crypto/KeyLocalization.h"

namespace {

struct CachedEntry {
    int authProtocol = kAuthNone;
    std::string password;
    std::array<uint8_t, kMaxEngineIdOctets> engineId{};
    int engineIdLength = 0;
    std::optional<LocalizedKey> key;  // empty: the slot is free
    uint64_t lastUse = 0;
};

std::mutex cacheLock;
std::array<CachedEntry, kUsmKeyCacheSize> cache;
uint64_t useClock = 0;

bool Matches(const CachedEntry& entry, int authProtocol, std::string_view password,
             std::span<const uint8_t> engineId) {
    return entry.key && entry.authProtocol == authProtocol && entry.password == password &&
           std::equal(engineId.begin(), engineId.end(), entry.engineId.begin(),
                      entry.engineId.begin() + entry.engineIdLength);
}

}  // namespace

LocalizedKey::LocalizedKey(int authProtocol, const UsmKey& localized, int localizedLength)
    : key(localized),
      length(localizedLength),
      hmac(authProtocol, localized),
      aes(std::span(localized).first<16>(), kAesDecrypt),
      des(std::span(localized).first<8>()) {}

CachedKey CachedLocalizeKey(int authProtocol, std::string_view password,
                            std::string_view engineIdText) {
    // Engine ID texts that differ only in letter case, or that are both unreadable, give the
    // same octets and so the same key.
    std::array<uint8_t, kMaxEngineIdOctets> engineId;
    const int engineIdLength = EngineIdFromText(engineIdText, engineId);
    return CachedLocalizeKey(
        authProtocol, password,
        std::span<const uint8_t>(engineId.data(), std::size_t(engineIdLength)));
}

CachedKey CachedLocalizeKey(int authProtocol, std::string_view password,
                            std::span<const uint8_t> octets, LocalizationBudget* budget,
                            bool* refused) {
    if (refused) *refused = false;
    if (octets.size() > kMaxEngineIdOctets) return CachedKey({}, nullptr);
    const int engineIdLength = int(octets.size());

    std::unique_lock lock(cacheLock);
    for (CachedEntry& entry : cache) {
        if (Matches(entry, authProtocol, password, octets)) {
            entry.lastUse = ++useClock;
            return CachedKey(std::move(lock), &*entry.key);
        }
    }

    if (budget && IsKnownAuthProtocol(authProtocol) && !password.empty() &&
        !budget->Take(LocalizationBudget::Clock::now())) {
        if (refused) *refused = true;
        return CachedKey({}, nullptr);
    }
    UsmKey localized{};
    const int length = LocalizeKey(authProtocol, password, octets, localized);
    if (length == 0) return CachedKey({}, nullptr);  // nothing worth keeping

    CachedEntry& slot = *std::min_element(
        cache.begin(), cache.end(),
        [](const CachedEntry& a, const CachedEntry& b) { return a.lastUse < b.lastUse; });
    slot.authProtocol = authProtocol;
    slot.password.assign(password);
    std::copy(octets.begin(), octets.end(), slot.engineId.begin());
    slot.engineIdLength = engineIdLength;
    slot.key.emplace(authProtocol, localized, length);
    slot.lastUse = ++useClock;
    return CachedKey(std::move(lock), &*slot.key);
}
