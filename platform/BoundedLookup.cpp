#include "platform/BoundedLookup.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <array>
#include <atomic>
#include <condition_variable>
#include <cstring>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>

namespace {

// Shared by the waiting caller and the helper thread, which may outlive the wait.
struct PendingLookup {
    std::mutex mutex;
    std::condition_variable finished;
    bool done = false;
};

bool ParseDotted(std::string_view host, Ipv4Address& address) {
    const std::string text(host);
    return inet_pton(AF_INET, text.c_str(), address.data()) == 1;
}

std::vector<Ipv4Address> AddressesOf(const std::string& host) {
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;  // one entry per address, not one per socket type
    addrinfo* found = nullptr;
    if (getaddrinfo(host.c_str(), nullptr, &hints, &found) != 0) return {};
    std::vector<Ipv4Address> addresses;
    for (const addrinfo* entry = found; entry; entry = entry->ai_next) {
        if (entry->ai_family != AF_INET || entry->ai_addrlen < sizeof(sockaddr_in)) continue;
        const auto* socketAddress = reinterpret_cast<const sockaddr_in*>(entry->ai_addr);
        Ipv4Address& address = addresses.emplace_back();
        std::memcpy(address.data(), &socketAddress->sin_addr, address.size());
    }
    freeaddrinfo(found);
    return addresses;
}

}  // namespace

LookupPool::LookupPool() : unfinished_(std::make_shared<std::atomic<int>>(0)) {}

bool LookupPool::RunLookupWithin(std::function<void()> lookup, std::chrono::milliseconds deadline) {
    if (unfinished_->fetch_add(1) >= kMaxUnfinishedLookups) {
        unfinished_->fetch_sub(1);
        return false;
    }
    auto pending = std::make_shared<PendingLookup>();
    try {
        std::thread([pending, unfinished = unfinished_, lookup = std::move(lookup)] {
            lookup();
            {
                std::lock_guard lock(pending->mutex);
                pending->done = true;
            }
            pending->finished.notify_all();
            unfinished->fetch_sub(1);
        }).detach();
    } catch (const std::system_error&) {
        unfinished_->fetch_sub(1);  // no thread to be had: no answer this time
        return false;
    }
    std::unique_lock lock(pending->mutex);
    return pending->finished.wait_for(lock, deadline, [&] { return pending->done; });
}

std::vector<Ipv4Address> LookupPool::AddressesOfWithin(std::string_view host,
                                                       std::chrono::milliseconds deadline) {
    if (Ipv4Address dotted{}; ParseDotted(host, dotted)) return {dotted};
    auto answer = std::make_shared<std::vector<Ipv4Address>>();
    const auto lookup = [answer, name = std::string(host)] { *answer = AddressesOf(name); };
    return RunLookupWithin(lookup, deadline) ? *answer : std::vector<Ipv4Address>();
}

std::string NameOf(Ipv4Address address) {
    sockaddr_in socketAddress{};
    socketAddress.sin_family = AF_INET;
    std::memcpy(&socketAddress.sin_addr, address.data(), address.size());
    std::array<char, NI_MAXHOST> host{};
    if (getnameinfo(reinterpret_cast<const sockaddr*>(&socketAddress), sizeof socketAddress,
                    host.data(), host.size(), nullptr, 0, NI_NAMEREQD) != 0)
        return {};
    return host.data();
}

std::string CanonicalNameOf(const std::string& name) {
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_flags = AI_CANONNAME;
    addrinfo* found = nullptr;
    if (getaddrinfo(name.c_str(), nullptr, &hints, &found) != 0) return {};
    std::string canonical = found && found->ai_canonname ? found->ai_canonname : "";
    freeaddrinfo(found);
    return canonical;
}
