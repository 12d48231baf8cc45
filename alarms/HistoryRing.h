#pragma once
// The alarm history's entries on their way from the receiver thread to the store's writer:
// a fixed ring of one producer and one consumer, so that a repeat neither locks nor
// allocates. A full ring refuses the entry (the caller counts it as lost).

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

enum class AlarmHistoryEvent : uint8_t {
    kTrap,    // a repeat
    kRaised,  // a new alarm, or raised again
    kSeverityChanged,
    kCleared,         // by a clearing trap
    kClearedSilence,  // by its rule's time without repeats
    kClearedByHand,
    kAcknowledged,
    kUnacknowledged,
    kRemoved,  // left the view
};

constexpr std::string_view HistoryEventName(AlarmHistoryEvent event) {
    constexpr std::array<std::string_view, 9> kNames = {
        "trap",         "raised",          "severity",
        "cleared",      "cleared-silence", "cleared-by-hand",
        "acknowledged", "unacknowledged",  "removed"};
    return kNames[static_cast<int>(event)];
}

struct AlarmHistoryEntry {
    int64_t ms = 0;
    int64_t alarmId = 0;
    std::array<uint8_t, 4> sender{};
    AlarmHistoryEvent event = AlarmHistoryEvent::kTrap;
    uint8_t severity = 0;  // AlarmSeverity
    uint64_t count = 0;    // the alarm's count after it
};

class HistoryRing {
public:
    static constexpr std::size_t kCapacity = 1 << 16;

    HistoryRing() : entries_(std::make_unique<AlarmHistoryEntry[]>(kCapacity)) {}

    // Producer: false when full.
    bool Push(const AlarmHistoryEntry& entry) {
        const uint64_t tail = tail_.load(std::memory_order_relaxed);
        if (tail - head_.load(std::memory_order_acquire) == kCapacity) return false;
        entries_[tail & (kCapacity - 1)] = entry;
        tail_.store(tail + 1, std::memory_order_release);
        return true;
    }

    // Consumer: appends everything queued to out.
    void Drain(std::vector<AlarmHistoryEntry>& out) {
        const uint64_t head = head_.load(std::memory_order_relaxed);
        const uint64_t tail = tail_.load(std::memory_order_acquire);
        for (uint64_t at = head; at != tail; ++at) out.push_back(entries_[at & (kCapacity - 1)]);
        head_.store(tail, std::memory_order_release);
    }

    std::size_t Size() const {
        return static_cast<std::size_t>(tail_.load(std::memory_order_acquire) -
                                        head_.load(std::memory_order_acquire));
    }

private:
    std::unique_ptr<AlarmHistoryEntry[]> entries_;
    alignas(64) std::atomic<uint64_t> head_{0};
    alignas(64) std::atomic<uint64_t> tail_{0};
};
