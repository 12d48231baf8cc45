#include "traffic/TrafficCounts.h"

#include <gtest/gtest.h>

namespace {

const SenderAddress kA{10, 0, 0, 1};
const SenderAddress kB{10, 0, 0, 2};
const SenderAddress kC{192, 168, 1, 9};

EventCounts Events(std::initializer_list<std::pair<int, uint32_t>> counts) {
    EventCounts events{};
    for (const auto& [event, count] : counts) events[static_cast<std::size_t>(event)] = count;
    return events;
}

}  // namespace

TEST(TrafficCounts, TrapsAreCountedPerSecondByEventAndSendersRankedOverTenMinutes) {
    TrafficCounts counts;
    const int64_t start = 5000;
    // Second 0: two link downs from A, one cold start from B; second 2: an enterprise
    // trap from C; genericTrap out of 0-6 goes to "Other".
    counts.Count(start, 2, kA);
    counts.Count(start, 2, kA);
    counts.Count(start, 0, kB);
    counts.Count(start + 2, 6, kC);
    counts.Count(start + 2, 17, kC);
    counts.Count(start + 2, -1, kC);

    TrafficSnapshot snapshot = counts.Snapshot(start + 2);
    ASSERT_EQ(snapshot.perSecond.size(), static_cast<std::size_t>(kTrafficSeconds));
    EXPECT_EQ(snapshot.perSecond[kTrafficSeconds - 3], Events({{0, 1}, {2, 2}}));
    EXPECT_EQ(snapshot.perSecond[kTrafficSeconds - 2], EventCounts{});
    EXPECT_EQ(snapshot.perSecond[kTrafficSeconds - 1], Events({{6, 1}, {7, 2}}));
    using Ranked = std::vector<std::pair<SenderAddress, uint64_t>>;
    EXPECT_EQ(snapshot.topSenders, (Ranked{{kC, 3}, {kA, 2}, {kB, 1}}));

    // 599 seconds later the first second is the oldest still shown; one more and it is gone,
    // with its senders' traps.
    snapshot = counts.Snapshot(start + kTrafficSeconds - 1);
    EXPECT_EQ(snapshot.perSecond.front(), Events({{0, 1}, {2, 2}}));
    snapshot = counts.Snapshot(start + kTrafficSeconds);
    EXPECT_EQ(snapshot.perSecond.front(), EventCounts{});
    EXPECT_EQ(snapshot.perSecond[1], Events({{6, 1}, {7, 2}}));
    EXPECT_EQ(snapshot.topSenders, (Ranked{{kC, 3}}));

    // A slot reused by a later second starts from nothing.
    counts.Count(start + 2 + kTrafficSeconds, 3, kA);
    snapshot = counts.Snapshot(start + 2 + kTrafficSeconds);
    EXPECT_EQ(snapshot.perSecond.back(), Events({{3, 1}}));
    EXPECT_EQ(snapshot.topSenders, (Ranked{{kA, 1}}));
}

TEST(TrafficCounts, OnlyTheTenBusiestSendersAreRanked) {
    TrafficCounts counts;
    for (uint8_t host = 1; host <= 12; ++host)
        for (int i = 0; i < host; ++i) counts.Count(100, 6, SenderAddress{10, 0, 0, host});
    const TrafficSnapshot snapshot = counts.Snapshot(100);
    ASSERT_EQ(snapshot.topSenders.size(), kTopSenders);
    EXPECT_EQ(snapshot.topSenders.front(),
              std::make_pair(SenderAddress{10, 0, 0, 12}, uint64_t{12}));
    EXPECT_EQ(snapshot.topSenders.back(), std::make_pair(SenderAddress{10, 0, 0, 3}, uint64_t{3}));
    EXPECT_EQ(snapshot.perSecond.back()[6], 78u);
}
