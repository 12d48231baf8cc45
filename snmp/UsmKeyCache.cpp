#include "snmp/UsmKeyCache.h"

#include <algorithm>
#include <functional>
#include <string>

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
    for (std::size_t i = 0; i < entries_.size(); ++i) {
        Entry& entry = entries_[i];
        if (entry.Holds(authProtocol, password, octets)) {
            entry.lastUse = ++useClock_;
            return CachedKey(std::move(lock), &*entry.key, this, i);
        }
    }

    const bool proven = proven_.contains(Fingerprint(authProtocol, password, octets));
    if (budgeted && !proven && IsKnownAuthProtocol(authProtocol) && !password.empty() &&
        !newEngines_.Take(now_())) {
        if (refused) *refused = true;
        return CachedKey({}, nullptr);
    }
    UsmKey localized{};
    const int length = LocalizeKey(authProtocol, password, octets, localized);
    if (length == 0) return CachedKey({}, nullptr);  // nothing worth keeping

    // The least recently used key of an engine that never authenticated goes first.
    const auto older = [](const Entry& a, const Entry& b) {
        return a.authenticated != b.authenticated ? !a.authenticated : a.lastUse < b.lastUse;
    };
    Entry& slot = *std::min_element(entries_.begin(), entries_.end(), older);
    slot.authProtocol = authProtocol;
    slot.password.assign(password);
    std::copy(octets.begin(), octets.end(), slot.engineId.begin());
    slot.engineIdLength = engineIdLength;
    slot.key.emplace(authProtocol, localized, length);
    slot.lastUse = ++useClock_;
    slot.authenticated = proven;
    return CachedKey(std::move(lock), &*slot.key, this,
                     static_cast<std::size_t>(&slot - entries_.data()));
}

void UsmKeyCache::MarkAuthenticated(std::size_t slot) {
    Entry& entry = entries_[slot];
    if (entry.authenticated) return;
    entry.authenticated = true;
    const uint64_t fingerprint = Fingerprint(
        entry.authProtocol, entry.password,
        std::span<const uint8_t>(entry.engineId.data(), std::size_t(entry.engineIdLength)));
    if (!proven_.insert(fingerprint).second) return;
    provenOrder_.push_back(fingerprint);
    if (provenOrder_.size() > kProvenEngines) {
        proven_.erase(provenOrder_.front());
        provenOrder_.pop_front();
    }
}

uint64_t UsmKeyCache::Fingerprint(int authProtocol, std::string_view password,
                                  std::span<const uint8_t> engineId) {
    std::string identity(1, static_cast<char>(authProtocol));
    identity.append(reinterpret_cast<const char*>(engineId.data()), engineId.size());
    identity += password;
    return std::hash<std::string>{}(identity);
}
