#pragma once
// Name lookups with a time limit. The system resolver cannot be interrupted, so a lookup
// runs on a helper thread and the caller stops waiting at its deadline; the helper then
// finishes on its own. A numeric address needs no resolver and is answered at once.

#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

using Ipv4Address = std::array<uint8_t, 4>;

// Lookups abandoned at their deadline go on until the resolver gives up; while this many
// of one pool are still running, that pool starts no further lookup (a flood of lookups
// against a dead resolver must not pile up threads).
inline constexpr int kMaxUnfinishedLookups = 4;

// The lookups of one caller, counted apart from others', so that senders' names stuck at a
// dead resolver never keep the mail server's name from being looked up, nor the other way
// round.
class LookupPool {
public:
    LookupPool();

    // Runs lookup on a helper thread and waits for it until deadline. Returns whether it
    // finished in time: only then may the caller read what it wrote, and only through state
    // the lookup owns a share of, since an abandoned helper outlives the wait. False at once
    // when kMaxUnfinishedLookups of the pool are still running or no thread can be had.
    bool RunLookupWithin(std::function<void()> lookup, std::chrono::milliseconds deadline);

    // The IPv4 addresses of host (a name or a dotted address) in the resolver's order,
    // within deadline; empty when it is not resolved or takes longer.
    std::vector<Ipv4Address> AddressesOfWithin(std::string_view host,
                                               std::chrono::milliseconds deadline);

private:
    // Shared with the helpers, which may outlive the pool.
    std::shared_ptr<std::atomic<int>> unfinished_;
};

// Unbounded lookups, for callers that chain them and run the chain through
// RunLookupWithin so that one deadline covers it. Empty when the resolver has no answer.
std::string NameOf(Ipv4Address address);               // reverse lookup
std::string CanonicalNameOf(const std::string& name);  // forward lookup's canonical name
