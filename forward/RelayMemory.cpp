#include "forward/RelayMemory.h"

#include <bit>
#include <cstring>
#include <random>

namespace {

constexpr uint64_t kMultiplier1 = 0x9E3779B97F4A7C15ULL;
constexpr uint64_t kMultiplier2 = 0xD6E8FEB86659FD93ULL;

uint64_t Finish(uint64_t h) {
    h ^= h >> 32;
    h *= kMultiplier2;
    h ^= h >> 29;
    h *= kMultiplier1;
    return h ^ (h >> 32);
}

uint64_t RandomSeed() {
    std::random_device device;
    return (static_cast<uint64_t>(device()) << 32) ^ device();
}

}  // namespace

RelayMemory::RelayMemory(std::size_t capacity, Clock::duration window)
    : capacity_(capacity), window_(window.count()), seed_(RandomSeed()) {}

RelayMemory::~RelayMemory() = default;

uint64_t RelayMemory::DigestOf(std::span<const uint8_t> octets) const {
    // Eight octets a step, each folded in with a multiplication and a rotation; the length
    // and the seed make the start.
    uint64_t h = seed_ ^ (octets.size() * kMultiplier1);
    std::size_t i = 0;
    for (; i + 8 <= octets.size(); i += 8) {
        uint64_t word;
        std::memcpy(&word, octets.data() + i, 8);
        h = std::rotl(h ^ (word * kMultiplier1), 29) * kMultiplier2;
    }
    uint64_t tail = 0;
    if (i < octets.size()) std::memcpy(&tail, octets.data() + i, octets.size() - i);
    h = std::rotl(h ^ (tail * kMultiplier1), 29) * kMultiplier2;
    return Finish(h);
}

std::size_t RelayMemory::Find(uint64_t digest) const {
    std::size_t i = Home(digest);
    while (slots_[i].entry != 0 && slots_[i].digest != digest) i = (i + 1) & mask_;
    return i;
}

bool RelayMemory::Recent(uint64_t digest, Clock::time_point now) {
    if (count_ == 0) return false;
    Forget(now);
    return count_ != 0 && slots_[Find(digest)].entry != 0;
}

void RelayMemory::Remember(uint64_t digest, Clock::time_point now) {
    if (capacity_ == 0) return;
    if (!entries_) {
        // Twice the entries, a power of two: probes stay short.
        const std::size_t slots = std::bit_ceil(capacity_ * 2);
        mask_ = slots - 1;
        entries_ = std::make_unique<Entry[]>(capacity_);
        slots_ = std::make_unique<Slot[]>(slots);
    }
    Forget(now);
    if (count_ == capacity_) ForgetOldest();
    const std::size_t slot = Find(digest);
    if (slots_[slot].entry != 0) return;
    const std::size_t entry = (head_ + count_) % capacity_;
    entries_[entry] = {digest, now.time_since_epoch().count()};
    slots_[slot] = {digest, static_cast<uint32_t>(entry + 1)};
    ++count_;
}

void RelayMemory::Forget(Clock::time_point now) {
    const Clock::rep expired = now.time_since_epoch().count() - window_;
    while (count_ != 0 && entries_[head_].time <= expired) ForgetOldest();
}

// Takes the oldest entry out of the slots by moving later slots of the same run back, so
// that every digest stays reachable from its home without marks of removal.
void RelayMemory::ForgetOldest() {
    std::size_t hole = Find(entries_[head_].digest);
    for (std::size_t next = (hole + 1) & mask_; slots_[next].entry != 0;
         next = (next + 1) & mask_) {
        const std::size_t home = Home(slots_[next].digest);
        // A slot may move back only if its home is not between the hole and itself.
        const bool stays =
            hole <= next ? (hole < home && home <= next) : (hole < home || home <= next);
        if (!stays) {
            slots_[hole] = slots_[next];
            hole = next;
        }
    }
    slots_[hole] = {};
    head_ = (head_ + 1) % capacity_;
    --count_;
}
