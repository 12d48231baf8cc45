#include "snmp/UsmKeyCache.h"

#include <algorithm>

LocalizedKey::LocalizedKey(int authProtocol, const UsmKey& localized, int localizedLength)
    : key(localized),
      length(localizedLength),
      hmac(authProtocol, localized),
      aes(std::span(localized).first<16>(), kAesDecrypt),
      des(std::span(localized).first<8>()) {}

CachedKey UsmKeyCache::Localize(int authProtocol, std::string_view password,
                                std::string_view engineIdText) {
    // Engine ID texts that differ only in letter case, or that are both unreadable, give the
    // same octets and so the same key.
    std::array<uint8_t, kMaxEngineIdOctets> engineId;
    const int engineIdLength = EngineIdFromText(engineIdText, engineId);
    return Find(authProtocol, password,
                std::span<const uint8_t>(engineId.data(), std::size_t(engineIdLength)), false,
                nullptr);
}

CachedKey UsmKeyCache::Find(int authProtocol, std::string_view password,
                            std::span<const uint8_t> octets, bool budgeted, bool* refused) {
    if (refused) *refused = false;
    if (octets.size() > kMaxEngineIdOctets) return CachedKey({}, nullptr);
    const int engineIdLength = int(octets.size());

    std::unique_lock lock(lock_);
    for (Entry& entry : entries_) {
        if (entry.Holds(authProtocol, password, octets)) {
            entry.lastUse = ++useClock_;
            return CachedKey(std::move(lock), &*entry.key);
        }
    }

    if (budgeted && IsKnownAuthProtocol(authProtocol) && !password.empty() &&
        !newEngines_.Take(LocalizationBudget::Clock::now())) {
        if (refused) *refused = true;
        return CachedKey({}, nullptr);
    }
    UsmKey localized{};
    const int length = LocalizeKey(authProtocol, password, octets, localized);
    if (length == 0) return CachedKey({}, nullptr);  // nothing worth keeping

    Entry& slot =
        *std::min_element(entries_.begin(), entries_.end(),
                          [](const Entry& a, const Entry& b) { return a.lastUse < b.lastUse; });
    slot.authProtocol = authProtocol;
    slot.password.assign(password);
    std::copy(octets.begin(), octets.end(), slot.engineId.begin());
    slot.engineIdLength = engineIdLength;
    slot.key.emplace(authProtocol, localized, length);
    slot.lastUse = ++useClock_;
    return CachedKey(std::move(lock), &*slot.key);
}
