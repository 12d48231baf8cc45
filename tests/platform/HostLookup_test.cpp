#include "platform/HostLookup.h"

#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>

#include "support/Eventually.h"

namespace {

using namespace std::chrono_literals;

constexpr std::array<uint8_t, 4> kLoopback = {127, 0, 0, 1};

TEST(HostLookup, LoopbackResolvesThroughTheHostsFile) {
    HostNames names;
    EXPECT_EQ(names.LookUpHostName(kLoopback), "localhost");
}

// A resolver that does not answer until the test opens its gate.
struct Gate {
    std::mutex mutex;
    std::condition_variable opened;
    bool open = false;
    std::atomic<int> calls{0};
    std::atomic<int> returned{0};
};

// Answers "late.example" once the gate is open.
HostResolver AnswerWhenOpened(const std::shared_ptr<Gate>& gate) {
    return [gate](std::array<uint8_t, 4>) {
        ++gate->calls;
        std::unique_lock lock(gate->mutex);
        gate->opened.wait(lock, [&] { return gate->open; });
        ++gate->returned;
        return std::string("late.example");
    };
}

void Open(Gate& gate) {
    {
        std::lock_guard lock(gate.mutex);
        gate.open = true;
    }
    gate.opened.notify_all();
}

TEST(HostLookup, SilentResolverGivesNoNameAndStuckLookupsAreCapped) {
    auto gate = std::make_shared<Gate>();
    HostNames names(AnswerWhenOpened(gate), 20ms);
    const auto sender = [](int i) { return std::array<uint8_t, 4>{10, 0, 0, uint8_t(i)}; };
    for (int i = 0; i < kMaxUnfinishedLookups; ++i) EXPECT_EQ(names.LookUpHostName(sender(i)), "");
    // Every helper is stuck: the next lookups are not started at all.
    EXPECT_EQ(names.LookUpHostName(sender(100)), "");
    EXPECT_EQ(names.LookUpHostName(sender(101)), "");
    Eventually([&] { return gate->calls >= kMaxUnfinishedLookups; }, 5s);
    EXPECT_EQ(gate->calls, kMaxUnfinishedLookups);

    Open(*gate);
    ASSERT_TRUE(Eventually([&] { return gate->returned >= kMaxUnfinishedLookups; }, 5s));

    // Once the stuck lookups have ended, lookups run again.
    std::string name;
    for (int i = 0; i < 100 && name.empty(); ++i) name = names.LookUpHostName(sender(200 + i));
    EXPECT_EQ(name, "late.example");
}

TEST(HostLookup, AnswersAreKeptSoASilentSenderCostsOneWaitPerPeriod) {
    auto gate = std::make_shared<Gate>();
    HostNames names(AnswerWhenOpened(gate), 20ms);
    for (int trap = 0; trap < 3; ++trap) EXPECT_EQ(names.LookUpHostName(kLoopback), "");
    Open(*gate);
    ASSERT_TRUE(Eventually([&] { return gate->returned >= 1; }, 5s));
    EXPECT_EQ(gate->calls, 1);
    // The answer that came after the wait is kept for the next trap.
    std::string name;
    Eventually(
        [&] {
            name = names.LookUpHostName(kLoopback);
            return !name.empty();
        },
        3s);
    EXPECT_EQ(name, "late.example");
    EXPECT_EQ(gate->calls, 1);
}

TEST(HostNameCache, AnswersLastTheirLifetimeAndTheOldestMakesRoom) {
    using Clock = HostNameCache::Clock;
    const Clock::time_point start{};
    HostNameCache cache(2);
    cache.Store({10, 0, 0, 1}, "", start);  // not resolved: kept as well
    cache.Store({10, 0, 0, 2}, "two", start + 1s);
    EXPECT_EQ(cache.Find({10, 0, 0, 1}, start + HostNameCache::kLifetime - 1s), std::string());
    EXPECT_EQ(cache.Find({10, 0, 0, 1}, start + HostNameCache::kLifetime), std::nullopt);
    cache.StoreIfAbsent({10, 0, 0, 2}, "", start + 2s);
    EXPECT_EQ(cache.Find({10, 0, 0, 2}, start + 2s), "two");

    cache.Store({10, 0, 0, 3}, "three", start + 3s);  // full: the oldest goes
    EXPECT_EQ(cache.Find({10, 0, 0, 1}, start + 3s), std::nullopt);
    EXPECT_EQ(cache.Find({10, 0, 0, 2}, start + 3s), "two");
    EXPECT_EQ(cache.Find({10, 0, 0, 3}, start + 3s), "three");
}

}  // namespace
