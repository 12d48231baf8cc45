#include "platform/HostNameCache.h"

#include <algorithm>

uint32_t HostNameCache::KeyOf(const std::array<uint8_t, 4>& address) {
    return uint32_t(address[0]) << 24 | uint32_t(address[1]) << 16 | uint32_t(address[2]) << 8 |
           address[3];
}

std::optional<std::string> HostNameCache::Find(const std::array<uint8_t, 4>& address,
                                               Clock::time_point now) const {
    std::lock_guard lock(mutex_);
    const auto found = answers_.find(KeyOf(address));
    if (found == answers_.end() || now - found->second.stored >= kLifetime) return std::nullopt;
    return found->second.name;
}

void HostNameCache::Store(const std::array<uint8_t, 4>& address, const std::string& name,
                          Clock::time_point now) {
    Keep(address, name, now, true);
}

void HostNameCache::StoreIfAbsent(const std::array<uint8_t, 4>& address, const std::string& name,
                                  Clock::time_point now) {
    Keep(address, name, now, false);
}

void HostNameCache::Keep(const std::array<uint8_t, 4>& address, const std::string& name,
                         Clock::time_point now, bool replaceFresh) {
    std::lock_guard lock(mutex_);
    const auto found = answers_.find(KeyOf(address));
    if (found != answers_.end()) {
        if (replaceFresh || now - found->second.stored >= kLifetime) found->second = {name, now};
        return;
    }
    MakeRoom(now);
    answers_.emplace(KeyOf(address), Answer{name, now});
}

void HostNameCache::MakeRoom(Clock::time_point now) {
    if (answers_.size() < capacity_) return;
    std::erase_if(answers_,
                  [&](const auto& entry) { return now - entry.second.stored >= kLifetime; });
    if (answers_.size() < capacity_ || answers_.empty()) return;
    answers_.erase(std::min_element(
        answers_.begin(), answers_.end(),
        [](const auto& a, const auto& b) { return a.second.stored < b.second.stored; }));
}
