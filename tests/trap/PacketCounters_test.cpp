#include "trap/PacketCounters.h"

#include <gtest/gtest.h>

#include <bit>

namespace {

std::array<uint32_t, kCounterCount> Block() {
    return std::bit_cast<std::array<uint32_t, kCounterCount>>(SnapshotCounters());
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
        ResetCounters();
        CountPacket(c.kind);
        CountPacket(c.kind);
        std::array<uint32_t, kCounterCount> expected{};
        expected[0] = 2;
        expected[c.slot] = 2;
        EXPECT_EQ(Block(), expected) << "kind " << c.kind;
    }
}

TEST(PacketCounters, KindOutsideOneToSevenCountsAllPacketsOnly) {
    ResetCounters();
    for (int kind : {0, 8, -1, 1000}) CountPacket(kind);
    std::array<uint32_t, kCounterCount> expected{};
    expected[0] = 4;
    EXPECT_EQ(Block(), expected);
}

TEST(PacketCounters, GenericTrapCountsFillTheLastEightSlots) {
    ResetCounters();
    for (int generic = 0; generic <= 7; ++generic)
        for (int n = 0; n <= generic; ++n) CountGenericTrap(generic);
    CountGenericTrap(8);
    CountGenericTrap(-1);
    const PacketCounters block = SnapshotCounters();
    EXPECT_EQ(block.allPackets, 0u);
    for (int generic = 0; generic <= 7; ++generic)
        EXPECT_EQ(block.genericTrapCounts[generic], uint32_t(generic + 1));
}

TEST(PacketCounters, ResetZeroesTheBlock) {
    for (int kind = 1; kind <= 7; ++kind) CountPacket(kind);
    for (int generic = 0; generic <= 7; ++generic) CountGenericTrap(generic);
    ResetCounters();
    EXPECT_EQ(Block(), (std::array<uint32_t, kCounterCount>{}));
}

}  // namespace
