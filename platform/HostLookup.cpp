#include "platform/HostLookup.h"

#include <memory>

std::string ResolveHostName(std::array<uint8_t, 4> address) {
    const std::string name = NameOf(address);
    return name.empty() ? std::string() : CanonicalNameOf(name);
}

std::string LookUpHostName(std::array<uint8_t, 4> address) {
    static const auto answers = std::make_shared<HostNameCache>();
    return LookUpHostNameThrough(answers, address, ResolveHostName, kHostLookupDeadline);
}

std::string LookUpHostNameThrough(const std::shared_ptr<HostNameCache>& cache, std::array<uint8_t, 4> address,
                                  const HostResolver& resolve, std::chrono::milliseconds deadline) {
    if (std::optional<std::string> known = cache->Find(address, HostNameCache::Clock::now())) return *known;
    // The helper may outlive this wait (and the caller's cache reference): it keeps its own.
    const HostResolver resolveAndKeep = [cache, resolve](std::array<uint8_t, 4> asked) {
        std::string name = resolve(asked);
        cache->Store(asked, name, HostNameCache::Clock::now());
        return name;
    };
    std::string name = LookUpHostNameWithin(address, resolveAndKeep, deadline);
    cache->StoreIfAbsent(address, name, HostNameCache::Clock::now());
    return name;
}

std::string LookUpHostNameWithin(std::array<uint8_t, 4> address, const HostResolver& resolve,
                                 std::chrono::milliseconds deadline) {
    auto name = std::make_shared<std::string>();
    if (!RunLookupWithin([name, address, resolve] { *name = resolve(address); }, deadline)) return {};
    return *name;
}
