#pragma once
// What the SNMP relay sent lately: the digests of the datagrams relayed in the last 60 s,
// at most a fixed number, the oldest forgotten first. A datagram found here has gone out
// once already and come back (two receivers relaying to each other, or one relaying to
// itself by a way its own address check cannot see), so it is not relayed again. Used by
// one thread at a time (the receiver's); the tables are made at the first Remember and
// never grow, so no call allocates after that.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>

inline constexpr std::size_t kRelayMemoryEntries = 65'536;
inline constexpr std::chrono::seconds kRelayMemoryWindow{60};

class RelayMemory {
public:
    using Clock = std::chrono::steady_clock;

    explicit RelayMemory(std::size_t capacity = kRelayMemoryEntries,
                         Clock::duration window = kRelayMemoryWindow);
    ~RelayMemory();
    RelayMemory(const RelayMemory&) = delete;
    RelayMemory& operator=(const RelayMemory&) = delete;

    // A 64-bit digest of the octets, seeded per memory, so that nobody outside can make a
    // datagram that stands for another.
    uint64_t DigestOf(std::span<const uint8_t> octets) const;

    // Whether digest was remembered less than the window before now.
    bool Recent(uint64_t digest, Clock::time_point now);
    // Remembers digest as relayed at now (the caller has found it not Recent); the oldest
    // entry goes when the memory is full.
    void Remember(uint64_t digest, Clock::time_point now);

    std::size_t Size() const { return count_; }

private:
    struct Entry {
        uint64_t digest;
        Clock::rep time;
    };
    struct Slot {
        uint64_t digest;
        uint32_t entry;  // index into entries_ + 1; 0: an empty slot
    };

    std::size_t Home(uint64_t digest) const { return static_cast<std::size_t>(digest) & mask_; }
    // The slot holding digest, or the empty slot where it would go.
    std::size_t Find(uint64_t digest) const;
    void Forget(Clock::time_point now);
    void ForgetOldest();

    const std::size_t capacity_;
    const Clock::rep window_;
    const uint64_t seed_;
    std::size_t mask_ = 0;
    // Entries in the order remembered, a ring from head_; slots index them by digest (open
    // addressing, at most half full).
    std::unique_ptr<Entry[]> entries_;
    std::unique_ptr<Slot[]> slots_;
    std::size_t head_ = 0;
    std::size_t count_ = 0;
};
