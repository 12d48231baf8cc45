#include "forward/OwnAddress.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <netinet/in.h>

#include <cstring>

namespace {

constexpr uint8_t kLoopbackNet = 127;

Ipv4Address AddressOf(const in_addr& address) {
    Ipv4Address octets;
    std::memcpy(octets.data(), &address, octets.size());
    return octets;
}

}  // namespace

bool IsOwnAddress(Ipv4Address address) {
    if (address[0] == kLoopbackNet || address == Ipv4Address{}) return true;
    ifaddrs* interfaces = nullptr;
    if (getifaddrs(&interfaces) != 0) return false;
    bool own = false;
    for (const ifaddrs* i = interfaces; i != nullptr && !own; i = i->ifa_next)
        own = i->ifa_addr != nullptr && i->ifa_addr->sa_family == AF_INET &&
              AddressOf(reinterpret_cast<const sockaddr_in*>(i->ifa_addr)->sin_addr) == address;
    freeifaddrs(interfaces);
    return own;
}

bool IsOwnTrapPort(const std::string& host, uint16_t port, uint16_t trapPort, LookupPool& pool,
                   std::chrono::milliseconds deadline) {
    if (port != trapPort) return false;
    // The relay's socket takes an IPv6 address too; only a mapped IPv4 one reaches the
    // receiver, which listens on IPv4.
    in6_addr v6{};
    if (inet_pton(AF_INET6, host.c_str(), &v6) == 1) {
        if (!IN6_IS_ADDR_V4MAPPED(&v6)) return false;
        Ipv4Address mapped;
        std::memcpy(mapped.data(), &v6.s6_addr[12], mapped.size());
        return IsOwnAddress(mapped);
    }
    for (const Ipv4Address& address : pool.AddressesOfWithin(host, deadline))
        if (IsOwnAddress(address)) return true;
    return false;
}
