#include "trap/PacketCounters.h"

#include <gtest/gtest.h>

#include <bit>

namespace {

std::array<uint32_t, kCounterCount> Block(const PacketCounters& counters) {
    return std::bit_cast<std::array<uint32_t, kCounterCount>>(counters.Snapshot());
}

TEST(PacketCounters, EachKindCountsAllPacketsThenItsOwnCounter) {
    // kind -> block slot
    const struct {
        int kind;
        int slot;
    } cases[] = {
        {kPacketV1, 1},
        {kPacketV2c, 2},
        {kPacketV3, 3},
        {kPacketAuthFailure, 4},
        {kPacketDecryptFailure, 5},
        {kPacketDecodeError, 6},
        {kPacketFilteredOut, 7},
    };
    for (const auto& c : cases) {
        PacketCounters counters;
        counters.CountPacket(c.kind);
        counters.CountPacket(c.kind);
        std::array<uint32_t, kCounterCount> expected{};
        expected[0] = 2;
        expected[c.slot] = 2;
        EXPECT_EQ(Block(counters), expected) << "kind " << c.kind;
    }
}

TEST(PacketCounters, KindOutsideOneToSevenCountsAllPacketsOnly) {
    PacketCounters counters;
    for (int kind : {0, 8, -1, 1000}) counters.CountPacket(kind);
    std::array<uint32_t, kCounterCount> expected{};
    expected[0] = 4;
    EXPECT_EQ(Block(counters), expected);
}

TEST(PacketCounters, GenericTrapCountsFillTheLastEightSlots) {
    PacketCounters counters;
    for (int generic = 0; generic <= 7; ++generic)
        for (int n = 0; n <= generic; ++n) counters.CountGenericTrap(generic);
    counters.CountGenericTrap(8);
    counters.CountGenericTrap(-1);
    const PacketCountBlock block = counters.Snapshot();
    EXPECT_EQ(block.allPackets, 0u);
    for (int generic = 0; generic <= 7; ++generic)
        EXPECT_EQ(block.genericTrapCounts[generic], uint32_t(generic + 1));
}

TEST(PacketCounters, ResetZeroesTheBlock) {
    PacketCounters counters;
    for (int kind = 1; kind <= 7; ++kind) counters.CountPacket(kind);
    for (int generic = 0; generic <= 7; ++generic) counters.CountGenericTrap(generic);
    counters.Reset();
    EXPECT_EQ(Block(counters), (std::array<uint32_t, kCounterCount>{}));
}

}  // namespace
