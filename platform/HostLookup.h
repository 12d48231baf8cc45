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

// ResolveHostName within kHostLookupDeadline, through the process's answers of the last
// HostNameCache::kLifetime; empty when it fails or takes longer.
std::string LookUpHostName(std::array<uint8_t, 4> address);

// Tests answer LookUpHostName's lookups themselves; an empty resolver restores
// ResolveHostName. The answers kept so far are dropped, so none outlives its resolver.
void SetHostResolver(HostResolver resolve);

// The answer cache holds for address; otherwise LookUpHostNameWithin, whose answer is kept,
// empty or not. An answer that comes after the deadline replaces the empty one kept then.
std::string LookUpHostNameThrough(const std::shared_ptr<HostNameCache>& cache,
                                  std::array<uint8_t, 4> address, const HostResolver& resolve,
                                  std::chrono::milliseconds deadline);

// resolve(address) through RunLookupWithin; empty when it has not answered within deadline
// or too many earlier lookups are still unfinished.
std::string LookUpHostNameWithin(std::array<uint8_t, 4> address, const HostResolver& resolve,
                                 std::chrono::milliseconds deadline);
