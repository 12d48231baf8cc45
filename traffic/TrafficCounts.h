#pragma once
// The counts behind the reception graph: traps per second over the last ten minutes by
// event (genericTrap 0-6, everything else as 7, "Other"), and the senders with the most
// traps in that time. Counted on the receiver thread for every trap the pipeline takes,
// read by the graph window once a second. No Qt here.

#include <array>
#include <cstdint>
#include <mutex>
#include <unordered_map>
#include <utility>
#include <vector>

inline constexpr int kTrafficSeconds = 600;
inline constexpr int kTrafficEvents = 8;
inline constexpr std::size_t kTopSenders = 10;
// A storm of forged sender addresses must not grow the table without end: senders beyond
// this many are counted in the events but not ranked.
inline constexpr std::size_t kMaxRankedSenders = 100000;

using EventCounts = std::array<uint32_t, kTrafficEvents>;
using SenderAddress = std::array<uint8_t, 4>;  // network order

struct TrafficSnapshot {
    // kTrafficSeconds entries, the oldest first; the last is the second asked for.
    std::vector<EventCounts> perSecond;
    // At most kTopSenders, the most traps first; equal counts in address order.
    std::vector<std::pair<SenderAddress, uint64_t>> topSenders;
};

class TrafficCounts {
public:
    // second: a monotonic clock's second, never going back.
    void Count(int64_t second, int genericTrap, const SenderAddress& sender);
    // Counts one trap at the present second (TrafficSecondNow).
    void Count(int genericTrap, const SenderAddress& sender);
    TrafficSnapshot Snapshot(int64_t now);
    void Clear();

private:
    struct Second {
        int64_t second = -1;
        EventCounts events{};
        std::unordered_map<uint32_t, uint32_t> senders;
    };
    // Empties slots that fall out of the ten minutes ending at now.
    void ExpireBefore(int64_t now);
    void Empty(Second& slot);

    std::mutex mutex_;
    std::array<Second, kTrafficSeconds> ring_;
    std::unordered_map<uint32_t, uint64_t> senderTotals_;
};

// The seconds the counts are kept in.
int64_t TrafficSecondNow();
