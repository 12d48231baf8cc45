#include "reception/PacketCounters.h"

#include <gtest/gtest.h>

#include <bit>

#include "support/RecordingServiceWindows.h"

namespace {

std::array<uint32_t, kCounterCount> Block() { return std::bit_cast<std::array<uint32_t, kCounterCount>>(SnapshotCounters()); }

TEST(PacketCounters, EachKindCountsAllPacketsThenItsOwnCounterAndField) {
    // kind -> (block slot, field id)
    const struct { int kind; int slot; int fieldId; } cases[] = {
        {kPacketV1, 1, 1001},           {kPacketV2c, 2, 1002},
        {kPacketV3, 3, 1003},           {kPacketAuthFailure, 4, 1004},
        {kPacketDecryptFailure, 5, 1015}, {kPacketDecodeError, 6, 1005},
        {kPacketFilteredOut, 7, 1006},
    };
    for (const auto& c : cases) {
        RecordingServiceWindows windows;
        ResetCounters();
        CountPacket(c.kind);
        CountPacket(c.kind);
        std::array<uint32_t, kCounterCount> expected{};
        expected[0] = 2;
        expected[c.slot] = 2;
        EXPECT_EQ(Block(), expected) << "kind " << c.kind;
        EXPECT_EQ(windows.Counter(1000), 2u) << "kind " << c.kind;
        EXPECT_EQ(windows.Counter(c.fieldId), 2u) << "kind " << c.kind;
    }
}

TEST(PacketCounters, KindOutsideOneToSevenCountsAllPacketsOnly) {
    ResetCounters();
    for (int kind : {0, 8, -1, 1000}) CountPacket(kind);
    std::array<uint32_t, kCounterCount> expected{};
    expected[0] = 4;
    EXPECT_EQ(Block(), expected);
}

TEST(PacketCounters, GenericTrapCountsFillTheLastEightSlotsAndFields) {
    RecordingServiceWindows windows;
    ResetCounters();
    for (int generic = 0; generic <= 7; ++generic)
        for (int n = 0; n <= generic; ++n) CountGenericTrap(generic);
    CountGenericTrap(8);
    CountGenericTrap(-1);
    const PacketCounters block = SnapshotCounters();
    EXPECT_EQ(block.allPackets, 0u);
    for (int generic = 0; generic <= 7; ++generic) {
        EXPECT_EQ(block.genericTrapCounts[generic], uint32_t(generic + 1));
        EXPECT_EQ(windows.Counter(1007 + generic), uint32_t(generic + 1));
    }
}

TEST(PacketCounters, ResetShowsZeroInAllSixteenFieldsAndZeroesTheBlock) {
    RecordingServiceWindows windows;
    for (int kind = 1; kind <= 7; ++kind) CountPacket(kind);
    for (int generic = 0; generic <= 7; ++generic) CountGenericTrap(generic);
    ResetCounters();
    EXPECT_EQ(Block(), (std::array<uint32_t, kCounterCount>{}));
    const auto shown = windows.Counters();
    ASSERT_EQ(shown.size(), 16u);
    for (int id = 1000; id <= 1015; ++id) EXPECT_EQ(shown.at(id), 0u) << id;
}

}  // namespace
