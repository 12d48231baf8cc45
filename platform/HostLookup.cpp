#include "platform/HostLookup.h"

#include <memory>

std::string ResolveHostName(std::array<uint8_t, 4> address) {
    const std::string name = NameOf(address);
    return name.empty() ? std::string() : CanonicalNameOf(name);
}

HostNames::HostNames(HostResolver resolve, std::chrono::milliseconds deadline)
    : resolve_(std::move(resolve)),
      deadline_(deadline),
      answers_(std::make_shared<HostNameCache>()) {}

std::string HostNames::LookUpHostName(std::array<uint8_t, 4> address) {
    if (std::optional<std::string> known = answers_->Find(address, HostNameCache::Clock::now()))
        return *known;
    // The helper may outlive this wait (and this object): it keeps its own share of what
    // it writes.
    auto name = std::make_shared<std::string>();
    const auto lookup = [name, address, resolve = resolve_, answers = answers_] {
        *name = resolve(address);
        answers->Store(address, *name, HostNameCache::Clock::now());
    };
    std::string found = lookups_.RunLookupWithin(lookup, deadline_) ? *name : std::string();
    answers_->StoreIfAbsent(address, found, HostNameCache::Clock::now());
    return found;
}
