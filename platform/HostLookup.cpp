#include "platform/HostLookup.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <atomic>
#include <condition_variable>
#include <cstring>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>

namespace {

std::atomic<int> unfinishedLookups{0};

// Shared by the waiting caller and the helper thread, which may outlive the wait.
struct PendingLookup {
    std::mutex mutex;
    std::condition_variable answered;
    bool done = false;
    std::string name;
};

std::string ReverseLookup(std::array<uint8_t, 4> address) {
    sockaddr_in socketAddress{};
    socketAddress.sin_family = AF_INET;
    std::memcpy(&socketAddress.sin_addr, address.data(), address.size());
    std::array<char, NI_MAXHOST> host{};
    if (getnameinfo(reinterpret_cast<const sockaddr*>(&socketAddress), sizeof socketAddress, host.data(),
                    host.size(), nullptr, 0, NI_NAMEREQD) != 0)
        return {};
    return host.data();
}

std::string CanonicalName(const std::string& name) {
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_flags = AI_CANONNAME;
    addrinfo* found = nullptr;
    if (getaddrinfo(name.c_str(), nullptr, &hints, &found) != 0) return {};
    std::string canonical = found && found->ai_canonname ? found->ai_canonname : "";
    freeaddrinfo(found);
    return canonical;
}

std::mutex resolverMutex;
HostResolver processResolver = ResolveHostName;
std::shared_ptr<HostNameCache> processAnswers = std::make_shared<HostNameCache>();

}  // namespace

std::string ResolveHostName(std::array<uint8_t, 4> address) {
    const std::string name = ReverseLookup(address);
    return name.empty() ? std::string() : CanonicalName(name);
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
    if (unfinishedLookups.fetch_add(1) >= kMaxUnfinishedLookups) {
        unfinishedLookups.fetch_sub(1);
        return {};
    }
    auto pending = std::make_shared<PendingLookup>();
    try {
        std::thread([pending, address, resolve] {
            std::string name = resolve(address);
            {
                std::lock_guard lock(pending->mutex);
                pending->name = std::move(name);
                pending->done = true;
            }
            pending->answered.notify_all();
            unfinishedLookups.fetch_sub(1);
        }).detach();
    } catch (const std::system_error&) {
        unfinishedLookups.fetch_sub(1);  // no thread to be had: no name this time
        return {};
    }

    std::unique_lock lock(pending->mutex);
    if (!pending->answered.wait_for(lock, deadline, [&] { return pending->done; })) return {};
    return pending->name;
}
