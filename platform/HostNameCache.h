#pragma once
// Answers of host-name lookups by sender address, found or not, kept for a while so that
// a sender whose name does not resolve costs one bounded lookup per period rather than one
// per trap. Bounded in size: a flood of senders cannot grow it. Safe on any thread.

#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_map>

class HostNameCache {
public:
    using Clock = std::chrono::steady_clock;
    static constexpr std::chrono::minutes kLifetime{10};
    static constexpr std::size_t kCapacity = 4096;

    explicit HostNameCache(std::size_t capacity = kCapacity) : capacity_(capacity) {}

    // The answer stored for address less than kLifetime before now (empty: no name).
    std::optional<std::string> Find(const std::array<uint8_t, 4>& address,
                                    Clock::time_point now) const;

    // Stores the answer for address, replacing an older one. When full, the answers past
    // their lifetime are dropped, and when that frees nothing the oldest answer.
    void Store(const std::array<uint8_t, 4>& address, const std::string& name,
               Clock::time_point now);

    // Stores the answer only when no answer within its lifetime is held.
    void StoreIfAbsent(const std::array<uint8_t, 4>& address, const std::string& name,
                       Clock::time_point now);

private:
    struct Answer {
        std::string name;
        Clock::time_point stored;
    };
    static uint32_t KeyOf(const std::array<uint8_t, 4>& address);
    void Keep(const std::array<uint8_t, 4>& address, const std::string& name, Clock::time_point now,
              bool replaceFresh);
    // With the lock held, before a new address is added.
    void MakeRoom(Clock::time_point now);

    std::size_t capacity_;
    mutable std::mutex mutex_;
    std::unordered_map<uint32_t, Answer> answers_;
};
