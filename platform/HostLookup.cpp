#include "platform/HostLookup.h"

#include <memory>
#include <mutex>

namespace {

std::mutex resolverMutex;
HostResolver processResolver = ResolveHostName;
std::shared_ptr<HostNameCache> processAnswers = std::make_shared<HostNameCache>();

}  // namespace

std::string ResolveHostName(std::array<uint8_t, 4> address) {
    const std::string name = NameOf(address);
    return name.empty() ? std::string() : CanonicalNameOf(name);
}

std::string LookUpHostName(std::array<uint8_t, 4> address) {
    std::unique_lock lock(resolverMutex);
    const HostResolver resolve = processResolver;
    const std::shared_ptr<HostNameCache> answers = processAnswers;
    lock.unlock();
    return LookUpHostNameThrough(answers, address, resolve, kHostLookupDeadline);
}

void SetHostResolver(HostResolver resolve) {
    std::lock_guard lock(resolverMutex);
    processResolver = resolve ? std::move(resolve) : HostResolver(ResolveHostName);
    processAnswers = std::make_shared<HostNameCache>();
}

std::string LookUpHostNameThrough(const std::shared_ptr<HostNameCache>& cache,
                                  std::array<uint8_t, 4> address, const HostResolver& resolve,
                                  std::chrono::milliseconds deadline) {
    if (std::optional<std::string> known = cache->Find(address, HostNameCache::Clock::now()))
        return *known;
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
    const auto lookup = [name, address, resolve] { *name = resolve(address); };
    if (!RunLookupWithin(LookupPool::kSenderNames, lookup, deadline)) return {};
    return *name;
}
