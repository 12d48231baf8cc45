#include "platform/BoundedLookup.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

namespace {

using namespace std::chrono_literals;

constexpr Ipv4Address kLoopback = {127, 0, 0, 1};

TEST(BoundedLookup, AFullPoolWaitsWhileDottedAddressesAndOtherPoolsAreAnswered) {
    struct Gate {
        std::mutex mutex;
        std::condition_variable opened;
        bool open = false;
    };
    auto gate = std::make_shared<Gate>();
    const auto stuck = [gate] {
        std::unique_lock lock(gate->mutex);
        gate->opened.wait(lock, [&] { return gate->open; });
    };
    LookupPool mail;
    LookupPool senders;
    for (int i = 0; i < kMaxUnfinishedLookups; ++i) EXPECT_FALSE(mail.RunLookupWithin(stuck, 10ms));

    // Every helper of the pool is taken: a name is not looked up, a dotted address is still
    // answered, and the other pool still looks names up.
    EXPECT_TRUE(mail.AddressesOfWithin("localhost", 5s).empty());
    EXPECT_EQ(mail.AddressesOfWithin("127.0.0.1", 5s), std::vector<Ipv4Address>{kLoopback});
    EXPECT_TRUE(senders.RunLookupWithin([] {}, 5s));

    {
        std::lock_guard lock(gate->mutex);
        gate->open = true;
    }
    gate->opened.notify_all();
    std::vector<Ipv4Address> found;
    for (int i = 0; i < 200 && found.empty(); ++i) {
        found = mail.AddressesOfWithin("localhost", 5s);
        if (found.empty()) std::this_thread::sleep_for(10ms);
    }
    ASSERT_FALSE(found.empty());
    EXPECT_EQ(found.front(), kLoopback);
}

}  // namespace
