#pragma once
// Host name of a trap's sender: the reverse lookup of its address, confirmed by a forward
// lookup of that name, whose canonical name is the result. The receiver thread waits for
// it, so the wait is bounded, and answers are kept for a while: a resolver that does not
// answer must not stop reception, nor cost a wait for every trap.

#include <array>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "platform/BoundedLookup.h"
#include "platform/HostNameCache.h"

// The longest the receiver thread waits for both lookups of one trap.
inline constexpr std::chrono::milliseconds kHostLookupDeadline{2000};
using HostResolver = std::function<std::string(std::array<uint8_t, 4> address)>;

// Reverse then forward lookup with the system resolver, unbounded; empty when either
// lookup fails.
std::string ResolveHostName(std::array<uint8_t, 4> address);

// The senders' names, looked up with resolve (tests answer themselves) within deadline.
class HostNames {
public:
    explicit HostNames(HostResolver resolve = ResolveHostName,
                       std::chrono::milliseconds deadline = kHostLookupDeadline);

    // The answer kept for address when it is younger than HostNameCache::kLifetime;
    // otherwise the resolver's within the deadline, empty when it fails, takes longer or
    // too many earlier lookups are still unfinished. That answer is kept, empty or not; an
    // answer that comes after the deadline replaces the empty one kept then.
    std::string LookUpHostName(std::array<uint8_t, 4> address);

private:
    HostResolver resolve_;
    std::chrono::milliseconds deadline_;
    // Shared with lookups that outlive their wait, which keep their late answers here.
    std::shared_ptr<HostNameCache> answers_;
    LookupPool lookups_;
};
