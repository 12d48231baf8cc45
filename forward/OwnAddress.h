#pragma once
// Whether a relay destination is this program's own trap port: a datagram relayed there
// would come straight back and be relayed again, for ever. The receiver binds the wildcard
// address, so every address of this host counts: the whole loopback network 127/8, 0.0.0.0
// (a datagram to it is delivered to this host) and each address of the host's interfaces.

#include <array>
#include <chrono>
#include <cstdint>
#include <string>

#include "platform/BoundedLookup.h"

// One of the addresses a datagram to which this host delivers to itself. The interfaces'
// addresses are read at each call (getifaddrs), so an address added since is known: the
// list of the interfaces is what the host answers on, whatever the kernel would let a
// socket bind (ip_nonlocal_bind lets one bind any address, so a test bind would call
// every host this one).
bool IsOwnAddress(Ipv4Address address);

// Whether host:port is one of this host's addresses at trapPort. host is a dotted address,
// an IPv4 address in IPv6 form (::ffff:a.b.c.d) or a name, looked up in pool within
// deadline; a name that does not resolve in time is not counted as own (the sender then
// shows it cannot resolve it).
bool IsOwnTrapPort(const std::string& host, uint16_t port, uint16_t trapPort, LookupPool& pool,
                   std::chrono::milliseconds deadline);
