#include "traffic/TrafficCounts.h"

#include <algorithm>
#include <cstring>
#include <ctime>

namespace {

uint32_t Key(const SenderAddress& sender) {
    uint32_t key = 0;
    std::memcpy(&key, sender.data(), sizeof key);
    return key;
}

SenderAddress Address(uint32_t key) {
    SenderAddress sender{};
    std::memcpy(sender.data(), &key, sizeof key);
    return sender;
}

std::size_t Slot(int64_t second) { return static_cast<std::size_t>(second % kTrafficSeconds); }

}  // namespace

void TrafficCounts::Empty(Second& slot) {
    for (const auto& [key, count] : slot.senders) {
        const auto total = senderTotals_.find(key);
        if (total != senderTotals_.end() && (total->second -= count) == 0)
            senderTotals_.erase(total);
    }
    slot = Second{};
}

void TrafficCounts::ExpireBefore(int64_t now) {
    for (Second& slot : ring_)
        if (slot.second >= 0 && slot.second <= now - kTrafficSeconds) Empty(slot);
}

void TrafficCounts::Count(int64_t second, int genericTrap, const SenderAddress& sender) {
    if (second < 0) return;
    std::lock_guard lock(mutex_);
    Second& slot = ring_[Slot(second)];
    if (slot.second != second) {
        // A second older than the one the slot holds is out of the window already.
        if (slot.second > second) return;
        Empty(slot);
        slot.second = second;
    }
    ++slot.events[static_cast<std::size_t>(
        genericTrap >= 0 && genericTrap < kTrafficEvents - 1 ? genericTrap : kTrafficEvents - 1)];
    const uint32_t key = Key(sender);
    const auto total = senderTotals_.find(key);
    if (total == senderTotals_.end() && senderTotals_.size() >= kMaxRankedSenders) return;
    ++slot.senders[key];
    ++senderTotals_[key];
}

TrafficSnapshot TrafficCounts::Snapshot(int64_t now) {
    TrafficSnapshot snapshot;
    snapshot.perSecond.resize(kTrafficSeconds);
    std::lock_guard lock(mutex_);
    ExpireBefore(now);
    for (int64_t i = 0; i < kTrafficSeconds; ++i) {
        const int64_t second = now - (kTrafficSeconds - 1) + i;
        if (second < 0) continue;
        const Second& slot = ring_[Slot(second)];
        if (slot.second == second) snapshot.perSecond[static_cast<std::size_t>(i)] = slot.events;
    }
    std::vector<std::pair<uint64_t, uint32_t>> ranked;
    ranked.reserve(senderTotals_.size());
    for (const auto& [key, count] : senderTotals_) ranked.emplace_back(count, key);
    const auto top =
        ranked.begin() + static_cast<std::ptrdiff_t>(std::min(kTopSenders, ranked.size()));
    std::partial_sort(ranked.begin(), top, ranked.end(), [](const auto& a, const auto& b) {
        if (a.first != b.first) return a.first > b.first;
        return Address(a.second) < Address(b.second);
    });
    for (auto it = ranked.begin(); it != top; ++it)
        snapshot.topSenders.emplace_back(Address(it->second), it->first);
    return snapshot;
}

void TrafficCounts::Clear() {
    std::lock_guard lock(mutex_);
    for (Second& slot : ring_) slot = Second{};
    senderTotals_.clear();
}

int64_t TrafficSecondNow() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<int64_t>(now.tv_sec);
}

void TrafficCounts::Count(int genericTrap, const SenderAddress& sender) {
    Count(TrafficSecondNow(), genericTrap, sender);
}
