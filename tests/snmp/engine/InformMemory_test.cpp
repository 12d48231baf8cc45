#include <gtest/gtest.h>

#include "snmp/LocalizationBudget.h"
#include "snmp/engine/InformMemory.h"

namespace {

using namespace std::chrono_literals;

TEST(InformMemory, RepeatIsTheSameSenderRequestAndEngineWithinTheWindow) {
    InformMemory memory;
    const InformMemory::Clock::time_point t0{};
    const std::array<uint8_t, 2> engineA = {0x80, 1}, engineB = {0x80, 2};
    const InformKey key = MakeInformKey({127, 0, 0, 1}, 1620, 7, 9, engineA);
    EXPECT_FALSE(memory.Repeated(key, t0));
    EXPECT_TRUE(memory.Repeated(key, t0 + 59s));
    for (const InformKey& other : {MakeInformKey({127, 0, 0, 2}, 1620, 7, 9, engineA),
                                   MakeInformKey({127, 0, 0, 1}, 1621, 7, 9, engineA),
                                   MakeInformKey({127, 0, 0, 1}, 1620, 8, 9, engineA),
                                   MakeInformKey({127, 0, 0, 1}, 1620, 7, 10, engineA),
                                   MakeInformKey({127, 0, 0, 1}, 1620, 7, 9, engineB)})
        EXPECT_FALSE(memory.Repeated(other, t0 + 59s));
    // Remembered from its first arrival: past the window it is new again.
    EXPECT_FALSE(memory.Repeated(key, t0 + 61s));
}

TEST(InformMemory, HoldsAtMostItsSizeForgettingTheOldest) {
    InformMemory memory;
    const InformMemory::Clock::time_point t0{};
    for (int32_t id = 0; id < int32_t(kInformMemorySize) + 5; ++id)
        memory.Repeated(MakeInformKey({127, 0, 0, 1}, 1620, id, 0, {}), t0);
    EXPECT_EQ(memory.Size(), kInformMemorySize);
    EXPECT_FALSE(memory.Repeated(MakeInformKey({127, 0, 0, 1}, 1620, 0, 0, {}), t0));
    EXPECT_TRUE(memory.Repeated(MakeInformKey({127, 0, 0, 1}, 1620, 10, 0, {}), t0));
}

TEST(LocalizationBudget, GivesItsRateAndRefillsWithTime) {
    LocalizationBudget budget(50);
    const LocalizationBudget::Clock::time_point t0 = LocalizationBudget::Clock::now();
    int given = 0;
    for (int i = 0; i < 80; ++i) given += budget.Take(t0);
    EXPECT_EQ(given, 50);
    EXPECT_FALSE(budget.Take(t0 + 10ms));
    EXPECT_TRUE(budget.Take(t0 + 25ms));  // one token every 20 ms
    given = 0;
    for (int i = 0; i < 80; ++i) given += budget.Take(t0 + 10s);
    EXPECT_EQ(given, 50);  // never more than a second's worth
}

}  // namespace
